#include "db/core/SchemaSetup.h"

#include "Host/TCException.h"
#include "db/core/Connection.h"
#include "db/core/DatabaseInstance.h"
#include "db/core/SqlText.h"
#include "db/core/WriteScope.h"

namespace DB::Core {

namespace {

const char* const INFRASTRUCTURE_DDL = R"SQL(
CREATE TABLE IF NOT EXISTS ExternalIDs (
    TABLE_ID INTEGER NOT NULL,
    RECORD_ID INTEGER NOT NULL,
    EXTERNAL_ID TEXT NOT NULL,
    PRIMARY KEY (TABLE_ID, RECORD_ID),
    UNIQUE (TABLE_ID, EXTERNAL_ID));
CREATE TABLE IF NOT EXISTS UserRecordRights (
    USER_LINK INTEGER NOT NULL,
    TABLE_ID INTEGER NOT NULL,
    RECORD_ID INTEGER NOT NULL,
    LEVEL INTEGER NOT NULL,
    PRIMARY KEY (USER_LINK, TABLE_ID, RECORD_ID));
CREATE INDEX IF NOT EXISTS UserRecordRights_Record ON UserRecordRights (TABLE_ID, RECORD_ID);
CREATE TABLE IF NOT EXISTS SystemSettings (NAME TEXT PRIMARY KEY, VALUE TEXT);
)SQL";

int64_t IntegerOf(const Row& row) {
    const auto* value = row.empty() ? nullptr : std::get_if<int64_t>(&row[0].get_Storage());
    return value != nullptr ? *value : 0;
}

std::string TriggerName(const TCDBTableSpec& table) {
    return std::string(table.Name) + "_RowCleanup";
}

// Deleting a row, directly or by a foreign-key cascade, also deletes its external ID and the rights
// granted on it. A trigger sees cascaded deletes, which no code path of ours does.
std::string CleanupTriggerSql(const TCDBTableSpec& table) {
    const std::string id = std::to_string(table.TableID);
    const std::string oldID = "old." + QuoteName(table.IDField->get_Name());
    return "CREATE TRIGGER " + QuoteName(TriggerName(table)) + " AFTER DELETE ON " + QuoteName(table.Name) +
           " BEGIN DELETE FROM ExternalIDs WHERE TABLE_ID = " + id + " AND RECORD_ID = " + oldID +
           "; DELETE FROM UserRecordRights WHERE TABLE_ID = " + id + " AND RECORD_ID = " + oldID + "; END";
}

// Replaces the trigger only when its text changed, so that an unchanged schema opens without writing.
void InstallCleanupTrigger(Connection& connection, const TCDBTableSpec& table) {
    const std::string wanted = CleanupTriggerSql(table);
    const auto existing = connection.Query(
        "SELECT sql FROM sqlite_master WHERE type = 'trigger' AND name = ?", {TriggerName(table)});
    if (!existing.empty() && !existing[0].empty() &&
        std::holds_alternative<std::string>(existing[0][0].get_Storage()) &&
        std::get<std::string>(existing[0][0].get_Storage()) == wanted)
        return;
    connection.ExecuteScript("DROP TRIGGER IF EXISTS " + QuoteName(TriggerName(table)),
                             "drop clean-up trigger of " + std::string(table.Name));
    connection.ExecuteScript(wanted, "clean-up trigger of " + std::string(table.Name));
}

} // namespace

int SetUpSchema(Connection& connection) {
    const DatabaseInstance& instance = connection.get_Instance();
    const auto& migrations = instance.get_Migrations();
    WriteScope scope(connection);
    connection.ExecuteScript(INFRASTRUCTURE_DDL, "infrastructure tables");
    const int64_t stored = IntegerOf(connection.Query("PRAGMA user_version").at(0));
    if (stored > int64_t(migrations.size()))
        throw TCException(__FILE__, __LINE__,
                          "database " + instance.get_Path() + " has schema version " +
                              std::to_string(stored) + ", newer than this program's " +
                              std::to_string(migrations.size()));
    for (size_t i = size_t(stored); i < migrations.size(); ++i)
        connection.ExecuteScript(migrations[i], "schema migration " + std::to_string(i + 1));
    if (size_t(stored) != migrations.size())
        connection.ExecuteScript("PRAGMA user_version = " + std::to_string(migrations.size()),
                                 "set schema version");
    for (const TCDBTableSpec* table : instance.get_Tables())
        InstallCleanupTrigger(connection, *table);
    scope.Commit();
    return int(migrations.size());
}

} // namespace DB::Core
