#include "JsonTypes/KnaJson_CrossIDArray.h"

#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

std::set<Accessories::TCRecordID> KnaJson_CrossIDArray::GetNumericIDs() const {
    std::set<Accessories::TCRecordID> ids;
    for (const KnaJson_CrossID& id : m_IDs)
        if (!id.IsIDNull()) ids.insert(id.GetRecordID());
    return ids;
}

bool KnaJson_CrossIDArray::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    rapidjson::Value ids(rapidjson::kArrayType);
    for (const KnaJson_CrossID& id : m_IDs) {
        rapidjson::Value element;
        id.SerializeToValue(allocator, element);
        ids.PushBack(element, allocator);
    }
    value.SetObject();
    value.AddMember("ids", ids, allocator);
    return true;
}

void KnaJson_CrossIDArray::Deserialize(const rapidjson::Document& doc) {
    Deserialize(static_cast<const rapidjson::Value&>(doc));
}

void KnaJson_CrossIDArray::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);
    const rapidjson::Value& ids = GetRequiredMember(value, "ids");
    AssertJsonArray(ids);
    for (const rapidjson::Value& element : ids.GetArray())
        m_IDs.emplace_back(element);
}

} // namespace KeynodeApi
