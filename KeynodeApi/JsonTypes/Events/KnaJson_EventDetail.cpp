#include "JsonTypes/Events/KnaJson_EventDetail.h"

#include "DB/Tables/EventTables.h"
#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

bool KnaJson_EventDetail::LoadFromIterator(DB::TCDBIterator& iterator) {
    Clear();
    if (!iterator.IsNotEnd()) return false;
    m_ID = KnaJson_ID(iterator.Field(Table_EventLogDetails::ID).get_AsRecordID());
    m_Type = iterator.Field(Table_EventLogDetails::TYPE_LINK).get_AsInteger();
    m_Value = iterator.Field(Table_EventLogDetails::VALUE).get_AsNullString();
    const Accessories::TCNullTypes<int> tableID =
        iterator.Field(Table_EventLogDetails::TABLE_ID).get_AsNullInt();
    const Accessories::TCRecordID ownerID = iterator.Field(Table_EventLogDetails::OWNER_ID).get_AsRecordID();
    if (tableID.IsNotNull() && ownerID.IsNotNull())
        m_RelatedRecord = KnaJson_TableRecord(tableID.get_Value(), KnaJson_ID(ownerID), KnaJson_ID());
    return true;
}

void KnaJson_EventDetail::Clear() {
    m_ID.Clear();
    m_Type = 0;
    m_Value.SetNull();
    m_RelatedRecord = EmptyRelatedRecord();
}

bool KnaJson_EventDetail::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    rapidjson::Value id;
    m_ID.SerializeToValue(allocator, id);
    rapidjson::Value related(rapidjson::kNullType);
    if (m_RelatedRecord.GetTableID() >= 0) m_RelatedRecord.SerializeToValue(allocator, related);
    value.SetObject();
    value.AddMember("id", id, allocator);
    value.AddMember("type", m_Type, allocator);
    value.AddMember("value", ToJsonValue(m_Value, allocator), allocator);
    value.AddMember("relatedRecord", related, allocator);
    return true;
}

void KnaJson_EventDetail::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);
    if (const rapidjson::Value* id = FindOptionalMember(value, "id"); id != nullptr && !id->IsNull())
        m_ID.Deserialize(*id);
    if (const rapidjson::Value* type = FindOptionalMember(value, "type"); type != nullptr && !type->IsNull())
        m_Type = type->GetInt();
    ReadOptionalMember(value, "value", m_Value);
    if (const rapidjson::Value* related = FindOptionalMember(value, "relatedRecord");
        related != nullptr && !related->IsNull())
        m_RelatedRecord.Deserialize(*related);
}

} // namespace KeynodeApi
