#include "JsonTypes/KnaJson_IDArray.h"

#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

void KnaJson_IDArray::GetRecordIDs(std::set<Accessories::TCRecordID>& ids) const {
    ids.clear();
    for (const KnaJson_ID& id : m_IDs)
        if (!id.IsNull()) ids.insert(id.GetRecordID());
}

bool KnaJson_IDArray::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    rapidjson::Value ids(rapidjson::kArrayType);
    for (const KnaJson_ID& id : m_IDs) {
        rapidjson::Value element;
        id.SerializeToValue(allocator, element);
        ids.PushBack(element, allocator);
    }
    value.SetObject();
    value.AddMember("ids", ids, allocator);
    return true;
}

void KnaJson_IDArray::Deserialize(const rapidjson::Document& doc) {
    Deserialize(static_cast<const rapidjson::Value&>(doc));
}

void KnaJson_IDArray::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);
    const rapidjson::Value& ids = GetRequiredMember(value, "ids");
    AssertJsonArray(ids);
    for (const rapidjson::Value& element : ids.GetArray())
        m_IDs.emplace_back(element);
}

} // namespace KeynodeApi
