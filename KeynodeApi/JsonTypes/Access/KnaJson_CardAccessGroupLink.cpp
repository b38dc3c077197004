#include "JsonTypes/Access/KnaJson_CardAccessGroupLink.h"

#include "DB/Tables/AccessTables.h"
#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

void KnaJson_CardAccessGroupLink::Clear() {
    m_AccessGroupID.Clear();
    m_ValidFrom.SetNull();
    m_ValidTo.SetNull();
}

void KnaJson_CardAccessGroupLink::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);
    m_AccessGroupID.Deserialize(GetRequiredNotNullMember(value, "accessGroupID"));
    ReadOptionalMember(value, "validFrom", m_ValidFrom);
    ReadOptionalMember(value, "validTo", m_ValidTo);
}

bool KnaJson_CardAccessGroupLink::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value.SetObject();
    AddMemberValue(value, "accessGroupID", m_AccessGroupID, allocator);
    value.AddMember("validFrom", ToJsonValue(m_ValidFrom, allocator), allocator);
    value.AddMember("validTo", ToJsonValue(m_ValidTo, allocator), allocator);
    return true;
}

void KnaJson_CardAccessGroupLink::LoadFromIterator(DB::TCDBIterator& row) {
    Clear();
    Access::TCDBAccessGroups groups;
    m_AccessGroupID = KnaJson_CrossID::LoadReference(
        groups, row.Field(Table_AccessCardAccessGroupLinks::ACCESS_GROUP_LINK).get_AsRecordID());
    m_ValidFrom = row.Field(Table_AccessCardAccessGroupLinks::VALID_FROM).get_AsNullDateTime();
    m_ValidTo = row.Field(Table_AccessCardAccessGroupLinks::VALID_TO).get_AsNullDateTime();
}

} // namespace KeynodeApi
