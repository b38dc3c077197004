#include "Thread/TCThread.h"

#include <chrono>

bool TCCriticalSection::Enter(int timeoutMs) {
    if (timeoutMs < 0) {
        m_Mutex.lock();
        return true;
    }
    return m_Mutex.try_lock_for(std::chrono::milliseconds(timeoutMs));
}

void TCCriticalSection::Leave() {
    m_Mutex.unlock();
}
