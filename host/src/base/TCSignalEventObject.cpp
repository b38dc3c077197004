#include "base/TCWaitSet.h"

#include <chrono>

TCSignalEventObject::TCSignalEventObject() = default;

TCSignalEventObject::~TCSignalEventObject() {
    std::shared_ptr<TCWaitSet> set;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        set = std::move(m_WaitSet);
    }
    // Unregistered before the members go, so a waiting thread never looks at a dead event.
    if (set) set->Remove(this);
}

void TCSignalEventObject::Signal() {
    std::shared_ptr<TCWaitSet> set;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Signaled = true;
        set = m_WaitSet;
    }
    m_Cond.notify_one();
    if (set) set->Notify();
}

void TCSignalEventObject::Reset() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Signaled = false;
}

bool TCSignalEventObject::IsSignaled() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Signaled;
}

bool TCSignalEventObject::Wait(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_Mutex);
    const auto signaled = [this] { return m_Signaled; };
    if (timeoutMs < 0)
        m_Cond.wait(lock, signaled);
    else if (!m_Cond.wait_for(lock, std::chrono::milliseconds(timeoutMs), signaled))
        return false;
    m_Signaled = false;
    return true;
}

bool TCSignalEventObject::TryConsume() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    const bool was = m_Signaled;
    m_Signaled = false;
    return was;
}
