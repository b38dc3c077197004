#include "DB/TCDBTransaction.h"

#include "Host/TCException.h"
#include "db/core/Connection.h"
#include "db/core/DatabaseInstance.h"

namespace DB {

namespace {

// Levels must end innermost first; anything else would commit or undo another object's work.
Core::Connection& ConnectionAtLevel(int depth) {
    Core::Connection& connection = Core::ThreadConnection();
    if (connection.get_Depth() != depth)
        throw TCException(__FILE__, __LINE__, "a transaction begun later on this thread is still open");
    return connection;
}

} // namespace

TCDBTransaction::TCDBTransaction(int timeoutMs) : m_TimeoutMs(timeoutMs) {}

TCDBTransaction::~TCDBTransaction() {
    if (!m_Active) return;
    try {
        Rollback();
    } catch (...) {
        // A destructor cannot report; the connection rolls back anyway when it closes.
    }
}

// `mode` is accepted for compatibility: every write transaction takes the write lock at Begin.
void TCDBTransaction::Begin(int /*mode*/, bool readOnly) {
    if (m_Active) throw TCException(__FILE__, __LINE__, "transaction already begun");
    Core::Connection& connection = Core::ThreadConnection();
    connection.Begin(m_TimeoutMs, readOnly);
    m_Depth = connection.get_Depth();
    m_Active = true;
}

void TCDBTransaction::Commit() {
    if (!m_Active) throw TCException(__FILE__, __LINE__, "commit without Begin");
    ConnectionAtLevel(m_Depth).Commit(); // a failed commit stays active so the destructor rolls back
    m_Active = false;
}

void TCDBTransaction::Rollback() {
    if (!m_Active) return;
    ConnectionAtLevel(m_Depth).Rollback();
    m_Active = false;
}

} // namespace DB
