#include "JsonTypes/KnaJson_CrossID.h"

#include "DB/TCDBBasicTable.h"
#include "JsonTypes/KnaJsonMembers.h"
#include "JsonTypes/KnaJson_ID.h"

namespace KeynodeApi {

KnaJson_CrossID::KnaJson_CrossID(const KnaJson_ID& id) {
    Initialize(id.GetID(), id.IsNull(), std::string(), true);
}

KnaJson_CrossID KnaJson_CrossID::LoadReference(DB::TCDBBasicTable& table, const Accessories::TCRecordID& id) {
    table.SetEnableSelectExternalID(true);
    DB::TCDBIterator row = table.SelectPrimary(id);
    if (row.IsEnd()) return KnaJson_CrossID(id.get_ID());
    return KnaJson_CrossID(id.get_ID(), row.get_ExternalID());
}

KnaJson_CrossID KnaJson_CrossID::FromRow(const DB::TCDBIterator& row) {
    return KnaJson_CrossID(row.get_ID().get_ID(), row.get_ExternalID());
}

void KnaJson_CrossID::Initialize(int64_t id, bool idIsNull, const std::string& externalID,
                                 bool externalIDIsNull) {
    m_ID = idIsNull ? 0 : id;
    m_IDIsNull = idIsNull;
    m_ExternalID = externalIDIsNull ? std::string() : externalID;
    m_ExternalIDIsNull = externalIDIsNull;
}

bool KnaJson_CrossID::operator==(const KnaJson_CrossID& other) const {
    return m_IDIsNull == other.m_IDIsNull && m_ExternalIDIsNull == other.m_ExternalIDIsNull &&
           (m_IDIsNull || m_ID == other.m_ID) && (m_ExternalIDIsNull || m_ExternalID == other.m_ExternalID);
}

bool KnaJson_CrossID::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value.SetObject();
    if (m_IDIsNull)
        value.AddMember("id", rapidjson::Value(rapidjson::kNullType), allocator);
    else
        value.AddMember("id", rapidjson::Value(m_ID), allocator);
    if (!m_ExternalIDIsNull) value.AddMember("extId", ToJsonValue(m_ExternalID, allocator), allocator);
    return true;
}

void KnaJson_CrossID::Deserialize(const rapidjson::Document& doc) {
    Deserialize(static_cast<const rapidjson::Value&>(doc));
}

void KnaJson_CrossID::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);
    Accessories::TCNullTypes<long long> id;
    Accessories::TCNullTypes<std::string> externalID;
    ReadOptionalMember(value, "id", id);
    ReadOptionalMember(value, "extId", externalID);
    Initialize(id.get_Value(), id.IsNull(), externalID.get_Value(), externalID.IsNull());
}

} // namespace KeynodeApi
