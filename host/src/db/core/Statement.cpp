#include "db/core/Statement.h"

#include "Host/TCException.h"
#include "db/core/SqliteError.h"

#include <sqlite3.h>

namespace DB::Core {

namespace {

// Resets the statement and drops its bindings however the run ends.
class ResetOnExit {
public:
    explicit ResetOnExit(sqlite3_stmt* stmt) : m_Stmt(stmt) {}
    ~ResetOnExit() {
        sqlite3_reset(m_Stmt);
        sqlite3_clear_bindings(m_Stmt);
    }
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;

private:
    sqlite3_stmt* m_Stmt;
};

} // namespace

Statement::Statement(sqlite3* db, std::string sql, bool persistent) : m_Db(db), m_Sql(std::move(sql)) {
    const unsigned flags = persistent ? SQLITE_PREPARE_PERSISTENT : 0;
    const int rc = sqlite3_prepare_v3(m_Db, m_Sql.c_str(), int(m_Sql.size()), flags, &m_Stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(m_Stmt);
        ThrowSqliteError(m_Db, rc, m_Sql);
    }
    if (m_Stmt == nullptr) throw TCException(__FILE__, __LINE__, "empty SQL statement");
    m_ReadOnly = sqlite3_stmt_readonly(m_Stmt) != 0;
}

Statement::~Statement() {
    sqlite3_finalize(m_Stmt);
}

void Statement::Bind(const std::vector<TCDBParam>& params) {
    if (int(params.size()) != sqlite3_bind_parameter_count(m_Stmt))
        throw TCException(__FILE__, __LINE__,
                          "statement expects " + std::to_string(sqlite3_bind_parameter_count(m_Stmt)) +
                              " values, got " + std::to_string(params.size()) + " [SQL: " + m_Sql + "]");
    for (size_t i = 0; i < params.size(); ++i) {
        const int index = int(i) + 1;
        const auto& value = params[i].get_Storage();
        int rc = SQLITE_OK;
        if (std::holds_alternative<std::monostate>(value)) {
            rc = sqlite3_bind_null(m_Stmt, index);
        } else if (const auto* n = std::get_if<int64_t>(&value)) {
            rc = sqlite3_bind_int64(m_Stmt, index, *n);
        } else if (const auto* d = std::get_if<double>(&value)) {
            rc = sqlite3_bind_double(m_Stmt, index, *d);
        } else {
            const auto& text = std::get<std::string>(value);
            rc = sqlite3_bind_text64(m_Stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        }
        if (rc != SQLITE_OK) ThrowSqliteError(m_Db, rc, m_Sql);
    }
}

Row Statement::ReadRow() const {
    const int count = sqlite3_column_count(m_Stmt);
    Row row(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        switch (sqlite3_column_type(m_Stmt, i)) {
        case SQLITE_INTEGER:
            row[size_t(i)] = TCDBParam(static_cast<long long>(sqlite3_column_int64(m_Stmt, i)));
            break;
        case SQLITE_FLOAT:
            row[size_t(i)] = TCDBParam(sqlite3_column_double(m_Stmt, i));
            break;
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(m_Stmt, i));
            const int length = sqlite3_column_bytes(m_Stmt, i);
            row[size_t(i)] = TCDBParam(bytes != nullptr ? std::string(bytes, size_t(length)) : std::string());
            break;
        }
        default:
            break; // NULL
        }
    }
    return row;
}

std::vector<Row> Statement::Query(const std::vector<TCDBParam>& params) {
    ResetOnExit reset(m_Stmt);
    Bind(params);
    std::vector<Row> rows;
    for (;;) {
        const int rc = sqlite3_step(m_Stmt);
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) ThrowSqliteError(m_Db, rc, m_Sql);
        rows.push_back(ReadRow());
    }
    return rows;
}

int Statement::Execute(const std::vector<TCDBParam>& params) {
    Query(params);
    return sqlite3_changes(m_Db);
}

Statement& StatementCache::Get(const std::string& sql) {
    auto found = m_BySql.find(sql);
    if (found != m_BySql.end()) {
        m_Entries.splice(m_Entries.begin(), m_Entries, found->second);
        return *m_Entries.front();
    }
    auto statement = std::make_unique<Statement>(m_Db, sql, true);
    if (m_Entries.size() >= m_Capacity) {
        m_BySql.erase(m_Entries.back()->get_Sql());
        m_Entries.pop_back();
    }
    m_Entries.push_front(std::move(statement));
    m_BySql.emplace(sql, m_Entries.begin());
    return *m_Entries.front();
}

} // namespace DB::Core
