#pragma once

#include <QEventLoop>
#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <functional>
#include <type_traits>
#include <utility>

namespace pq {

// Runs `work` in `pool` and hands its result to `done` on `context`'s thread once it ends. The
// calling thread never waits; when `context` is destroyed first, the result is dropped (the
// owner waits for its pool in its destructor, so `work` may use what the owner keeps alive).
template <class Work, class Done>
void runInWorker(QObject* context, QThreadPool& pool, Work work, Done done)
{
    using Result = std::invoke_result_t<Work>;
    auto* watcher = new QFutureWatcher<Result>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context, [watcher, done = std::move(done)]() mutable {
        watcher->deleteLater();
        done(watcher->future().takeResult());
    });
    watcher->setFuture(QtConcurrent::run(&pool, std::move(work)));
}

// For tests and the command line: runs the event loop, looking again each time `sender` emits
// `signal`, until `done` holds or the time is up (-1: no limit). True when `done` holds.
template <class Sender, class Signal>
bool waitWithEventLoop(const Sender* sender, Signal signal, const std::function<bool()>& done, int timeoutMs)
{
    QTimer timer;
    timer.setSingleShot(true);
    if (timeoutMs >= 0)
        timer.start(timeoutMs);
    while (!done() && (timeoutMs < 0 || timer.isActive())) {
        QEventLoop loop;
        QObject::connect(sender, signal, &loop, &QEventLoop::quit);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

} // namespace pq
