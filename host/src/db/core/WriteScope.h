#pragma once
#include "db/core/Connection.h"

namespace DB::Core {

// Makes a write atomic: its own transaction when none is open on the thread, else a savepoint inside
// the open one. Rolled back unless committed. A write by one statement inside an open transaction needs
// no savepoint (SQLite undoes a failed statement by itself, and reads before it already run under the
// transaction's lock); the scope then only drops the changes the statement reported before it failed.
class WriteScope {
public:
    explicit WriteScope(Connection& connection, bool oneWrite = false)
        : m_Connection(connection), m_OwnLevel(!oneWrite || connection.get_Depth() == 0),
          m_ChangeMark(connection.get_PendingChangeCount()) {
        if (m_OwnLevel) m_Connection.Begin();
    }
    ~WriteScope() {
        if (m_Done) return;
        if (!m_OwnLevel) {
            m_Connection.DropPendingChanges(m_ChangeMark);
            return;
        }
        try {
            m_Connection.Rollback();
        } catch (...) {
            // Already failing; the original error is the one worth reporting.
        }
    }
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;

    void Commit() {
        if (m_OwnLevel) m_Connection.Commit();
        m_Done = true;
    }

private:
    Connection& m_Connection;
    const bool m_OwnLevel;
    const size_t m_ChangeMark;
    bool m_Done = false;
};

} // namespace DB::Core
