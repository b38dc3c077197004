#include "db/core/WriterQueue.h"

namespace DB::Core {

bool WriterQueue::Acquire(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_Mutex);
    if (!m_Held && m_Waiting.empty()) {
        m_Held = true;
        return true;
    }
    const auto ticket = m_Waiting.insert(m_Waiting.end(), std::this_thread::get_id());
    const bool served =
        m_Turn.wait_for(lock, timeout, [&] { return !m_Held && m_Waiting.begin() == ticket; });
    m_Waiting.erase(ticket);
    if (!served) {
        // The writer behind may now be first in line.
        m_Turn.notify_all();
        return false;
    }
    m_Held = true;
    return true;
}

void WriterQueue::Release() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Held = false;
    }
    m_Turn.notify_all();
}

} // namespace DB::Core
