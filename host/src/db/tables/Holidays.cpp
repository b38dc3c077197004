#include "DB/Tables/SystemTables.h"

namespace System {

// The periods go by the schema's cascade.
bool TCDBHolidays::Delete(const Accessories::TCRecordID& holidayID) {
    return DeleteRowByID(holidayID);
}

} // namespace System
