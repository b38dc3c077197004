#include "JsonTypes/Access/KnaJson_CardHolderResult.h"

#include "JsonTypes/KnaJsonMembers.h"
#include "KnaException.h"

namespace KeynodeApi {

void KnaJson_CardHolderResult::SelectByCrossID(const KnaJson_CrossID& id) {
    if (id.IsIDNull() && id.IsExternalIDNull())
        throw KnaException(__FILE__, __LINE__, "!id.IsIDNull() || !id.IsExternalIDNull()")
            .FormatOverride("Card holder id is required");
    KnaJson_CardHolder holder(id, true);
    if (!holder.GetID().IsIDNull() || !holder.GetID().IsExternalIDNull())
        m_Records.push_back(std::move(holder));
}

bool KnaJson_CardHolderResult::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value = ToJsonArray(m_Records, allocator);
    return true;
}

void KnaJson_CardHolderResult::SerializeToDoc(rapidjson::Document& doc) const {
    AddWrappedMember(doc, "records", *this);
}

} // namespace KeynodeApi
