// `backup FILE` and `restore FILE`, over SQLite's online backup: the copy is one consistent snapshot even
// while keynoded writes (the database is in WAL mode, so the copy does not hold the writers up).
#include <filesystem>
#include <iostream>
#include <memory>

#include <sqlite3.h>

#include "Command.h"
#include "Config/TCHostPaths.h"
#include "DB/TCDatabase.h"
#include "DB/Tables/WebTables.h"
#include "Mail/TCKnmsServiceProxy.h"
#include "SocketProbe.h"

namespace keynodectl {
namespace {

using Connection = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;

Connection openDatabase(const std::string& path, int flags) {
    sqlite3* raw = nullptr;
    const int result = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    Connection db(raw, &sqlite3_close);
    if (result != SQLITE_OK)
        throw std::runtime_error("cannot open " + path + ": " +
                                 (raw ? sqlite3_errmsg(raw) : "out of memory"));
    sqlite3_busy_timeout(db.get(), 5000);
    return db;
}

// Copies the whole of `from` into `to` in one step, so that the copy is one snapshot.
void copyDatabase(sqlite3* from, sqlite3* to, const std::string& what) {
    std::unique_ptr<sqlite3_backup, decltype(&sqlite3_backup_finish)> backup(
        sqlite3_backup_init(to, "main", from, "main"), &sqlite3_backup_finish);
    if (!backup) throw std::runtime_error(what + ": " + sqlite3_errmsg(to));
    int step;
    while ((step = sqlite3_backup_step(backup.get(), -1)) == SQLITE_BUSY || step == SQLITE_LOCKED)
        sqlite3_sleep(50);
    if (step != SQLITE_DONE) throw std::runtime_error(what + ": " + sqlite3_errstr(step));
    const int finished = sqlite3_backup_finish(backup.release());
    if (finished != SQLITE_OK) throw std::runtime_error(what + ": " + sqlite3_errstr(finished));
}

// A backup must be an intact database of this system, not just any SQLite file.
void checkBackup(sqlite3* db, const std::string& path) {
    auto single = [&](const std::string& sql) {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
            throw std::runtime_error(path + " is not a database: " + sqlite3_errmsg(db));
        std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(raw, &sqlite3_finalize);
        if (sqlite3_step(statement.get()) != SQLITE_ROW)
            throw std::runtime_error(path + " is not a database");
        const unsigned char* text = sqlite3_column_text(statement.get(), 0);
        return std::string(text ? reinterpret_cast<const char*>(text) : "");
    };
    if (single("PRAGMA quick_check") != "ok") throw std::runtime_error(path + " is damaged");
    if (single(std::string("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = '") +
               Web::TCDBWebUsers().get_TableName() + "'") != "1")
        throw std::runtime_error(path + " is not a keynode database");
}

} // namespace

int runBackup(const keynode::DataDir& dir, const Args& args) {
    if (args.size() != 1) throw UsageError("backup FILE");
    if (!dir.exists()) throw std::runtime_error("no database in " + dir.path());
    const std::string target = args[0], partial = args[0] + ".partial";
    std::filesystem::remove(partial);
    {
        Connection from = openDatabase(dir.databaseFile(), SQLITE_OPEN_READONLY);
        Connection to = openDatabase(partial, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        copyDatabase(from.get(), to.get(), "backup to " + target);
    }
    // Only a complete copy takes the name.
    std::filesystem::rename(partial, target);
    std::cout << "database of " << dir.path() << " copied to " << target << "\n";
    return 0;
}

int runRestore(const keynode::DataDir& dir, const Args& args) {
    if (args.size() != 1) throw UsageError("restore FILE");
    Connection from = openDatabase(args[0], SQLITE_OPEN_READONLY);
    checkBackup(from.get(), args[0]);
    TCHostPaths::SetRoot(dir.rootDir());
    if (keynode::socketAccepts(TCKnmsServiceProxy::DefaultSocketPath()))
        throw std::runtime_error("keynoded runs on " + dir.path() + "; stop it before restoring");
    // A fresh directory gets its layout first; the restored content then replaces the new database.
    dir.open(true);
    DB::TCDatabase::Close();
    Connection to = openDatabase(dir.databaseFile(), SQLITE_OPEN_READWRITE);
    copyDatabase(from.get(), to.get(), "restore of " + args[0]);
    std::cout << "database of " << dir.path() << " restored from " << args[0] << "\n";
    return 0;
}

} // namespace keynodectl
