#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>

namespace pq {

// A yes-or-no answer that a worker thread waits for while the main thread asks the user. Once
// closed (its owner is going away), every wait ends at once with no.
class MainThreadAnswer {
public:
    void give(bool yes)
    {
        const std::lock_guard lock(m_mutex);
        m_answer = yes;
        m_changed.notify_all();
    }
    void close()
    {
        const std::lock_guard lock(m_mutex);
        m_closed = true;
        m_changed.notify_all();
    }
    // Waits for the next answer and takes it.
    bool wait()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_closed || m_answer.has_value(); });
        const bool yes = !m_closed && *m_answer;
        m_answer.reset();
        return yes;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<bool> m_answer;
    bool m_closed = false;
};

} // namespace pq
