#pragma once
#include <string>
#include <vector>

#pragma GCC visibility push(default)

namespace DB {

struct TCDBTableSpec;

// The process's database file. Open once at start-up; every thread then gets its own SQLite connection
// (WAL mode, busy time-out) on first use. Opening creates the file and brings the schema to the current
// version.
class TCDatabase {
public:
    static void Open(const std::string& path);
    // Open with a schema of the caller's own instead of the host's tables (tests and tools).
    static void OpenWithMigrations(const std::string& path, const std::vector<std::string>& migrations,
                                   const std::vector<const TCDBTableSpec*>& tables);
    // Closes the calling thread's connection and the database: further use on any thread throws until the
    // next Open. Other threads' connections close when their thread ends or at their next use.
    static void Close();
    static bool IsOpen();
    static const std::string& get_Path();
    static int get_SchemaVersion();
};

} // namespace DB

#pragma GCC visibility pop
