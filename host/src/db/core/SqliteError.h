#pragma once
#include <string>

struct sqlite3;

namespace DB::Core {

// Throws TCException for a failed SQLite call: the SQLite message and the SQL text, never bound values.
// A busy database (another writer kept the lock past the busy time-out) reads "database is busy".
[[noreturn]] void ThrowSqliteError(sqlite3* db, int rc, const std::string& sql);

} // namespace DB::Core
