#include "ConnectionTracker.h"

#include <vector>

namespace Web::Detail {

ConnectionSlot::ConnectionSlot(ConnectionSlot&& other) noexcept
    : m_Tracker(other.m_Tracker), m_Id(other.m_Id) {
    other.m_Tracker = nullptr;
}

ConnectionSlot& ConnectionSlot::operator=(ConnectionSlot&& other) noexcept {
    if (this != &other) {
        release();
        m_Tracker = other.m_Tracker;
        m_Id = other.m_Id;
        other.m_Tracker = nullptr;
    }
    return *this;
}

ConnectionSlot::~ConnectionSlot() {
    release();
}

void ConnectionSlot::attach(std::weak_ptr<Connection> connection) {
    if (m_Tracker) m_Tracker->attach(m_Id, std::move(connection));
}

void ConnectionSlot::release() {
    if (m_Tracker) m_Tracker->remove(m_Id);
    m_Tracker = nullptr;
}

ConnectionSlot ConnectionTracker::tryAdd(std::size_t limit) {
    std::lock_guard lock(m_Mutex);
    if (m_Count >= limit) return ConnectionSlot();
    ++m_Count;
    return ConnectionSlot(*this, m_NextId++);
}

void ConnectionTracker::attach(std::uint64_t id, std::weak_ptr<Connection> connection) {
    std::lock_guard lock(m_Mutex);
    m_Connections.emplace(id, std::move(connection));
}

void ConnectionTracker::remove(std::uint64_t id) {
    std::lock_guard lock(m_Mutex);
    m_Connections.erase(id);
    if (--m_Count == 0) m_Emptied.notify_all();
}

void ConnectionTracker::requestStopAll() {
    std::vector<std::shared_ptr<Connection>> open;
    {
        std::lock_guard lock(m_Mutex);
        for (const auto& [id, weak] : m_Connections)
            if (auto connection = weak.lock()) open.push_back(std::move(connection));
    }
    // Outside the lock: a connection that closes right now removes itself from the map.
    for (const auto& connection : open)
        connection->requestStop();
}

bool ConnectionTracker::waitUntilEmpty(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_Mutex);
    return m_Emptied.wait_for(lock, timeout, [this] { return m_Count == 0; });
}

std::size_t ConnectionTracker::count() const {
    std::lock_guard lock(m_Mutex);
    return m_Count;
}

} // namespace Web::Detail
