#include "JsonTypes/Events/KnaJson_Event.h"

#include "DB/Tables/EventTables.h"
#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

namespace {

void ReadOptionalID(const rapidjson::Value& object, const char* name, KnaJson_ID& out) {
    const rapidjson::Value* member = FindOptionalMember(object, name);
    if (member != nullptr && !member->IsNull()) out.Deserialize(*member);
}

} // namespace

bool KnaJson_Event::LoadFromIterator(DB::TCDBIterator& iterator, bool withDetails) {
    Clear();
    if (!iterator.IsNotEnd()) return false;
    m_ID = KnaJson_ID(iterator.Field(Table_EventLog::ID).get_AsRecordID());
    m_Type = iterator.Field(Table_EventLog::TYPE_LINK).get_AsInteger();
    m_EventTime = iterator.Field(Table_EventLog::EVENT_TIME).get_AsNullDateTime();
    m_KeynodeID = KnaJson_ID(iterator.Field(Table_EventLog::KEYNODE).get_AsRecordID());
    m_ClearTime = iterator.Field(Table_EventLog::CLEAR_TIME).get_AsNullDateTime();
    m_ClearedBy = KnaJson_ID(iterator.Field(Table_EventLog::CLEARED_BY).get_AsRecordID());
    if (withDetails) LoadDetails();
    return true;
}

void KnaJson_Event::LoadDetails() {
    Event::TCDBEventLogDetails details;
    for (DB::TCDBIterator row = details.Select("*", Table_EventLogDetails::EVENT_LINK == m_ID.GetRecordID(),
                                               DB::TCDBOrder(Table_EventLogDetails::ID));
         row.IsNotEnd(); row.Next())
        m_Details.emplace_back(row);
}

void KnaJson_Event::Clear() {
    m_ID.Clear();
    m_Type = 0;
    m_KeynodeID.Clear();
    m_EventTime.SetNull();
    m_ClearTime.SetNull();
    m_ClearedBy.Clear();
    m_Details.clear();
}

bool KnaJson_Event::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    rapidjson::Value id;
    m_ID.SerializeToValue(allocator, id);
    value.SetObject();
    value.AddMember("id", id, allocator);
    value.AddMember("type", m_Type, allocator);
    m_KeynodeID.SerializeToValueOrNull(value, allocator, "keynodeId");
    value.AddMember("eventTime", ToJsonValue(m_EventTime, allocator), allocator);
    value.AddMember("clearTime", ToJsonValue(m_ClearTime, allocator), allocator);
    m_ClearedBy.SerializeToValueOrNull(value, allocator, "clearedBy");
    value.AddMember("details", ToJsonArray(m_Details, allocator), allocator);
    return true;
}

void KnaJson_Event::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);
    ReadOptionalID(value, "id", m_ID);
    if (const rapidjson::Value* type = FindOptionalMember(value, "type"); type != nullptr && !type->IsNull())
        m_Type = type->GetInt();
    ReadOptionalID(value, "keynodeId", m_KeynodeID);
    ReadOptionalMember(value, "eventTime", m_EventTime);
    ReadOptionalMember(value, "clearTime", m_ClearTime);
    ReadOptionalID(value, "clearedBy", m_ClearedBy);
    if (const rapidjson::Value* details = FindOptionalMember(value, "details");
        details != nullptr && !details->IsNull()) {
        AssertJsonArray(*details);
        for (const rapidjson::Value& element : details->GetArray()) {
            KnaJson_EventDetail detail;
            detail.Deserialize(element);
            m_Details.push_back(detail);
        }
    }
}

} // namespace KeynodeApi
