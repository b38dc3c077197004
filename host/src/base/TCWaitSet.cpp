#include "base/TCWaitSet.h"

#include <chrono>

void TCWaitSet::Register(const std::shared_ptr<TCWaitSet>& set, int index, TCSignalEventObject& event) {
    std::shared_ptr<TCWaitSet> previous;
    {
        std::lock_guard<std::mutex> eventLock(event.m_Mutex);
        previous = event.m_WaitSet;
    }
    if (previous && previous != set) previous->Remove(&event);

    std::lock_guard<std::mutex> setLock(set->m_Mutex);
    set->EraseLocked(&event);
    const auto existing = set->m_Events.find(index);
    if (existing != set->m_Events.end()) {
        TCSignalEventObject* displaced = existing->second;
        std::lock_guard<std::mutex> displacedLock(displaced->m_Mutex);
        if (displaced->m_WaitSet == set) displaced->m_WaitSet.reset();
    }
    set->m_Events[index] = &event;
    std::lock_guard<std::mutex> eventLock(event.m_Mutex);
    event.m_WaitSet = set;
}

void TCWaitSet::Remove(const TCSignalEventObject* event) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    EraseLocked(event);
}

void TCWaitSet::EraseLocked(const TCSignalEventObject* event) {
    for (auto it = m_Events.begin(); it != m_Events.end();) {
        if (it->second == event)
            it = m_Events.erase(it);
        else
            ++it;
    }
}

void TCWaitSet::Notify() {
    // Taking the mutex orders this wake-up after a waiter's check, so it cannot be lost.
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Cond.notify_all();
}

int TCWaitSet::Wait(int timeoutMs, const std::atomic<bool>& stopRequested) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock<std::mutex> lock(m_Mutex);
    for (;;) {
        if (stopRequested.load()) return TCBasicThread::WAIT_TIMEOUT;
        for (const auto& [index, event] : m_Events) {
            if (event->TryConsume()) return index;
        }
        if (timeoutMs < 0) {
            m_Cond.wait(lock);
        } else if (m_Cond.wait_until(lock, deadline) == std::cv_status::timeout) {
            // One last look: a signal may have arrived together with the time-out.
            for (const auto& [index, event] : m_Events) {
                if (event->TryConsume()) return index;
            }
            return TCBasicThread::WAIT_TIMEOUT;
        }
    }
}
