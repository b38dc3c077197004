#pragma once
#include "JsonTypes/Config/KnaJson_Door.h"
#include "JsonTypes/KnaJson_BaseFilterResult.h"

namespace KeynodeApi {

// The answer of the door filter: {"count": N, "records": [door, ...]}. Rows are loaded for one user (its
// rights mask) and with or without their access rights, as set before the rows are added.
class KnaJson_DoorFilterResult : public KnaJson_FilterRecords<KnaJson_Door> {
public:
    void SetLoading(const Accessories::TCRecordID& userID, bool includeAccessRights) {
        m_UserID = userID, m_IncludeAccessRights = includeAccessRights;
    }
    void AddRow(DB::TCDBIterator& row) { Add(KnaJson_Door(row, m_UserID, m_IncludeAccessRights)); }

private:
    Accessories::TCRecordID m_UserID;
    bool m_IncludeAccessRights = false;
};

} // namespace KeynodeApi
