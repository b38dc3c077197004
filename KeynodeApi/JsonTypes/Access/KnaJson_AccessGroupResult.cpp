#include "JsonTypes/Access/KnaJson_AccessGroupResult.h"

#include "DB/Tables/AccessTables.h"
#include "JsonTypes/KnaJsonMembers.h"
#include "KnaException.h"

namespace KeynodeApi {

void KnaJson_AccessGroupResult::SelectByCrossID(const KnaJson_CrossID& id) {
    if (id.IsIDNull() && id.IsExternalIDNull())
        throw KnaException(__FILE__, __LINE__, "!id.IsIDNull() || !id.IsExternalIDNull()")
            .FormatOverride("Access group id is required");
    KnaJson_AccessGroup group(id, true);
    const KnaJson_CrossID& found = group.GetID();
    if (!found.IsIDNull() || !found.IsExternalIDNull()) m_Records.push_back(std::move(group));
}

void KnaJson_AccessGroupResult::SelectByName(const std::string& name) {
    Access::TCDBAccessGroups groups;
    groups.SetEnableSelectExternalID(true);
    DB::TCDBIterator rows = groups.Select(
        "*", Table_AccessGroups::NAME.IsNotNull() && Table_AccessGroups::NAME == name, DB::TCDBOrder());
    AddAll(rows);
}

void KnaJson_AccessGroupResult::SelectAll() {
    Access::TCDBAccessGroups groups;
    groups.SetEnableSelectExternalID(true);
    DB::TCDBIterator rows = groups.SelectAll();
    AddAll(rows);
}

void KnaJson_AccessGroupResult::AddAll(DB::TCDBIterator& rows) {
    for (; rows.IsNotEnd(); rows.Next())
        m_Records.emplace_back(rows);
}

bool KnaJson_AccessGroupResult::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value = ToJsonArray(m_Records, allocator);
    return true;
}

void KnaJson_AccessGroupResult::SerializeToDoc(rapidjson::Document& doc) const {
    AddWrappedMember(doc, "records", *this);
}

} // namespace KeynodeApi
