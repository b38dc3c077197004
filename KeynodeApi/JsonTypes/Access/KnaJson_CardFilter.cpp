#include "JsonTypes/Access/KnaJson_CardFilter.h"

#include "DB/Tables/AccessTables.h"
#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

void KnaJson_CardFilter::Clear() {
    KnaJson_BaseFilter::Clear();
    m_ID.Clear();
    m_Number.SetNull();
    m_AccessGroupIDs.Clear();
    m_IsBlocked.SetNull();
}

void KnaJson_CardFilter::Deserialize(const rapidjson::Value& value) {
    Clear();
    KnaJson_BaseFilter::Deserialize(value);
    ReadOptionalObject(value, "id", m_ID);
    ReadOptionalMember(value, "number", m_Number);
    ReadOptionalObject(value, "accessGroupIDs", m_AccessGroupIDs);
    ReadOptionalMember(value, "isBlocked", m_IsBlocked);
}

DB::TCDBWhere KnaJson_CardFilter::GetSelectWhere() const {
    DB::TCDBWhere where = Table_AccessCards::ID.IsNotNull();
    // A card named by its ID is the answer whatever the other criteria say.
    if (!m_ID.IsIDNull()) return where && Table_AccessCards::ID == m_ID.GetRecordID();
    if (m_Number.IsNotNull()) where = where && Table_AccessCards::CARDNO == m_Number.get_Value();
    if (m_IsBlocked.IsNotNull()) where = where && Table_AccessCards::BLOCKED == m_IsBlocked.get_Value();

    const std::set<Accessories::TCRecordID> groups = m_AccessGroupIDs.GetNumericIDs();
    if (!groups.empty()) {
        const DB::TCDBSubSelect linkedCards = Access::TCDBAccessCardAccessGroupLinks().GetSelect(
            Table_AccessCardAccessGroupLinks::CARD_LINK,
            Table_AccessCardAccessGroupLinks::ACCESS_GROUP_LINK.In(groups));
        where = where && DB::Brackets(Table_AccessCards::ID.In(linkedCards));
    }
    return where;
}

std::unique_ptr<DB::TCDBBasicTable> KnaJson_CardFilter::CreateMainTable() const {
    return std::make_unique<Access::TCDBAccessCards>();
}

} // namespace KeynodeApi
