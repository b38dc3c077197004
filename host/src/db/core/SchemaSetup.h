#pragma once

namespace DB::Core {

class Connection;

// Brings the database of `connection` to the current schema in one write transaction: the
// infrastructure tables (external IDs, record rights, settings), the migrations beyond the stored
// PRAGMA user_version, and the clean-up triggers of every known table. Returns the schema version.
// Safe when several processes open the same new file at once: the version is read under the write lock.
int SetUpSchema(Connection& connection);

} // namespace DB::Core
