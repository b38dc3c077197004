#pragma once
#include "Thread/TCThread.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>

// The events a TCBasicThread waits on. Lock order: the set's mutex before an event's mutex; an event
// never holds its own mutex while it takes the set's.
class TCWaitSet {
public:
    // Registers event under index, moving it out of any other set and replacing what held the index.
    static void Register(const std::shared_ptr<TCWaitSet>& set, int index, TCSignalEventObject& event);
    void Remove(const TCSignalEventObject* event);
    void Notify();
    // The lowest signalled index (its signal consumed), or TCBasicThread::WAIT_TIMEOUT on time-out or stop.
    int Wait(int timeoutMs, const std::atomic<bool>& stopRequested);

private:
    void EraseLocked(const TCSignalEventObject* event);

    std::mutex m_Mutex;
    std::condition_variable m_Cond;
    std::map<int, TCSignalEventObject*> m_Events;
};
