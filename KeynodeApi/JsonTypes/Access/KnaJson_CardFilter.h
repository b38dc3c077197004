#pragma once
#include "JsonTypes/KnaJson_BaseFilter.h"
#include "JsonTypes/KnaJson_CrossIDArray.h"

namespace KeynodeApi {

// {"cardFilter": {paging, "id", "number", "accessGroupIDs", "isBlocked"}}; every criterion is optional.
// Cards of hidden types are included.
class KnaJson_CardFilter : public KnaJson_BaseFilter {
public:
    KnaJson_CardFilter() { Clear(); }

    void Clear() override;
    using KnaJson_BaseFilter::Deserialize;
    void Deserialize(const rapidjson::Value& value) override;
    DB::TCDBWhere GetSelectWhere() const override;

protected:
    const char* GetWrappingMemberName() const override { return "cardFilter"; }
    std::unique_ptr<DB::TCDBBasicTable> CreateMainTable() const override;

private:
    KnaJson_CrossID m_ID;
    Accessories::TCNullTypes<std::string> m_Number;
    KnaJson_CrossIDArray m_AccessGroupIDs;
    Accessories::TCNullTypes<bool> m_IsBlocked;
};

} // namespace KeynodeApi
