#pragma once
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "Accessories/TCRecordID.h"
#include "Thread/TCThread.h"

#pragma GCC visibility push(default)

namespace DB {

enum class TEDBChangeType { Insert, Update, Delete };

// One committed change of a row.
struct TCDBChange {
    int TableID = 0;
    TEDBChangeType Type = TEDBChangeType::Update;
    Accessories::TCRecordID RecordID;
};

// Receives the changes of every transaction committed in this process, after the commit.
// Listeners only queue and signal; the owner drains the queue on its own thread.
class TCDatabaseChangeListener {
public:
    TCDatabaseChangeListener();
    virtual ~TCDatabaseChangeListener();
    TCDatabaseChangeListener(const TCDatabaseChangeListener&) = delete;
    TCDatabaseChangeListener& operator=(const TCDatabaseChangeListener&) = delete;

    TCSignalEventObject& GetSignalEvent() { return m_Signal; }
    std::mutex& GetLock() { return m_Lock; }
    // Takes the oldest queued change; the caller holds GetLock().
    bool PopChange(TCDBChange& change);
    // Queues and signals (called by the notifier).
    void Push(const TCDBChange& change);
    // Queues the changes of one commit and signals once.
    void Push(const std::vector<TCDBChange>& changes);

protected:
    virtual void Deliver(const TCDBChange& change) = 0;

public:
    // Drains the queue, calling Deliver for each change with the lock released during the call.
    void Drain();

private:
    std::mutex m_Lock;
    std::deque<TCDBChange> m_Queue;
    TCSignalEventObject m_Signal;
};

// Calls a member function of the owner for each drained change.
template <class T> class TCDatabaseNotificationFunction : public TCDatabaseChangeListener {
public:
    using Callback = void (T::*)(const TCDBChange&);
    TCDatabaseNotificationFunction(T* owner = nullptr, Callback callback = nullptr)
        : m_Owner(owner), m_Callback(callback) {}
    void Set(T* owner, Callback callback) { m_Owner = owner, m_Callback = callback; }

protected:
    void Deliver(const TCDBChange& change) override {
        if (m_Owner && m_Callback) (m_Owner->*m_Callback)(change);
    }

private:
    T* m_Owner;
    Callback m_Callback;
};

// The process-wide registry of listeners; listeners register themselves for their lifetime.
class TCCommonDatabaseChangeNotifier {
public:
    static void Publish(const TCDBChange& change);
    // The changes of one commit, in order: each listener is woken once for all of them.
    static void Publish(const std::vector<TCDBChange>& changes);
    static void Register(TCDatabaseChangeListener* listener);
    static void Unregister(TCDatabaseChangeListener* listener);
};

} // namespace DB

#pragma GCC visibility pop
