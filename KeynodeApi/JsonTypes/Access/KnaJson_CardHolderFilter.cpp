#include "JsonTypes/Access/KnaJson_CardHolderFilter.h"

#include "DB/Tables/AccessTables.h"
#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

void KnaJson_CardHolderFilter::Clear() {
    KnaJson_BaseFilter::Clear();
    m_ID.Clear();
    m_AccessGroupIDs.Clear();
    m_CardIDs.Clear();
    m_ValidFrom.SetNull();
    m_ValidTo.SetNull();
}

void KnaJson_CardHolderFilter::Deserialize(const rapidjson::Value& value) {
    Clear();
    KnaJson_BaseFilter::Deserialize(value);
    ReadOptionalObject(value, "id", m_ID);
    ReadOptionalObject(value, "accessGroupIDs", m_AccessGroupIDs);
    ReadOptionalObject(value, "cardIds", m_CardIDs);
    ReadOptionalMember(value, "validFrom", m_ValidFrom);
    ReadOptionalMember(value, "validTo", m_ValidTo);
}

DB::TCDBWhere KnaJson_CardHolderFilter::GetSelectWhere() const {
    DB::TCDBWhere where = Table_AccessCardHolders::ID.IsNotNull();
    if (!m_ID.IsIDNull()) return where && Table_AccessCardHolders::ID == m_ID.GetRecordID();

    // An unset bound of the holder counts as unbounded, so it matches either bound of the filter.
    const auto& validFrom = Table_AccessCardHolders::VALID_FROM;
    if (m_ValidFrom.IsNotNull())
        where = where && DB::Brackets(validFrom.IsNull() ||
                                      (validFrom.IsNotNull() && validFrom >= m_ValidFrom.get_Value()));
    const auto& validTo = Table_AccessCardHolders::VALID_TO;
    if (m_ValidTo.IsNotNull())
        where = where &&
                DB::Brackets(validTo.IsNull() || (validTo.IsNotNull() && validTo <= m_ValidTo.get_Value()));

    Access::TCDBAccessCards cards;
    const std::set<Accessories::TCRecordID> groups = m_AccessGroupIDs.GetNumericIDs();
    if (!groups.empty()) {
        const DB::TCDBSubSelect linkedCards = Access::TCDBAccessCardAccessGroupLinks().GetSelect(
            Table_AccessCardAccessGroupLinks::CARD_LINK,
            Table_AccessCardAccessGroupLinks::ACCESS_GROUP_LINK.In(groups));
        where = where && Table_AccessCardHolders::ID.In(cards.GetSelect(
                             Table_AccessCards::CARDHOLDER, Table_AccessCards::ID.In(linkedCards)));
    }
    const std::set<Accessories::TCRecordID> listedCards = m_CardIDs.GetNumericIDs();
    if (!listedCards.empty())
        where = where && Table_AccessCardHolders::ID.In(cards.GetSelect(
                             Table_AccessCards::CARDHOLDER, Table_AccessCards::ID.In(listedCards)));
    return where;
}

std::unique_ptr<DB::TCDBBasicTable> KnaJson_CardHolderFilter::CreateMainTable() const {
    return std::make_unique<Access::TCDBAccessCardHolders>();
}

} // namespace KeynodeApi
