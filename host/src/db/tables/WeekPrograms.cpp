#include <cinttypes>

#include "DB/Tables/AccessTables.h"
#include "DB/Tables/SystemTables.h"
#include "Host/TCException.h"
#include "Text/TCTranslate.h"

namespace System {

bool TCDBWeekPrograms::DeleteByID(const Accessories::TCRecordID& weekProgramID) {
    // Dropping the rights along with their schedule would silently take access away; the schema refuses
    // it as well, but this message names the cause.
    if (weekProgramID.IsNotNull()) {
        const int64_t rights = Access::TCDBAccessGroupRights().SelectCount(
            "*", Table_AccessGroupRights::WEEKPROGRAM == weekProgramID);
        if (rights > 0)
            throw TCException(__FILE__, __LINE__)
                .Format("Week program %" PRId64 " is used by %" PRId64 " access rights",
                        weekProgramID.get_ID(), rights);
    }
    return DeleteRowByID(weekProgramID);
}

Accessories::TCNullTypes<std::string> TCDBWeekPrograms::GetTranslatedName(DB::TCDBIterator& row) {
    const Accessories::TCNullTypes<std::string> name =
        row.Field(Table_CommonWeekPrograms::NAME).get_AsNullString();
    if (name.IsNull()) return name;
    return DoTranslateText("host", __FILE__, name.get_Value());
}

} // namespace System
