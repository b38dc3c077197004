#include "JsonTypes/Access/KnaJson_AccessGroup.h"

#include <set>

#include "DB/Tables/AccessTables.h"
#include "JsonTypes/KnaJsonMembers.h"
#include "KnaException.h"

namespace KeynodeApi {

KnaJson_AccessGroup::KnaJson_AccessGroup(const KnaJson_CrossID& id,
                                         const Accessories::TCNullTypes<std::string>& name,
                                         const Accessories::TCNullTypes<std::string>& info) {
    Clear();
    m_ID = id;
    m_Name = name;
    m_Info = info;
    m_NameSpecified = m_InfoSpecified = true;
}

KnaJson_AccessGroup::KnaJson_AccessGroup(const KnaJson_CrossID& id, bool reload) {
    Clear();
    m_ID = id;
    if (reload) ReLoadFromDB();
}

void KnaJson_AccessGroup::Clear() {
    m_ID.Clear();
    m_Name.SetNull();
    m_Info.SetNull();
    m_Priority = DEFAULT_PRIORITY;
    m_IsReusable = true;
    m_Rights.clear();
    m_NameSpecified = m_InfoSpecified = m_RightsSpecified = false;
}

void KnaJson_AccessGroup::Deserialize(const rapidjson::Document& doc) {
    Deserialize(static_cast<const rapidjson::Value&>(doc));
}

void KnaJson_AccessGroup::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);
    m_ID.Deserialize(GetRequiredNotNullMember(value, "id"));
    m_NameSpecified = ReadOptionalMember(value, "name", m_Name);
    m_InfoSpecified = ReadOptionalMember(value, "info", m_Info);

    if (const rapidjson::Value* priority = FindOptionalMember(value, "priority")) {
        const int given = priority->GetInt();
        if (given < MIN_PRIORITY || given > MAX_PRIORITY)
            throw KnaParsingException(__FILE__, __LINE__,
                                      "priority >= MIN_PRIORITY && priority <= MAX_PRIORITY")
                .FormatOverride("Invalid access group priority %d. Priority must be between %d and %d", given,
                                MIN_PRIORITY, MAX_PRIORITY);
        m_Priority = given;
    }

    if (const rapidjson::Value* rights = FindOptionalMember(value, "accessRights")) {
        if (!rights->IsNull()) DeserializeRights(*rights);
        m_RightsSpecified = true;
    }

    // The API cannot make single-use groups: true is accepted and changes nothing, false is refused.
    const rapidjson::Value* reusable = FindOptionalMember(value, "isReusable");
    if (reusable != nullptr && !reusable->IsNull() && !reusable->GetBool())
        throw KnaParsingException(__FILE__, __LINE__, "isReusable")
            .FormatOverride("If isReusable is specified then it cannot be set to false");
}

void KnaJson_AccessGroup::DeserializeRights(const rapidjson::Value& rights) {
    AssertJsonArray(rights);
    for (const rapidjson::Value& element : rights.GetArray())
        m_Rights.emplace_back(element, true, true);

    std::set<KnaJson_ID> doors;
    for (const KnaJson_AccessGroupRight& right : m_Rights) {
        const KnaJson_CrossID& group = right.GetAccessGroupID();
        if ((!group.IsIDNull() || !group.IsExternalIDNull()) && group != m_ID)
            throw KnaParsingException(__FILE__, __LINE__, "right.GetAccessGroupID() == m_ID")
                .FormatOverride("Invalid access group id in access group rights. If access group id is "
                                "specified in access group right than it must match to access group id of "
                                "its container");
        if (!doors.insert(right.GetDoorID()).second)
            throw KnaParsingException(__FILE__, __LINE__, "doors.insert(right.GetDoorID()).second")
                .FormatOverride("Access group rights must not contain duplicate door references");
    }
}

bool KnaJson_AccessGroup::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value.SetObject();
    rapidjson::Value id;
    m_ID.SerializeToValue(allocator, id);
    value.AddMember("id", id, allocator);
    if (m_NameSpecified) value.AddMember("name", ToJsonValue(m_Name, allocator), allocator);
    if (m_InfoSpecified) value.AddMember("info", ToJsonValue(m_Info, allocator), allocator);
    value.AddMember("priority", m_Priority, allocator);
    value.AddMember("isReusable", m_IsReusable, allocator);
    if (m_RightsSpecified) value.AddMember("accessRights", ToJsonArray(m_Rights, allocator), allocator);
    return true;
}

void KnaJson_AccessGroup::SerializeToDoc(rapidjson::Document& doc) const {
    AddWrappedMember(doc, "accessGroup", *this);
}

bool KnaJson_AccessGroup::LoadFromIterator(DB::TCDBIterator& row) {
    Clear();
    if (row.IsEnd()) return false;
    const Accessories::TCRecordID id = row.Field(Table_AccessGroups::ID).get_AsRecordID();
    const auto& externalIDs = row.GetExternalIDMap_TO_ID();
    const auto externalID = externalIDs.find(id);
    if (externalID == externalIDs.end())
        m_ID = KnaJson_CrossID(id.get_ID());
    else
        m_ID = KnaJson_CrossID(id.get_ID(), externalID->second);
    m_Name = row.Field(Table_AccessGroups::NAME).get_AsNullString();
    m_Info = row.Field(Table_AccessGroups::INFO).get_AsNullString();
    m_Priority = row.Field(Table_AccessGroups::PRIORITY).get_AsInteger();
    m_IsReusable = row.Field(Table_AccessGroups::REUSABLE).get_AsInteger() == 1;
    m_NameSpecified = m_InfoSpecified = m_RightsSpecified = true;

    Access::TCDBAccessGroupRights rightRows;
    for (DB::TCDBIterator right =
             rightRows.Select("*", Table_AccessGroupRights::ACCESSGROUP == id, DB::TCDBOrder());
         right.IsNotEnd(); right.Next())
        m_Rights.emplace_back(right);
    return true;
}

void KnaJson_AccessGroup::ReLoadFromDB() {
    Access::TCDBAccessGroups groups;
    groups.SetEnableSelectExternalID(true);
    DB::TCDBIterator row;
    if (!m_ID.IsIDNull())
        row = groups.SelectPrimary(m_ID.GetRecordID());
    else if (!m_ID.IsExternalIDNull())
        row = groups.Select("*", groups.CreateWhereExternalIDEqualsTo(m_ID.GetExternalID()), DB::TCDBOrder());
    LoadFromIterator(row);
}

Accessories::TCRecordID KnaJson_AccessGroup::AssertGetIDFromDB() const {
    if (m_ID.IsIDNull() && m_ID.IsExternalIDNull())
        throw KnaException(__FILE__, __LINE__, "!m_ID.IsIDNull() || !m_ID.IsExternalIDNull()")
            .FormatOverride("Access group id is required");
    Access::TCDBAccessGroups groups;
    return AssertSelectByID(groups, Table_AccessGroups::ID, m_ID);
}

void KnaJson_AccessGroup::Database_Insert() {
    Access::TCDBAccessGroups groups;
    DB::TCDBAutoObject row;
    CreateRecordObject(groups, row, m_ID);
    row.Field(Table_AccessGroups::REUSABLE).set_AsInteger(1);
    row.Field(Table_AccessGroups::NAME).set_AsNullString(m_Name);
    row.Field(Table_AccessGroups::INFO).set_AsNullString(m_Info);
    row.Field(Table_AccessGroups::PRIORITY).set_AsInteger(m_Priority);
    row.Save(false);

    // The database chose the ID; an ID given in the request plays no part.
    const Accessories::TCRecordID id = row.Field(Table_AccessGroups::ID).get_AsRecordID();
    m_ID = KnaJson_CrossID(id.get_ID(), m_ID.GetNullExternalID());
    if (m_RightsSpecified && !m_Rights.empty()) Database_InsertAccessRights(id, true);
    ReLoadFromDB();
}

void KnaJson_AccessGroup::Database_Update() {
    const Accessories::TCRecordID id = AssertGetIDFromDB();
    Access::TCDBAccessGroups groups;
    DB::TCDBIterator row = groups.SelectPrimary(id);
    if (m_NameSpecified) row.Field(Table_AccessGroups::NAME).set_AsNullString(m_Name);
    if (m_InfoSpecified) row.Field(Table_AccessGroups::INFO).set_AsNullString(m_Info);
    // Written also when not given, so an update without "priority" resets it to the default.
    row.Field(Table_AccessGroups::PRIORITY).set_AsInteger(m_Priority);
    row.Save(false);

    if (m_RightsSpecified) Database_InsertAccessRights(id, false);
    ReLoadFromDB();
}

void KnaJson_AccessGroup::Database_InsertOrUpdate() {
    if (m_ID.IsIDNull())
        Database_Insert();
    else
        Database_Update();
}

void KnaJson_AccessGroup::Database_Delete() {
    const Accessories::TCRecordID id = AssertGetIDFromDB();
    Access::TCDBAccessGroups().DeleteByID(id, false);
}

void KnaJson_AccessGroup::Database_InsertAccessRights(const Accessories::TCRecordID& groupID,
                                                      bool groupIsNew) {
    if (!groupIsNew)
        Access::TCDBAccessGroupRights().DeleteWhere(Table_AccessGroupRights::ACCESSGROUP == groupID);
    const KnaJson_CrossID group(groupID.get_ID(), m_ID.GetNullExternalID());
    for (KnaJson_AccessGroupRight& right : m_Rights)
        right.SetAccessGroupID(group);
    KnaJson_AccessGroupRight::Database_InsertAccessRights(m_Rights);
}

} // namespace KeynodeApi
