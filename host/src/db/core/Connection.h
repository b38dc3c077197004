#pragma once
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "DB/TCDBChangeNotifier.h"
#include "db/core/Statement.h"
#include "db/core/TableSql.h"

struct sqlite3;

namespace DB::Core {

class DatabaseInstance;

// One thread's SQLite connection: WAL journal, full sync, foreign keys, busy time-out, cached prepared
// statements and the thread's transaction nesting. Changed rows are collected while a transaction runs
// and published after the outermost commit; a rollback drops them. Inside a DB::TCDBReadScope, reads
// outside a transaction share one read transaction, begun by the first of them and ended with the scope
// or before anything writes.
class Connection {
public:
    static constexpr int DEFAULT_BUSY_TIMEOUT_MS = 10000;

    // Only opening the database makes its file; a thread's connection opened later needs the file the
    // database was opened on. Were that file gone (moved, deleted), a new empty one would take writes
    // that no one else sees and, sharing the journal's file names, could reset the real journal.
    enum class FileMode { CreateIfMissing, MustExist };
    Connection(std::shared_ptr<const DatabaseInstance> instance, FileMode mode);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const DatabaseInstance& get_Instance() const { return *m_Instance; }
    const TableSql& SqlOf(const TCDBTableSpec& spec);
    sqlite3* get_Handle() const { return m_Db.get(); }

    std::vector<Row> Query(const std::string& sql, const std::vector<TCDBParam>& params = {});
    int Execute(const std::string& sql, const std::vector<TCDBParam>& params = {});
    // Query for selects of at most one row of `table` (counts, rows by key). Inside a transaction every
    // run of the same select sees the same data until this connection writes, so its rows are remembered
    // until then: a request that reads one row again and again reads it once. A write of rows of one
    // table (QueryWriting, ExecuteWriting) forgets only what was read from the tables it changed; any
    // other write, and the end of the transaction or of a savepoint, forgets everything.
    std::vector<Row> QueryOneRemembered(const TCDBTableSpec& table, const std::string& sql,
                                        const std::vector<TCDBParam>& params);
    // Query and Execute for an INSERT or UPDATE of rows of `table`.
    std::vector<Row> QueryWriting(const TCDBTableSpec& table, const std::string& sql,
                                  const std::vector<TCDBParam>& params);
    int ExecuteWriting(const TCDBTableSpec& table, const std::string& sql,
                       const std::vector<TCDBParam>& params);
    // Runs SQL text of any number of statements without values (schema set-up). `what` names it in errors.
    void ExecuteScript(const std::string& sql, const std::string& what);

    // Level 1 is BEGIN IMMEDIATE (BEGIN DEFERRED when read-only); deeper levels are savepoints. A writer
    // first waits its turn among the writers of the process, then for other processes' locks; both
    // together for at most the busy time-out (negative: the default).
    void Begin(int busyTimeoutMs = -1, bool readOnly = false);
    void Commit();   // ends the innermost level
    void Rollback(); // undoes the innermost level
    int get_Depth() const { return int(m_LevelMarks.size()); }
    size_t get_PendingChangeCount() const { return m_PendingChanges.size(); }
    // Forgets the changes reported after the first `count` (of a statement that failed).
    void DropPendingChanges(size_t count) {
        if (count < m_PendingChanges.size()) m_PendingChanges.resize(count);
    }
    // Ends the read transaction of the read scope, if one is open.
    void EndRead();

private:
    struct Closer {
        void operator()(sqlite3* db) const;
    };
    static void OnRowChanged(void* self, int operation, const char* database, const char* table,
                             long long rowID);
    void Configure();
    // For statements the tables run: joins or leaves the read scope's transaction.
    Statement& Prepare(const std::string& sql);
    // Transaction control and settings, run as they are.
    void Control(const std::string& sql);
    void BeginWrite(int busyTimeoutMs);
    void EndWriterTurn();

    std::shared_ptr<const DatabaseInstance> m_Instance;
    std::unique_ptr<sqlite3, Closer> m_Db; // declared before the cache: statements finalize first
    std::unique_ptr<StatementCache> m_Statements;
    std::vector<size_t> m_LevelMarks; // per open level: how many changes were pending when it began
    std::vector<TCDBChange> m_PendingChanges;
    std::unordered_map<const TCDBTableSpec*, std::unique_ptr<const TableSql>> m_TableSql;
    void ForgetChanged(const char* target);

    using RememberedKey = std::pair<const Statement*, std::vector<TCDBParam::Storage>>;
    struct Remembered {
        std::string Sql;
        std::vector<Row> Rows;
        const char* Table; // read from it (and perhaps the external IDs and record rights)
    };
    std::map<RememberedKey, Remembered> m_Remembered; // inside a transaction
    std::vector<std::string> m_ChangedTables;         // by the running write, as the update hook names them
    bool m_WatchChanges = false;
    bool m_ReadOpen = false;   // the read scope's transaction is open
    bool m_WriterTurn = false; // this connection holds the process's writer turn
};

} // namespace DB::Core
