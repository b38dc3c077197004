#include "JsonTypes/Access/KnaJson_AccessGroupRight.h"

#include <string>

#include "DB/Tables/AccessTables.h"
#include "DB/Tables/SystemTables.h"
#include "JsonTypes/KnaJsonMembers.h"
#include "KnaException.h"
#include "KnaStatic.h"

namespace KeynodeApi {

void KnaJson_AccessGroupRight::Clear() {
    m_ID.Clear();
    m_DoorID.Clear();
    m_AccessGroupID.Clear();
    m_WeekProgramID.Clear();
}

void KnaJson_AccessGroupRight::DeserializeImpl(const rapidjson::Value& value, bool parseDoor,
                                               bool parseAccessGroup) {
    Clear();
    AssertJsonObject(value);
    const rapidjson::Value* door = parseDoor ? FindOptionalMember(value, "doorID") : nullptr;
    if (door != nullptr && !door->IsNull()) m_DoorID.Deserialize(*door);
    const rapidjson::Value* group = parseAccessGroup ? FindOptionalMember(value, "accessGroupID") : nullptr;
    if (group != nullptr && !group->IsNull()) m_AccessGroupID.Deserialize(*group);
    const rapidjson::Value* weekProgram = FindOptionalMember(value, "weekProgramID");
    if (weekProgram != nullptr && !weekProgram->IsNull()) m_WeekProgramID.Deserialize(*weekProgram);
}

bool KnaJson_AccessGroupRight::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value.SetObject();
    AddMemberValue(value, "doorID", m_DoorID, allocator);
    AddMemberValue(value, "accessGroupID", m_AccessGroupID, allocator);
    AddMemberValue(value, "weekProgramID", m_WeekProgramID, allocator);
    return true;
}

bool KnaJson_AccessGroupRight::LoadFromIterator(DB::TCDBIterator& row) {
    Clear();
    if (row.IsEnd()) return false;
    m_ID = KnaJson_ID(int64_t(row.Field(Table_AccessGroupRights::ID).get_AsBigInt()));
    DB::TCDBField door = row.Field(Table_AccessGroupRights::DOOR);
    if (!door.IsNull()) m_DoorID = KnaJson_ID(door.get_AsRecordID());
    DB::TCDBField group = row.Field(Table_AccessGroupRights::ACCESSGROUP);
    if (!group.IsNull()) {
        Access::TCDBAccessGroups groups;
        m_AccessGroupID = KnaJson_CrossID::LoadReference(groups, group.get_AsRecordID());
    }
    DB::TCDBField weekProgram = row.Field(Table_AccessGroupRights::WEEKPROGRAM);
    if (!weekProgram.IsNull()) {
        System::TCDBWeekPrograms weekPrograms;
        m_WeekProgramID = KnaJson_CrossID::LoadReference(weekPrograms, weekProgram.get_AsRecordID());
    }
    return true;
}

void KnaJson_AccessGroupRight::Database_InsertAccessRights(
    const std::vector<KnaJson_AccessGroupRight>& rights) {
    Access::TCDBAccessGroups groups;
    Access::TCDBDoors doors;
    System::TCDBWeekPrograms weekPrograms;
    Access::TCDBAccessGroupRights rightRows;
    for (const KnaJson_AccessGroupRight& right : rights) {
        const Accessories::TCRecordID groupID =
            AssertSelectByID(groups, Table_AccessGroups::ID, right.m_AccessGroupID);
        const Accessories::TCRecordID doorID = AssertSelectByID(doors, Table_AccessDoors::ID, right.m_DoorID);
        const Accessories::TCRecordID weekProgramID =
            AssertSelectByID(weekPrograms, Table_CommonWeekPrograms::ID, right.m_WeekProgramID);

        DB::TCDBIterator weekProgram = weekPrograms.SelectPrimary(weekProgramID);
        if (weekProgram.IsNotEnd() && weekProgram.Field(Table_CommonWeekPrograms::TYPE).get_AsInteger() !=
                                          KnaStatic::WEEK_PROGRAM_TYPE_CARD_HOLDER)
            throw KnaException(__FILE__, __LINE__, "TYPE == KnaStatic::WEEK_PROGRAM_TYPE_CARD_HOLDER")
                .FormatOverride("Specified week program id %s is not of card holder week program type",
                                std::to_string(weekProgramID.get_ID()).c_str());

        DB::TCDBAutoObject row;
        rightRows.CreateObject(row);
        row.Field(Table_AccessGroupRights::ACCESSGROUP).set_AsRecordID(groupID);
        row.Field(Table_AccessGroupRights::DOOR).set_AsRecordID(doorID);
        row.Field(Table_AccessGroupRights::WEEKPROGRAM).set_AsRecordID(weekProgramID);
        row.Save(false);
    }
}

} // namespace KeynodeApi
