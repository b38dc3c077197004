#pragma once
#include <vector>

#include "Accessories/TCNullTypes.h"
#include "JsonTypes/Access/KnaJson_AccessGroupRight.h"
#include "JsonTypes/KnaJson_ID.h"

namespace DB {
class TCDBIterator;
}

namespace KeynodeApi {

// One door, read-only: {"id", "name", "type", "instanceNumber", "keynodeLink", "elevatorLink", "rights"}
// and, when asked for, "accessRights". "rights" is a mask: 1 always, 2 when the user may change the door.
class KnaJson_Door : public KnaJson_BaseType {
public:
    static constexpr int RIGHT_SEE = 1;
    static constexpr int RIGHT_CHANGE = 2;

    KnaJson_Door() { Clear(); }
    KnaJson_Door(DB::TCDBIterator& row, const Accessories::TCRecordID& userID, bool includeAccessRights) {
        LoadFromIterator(row, userID, includeAccessRights);
    }
    // With `reload` the door's row is read at once.
    KnaJson_Door(const KnaJson_ID& id, bool reload);

    void Clear();
    // False, and cleared, at the end of the iterator. A null user gets the mask 1.
    bool LoadFromIterator(DB::TCDBIterator& row, const Accessories::TCRecordID& userID,
                          bool includeAccessRights);
    // Reads the row of the door's ID, for no user.
    void ReLoadFromDB();
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;

    const KnaJson_ID& GetID() const { return m_ID; }
    const Accessories::TCNullTypes<int>& GetRights() const { return m_Rights; }
    const std::vector<KnaJson_AccessGroupRight>& GetAccessRights() const { return m_AccessRights; }

private:
    KnaJson_ID m_ID;
    Accessories::TCNullTypes<std::string> m_Name;
    Accessories::TCNullTypes<int> m_Type;
    Accessories::TCNullTypes<int> m_InstanceNumber;
    KnaJson_ID m_KeynodeLink;
    KnaJson_ID m_ElevatorLink;
    Accessories::TCNullTypes<int> m_Rights;
    std::vector<KnaJson_AccessGroupRight> m_AccessRights;
    bool m_IncludeAccessRights = false;
};

} // namespace KeynodeApi
