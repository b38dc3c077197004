#include "db/core/ExternalIDStore.h"

#include "Host/TCException.h"
#include "db/core/Connection.h"

namespace DB::Core {

void InsertExternalID(Connection& connection, const TCDBTableSpec& table, int64_t recordID,
                      const std::string& externalID) {
    // Checked first for a clear message; the write lock is held, so no other writer can slip in between.
    const auto taken =
        connection.Query("SELECT RECORD_ID FROM ExternalIDs WHERE TABLE_ID = ? AND EXTERNAL_ID = ?",
                         {table.TableID, externalID});
    if (!taken.empty())
        throw TCException(__FILE__, __LINE__,
                          "External ID '" + externalID + "' already exists for table " + table.Name);
    const auto held =
        connection.Query("SELECT EXTERNAL_ID FROM ExternalIDs WHERE TABLE_ID = ? AND RECORD_ID = ?",
                         {table.TableID, static_cast<long long>(recordID)});
    if (!held.empty())
        throw TCException(__FILE__, __LINE__,
                          "record " + std::to_string(recordID) + " of table " + table.Name +
                              " already has an external ID");
    connection.Execute("INSERT INTO ExternalIDs (TABLE_ID, RECORD_ID, EXTERNAL_ID) VALUES (?, ?, ?)",
                       {table.TableID, static_cast<long long>(recordID), externalID});
}

} // namespace DB::Core
