#include "Thread/TCThread.h"

#include <chrono>

bool TCCriticalSection::Enter(int timeoutMs) {
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(m_Mutex);
    if (m_Depth > 0 && m_Owner == self) {
        ++m_Depth;
        return true;
    }
    const auto free = [this] { return m_Depth == 0; };
    if (timeoutMs < 0)
        m_Released.wait(lock, free);
    else if (!m_Released.wait_for(lock, std::chrono::milliseconds(timeoutMs), free))
        return false;
    m_Owner = self;
    m_Depth = 1;
    return true;
}

void TCCriticalSection::Leave() {
    std::unique_lock<std::mutex> lock(m_Mutex);
    if (m_Depth == 0 || m_Owner != std::this_thread::get_id()) return;
    if (--m_Depth > 0) return;
    m_Owner = std::thread::id();
    lock.unlock();
    m_Released.notify_one();
}
