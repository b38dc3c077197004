#include "JsonTypes/KnaJson_TableRecord.h"

#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

bool KnaJson_TableRecord::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    rapidjson::Value id, keynodeID;
    m_ID.SerializeToValue(allocator, id);
    m_KeynodeID.SerializeToValue(allocator, keynodeID);
    value.SetObject();
    value.AddMember("tableId", m_TableID, allocator);
    value.AddMember("id", id, allocator);
    value.AddMember("keynodeId", keynodeID, allocator);
    return true;
}

void KnaJson_TableRecord::Deserialize(const rapidjson::Document& doc) {
    Deserialize(static_cast<const rapidjson::Value&>(doc));
}

void KnaJson_TableRecord::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);
    const rapidjson::Value& tableID = GetRequiredMember(value, "tableId");
    const rapidjson::Value& id = GetRequiredMember(value, "id");
    m_TableID = tableID.GetInt();
    m_ID.Deserialize(id);
    const rapidjson::Value* keynodeID = FindOptionalMember(value, "keynodeId");
    if (keynodeID != nullptr && !keynodeID->IsNull()) m_KeynodeID.Deserialize(*keynodeID);
}

} // namespace KeynodeApi
