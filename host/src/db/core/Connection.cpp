#include "db/core/Connection.h"

#include "Host/TCException.h"
#include "db/core/DatabaseInstance.h"
#include "db/core/SqliteError.h"

#include <chrono>
#include <mutex>
#include <sqlite3.h>
#include <strings.h>

namespace DB::Core {

namespace {

constexpr size_t STATEMENT_CACHE_SIZE = 128;
constexpr size_t REMEMBERED_SELECTS = 64;

std::string SavepointName(int level) {
    return "level" + std::to_string(level);
}

// Applies a temporary busy time-out for the duration of one call.
class BusyTimeoutOverride {
public:
    BusyTimeoutOverride(sqlite3* db, int timeoutMs) : m_Db(db), m_Active(timeoutMs >= 0) {
        if (m_Active) sqlite3_busy_timeout(m_Db, timeoutMs);
    }
    ~BusyTimeoutOverride() {
        if (m_Active) sqlite3_busy_timeout(m_Db, Connection::DEFAULT_BUSY_TIMEOUT_MS);
    }
    BusyTimeoutOverride(const BusyTimeoutOverride&) = delete;
    BusyTimeoutOverride& operator=(const BusyTimeoutOverride&) = delete;

private:
    sqlite3* m_Db;
    bool m_Active;
};

// SQLite's memory statistics take a process-wide mutex on every allocation, and nothing reads them. The
// setting must come before SQLite initialises, that is before the first connection opens.
void DisableMemoryStatistics() {
    static std::once_flag once;
    std::call_once(once, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
}

} // namespace

void Connection::Closer::operator()(sqlite3* db) const {
    sqlite3_close_v2(db);
}

Connection::Connection(std::shared_ptr<const DatabaseInstance> instance, FileMode mode)
    : m_Instance(std::move(instance)) {
    DisableMemoryStatistics();
    sqlite3* raw = nullptr;
    // Each connection belongs to one thread, so SQLite's own per-connection mutex is not needed.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX |
                      (mode == FileMode::CreateIfMissing ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(m_Instance->get_Path().c_str(), &raw, flags, nullptr);
    m_Db.reset(raw);
    if (rc != SQLITE_OK) ThrowSqliteError(raw, rc, "open " + m_Instance->get_Path());
    m_Statements = std::make_unique<StatementCache>(raw, STATEMENT_CACHE_SIZE);
    Configure();
}

Connection::~Connection() {
    // A thread that ends inside a write must not leave the other writers waiting for ever; closing the
    // handle rolls the transaction back.
    EndWriterTurn();
}

void Connection::Configure() {
    sqlite3* db = m_Db.get();
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, DEFAULT_BUSY_TIMEOUT_MS);
    const auto mode = m_Statements->Get("PRAGMA journal_mode=WAL").Query({});
    if (mode.empty() || mode[0].empty() || !std::holds_alternative<std::string>(mode[0][0].get_Storage()) ||
        std::get<std::string>(mode[0][0].get_Storage()) != "wal")
        throw TCException(__FILE__, __LINE__, "cannot switch " + m_Instance->get_Path() + " to WAL journal");
    // A committed write must survive a power cut; WAL with NORMAL may lose the last commits.
    ExecuteScript("PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;", "connection settings");
    sqlite3_update_hook(db, &Connection::OnRowChanged, this);
    // Replaces SQLite's automatic checkpoint, which would run inside the commit that fills the log.
    sqlite3_wal_hook(db, &Checkpointer::OnCommit, &m_Instance->get_Checkpointer());
}

const TableSql& Connection::SqlOf(const TCDBTableSpec& spec) {
    auto& sql = m_TableSql[&spec];
    if (!sql) sql = std::make_unique<const TableSql>(spec);
    return *sql;
}

Statement& Connection::Prepare(const std::string& sql) {
    Statement& statement = m_Statements->Get(sql);
    if (m_LevelMarks.empty()) {
        if (!statement.IsReadOnly()) {
            EndRead();
        } else if (!m_ReadOpen && InReadScope()) {
            Control("BEGIN DEFERRED");
            m_ReadOpen = true;
        }
    }
    return statement;
}

void Connection::Control(const std::string& sql) {
    m_Statements->Get(sql).Execute({});
}

std::vector<Row> Connection::Query(const std::string& sql, const std::vector<TCDBParam>& params) {
    Statement& statement = Prepare(sql);
    if (!statement.IsReadOnly()) m_Remembered.clear();
    return statement.Query(params);
}

int Connection::Execute(const std::string& sql, const std::vector<TCDBParam>& params) {
    Statement& statement = Prepare(sql);
    if (!statement.IsReadOnly()) m_Remembered.clear();
    return statement.Execute(params);
}

std::vector<Row> Connection::QueryOneRemembered(const TCDBTableSpec& table, const std::string& sql,
                                                const std::vector<TCDBParam>& params) {
    Statement& statement = Prepare(sql);
    if (!m_ReadOpen && m_LevelMarks.empty()) return statement.Query(params);
    // Keyed by the prepared statement rather than by its text: comparing keys stays cheap. A statement
    // evicted from the cache could leave its address to another text, so a hit checks the text too.
    RememberedKey key{&statement, {}};
    key.second.reserve(params.size());
    for (const TCDBParam& param : params)
        key.second.push_back(param.get_Storage());
    const auto found = m_Remembered.find(key);
    if (found != m_Remembered.end()) {
        if (found->second.Sql == sql) return found->second.Rows;
        m_Remembered.erase(found);
    }
    std::vector<Row> rows = statement.Query(params);
    if (rows.size() <= 1 && m_Remembered.size() < REMEMBERED_SELECTS)
        m_Remembered.emplace(std::move(key), Remembered{sql, rows, table.Name});
    return rows;
}

std::vector<Row> Connection::QueryWriting(const TCDBTableSpec& table, const std::string& sql,
                                          const std::vector<TCDBParam>& params) {
    Statement& statement = Prepare(sql);
    m_ChangedTables.clear();
    m_WatchChanges = true;
    try {
        std::vector<Row> rows = statement.Query(params);
        m_WatchChanges = false;
        ForgetChanged(table.Name);
        return rows;
    } catch (...) {
        m_WatchChanges = false;
        m_Remembered.clear();
        throw;
    }
}

int Connection::ExecuteWriting(const TCDBTableSpec& table, const std::string& sql,
                               const std::vector<TCDBParam>& params) {
    QueryWriting(table, sql, params);
    return sqlite3_changes(m_Db.get());
}

void Connection::ForgetChanged(const char* target) {
    m_ChangedTables.push_back(target);
    const auto changed = [this](const char* table) {
        for (const std::string& name : m_ChangedTables)
            if (strcasecmp(name.c_str(), table) == 0) return true;
        return false;
    };
    // Every remembered select may have read these as well.
    if (changed("ExternalIDs") || changed("UserRecordRights")) {
        m_Remembered.clear();
        return;
    }
    for (auto entry = m_Remembered.begin(); entry != m_Remembered.end();)
        entry = changed(entry->second.Table) ? m_Remembered.erase(entry) : std::next(entry);
}

void Connection::EndRead() {
    if (!m_ReadOpen) return;
    m_ReadOpen = false;
    m_Remembered.clear();
    if (sqlite3_get_autocommit(m_Db.get())) return;
    // A read has nothing to keep: should COMMIT fail, ROLLBACK ends the transaction just as well.
    try {
        Control("COMMIT");
    } catch (const TCException&) {
        Control("ROLLBACK");
    }
}

void Connection::ExecuteScript(const std::string& sql, const std::string& what) {
    if (m_LevelMarks.empty()) EndRead();
    const int rc = sqlite3_exec(m_Db.get(), sql.c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) ThrowSqliteError(m_Db.get(), rc, what);
}

void Connection::Begin(int busyTimeoutMs, bool readOnly) {
    const int level = get_Depth() + 1;
    if (level == 1) {
        EndRead();
        m_Remembered.clear();
        if (readOnly) {
            Control("BEGIN DEFERRED");
        } else {
            BeginWrite(busyTimeoutMs < 0 ? DEFAULT_BUSY_TIMEOUT_MS : busyTimeoutMs);
        }
    } else {
        Control("SAVEPOINT " + SavepointName(level));
    }
    m_LevelMarks.push_back(m_PendingChanges.size());
}

void Connection::BeginWrite(int busyTimeoutMs) {
    using namespace std::chrono;
    const auto start = steady_clock::now();
    if (!m_Instance->get_Writers().Acquire(milliseconds(busyTimeoutMs)))
        throw TCException(__FILE__, __LINE__,
                          "database is busy [other writers of this process held it longer than " +
                              std::to_string(busyTimeoutMs) + " ms]");
    m_WriterTurn = true;
    try {
        const auto waited = duration_cast<milliseconds>(steady_clock::now() - start).count();
        BusyTimeoutOverride timeout(m_Db.get(), int(std::max<long long>(0, busyTimeoutMs - waited)));
        // IMMEDIATE takes the write lock now: a deferred transaction upgrading later could fail at once
        // with SQLITE_BUSY instead of waiting, when another writer got in between.
        Control("BEGIN IMMEDIATE");
    } catch (...) {
        EndWriterTurn();
        throw;
    }
}

void Connection::EndWriterTurn() {
    if (!m_WriterTurn) return;
    m_WriterTurn = false;
    m_Instance->get_Writers().Release();
}

void Connection::Commit() {
    const int level = get_Depth();
    if (level == 0) throw TCException(__FILE__, __LINE__, "commit without a transaction");
    if (level > 1) {
        Control("RELEASE " + SavepointName(level));
        m_LevelMarks.pop_back();
        return;
    }
    Control("COMMIT");
    m_LevelMarks.clear();
    m_Remembered.clear();
    EndWriterTurn();
    std::vector<TCDBChange> changes;
    changes.swap(m_PendingChanges);
    TCCommonDatabaseChangeNotifier::Publish(changes);
}

void Connection::Rollback() {
    const int level = get_Depth();
    if (level == 0) throw TCException(__FILE__, __LINE__, "rollback without a transaction");
    const size_t mark = m_LevelMarks.back();
    m_LevelMarks.pop_back();
    m_Remembered.clear();
    m_PendingChanges.resize(mark);
    // After some errors (disk full, I/O) SQLite has already rolled the whole transaction back.
    if (sqlite3_get_autocommit(m_Db.get())) {
        m_PendingChanges.clear();
        EndWriterTurn();
        return;
    }
    if (level == 1) {
        Control("ROLLBACK");
        EndWriterTurn();
    } else {
        Control("ROLLBACK TO " + SavepointName(level));
        Control("RELEASE " + SavepointName(level));
    }
}

void Connection::OnRowChanged(void* self, int operation, const char*, const char* table, long long rowID) {
    auto* connection = static_cast<Connection*>(self);
    if (connection->m_WatchChanges) connection->m_ChangedTables.emplace_back(table);
    const auto tableID = connection->m_Instance->FindTableID(table);
    if (!tableID) return; // infrastructure tables are not reported
    TCDBChange change;
    change.TableID = *tableID;
    change.RecordID = Accessories::TCRecordID(rowID);
    change.Type = operation == SQLITE_INSERT   ? TEDBChangeType::Insert
                  : operation == SQLITE_DELETE ? TEDBChangeType::Delete
                                               : TEDBChangeType::Update;
    connection->m_PendingChanges.push_back(change);
}

} // namespace DB::Core
