#include <charconv>

#include "DB/Tables/SystemTables.h"
#include "db/core/Connection.h"
#include "db/core/DatabaseInstance.h"
#include "db/core/ValueConvert.h"
#include "db/core/WriteScope.h"

namespace System {

namespace {

// The own unit is a setting of the database rather than a column, so that exactly one row can be it.
constexpr char OWN_KEYNODE_SETTING[] = "OwnKeynodeID";

Accessories::TCRecordID StoredOwnID() {
    const auto rows = DB::Core::ThreadConnection().Query("SELECT VALUE FROM SystemSettings WHERE NAME = ?",
                                                         {OWN_KEYNODE_SETTING});
    if (rows.empty() || rows[0].empty()) return {};
    const std::string text = DB::Core::AsText(rows[0][0]);
    int64_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (error != std::errc() || end != text.data() + text.size()) return {};
    return Accessories::TCRecordID(id);
}

} // namespace

Accessories::TCRecordID TCDBKeynodes::get_OwnID(bool mustExist) {
    const Accessories::TCRecordID id = StoredOwnID();
    if (mustExist && id.IsNotNull() && TCDBKeynodes().SelectCount("*", Table_SystemKeynodes::ID == id) == 0)
        return {};
    return id;
}

std::string TCDBKeynodes::get_OwnGUID() {
    const Accessories::TCRecordID id = get_OwnID(true);
    if (id.IsNull()) return {};
    DB::TCDBIterator row = TCDBKeynodes().SelectPrimary(id);
    return row.IsNotEnd() ? row.Field(Table_SystemKeynodes::GUID).get_AsString() : std::string();
}

void TCDBKeynodes::set_OwnID(const Accessories::TCRecordID& id) {
    DB::Core::Connection& connection = DB::Core::ThreadConnection();
    DB::Core::WriteScope scope(connection);
    if (id.IsNull())
        connection.Execute("DELETE FROM SystemSettings WHERE NAME = ?", {OWN_KEYNODE_SETTING});
    else
        connection.Execute("INSERT OR REPLACE INTO SystemSettings (NAME, VALUE) VALUES (?, ?)",
                           {OWN_KEYNODE_SETTING, std::to_string(id.get_ID())});
    scope.Commit();
}

} // namespace System
