#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace Web::Detail {

// What the server can ask of an open connection while it shuts down.
class Connection {
public:
    virtual ~Connection() = default;
    // Thread-safe. An idle or still-reading connection closes; one that is answering finishes first.
    virtual void requestStop() = 0;
};

class ConnectionTracker;

// A place in the tracker, held by a connection for its whole life; giving it up frees the place.
class ConnectionSlot {
public:
    ConnectionSlot() = default;
    ConnectionSlot(ConnectionTracker& tracker, std::uint64_t id) : m_Tracker(&tracker), m_Id(id) {}
    ConnectionSlot(ConnectionSlot&& other) noexcept;
    ConnectionSlot& operator=(ConnectionSlot&& other) noexcept;
    ~ConnectionSlot();

    explicit operator bool() const { return m_Tracker != nullptr; }
    // Makes the connection reachable by ConnectionTracker::requestStopAll.
    void attach(std::weak_ptr<Connection> connection);

private:
    void release();
    ConnectionTracker* m_Tracker = nullptr;
    std::uint64_t m_Id = 0;
};

// Counts open connections, enforces the connection limit and lets stop() reach and await all of them.
class ConnectionTracker {
public:
    // An empty slot when `limit` connections are already open.
    ConnectionSlot tryAdd(std::size_t limit);
    void requestStopAll();
    // True when every connection closed within the timeout.
    bool waitUntilEmpty(std::chrono::milliseconds timeout);
    std::size_t count() const;

private:
    friend class ConnectionSlot;
    void attach(std::uint64_t id, std::weak_ptr<Connection> connection);
    void remove(std::uint64_t id);

    mutable std::mutex m_Mutex;
    std::condition_variable m_Emptied;
    std::uint64_t m_NextId = 1;
    std::size_t m_Count = 0;
    std::map<std::uint64_t, std::weak_ptr<Connection>> m_Connections;
};

} // namespace Web::Detail
