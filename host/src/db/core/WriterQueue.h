#pragma once
#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>

namespace DB::Core {

// The writers of one process, served in the order they arrived. SQLite's busy handler wakes waiting
// writers by sleeping and retrying, so under load a late writer often wins and an early one starves;
// queueing here first leaves at most one writer of the process waiting on the database's own lock,
// and that one waits only for other processes.
class WriterQueue {
public:
    // Waits until every writer that arrived earlier has finished; false when `timeout` passed first.
    bool Acquire(std::chrono::milliseconds timeout);
    void Release();

private:
    std::mutex m_Mutex;
    std::condition_variable m_Turn;
    bool m_Held = false;
    std::list<std::thread::id> m_Waiting; // oldest first
};

} // namespace DB::Core
