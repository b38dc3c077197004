#include "Property/TCPropertyChangeNotifier.h"

#include "db/props/PropertyChangeHub.h"

namespace Property {

TCCommonPropertyChangeNotifier::TCCommonPropertyChangeNotifier() = default;

TCCommonPropertyChangeNotifier::~TCCommonPropertyChangeNotifier() {
    Disable();
}

void TCCommonPropertyChangeNotifier::Insert(const TCPropertyID& id) {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_Watched.insert(id.get_Number());
}

void TCCommonPropertyChangeNotifier::InsertAll() {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_WatchAll = true;
}

bool TCCommonPropertyChangeNotifier::IsWatched(const TCPropertyID& id) const {
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_WatchAll || m_Watched.count(id.get_Number()) != 0;
}

void TCCommonPropertyChangeNotifier::Enable() {
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        if (m_Enabled) return;
        m_Enabled = true;
    }
    Store::PropertyChangeHub::Instance().Add(this);
}

void TCCommonPropertyChangeNotifier::Disable() {
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        if (!m_Enabled) return;
        m_Enabled = false;
    }
    // After this returns no thread pushes to this notifier any more.
    Store::PropertyChangeHub::Instance().Remove(this);
}

bool TCCommonPropertyChangeNotifier::IsEnabled() const {
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_Enabled;
}

void TCCommonPropertyChangeNotifier::Push(TENotificationType type, const TCCommonPropertyObject& property) {
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        if (!m_Enabled) return;
        if (!m_WatchAll && m_Watched.count(property.get_ID().get_Number()) == 0) return;
        m_Queue.push_back(Queued{type, property});
    }
    m_Signal.Signal();
}

int TCCommonPropertyChangeNotifier::Process() {
    int delivered = 0;
    for (;;) {
        std::unique_lock<std::mutex> lock(m_Lock);
        if (m_Queue.empty()) break;
        const Queued next = m_Queue.front();
        m_Queue.pop_front();
        lock.unlock(); // the owner may change settings (and so push) from its callback
        Deliver(next.Type, next.Property);
        ++delivered;
    }
    return delivered;
}

} // namespace Property
