#include "db/core/SqliteError.h"

#include "Host/TCException.h"

#include <sqlite3.h>

namespace DB::Core {

void ThrowSqliteError(sqlite3* db, int rc, const std::string& sql) {
    const int primary = rc & 0xff;
    std::string message;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
        message = "database is busy";
    } else {
        message = "SQLite error " + std::to_string(rc) + ": ";
        message += db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    }
    if (!sql.empty()) message += " [SQL: " + sql + "]";
    throw TCException(__FILE__, __LINE__, message);
}

} // namespace DB::Core
