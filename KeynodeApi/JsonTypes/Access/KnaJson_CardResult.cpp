#include "JsonTypes/Access/KnaJson_CardResult.h"

#include "DB/Tables/AccessTables.h"
#include "JsonTypes/KnaJsonMembers.h"
#include "KnaException.h"

namespace KeynodeApi {

void KnaJson_CardResult::SelectByCrossID(const KnaJson_CrossID& id) {
    if (id.IsIDNull() && id.IsExternalIDNull())
        throw KnaException(__FILE__, __LINE__, "!id.IsIDNull() || !id.IsExternalIDNull()")
            .FormatOverride("Card id is required");
    KnaJson_Card card(id, true);
    if (!card.GetID().IsIDNull() || !card.GetID().IsExternalIDNull()) m_Records.push_back(std::move(card));
}

void KnaJson_CardResult::SelectByCardNumber(const std::string& number) {
    if (number.empty())
        throw KnaException(__FILE__, __LINE__, "!number.empty()").FormatOverride("Card number is required");
    Access::TCDBAccessCards cards;
    cards.SetEnableSelectExternalID(true);
    for (DB::TCDBIterator rows = cards.Select("*", Table_AccessCards::CARDNO == number &&
                                                       Access::TCDBAccessCards::WhereIsNotHiddenType());
         rows.IsNotEnd(); rows.Next())
        AddRow(rows);
}

bool KnaJson_CardResult::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value = ToJsonArray(m_Records, allocator);
    return true;
}

void KnaJson_CardResult::SerializeToDoc(rapidjson::Document& doc) const {
    AddWrappedMember(doc, "records", *this);
}

} // namespace KeynodeApi
