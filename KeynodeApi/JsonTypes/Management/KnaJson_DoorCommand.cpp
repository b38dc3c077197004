#include "JsonTypes/Management/KnaJson_DoorCommand.h"

#include <set>

#include "DB/Tables/AccessTables.h"
#include "JsonTypes/KnaJsonMembers.h"
#include "KnaException.h"

namespace KeynodeApi {

void KnaJson_DoorCommand::Clear() {
    m_DoorIDs.Clear();
    m_NewDoorState = 0;
}

void KnaJson_DoorCommand::Deserialize(const rapidjson::Document& doc) {
    AssertJsonObject(doc);
    Deserialize(static_cast<const rapidjson::Value&>(GetRequiredMember(doc, "doorCommand")));
}

void KnaJson_DoorCommand::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);

    const rapidjson::Value* doorIDs = FindOptionalMember(value, "doorIDs");
    if (doorIDs == nullptr || doorIDs->IsNull())
        throw KnaException(__FILE__, __LINE__, "doorIDs != null").FormatOverride("%s is required", "doorIDs");
    m_DoorIDs.Deserialize(*doorIDs);
    if (m_DoorIDs.GetIDs().empty()) throw KnaException(__FILE__, __LINE__, "No door specified");

    // Every door named must exist, whoever asks; whether the caller may command it is the handler's check.
    std::set<Accessories::TCRecordID> ids;
    m_DoorIDs.GetRecordIDs(ids);
    Access::TCDBDoors doors;
    const int64_t found = ids.empty() ? 0 : doors.SelectCount("*", Table_AccessDoors::ID.In(ids));
    if (int64_t(ids.size()) > found)
        throw KnaException(__FILE__, __LINE__, "ids.size() <= count")
            .FormatOverride("%d doors not found in database form %d that are specified",
                            int(int64_t(ids.size()) - found), int(ids.size()));

    const rapidjson::Value* state = FindOptionalMember(value, "newDoorState");
    if (state == nullptr || state->IsNull())
        throw KnaException(__FILE__, __LINE__, "newDoorState != null")
            .FormatOverride("%s is required", "newDoorState");
    const int newState = state->GetInt();
    if (newState < 0 || newState > MAX_DOOR_STATE)
        throw KnaException(__FILE__, __LINE__, "newDoorState >= 0 && newDoorState <= 4")
            .FormatOverride("Value %d for %s is not valid", newState, "newDoorState");
    m_NewDoorState = newState;
}

} // namespace KeynodeApi
