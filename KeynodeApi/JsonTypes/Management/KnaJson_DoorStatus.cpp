#include "JsonTypes/Management/KnaJson_DoorStatus.h"

#include "DB/Tables/AccessTables.h"
#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

bool KnaJson_DoorStatus::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value.SetObject();
    AddMemberValue(value, "doorId", m_DoorID, allocator);
    value.AddMember("position", m_State.Position, allocator);
    value.AddMember("positionCause", m_State.PositionCause, allocator);
    value.AddMember("exception", m_State.Exception, allocator);
    value.AddMember("intrusionState", m_State.Intrusion, allocator);
    return true;
}

void KnaJson_DoorStatusResult::AddRow(DB::TCDBIterator& row) {
    Add(KnaJson_DoorStatus(m_Doors.FindStatus(row.Field(Table_AccessDoors::ID).get_AsRecordID())));
}

} // namespace KeynodeApi
