#include "DB/TCDBChangeNotifier.h"

#include <set>

namespace DB {

namespace {

struct ListenerRegistry {
    std::mutex Lock;
    std::set<TCDatabaseChangeListener*> Listeners;
};

ListenerRegistry& Registry() {
    static ListenerRegistry registry;
    return registry;
}

} // namespace

TCDatabaseChangeListener::TCDatabaseChangeListener() {
    TCCommonDatabaseChangeNotifier::Register(this);
}

// Unregistering under the registry lock guarantees no Publish still pushes to this object afterwards.
TCDatabaseChangeListener::~TCDatabaseChangeListener() {
    TCCommonDatabaseChangeNotifier::Unregister(this);
}

bool TCDatabaseChangeListener::PopChange(TCDBChange& change) {
    if (m_Queue.empty()) return false;
    change = m_Queue.front();
    m_Queue.pop_front();
    return true;
}

void TCDatabaseChangeListener::Push(const TCDBChange& change) {
    Push(std::vector<TCDBChange>{change});
}

void TCDatabaseChangeListener::Push(const std::vector<TCDBChange>& changes) {
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_Queue.insert(m_Queue.end(), changes.begin(), changes.end());
    }
    m_Signal.Signal();
}

void TCDatabaseChangeListener::Drain() {
    for (;;) {
        TCDBChange change;
        {
            std::lock_guard<std::mutex> lock(m_Lock);
            if (!PopChange(change)) return;
        }
        Deliver(change);
    }
}

void TCCommonDatabaseChangeNotifier::Publish(const TCDBChange& change) {
    Publish(std::vector<TCDBChange>{change});
}

void TCCommonDatabaseChangeNotifier::Publish(const std::vector<TCDBChange>& changes) {
    if (changes.empty()) return;
    ListenerRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.Lock);
    for (TCDatabaseChangeListener* listener : registry.Listeners)
        listener->Push(changes);
}

void TCCommonDatabaseChangeNotifier::Register(TCDatabaseChangeListener* listener) {
    ListenerRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.Lock);
    registry.Listeners.insert(listener);
}

void TCCommonDatabaseChangeNotifier::Unregister(TCDatabaseChangeListener* listener) {
    ListenerRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.Lock);
    registry.Listeners.erase(listener);
}

} // namespace DB
