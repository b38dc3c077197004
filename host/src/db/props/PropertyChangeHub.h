#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "Property/TCPropertyChangeNotifier.h"

namespace Property::Store {

class PropertyWatcherThread;

// The process's enabled notifiers and the watcher that brings them changes made by other processes.
// The watcher runs while at least one notifier is enabled. A change made here is announced by the store
// right after its commit; the watcher recognises it by its sequence number and does not announce it again.
class PropertyChangeHub {
public:
    static PropertyChangeHub& Instance();
    ~PropertyChangeHub();

    void Add(TCCommonPropertyChangeNotifier* notifier);
    void Remove(TCCommonPropertyChangeNotifier* notifier);

    // Before committing a write with sequence `seq`: tells the watcher the row is this process's own.
    void ExpectLocal(int64_t seq, const TCCommonPropertyObject& property);
    // After a failed commit.
    void ForgetLocal(int64_t seq);
    // After the commit: queues the change with every notifier.
    void Broadcast(TENotificationType type, const TCCommonPropertyObject& property);

    // One polling pass of the watcher: announces rows changed by other processes since the last pass.
    void Poll();

private:
    PropertyChangeHub() = default;
    struct LocalChange {
        int PropertyNumber;
        Accessories::TCRecordID Record;
        Accessories::TCNullTypes<std::string> Value;
    };
    bool IsOwnChange(int64_t seq, const TCCommonPropertyObject& property) const;

    std::mutex m_ControlLock; // serialises starting and stopping the watcher; never taken by it
    std::unique_ptr<PropertyWatcherThread> m_Watcher;

    mutable std::mutex m_Lock; // guards the members below
    std::set<TCCommonPropertyChangeNotifier*> m_Notifiers;
    std::map<int64_t, LocalChange> m_LocalChanges;
    int64_t m_LastSeenSeq = -1; // -1: not read yet
    std::string m_LastPollError;
};

} // namespace Property::Store
