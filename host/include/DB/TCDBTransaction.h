#pragma once

#pragma GCC visibility push(default)

namespace DB {

// A write transaction on the calling thread's connection. Begin takes the database's write lock at
// once (BEGIN IMMEDIATE), waiting for other writers up to the busy time-out; a transaction begun while
// another is open on the same thread nests as a savepoint. The destructor rolls back what was not
// committed.
class TCDBTransaction {
public:
    explicit TCDBTransaction(int timeoutMs = -1);
    ~TCDBTransaction();
    TCDBTransaction(const TCDBTransaction&) = delete;
    TCDBTransaction& operator=(const TCDBTransaction&) = delete;

    void Begin(int mode = 1, bool readOnly = false);
    void Commit();
    void Rollback();
    bool IsActive() const { return m_Active; }

private:
    int m_TimeoutMs;
    bool m_Active = false;
    int m_Depth = 0;
};

} // namespace DB

#pragma GCC visibility pop
