#include "JsonTypes/KnaJson_ID.h"

#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

bool KnaJson_ID::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value.SetObject();
    if (m_IsNull)
        value.AddMember("id", rapidjson::Value(rapidjson::kNullType), allocator);
    else
        value.AddMember("id", rapidjson::Value(m_ID), allocator);
    return true;
}

void KnaJson_ID::SerializeToValueOrNull(rapidjson::Value& parent, JsonAllocator& allocator,
                                        const char* name) const {
    rapidjson::Value value(rapidjson::kNullType);
    if (!m_IsNull) SerializeToValue(allocator, value);
    parent.AddMember(rapidjson::StringRef(name), value, allocator);
}

void KnaJson_ID::Deserialize(const rapidjson::Document& doc) {
    Deserialize(static_cast<const rapidjson::Value&>(doc));
}

void KnaJson_ID::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);
    const rapidjson::Value& id = GetRequiredMember(value, "id");
    if (!id.IsNull()) m_ID = id.GetInt64(), m_IsNull = false;
}

} // namespace KeynodeApi
