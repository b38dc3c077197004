#include <cinttypes>

#include "DB/Tables/AccessTables.h"
#include "Host/TCException.h"

namespace Access {

bool TCDBAccessGroups::DeleteByID(const Accessories::TCRecordID& groupID, bool failWhenLinked) {
    if (failWhenLinked && groupID.IsNotNull()) {
        const int64_t linkedCards = TCDBAccessCardAccessGroupLinks().SelectCount(
            "*", Table_AccessCardAccessGroupLinks::ACCESS_GROUP_LINK == groupID);
        if (linkedCards > 0)
            throw TCException(__FILE__, __LINE__)
                .Format("Access group %" PRId64 " is linked to %" PRId64 " cards", groupID.get_ID(),
                        linkedCards);
    }
    // Rights and card links go by the schema's cascades.
    return DeleteRowByID(groupID);
}

} // namespace Access
