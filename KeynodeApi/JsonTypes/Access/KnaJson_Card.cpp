#include "JsonTypes/Access/KnaJson_Card.h"

#include <list>
#include <set>

#include "DB/Tables/AccessTables.h"
#include "JsonTypes/KnaJsonMembers.h"
#include "KnaException.h"
#include "Text/TCStringOptionBits.h"
#include "Json/TCJsonParsingException.h"

namespace KeynodeApi {

namespace {

const std::map<int, TCStringOptionBit>& CardOptionTable() {
    return TCStringOptionBits::get_Options(Access::CardOptions);
}

} // namespace

KnaJson_Card::KnaJson_Card(const KnaJson_CrossID& id, bool reload) {
    Clear();
    m_ID = id;
    if (reload) ReLoadFromDB();
}

void KnaJson_Card::Clear() {
    m_ID.Clear();
    m_CardHolderID.Clear();
    m_Number.SetNull();
    m_Links.clear();
    m_IsBlocked.SetNull();
    m_PinCode.SetNull();
    m_Options.clear();
    m_Info.SetNull();
    m_CardHolderSpecified = m_NumberSpecified = m_IsBlockedSpecified = m_PinCodeSpecified = false;
    m_OptionsSpecified = m_LinksSpecified = m_InfoSpecified = false;
}

void KnaJson_Card::Deserialize(const rapidjson::Document& doc) {
    Deserialize(static_cast<const rapidjson::Value&>(doc));
}

void KnaJson_Card::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);
    m_ID.Deserialize(GetRequiredNotNullMember(value, "id"));

    if (const rapidjson::Value* holder = FindOptionalMember(value, "cardHolderID")) {
        m_CardHolderSpecified = true;
        if (!holder->IsNull()) m_CardHolderID.Deserialize(*holder);
    }
    m_NumberSpecified = ReadOptionalMember(value, "number", m_Number);

    if (const rapidjson::Value* links = FindOptionalMember(value, "accessGroupLinks")) {
        m_LinksSpecified = true;
        if (!links->IsNull()) {
            AssertJsonArray(*links);
            for (const rapidjson::Value& link : links->GetArray())
                m_Links.emplace_back(link);
        }
    }
    m_IsBlockedSpecified = ReadOptionalMember(value, "isBlocked", m_IsBlocked);
    m_PinCodeSpecified = ReadOptionalMember(value, "pinCode", m_PinCode);

    const rapidjson::Value* options = FindOptionalMember(value, "options");
    if (options != nullptr && !options->IsNull()) DeserializeOptions(*options);
    m_InfoSpecified = ReadOptionalMember(value, "info", m_Info);
}

void KnaJson_Card::DeserializeOptions(const rapidjson::Value& options) {
    if (!options.IsArray())
        throw TCJson::TCJsonParsingException(__FILE__, __LINE__, "el.IsArray()")
            .FormatOverride("Expected JSON array");
    const auto& table = CardOptionTable();
    for (const rapidjson::Value& element : options.GetArray()) {
        const int option = element.GetInt();
        if (table.count(option) == 0)
            throw KnaParsingException(__FILE__, __LINE__, "options.count(option) > 0")
                .FormatOverride("Unsupported card option value:%d", option);
        m_Options.push_back(option);
    }
    m_OptionsSpecified = true;
}

bool KnaJson_Card::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value.SetObject();
    AddMemberValue(value, "id", m_ID, allocator);
    AddMemberValue(value, "cardHolderID", m_CardHolderID, allocator);
    value.AddMember("number", ToJsonValue(m_Number, allocator), allocator);
    value.AddMember("accessGroupLinks", ToJsonArray(m_Links, allocator), allocator);
    value.AddMember("isBlocked", ToJsonValue(m_IsBlocked, allocator), allocator);
    value.AddMember("pinCode", ToJsonValue(m_PinCode, allocator), allocator);
    rapidjson::Value options(rapidjson::kArrayType);
    for (int option : m_Options)
        options.PushBack(option, allocator);
    value.AddMember("options", options, allocator);
    value.AddMember("info", ToJsonValue(m_Info, allocator), allocator);
    return true;
}

void KnaJson_Card::SerializeToDoc(rapidjson::Document& doc) const {
    AddWrappedMember(doc, "card", *this);
}

bool KnaJson_Card::LoadFromIterator(DB::TCDBIterator& row) {
    Clear();
    if (row.IsEnd()) return false;
    m_ID = KnaJson_CrossID::FromRow(row);

    const DB::TCDBField holder = row.Field(Table_AccessCards::CARDHOLDER);
    if (!holder.IsNull()) {
        Access::TCDBAccessCardHolders holders;
        m_CardHolderID = KnaJson_CrossID::LoadReference(holders, holder.get_AsRecordID());
    }
    m_Number = row.Field(Table_AccessCards::CARDNO).get_AsString();
    m_IsBlocked = row.Field(Table_AccessCards::BLOCKED).get_AsInteger() != 0;
    m_PinCode = row.Field(Table_AccessCards::PINCODE).get_AsNullString();
    m_Info = row.Field(Table_AccessCards::INFO).get_AsNullString();

    const Accessories::TCNullTypes<std::string> options =
        row.Field(Table_AccessCards::OPTIONS).get_AsNullString();
    if (options.IsNotNull() && !options.get_Value().empty())
        for (const auto& [number, bit] : CardOptionTable())
            if (bit.IsSet(options.get_Value())) m_Options.push_back(number);

    // In the order the links were made.
    Access::TCDBAccessCardAccessGroupLinks links;
    for (DB::TCDBIterator link =
             links.Select("*", Table_AccessCardAccessGroupLinks::CARD_LINK == row.get_ID(),
                          DB::TCDBOrder(Table_AccessCardAccessGroupLinks::ID));
         link.IsNotEnd(); link.Next())
        m_Links.emplace_back(link);

    m_CardHolderSpecified = m_NumberSpecified = m_IsBlockedSpecified = m_PinCodeSpecified = true;
    m_OptionsSpecified = m_LinksSpecified = m_InfoSpecified = true;
    return true;
}

void KnaJson_Card::ReLoadFromDB() {
    DB::TCDBWhere where;
    Access::TCDBAccessCards cards;
    if (!m_ID.IsIDNull())
        where = Table_AccessCards::ID == m_ID.GetRecordID();
    else if (!m_ID.IsExternalIDNull())
        where = cards.CreateWhereExternalIDEqualsTo(m_ID.GetExternalID());
    if (where.IsEmpty()) {
        Clear();
        return;
    }
    cards.SetEnableSelectExternalID(true);
    DB::TCDBIterator row = cards.Select("*", where && Access::TCDBAccessCards::WhereIsNotHiddenType());
    LoadFromIterator(row);
}

Accessories::TCRecordID KnaJson_Card::AssertGetIDFromDB() const {
    if (m_ID.IsIDNull() && m_ID.IsExternalIDNull())
        throw KnaException(__FILE__, __LINE__, "!m_ID.IsIDNull() || !m_ID.IsExternalIDNull()")
            .FormatOverride("Card id is required");
    Access::TCDBAccessCards cards;
    return AssertSelectByID(cards, Table_AccessCards::ID, m_ID);
}

Accessories::TCRecordID KnaJson_Card::AssertGetDBCardHolderID() const {
    if (m_CardHolderID.IsIDNull() && m_CardHolderID.IsExternalIDNull())
        throw KnaException(__FILE__, __LINE__,
                           "!m_CardHolderID.IsIDNull() || !m_CardHolderID.IsExternalIDNull()")
            .FormatOverride("Card holder id is required");
    Access::TCDBAccessCardHolders holders;
    return AssertSelectByID(holders, Table_AccessCardHolders::ID, m_CardHolderID);
}

void KnaJson_Card::Database_AssertCardFields(const Accessories::TCRecordID& excludedID) const {
    if (m_Number.IsNull()) return;
    DB::TCDBWhere where = Table_AccessCards::CARDNO == m_Number.get_Value();
    if (excludedID.IsNotNull()) where = where && Table_AccessCards::ID != excludedID;
    if (Access::TCDBAccessCards().SelectCount("*", where) > 0)
        throw KnaException(__FILE__, __LINE__, "count == 0")
            .FormatOverride("Specified card number is already in use");
}

void KnaJson_Card::Database_Insert() {
    if (m_Number.IsNull())
        throw KnaException(__FILE__, __LINE__, "!m_Number.IsNull()")
            .FormatOverride("Card number is required");
    const Accessories::TCRecordID holderID = AssertGetDBCardHolderID();

    Access::TCDBAccessCards cards;
    DB::TCDBAutoObject row;
    CreateRecordObject(cards, row, m_ID);
    row.Field(Table_AccessCards::CARDHOLDER).set_AsRecordID(holderID);
    Database_AssertCardFields(Accessories::TCRecordID());
    row.Field(Table_AccessCards::CARDNO).set_AsString(m_Number.get_Value());
    row.Field(Table_AccessCards::BLOCKED).set_AsBool(m_IsBlocked.get_Value(false));
    if (m_PinCodeSpecified) row.Field(Table_AccessCards::PINCODE).set_AsNullString(m_PinCode);
    if (m_InfoSpecified) row.Field(Table_AccessCards::INFO).set_AsNullString(m_Info);
    row.Field(Table_AccessCards::TYPE).set_AsInteger(0);
    if (m_OptionsSpecified) row.Field(Table_AccessCards::OPTIONS).set_AsNullString(GetOptionsString());
    row.Save(false);

    // The database chose the ID; an ID given in the request plays no part.
    m_ID =
        KnaJson_CrossID(row.Field(Table_AccessCards::ID).get_AsRecordID().get_ID(), m_ID.GetNullExternalID());
    if (m_LinksSpecified && !m_Links.empty()) MakeLinksToAccessGroups();
    ReLoadFromDB();
}

void KnaJson_Card::Database_Update() {
    const Accessories::TCRecordID id = AssertGetIDFromDB();
    Access::TCDBAccessCards cards;
    DB::TCDBIterator row = cards.SelectPrimary(id);
    // A card cannot lose its holder: an absent or null holder leaves it as it is.
    if (!m_CardHolderID.IsIDNull() || !m_CardHolderID.IsExternalIDNull())
        row.Field(Table_AccessCards::CARDHOLDER).set_AsRecordID(AssertGetDBCardHolderID());
    if (m_NumberSpecified) {
        if (m_Number.IsNull())
            throw KnaException(__FILE__, __LINE__, "!m_Number.IsNull()")
                .FormatOverride("Card number can't be null");
        Database_AssertCardFields(id);
        row.Field(Table_AccessCards::CARDNO).set_AsString(m_Number.get_Value());
    }
    if (m_IsBlockedSpecified && m_IsBlocked.IsNotNull())
        row.Field(Table_AccessCards::BLOCKED).set_AsBool(m_IsBlocked.get_Value());
    if (m_PinCodeSpecified) row.Field(Table_AccessCards::PINCODE).set_AsNullString(m_PinCode);
    if (m_InfoSpecified) row.Field(Table_AccessCards::INFO).set_AsNullString(m_Info);
    if (m_OptionsSpecified) row.Field(Table_AccessCards::OPTIONS).set_AsNullString(GetOptionsString());
    row.Save(false);

    m_ID = KnaJson_CrossID(id.get_ID(), m_ID.GetNullExternalID());
    if (m_LinksSpecified) MakeLinksToAccessGroups();
    ReLoadFromDB();
}

void KnaJson_Card::Database_Delete() {
    Access::TCDBAccessCards cards;
    cards.DeleteByID(AssertSelectByID(cards, Table_AccessCards::ID, m_ID));
}

void KnaJson_Card::MakeLinksToAccessGroups() {
    if (m_ID.IsIDNull())
        throw KnaException(__FILE__, __LINE__, "!m_ID.IsIDNull()")
            .FormatOverride("Can't make access group links when card id is null");
    Access::TCDBAccessGroups groups;
    std::set<Accessories::TCRecordID> seen;
    std::list<Access::TCDBAccessCardAccessGroupLinks::TCAccGroupLinkDetail> details;
    for (const KnaJson_CardAccessGroupLink& link : m_Links) {
        const Accessories::TCRecordID groupID =
            AssertSelectByID(groups, Table_AccessGroups::ID, link.GetAccessGroupID());
        if (!seen.insert(groupID).second)
            throw KnaException(__FILE__, __LINE__, "seen.insert(groupID).second")
                .FormatOverride("Duplicated links to access group not allowed");
        details.push_back({groupID, link.GetValidFrom(), link.GetValidTo()});
    }
    Access::TCDBAccessCardAccessGroupLinks().SetByCard(m_ID.GetRecordID(), details, true);
}

Accessories::TCNullTypes<std::string> KnaJson_Card::GetOptionsString() const {
    const auto& table = CardOptionTable();
    TCStringOptionBits bits;
    for (int option : m_Options) {
        const auto bit = table.find(option);
        if (bit != table.end()) bits.SetOption(bit->second);
    }
    return bits.get_AsNullString();
}

} // namespace KeynodeApi
