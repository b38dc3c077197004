#pragma once
#include <deque>
#include <mutex>
#include <set>

#include "Property/TCCommonPropertyObject.h"
#include "Thread/TCThread.h"

#pragma GCC visibility push(default)

namespace Property {

enum class TENotificationType {
    Changed, // the property was given a value
    Removed, // the property was unset
};

// Watches a set of properties for changes made by this process or any other process using the same
// database. Changes are only queued and the signal event set; the owner calls Process on its own thread
// to have them delivered. Changes made in this process are queued at once; changes from other processes
// within about half a second (one watcher thread per process polls while any notifier is enabled).
class TCCommonPropertyChangeNotifier {
public:
    TCCommonPropertyChangeNotifier();
    virtual ~TCCommonPropertyChangeNotifier();
    TCCommonPropertyChangeNotifier(const TCCommonPropertyChangeNotifier&) = delete;
    TCCommonPropertyChangeNotifier& operator=(const TCCommonPropertyChangeNotifier&) = delete;

    void Insert(const TCPropertyID& id);
    void Insert(const TCCommonPropertyObject& property) { Insert(property.get_ID()); }
    // Watch every property, including ones inserted later.
    void InsertAll();
    bool IsWatched(const TCPropertyID& id) const;

    void Enable();
    void Disable(); // drops nothing already queued
    bool IsEnabled() const;

    TCSignalEventObject& GetSignalEvent() { return m_Signal; }
    // Delivers every queued change in the order they happened; returns how many were delivered.
    int Process();

    // Called by the store and the watcher: queues the change if watched, and signals.
    void Push(TENotificationType type, const TCCommonPropertyObject& property);

protected:
    virtual void Deliver(TENotificationType type, const TCCommonPropertyObject& property) = 0;

private:
    struct Queued {
        TENotificationType Type;
        TCCommonPropertyObject Property;
    };

    mutable std::mutex m_Lock;
    std::set<int> m_Watched;
    bool m_WatchAll = false;
    bool m_Enabled = false;
    std::deque<Queued> m_Queue;
    TCSignalEventObject m_Signal;
};

// Calls a member function of the owner for every delivered change.
template <class T> class TCPropertyNotifyFunction : public TCCommonPropertyChangeNotifier {
public:
    using Callback = void (T::*)(TENotificationType, const TCCommonPropertyObject&);

    TCPropertyNotifyFunction(T* owner = nullptr, Callback callback = nullptr)
        : m_Owner(owner), m_Callback(callback) {}
    void Set(T* owner, Callback callback) { m_Owner = owner, m_Callback = callback; }

protected:
    void Deliver(TENotificationType type, const TCCommonPropertyObject& property) override {
        if (m_Owner && m_Callback) (m_Owner->*m_Callback)(type, property);
    }

private:
    T* m_Owner;
    Callback m_Callback;
};

} // namespace Property

#pragma GCC visibility pop
