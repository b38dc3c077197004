#pragma once
#include <vector>

#include "JsonTypes/KnaJson_CrossID.h"
#include "JsonTypes/KnaJson_ID.h"

namespace DB {
class TCDBIterator;
}

namespace KeynodeApi {

// One door right of an access group: members of the group may pass `doorID` under `weekProgramID`.
// JSON: {"doorID": {...}, "accessGroupID": {...}, "weekProgramID": {...}}; the row ID is not shown.
class KnaJson_AccessGroupRight : public KnaJson_BaseType {
public:
    KnaJson_AccessGroupRight() = default;
    explicit KnaJson_AccessGroupRight(DB::TCDBIterator& row) { LoadFromIterator(row); }
    KnaJson_AccessGroupRight(const rapidjson::Value& value, bool parseDoor, bool parseAccessGroup) {
        DeserializeImpl(value, parseDoor, parseAccessGroup);
    }
    KnaJson_AccessGroupRight(const KnaJson_AccessGroupRight&) = default;
    KnaJson_AccessGroupRight& operator=(const KnaJson_AccessGroupRight&) = default;

    void Clear();
    // Each reference is optional; a null one stays null. The switches skip "doorID" / "accessGroupID".
    void DeserializeImpl(const rapidjson::Value& value, bool parseDoor, bool parseAccessGroup);
    using KnaJson_BaseType::Deserialize;
    void Deserialize(const rapidjson::Value& value) override { DeserializeImpl(value, true, true); }
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    // False, and cleared, at the end of the iterator. References carry the external IDs of their rows.
    bool LoadFromIterator(DB::TCDBIterator& row);

    const KnaJson_ID& GetID() const { return m_ID; }
    const KnaJson_ID& GetDoorID() const { return m_DoorID; }
    const KnaJson_CrossID& GetAccessGroupID() const { return m_AccessGroupID; }
    void SetAccessGroupID(const KnaJson_CrossID& accessGroupID) { m_AccessGroupID = accessGroupID; }
    const KnaJson_CrossID& GetWeekProgramID() const { return m_WeekProgramID; }

    // Inserts one row per right, in list order, after resolving its three references. Throws at the first
    // reference that names no row and for a week program that is not of the card-holder type; the caller's
    // transaction then takes back the rows written so far.
    static void Database_InsertAccessRights(const std::vector<KnaJson_AccessGroupRight>& rights);

private:
    KnaJson_ID m_ID;
    KnaJson_ID m_DoorID;
    KnaJson_CrossID m_AccessGroupID;
    KnaJson_CrossID m_WeekProgramID;
};

} // namespace KeynodeApi
