#pragma once

#include "document/document_error.h"

#include <QObject>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <deque>
#include <expected>
#include <functional>
#include <memory>

namespace pq {

class DocumentController;

// The intake of files handed over by drop, open dialog or the operating system. Each batch
// takes its files one after another in a worker thread (a data file is opened as a byte
// source, which reads nothing yet; a bookmarks file is read whole) and hands each to the
// controller on the main thread: bookmarks files are imported, data files opened. Batches
// queue up.
class DocumentIntake : public QObject {
    Q_OBJECT
public:
    explicit DocumentIntake(DocumentController& controller);
    ~DocumentIntake() override;

    using Done = std::function<void(const std::expected<void, IntakeError>&)>;
    // Every path ending in ".json" (case-sensitive) is imported, in order, before the others
    // are opened, in order. Stops at the first file that cannot be read (an empty data file
    // included) and shows why; the files before it stay processed. `done` is called once at
    // the end of the batch.
    void processURLs(const QStringList& paths, Done done = {});
    // For tests and the command line: runs the event loop until every batch has finished.
    // False on timeout (-1: none).
    bool waitForIntake(int timeoutMs = -1);

signals:
    // A batch finished.
    void intakeFinished();

private:
    struct Batch {
        QStringList paths; // bookmarks files first, then data files, each in the given order
        qsizetype bookmarksFiles = 0;
        qsizetype next = 0;
        Done done;
    };

    void runNextBatch();
    void readNextFile();
    void finishBatch(const std::expected<void, IntakeError>& result);

    DocumentController& m_controller;
    QThreadPool m_pool;
    std::deque<Batch> m_batches;
    bool m_running = false;          // the front batch is being read or processed
    bool m_waitingForImport = false; // its bookmarks file waits for the open data's digest
};

} // namespace pq
