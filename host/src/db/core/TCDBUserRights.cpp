#include "DB/TCDBUserRights.h"

#include "Host/TCException.h"
#include "db/core/Connection.h"
#include "db/core/DatabaseInstance.h"
#include "db/core/SqlText.h"
#include "db/core/WriteScope.h"

namespace DB {

void GrantRecordRight(const Accessories::TCRecordID& userID, int tableID,
                      const Accessories::TCRecordID& recordID, int level) {
    if (userID.IsNull() || recordID.IsNull())
        throw TCException(__FILE__, __LINE__, "a record right needs a user and a record");
    if (level < RECORD_RIGHT_SEE)
        throw TCException(__FILE__, __LINE__, "record right level must be at least 1");
    Core::Connection& connection = Core::ThreadConnection();
    const TCDBTableSpec* table = connection.get_Instance().FindTable(tableID);
    if (table == nullptr) throw TCException(__FILE__, __LINE__, "no table number " + std::to_string(tableID));

    Core::WriteScope scope(connection, true);
    // Rights on missing rows would never be cleaned up: the clean-up runs when a row is deleted.
    std::vector<TCDBParam> key;
    key.emplace_back(recordID);
    const auto exists = connection.Query("SELECT 1 FROM " + Core::QuoteName(table->Name) + " WHERE " +
                                             Core::QuoteName(table->IDField->get_Name()) + " = ?",
                                         key);
    if (exists.empty())
        throw TCException(__FILE__, __LINE__,
                          "no record " + std::to_string(recordID.get_ID()) + " in table " + table->Name);
    connection.Execute(
        "INSERT INTO UserRecordRights (USER_LINK, TABLE_ID, RECORD_ID, LEVEL) VALUES (?, ?, ?, ?)"
        " ON CONFLICT (USER_LINK, TABLE_ID, RECORD_ID) DO UPDATE SET LEVEL = excluded.LEVEL",
        {userID, tableID, recordID, level});
    scope.Commit();
}

void RevokeRecordRight(const Accessories::TCRecordID& userID, int tableID,
                       const Accessories::TCRecordID& recordID) {
    Core::Connection& connection = Core::ThreadConnection();
    Core::WriteScope scope(connection, true);
    connection.Execute("DELETE FROM UserRecordRights WHERE USER_LINK = ? AND TABLE_ID = ? AND RECORD_ID = ?",
                       {userID, tableID, recordID});
    scope.Commit();
}

} // namespace DB
