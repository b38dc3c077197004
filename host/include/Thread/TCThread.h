#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#pragma GCC visibility push(default)

class TCWaitSet;

// An auto-reset event: Signal wakes one wait; the state is cleared when a wait consumes it.
// One event may be registered with one thread's wait set (TCBasicThread::AddWait); registering it with
// another thread moves it. Signal may be called from any thread.
class TCSignalEventObject {
public:
    TCSignalEventObject();
    ~TCSignalEventObject();
    TCSignalEventObject(const TCSignalEventObject&) = delete;
    TCSignalEventObject& operator=(const TCSignalEventObject&) = delete;

    void Signal();
    void Reset();
    bool IsSignaled() const;
    // Waits until signalled (consuming the signal) or the time-out (ms, -1 forever) passes.
    bool Wait(int timeoutMs);

private:
    friend class TCWaitSet;
    bool TryConsume();
    mutable std::mutex m_Mutex;
    std::condition_variable m_Cond;
    bool m_Signaled = false;
    // Shared so that a Signal racing with the owning thread's destruction never touches freed memory.
    std::shared_ptr<TCWaitSet> m_WaitSet;
};

// Recursive lock. Enter(-1) waits forever; Enter(ms) returns false when the lock was not had in time.
// Built on a plain mutex and a condition: a timed recursive mutex locks through a call that thread
// checkers do not follow, so they would see every timed entry as a lock never taken.
class TCCriticalSection {
public:
    bool Enter(int timeoutMs = -1);
    // Leaving a section the calling thread does not hold does nothing.
    void Leave();

private:
    std::mutex m_Mutex;
    std::condition_variable m_Released;
    std::thread::id m_Owner;
    int m_Depth = 0;
};

// RAII holder of a TCCriticalSection.
class TCCriticalSectionLock {
public:
    explicit TCCriticalSectionLock(TCCriticalSection& cs) : m_CS(cs) { m_CS.Enter(-1); }
    ~TCCriticalSectionLock() { m_CS.Leave(); }
    TCCriticalSectionLock(const TCCriticalSectionLock&) = delete;
    TCCriticalSectionLock& operator=(const TCCriticalSectionLock&) = delete;

private:
    TCCriticalSection& m_CS;
};

// Monotonic milliseconds.
int64_t GetTickCount64ms();

// A one-shot timer on the monotonic clock. Inactive until SetTimeout.
class TCTickCounter {
public:
    // Milliseconds of some monotonic clock.
    using Clock = std::function<int64_t()>;

    TCTickCounter() = default;
    // Reads the time from `clock` instead (an empty one means the monotonic clock), so that schedules of
    // minutes can be tested without waiting.
    explicit TCTickCounter(Clock clock) : m_Clock(std::move(clock)) {}

    void SetTimeout(int64_t milliseconds);
    bool Expired() const;   // active and the time-out has passed
    bool Activated() const; // SetTimeout was called and Clear was not
    void Clear();
    int64_t RemainingMs() const;

private:
    int64_t Now() const { return m_Clock ? m_Clock() : GetTickCount64ms(); }

    Clock m_Clock;
    int64_t m_Deadline = 0;
    bool m_Active = false;
};

// A named thread that runs Execute() until told to stop, waiting on registered events in between.
// A derived class must call Stop() in its own destructor: by the time the base destructor runs the
// derived part is gone, so Execute/Shutdown must already have finished. The base destructor still
// requests stop and joins, but only as a safety net.
class TCBasicThread {
public:
    static constexpr int WAIT_TIMEOUT = -1;

    TCBasicThread();
    virtual ~TCBasicThread();
    TCBasicThread(const TCBasicThread&) = delete;
    TCBasicThread& operator=(const TCBasicThread&) = delete;

    // Prepares the thread; it does not run until Resume. The priority is recorded only: normal Linux
    // scheduling gives an unprivileged process no use of it.
    void CreateThread(const std::string& name, int priority = -1);
    // Starts Execute on a new thread; no-op while it runs. After Stop it may be resumed again.
    void Resume();
    // Asks Execute to finish (wakes WaitObjects) and joins; Shutdown runs on the thread after Execute.
    // Called from the thread itself it only requests the stop.
    void Stop();
    bool IsTerminated() const { return m_StopRequested.load(); }
    bool IsRunning() const { return m_Running.load(); }
    const std::string& GetThreadName() const { return m_Name; }
    int GetPriority() const { return m_Priority; }

    // Registers an event under an index; WaitObjects returns that index when it was signalled.
    void AddWait(int index, TCSignalEventObject& event);
    // Waits until a registered event is signalled (returns its index, lowest first, and consumes that
    // event's signal) or the time-out (ms, negative = forever) passes (returns WAIT_TIMEOUT).
    // Also returns WAIT_TIMEOUT at once when stop was requested.
    int WaitObjects(int timeoutMs);

protected:
    virtual int Execute() = 0;
    virtual void Shutdown() {}

private:
    void Run();
    void RequestStopAndJoin();

    std::string m_Name;
    int m_Priority = -1;
    std::shared_ptr<TCWaitSet> m_WaitSet;
    std::mutex m_ControlMutex; // serialises Resume and the joining part of Stop
    std::thread m_Thread;
    std::atomic<std::thread::id> m_WorkerId{}; // lets Stop tell whether it runs on the thread itself
    std::atomic<bool> m_StopRequested{false};
    std::atomic<bool> m_Running{false};
};

class TCThread : public TCBasicThread {};

#pragma GCC visibility pop
