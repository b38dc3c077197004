#include "JsonTypes/Events/KnaJson_EventFilterResult.h"

#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

void KnaJson_EventFilterResult::Add(const KnaJson_Event& event) {
    m_Records.push_back(event);
    if (!event.GetID().IsNull() && event.GetID().GetID() > m_HighestEventID)
        m_HighestEventID = event.GetID().GetID();
}

void KnaJson_EventFilterResult::Clear() {
    m_Records.clear();
    set_Count(0);
    m_HighestEventID = 0;
}

void KnaJson_EventFilterResult::SerializeRecords(JsonAllocator& allocator, rapidjson::Value& records) const {
    records = ToJsonArray(m_Records, allocator);
}

void KnaJson_EventFilterResult::SerializeToDoc(rapidjson::Document& doc) const {
    rapidjson::Value value;
    SerializeToValue(doc.GetAllocator(), value);
    static_cast<rapidjson::Value&>(doc).Swap(value);
}

bool KnaJson_EventFilterResult::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    rapidjson::Value records;
    SerializeRecords(allocator, records);
    value.SetObject();
    value.AddMember("records", records, allocator);
    value.AddMember("count", rapidjson::Value(static_cast<int64_t>(get_Count())), allocator);
    return true;
}

} // namespace KeynodeApi
