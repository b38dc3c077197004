#include "JsonTypes/Access/KnaJson_CardHolder.h"

#include "DB/Tables/AccessTables.h"
#include "JsonTypes/KnaJsonMembers.h"
#include "KnaException.h"

namespace KeynodeApi {

KnaJson_CardHolder::KnaJson_CardHolder(const KnaJson_CrossID& id, bool reload) {
    Clear();
    m_ID = id;
    if (reload) ReLoadFromDB();
}

void KnaJson_CardHolder::Clear() {
    m_ID.Clear();
    m_FirstName.SetNull();
    m_MiddleName.SetNull();
    m_LastName.SetNull();
    m_Info.SetNull();
    m_Cards.Clear();
    m_CardsGiven = false;
    m_Company.SetNull();
    m_ValidFrom.SetNull();
    m_ValidTo.SetNull();
    m_FirstNameSpecified = m_MiddleNameSpecified = m_LastNameSpecified = m_InfoSpecified = false;
    m_CompanySpecified = m_ValidFromSpecified = m_ValidToSpecified = false;
}

void KnaJson_CardHolder::Deserialize(const rapidjson::Document& doc) {
    Deserialize(static_cast<const rapidjson::Value&>(doc));
}

void KnaJson_CardHolder::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);
    m_ID.Deserialize(GetRequiredNotNullMember(value, "id"));
    m_FirstNameSpecified = ReadOptionalMember(value, "firstName", m_FirstName);
    m_LastNameSpecified = ReadOptionalMember(value, "lastName", m_LastName);
    m_MiddleNameSpecified = ReadOptionalMember(value, "middleName", m_MiddleName);
    m_InfoSpecified = ReadOptionalMember(value, "info", m_Info);
    m_CompanySpecified = ReadOptionalMember(value, "company", m_Company);
    m_ValidFromSpecified = ReadOptionalMember(value, "validFrom", m_ValidFrom);
    m_ValidToSpecified = ReadOptionalMember(value, "validTo", m_ValidTo);
    if (const rapidjson::Value* cards = FindOptionalMember(value, "cardIDs")) {
        m_CardsGiven = true;
        if (!cards->IsNull()) m_Cards.Deserialize(*cards);
    }
}

bool KnaJson_CardHolder::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value.SetObject();
    AddMemberValue(value, "id", m_ID, allocator);
    value.AddMember("firstName", ToJsonValue(m_FirstName, allocator), allocator);
    value.AddMember("lastName", ToJsonValue(m_LastName, allocator), allocator);
    value.AddMember("middleName", ToJsonValue(m_MiddleName, allocator), allocator);
    value.AddMember("info", ToJsonValue(m_Info, allocator), allocator);
    value.AddMember("company", ToJsonValue(m_Company, allocator), allocator);
    value.AddMember("validFrom", ToJsonValue(m_ValidFrom, allocator), allocator);
    value.AddMember("validTo", ToJsonValue(m_ValidTo, allocator), allocator);
    AddMemberValue(value, "cardIDs", m_Cards, allocator);
    return true;
}

void KnaJson_CardHolder::SerializeToDoc(rapidjson::Document& doc) const {
    AddWrappedMember(doc, "cardHolder", *this);
}

bool KnaJson_CardHolder::LoadFromIterator(DB::TCDBIterator& row) {
    Clear();
    if (row.IsEnd()) return false;
    m_ID = KnaJson_CrossID::FromRow(row);
    m_FirstName = row.Field(Table_AccessCardHolders::FIRSTNAME).get_AsString();
    m_LastName = row.Field(Table_AccessCardHolders::LASTNAME).get_AsString();
    m_MiddleName = row.Field(Table_AccessCardHolders::MIDDLENAME).get_AsNullString();
    m_Info = row.Field(Table_AccessCardHolders::INFO).get_AsNullString();
    m_Company = row.Field(Table_AccessCardHolders::COMPANYNAME).get_AsNullString();
    m_ValidFrom = row.Field(Table_AccessCardHolders::VALID_FROM).get_AsNullDateTime();
    m_ValidTo = row.Field(Table_AccessCardHolders::VALID_TO).get_AsNullDateTime();
    LoadCards(row.get_ID());
    return true;
}

void KnaJson_CardHolder::ReLoadFromDB() {
    Access::TCDBAccessCardHolders holders;
    holders.SetEnableSelectExternalID(true);
    DB::TCDBIterator row;
    if (!m_ID.IsIDNull())
        row = holders.SelectPrimary(m_ID.GetRecordID());
    else if (!m_ID.IsExternalIDNull())
        row = holders.Select("*", holders.CreateWhereExternalIDEqualsTo(m_ID.GetExternalID()));
    LoadFromIterator(row);
}

void KnaJson_CardHolder::LoadCards(const Accessories::TCRecordID& holderID) {
    m_Cards.Clear();
    Access::TCDBAccessCards cards;
    cards.SetEnableSelectExternalID(true);
    for (DB::TCDBIterator card = cards.Select("*", Table_AccessCards::CARDHOLDER.IsNotNull() &&
                                                       Table_AccessCards::CARDHOLDER == holderID);
         card.IsNotEnd(); card.Next())
        m_Cards.AddID(KnaJson_CrossID::FromRow(card));
}

void KnaJson_CardHolder::LoadCards() {
    if (m_ID.IsIDNull() && m_ID.IsExternalIDNull()) return;
    LoadCards(AssertGetIDFromDB());
}

Accessories::TCRecordID KnaJson_CardHolder::AssertGetIDFromDB() const {
    if (m_ID.IsIDNull() && m_ID.IsExternalIDNull())
        throw KnaException(__FILE__, __LINE__, "!m_ID.IsIDNull() || !m_ID.IsExternalIDNull()")
            .FormatOverride("Card holder id is required");
    Access::TCDBAccessCardHolders holders;
    return AssertSelectByID(holders, Table_AccessCardHolders::ID, m_ID);
}

std::set<Accessories::TCRecordID> KnaJson_CardHolder::AssertGetDBCardIDsFromIDsArray() const {
    std::set<Accessories::TCRecordID> ids;
    if (!m_CardsGiven) return ids;
    Access::TCDBAccessCards cards;
    for (const KnaJson_CrossID& card : m_Cards.GetIDs())
        ids.insert(AssertSelectByID(cards, Table_AccessCards::ID, card));
    return ids;
}

void KnaJson_CardHolder::MakeLinksToCards(const std::set<Accessories::TCRecordID>& cardIDs) const {
    if (m_ID.IsIDNull() || cardIDs.empty()) return;
    Access::TCDBAccessCards cards;
    for (DB::TCDBIterator card = cards.Select("*", Table_AccessCards::ID.In(cardIDs)); card.IsNotEnd();
         card.Next()) {
        card.Field(Table_AccessCards::CARDHOLDER).set_AsRecordID(m_ID.GetRecordID());
        card.Save(false);
    }
}

void KnaJson_CardHolder::Database_Insert() {
    Access::TCDBAccessCardHolders holders;
    DB::TCDBAutoObject row;
    CreateRecordObject(holders, row, m_ID);
    if (m_FirstName.IsNull())
        throw KnaException(__FILE__, __LINE__, "!m_FirstName.IsNull()")
            .FormatOverride("First name is required");
    row.Field(Table_AccessCardHolders::FIRSTNAME).set_AsString(m_FirstName.get_Value());
    row.Field(Table_AccessCardHolders::MIDDLENAME).set_AsNullString(m_MiddleName);
    row.Field(Table_AccessCardHolders::LASTNAME).set_AsString(m_LastName.get_Value(std::string()));
    row.Field(Table_AccessCardHolders::INFO).set_AsNullString(m_Info);
    row.Field(Table_AccessCardHolders::COMPANYNAME).set_AsNullString(m_Company);
    row.Field(Table_AccessCardHolders::VALID_FROM).set_AsNullDateTime(m_ValidFrom);
    row.Field(Table_AccessCardHolders::VALID_TO).set_AsNullDateTime(m_ValidTo);
    row.Field(Table_AccessCardHolders::TYPE).set_AsInteger(0);
    row.Save(false);

    // The database chose the ID; an ID given in the request plays no part.
    m_ID = KnaJson_CrossID(row.Field(Table_AccessCardHolders::ID).get_AsRecordID().get_ID(),
                           m_ID.GetNullExternalID());
    // The reload also reads the card list back.
    if (m_CardsGiven && !m_Cards.GetIDs().empty()) MakeLinksToCards(AssertGetDBCardIDsFromIDsArray());
    ReLoadFromDB();
}

void KnaJson_CardHolder::Database_Update() {
    const Accessories::TCRecordID id = AssertGetIDFromDB();
    Access::TCDBAccessCardHolders holders;
    DB::TCDBIterator row = holders.SelectPrimary(id);
    if (m_FirstNameSpecified) {
        if (m_FirstName.IsNull())
            throw KnaException(__FILE__, __LINE__, "!m_FirstName.IsNull()")
                .FormatOverride("First name can't be null");
        row.Field(Table_AccessCardHolders::FIRSTNAME).set_AsString(m_FirstName.get_Value());
    }
    if (m_MiddleNameSpecified) row.Field(Table_AccessCardHolders::MIDDLENAME).set_AsNullString(m_MiddleName);
    if (m_LastNameSpecified)
        row.Field(Table_AccessCardHolders::LASTNAME).set_AsString(m_LastName.get_Value(std::string()));
    if (m_InfoSpecified) row.Field(Table_AccessCardHolders::INFO).set_AsNullString(m_Info);
    if (m_CompanySpecified) row.Field(Table_AccessCardHolders::COMPANYNAME).set_AsNullString(m_Company);
    if (m_ValidFromSpecified) row.Field(Table_AccessCardHolders::VALID_FROM).set_AsNullDateTime(m_ValidFrom);
    if (m_ValidToSpecified) row.Field(Table_AccessCardHolders::VALID_TO).set_AsNullDateTime(m_ValidTo);
    row.Save(false);

    m_ID = KnaJson_CrossID(id.get_ID(), m_ID.GetNullExternalID());
    if (m_CardsGiven) {
        const std::set<Accessories::TCRecordID> keep = AssertGetDBCardIDsFromIDsArray();
        // The holder's cards that are not listed are deleted, not merely unlinked.
        DB::TCDBWhere unlisted =
            Table_AccessCards::CARDHOLDER.IsNotNull() && Table_AccessCards::CARDHOLDER == id;
        if (!keep.empty()) unlisted = unlisted && Table_AccessCards::ID.NotIn(keep);
        Access::TCDBAccessCards().DeleteWhere(unlisted);
        MakeLinksToCards(keep);
    }
    ReLoadFromDB();
}

void KnaJson_CardHolder::Database_Delete() {
    Access::TCDBAccessCardHolders holders;
    holders.DeleteByID(AssertSelectByID(holders, Table_AccessCardHolders::ID, m_ID));
}

} // namespace KeynodeApi
