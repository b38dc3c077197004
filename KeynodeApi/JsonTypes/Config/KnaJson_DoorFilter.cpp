#include "JsonTypes/Config/KnaJson_DoorFilter.h"

#include "DB/Tables/AccessTables.h"
#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

void KnaJson_DoorFilter::Clear() {
    KnaJson_BaseFilter::Clear();
    m_IDs.Clear();
    m_KeynodeIDs.Clear();
    m_IncludeAccessRights.SetNull();
}

void KnaJson_DoorFilter::Deserialize(const rapidjson::Value& value) {
    Clear();
    KnaJson_BaseFilter::Deserialize(value);
    ReadOptionalObject(value, "ids", m_IDs);
    ReadOptionalObject(value, "keynodeIDs", m_KeynodeIDs);
    ReadOptionalMember(value, "includeAccessRights", m_IncludeAccessRights);
}

bool KnaJson_DoorFilter::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    KnaJson_BaseFilter::SerializeToValue(allocator, value);
    AddMemberValue(value, "ids", m_IDs, allocator);
    AddMemberValue(value, "keynodeIDs", m_KeynodeIDs, allocator);
    value.AddMember("includeAccessRights", ToJsonValue(m_IncludeAccessRights, allocator), allocator);
    return true;
}

void KnaJson_DoorFilter::SerializeToDoc(rapidjson::Document& doc) const {
    AddWrappedMember(doc, GetWrappingMemberName(), *this);
}

DB::TCDBWhere KnaJson_DoorFilter::GetSelectWhere() const {
    DB::TCDBWhere where = Table_AccessDoors::ID.IsNotNull();
    std::set<Accessories::TCRecordID> ids;
    m_IDs.GetRecordIDs(ids);
    if (!ids.empty()) where = where && Table_AccessDoors::ID.In(ids);
    m_KeynodeIDs.GetRecordIDs(ids);
    if (!ids.empty())
        where = where && Table_AccessDoors::KEYNODE.IsNotNull() && Table_AccessDoors::KEYNODE.In(ids);
    return where;
}

std::unique_ptr<DB::TCDBBasicTable> KnaJson_DoorFilter::CreateMainTable() const {
    return std::make_unique<Access::TCDBDoors>();
}

} // namespace KeynodeApi
