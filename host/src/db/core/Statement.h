#pragma once
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "DB/TCDBWhere.h"

struct sqlite3;
struct sqlite3_stmt;

namespace DB::Core {

using Row = std::vector<TCDBParam>;

// One prepared statement, finalized on destruction. Every run binds its values, steps to the end and
// resets, so a statement never stays active (holding a read snapshot) between calls.
class Statement {
public:
    Statement(sqlite3* db, std::string sql, bool persistent);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    const std::string& get_Sql() const { return m_Sql; }
    // True when running it writes nothing (transaction control counts as read-only too).
    bool IsReadOnly() const { return m_ReadOnly; }
    // All result rows.
    std::vector<Row> Query(const std::vector<TCDBParam>& params);
    // For statements without results; returns the rows changed directly by it.
    int Execute(const std::vector<TCDBParam>& params);

private:
    void Bind(const std::vector<TCDBParam>& params);
    Row ReadRow() const;

    sqlite3* m_Db;
    sqlite3_stmt* m_Stmt = nullptr;
    std::string m_Sql;
    bool m_ReadOnly = false;
};

// Prepared statements of one connection by SQL text; the least recently used is dropped when full.
class StatementCache {
public:
    StatementCache(sqlite3* db, size_t capacity) : m_Db(db), m_Capacity(capacity) {}
    Statement& Get(const std::string& sql);

private:
    using Entries = std::list<std::unique_ptr<Statement>>;
    sqlite3* m_Db;
    size_t m_Capacity;
    Entries m_Entries; // most recently used first
    std::unordered_map<std::string, Entries::iterator> m_BySql;
};

} // namespace DB::Core
