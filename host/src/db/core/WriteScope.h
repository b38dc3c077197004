#pragma once
#include "db/core/Connection.h"

namespace DB::Core {

// Makes a write atomic: its own transaction when none is open on the thread, else a savepoint inside
// the open one. Rolled back unless committed.
class WriteScope {
public:
    explicit WriteScope(Connection& connection) : m_Connection(connection) { m_Connection.Begin(); }
    ~WriteScope() {
        if (m_Done) return;
        try {
            m_Connection.Rollback();
        } catch (...) {
            // Already failing; the original error is the one worth reporting.
        }
    }
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;

    void Commit() {
        m_Connection.Commit();
        m_Done = true;
    }

private:
    Connection& m_Connection;
    bool m_Done = false;
};

} // namespace DB::Core
