#pragma once
#include "Accessories/TCUTCTime.h"
#include "JsonTypes/KnaJson_BaseFilter.h"
#include "JsonTypes/KnaJson_CrossIDArray.h"

namespace KeynodeApi {

// {"cardHolderFilter": {paging, "id", "accessGroupIDs", "cardIds", "validFrom", "validTo"}}; every
// criterion is optional.
class KnaJson_CardHolderFilter : public KnaJson_BaseFilter {
public:
    KnaJson_CardHolderFilter() { Clear(); }

    void Clear() override;
    using KnaJson_BaseFilter::Deserialize;
    void Deserialize(const rapidjson::Value& value) override;
    DB::TCDBWhere GetSelectWhere() const override;

protected:
    const char* GetWrappingMemberName() const override { return "cardHolderFilter"; }
    std::unique_ptr<DB::TCDBBasicTable> CreateMainTable() const override;

private:
    KnaJson_CrossID m_ID;
    KnaJson_CrossIDArray m_AccessGroupIDs;
    KnaJson_CrossIDArray m_CardIDs;
    Accessories::TCNullTypes<TCUTCTime> m_ValidFrom;
    Accessories::TCNullTypes<TCUTCTime> m_ValidTo;
};

} // namespace KeynodeApi
