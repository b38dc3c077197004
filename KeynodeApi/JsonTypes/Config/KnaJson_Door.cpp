#include "JsonTypes/Config/KnaJson_Door.h"

#include "DB/TCDBUserRights.h"
#include "DB/Tables/AccessTables.h"
#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

KnaJson_Door::KnaJson_Door(const KnaJson_ID& id, bool reload) {
    Clear();
    m_ID = id;
    if (reload) ReLoadFromDB();
}

void KnaJson_Door::Clear() {
    m_ID.Clear();
    m_Name.SetNull();
    m_Type.SetNull();
    m_InstanceNumber.SetNull();
    m_KeynodeLink.Clear();
    m_ElevatorLink.Clear();
    m_Rights.SetNull();
    m_AccessRights.clear();
    m_IncludeAccessRights = false;
}

bool KnaJson_Door::LoadFromIterator(DB::TCDBIterator& row, const Accessories::TCRecordID& userID,
                                    bool includeAccessRights) {
    Clear();
    if (row.IsEnd()) return false;
    m_IncludeAccessRights = includeAccessRights;
    const Accessories::TCRecordID id = row.Field(Table_AccessDoors::ID).get_AsRecordID();
    m_ID = KnaJson_ID(id);
    m_Name = row.Field(Table_AccessDoors::NAME).get_AsNullString();
    m_Type = row.Field(Table_AccessDoors::TYPE).get_AsNullInt();
    m_InstanceNumber = row.Field(Table_AccessDoors::INSTANCENO).get_AsNullInt();
    if (!row.Field(Table_AccessDoors::KEYNODE).IsNull())
        m_KeynodeLink = KnaJson_ID(row.Field(Table_AccessDoors::KEYNODE).get_AsRecordID());
    if (!row.Field(Table_AccessDoors::ELEVATOR_LINK).IsNull())
        m_ElevatorLink = KnaJson_ID(row.Field(Table_AccessDoors::ELEVATOR_LINK).get_AsRecordID());

    int rights = RIGHT_SEE;
    if (userID.IsNotNull()) {
        Access::TCDBDoors doors;
        doors.SetFilterByUserRights(userID, DB::RECORD_RIGHT_CHANGE);
        if (doors.SelectCount("*", Table_AccessDoors::ID == id) > 0) rights |= RIGHT_CHANGE;
    }
    m_Rights = rights;

    if (m_IncludeAccessRights) {
        Access::TCDBAccessGroupRights rightRows;
        for (DB::TCDBIterator right =
                 rightRows.Select("*", Table_AccessGroupRights::DOOR == id, DB::TCDBOrder());
             right.IsNotEnd(); right.Next())
            m_AccessRights.emplace_back(right);
    }
    return true;
}

void KnaJson_Door::ReLoadFromDB() {
    const KnaJson_ID id = m_ID;
    Access::TCDBDoors doors;
    DB::TCDBIterator row = doors.SelectPrimary(id.GetRecordID());
    if (!LoadFromIterator(row, Accessories::TCRecordID(), false)) m_ID = id;
}

bool KnaJson_Door::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value.SetObject();
    AddMemberValue(value, "id", m_ID, allocator);
    value.AddMember("name", ToJsonValue(m_Name, allocator), allocator);
    value.AddMember("type", ToJsonValue(m_Type, allocator), allocator);
    value.AddMember("instanceNumber", ToJsonValue(m_InstanceNumber, allocator), allocator);
    m_KeynodeLink.SerializeToValueOrNull(value, allocator, "keynodeLink");
    m_ElevatorLink.SerializeToValueOrNull(value, allocator, "elevatorLink");
    value.AddMember("rights", ToJsonValue(m_Rights, allocator), allocator);
    if (m_IncludeAccessRights)
        value.AddMember("accessRights", ToJsonArray(m_AccessRights, allocator), allocator);
    return true;
}

} // namespace KeynodeApi
