#pragma once
#include "JsonTypes/KnaJson_BaseFilter.h"
#include "JsonTypes/KnaJson_IDArray.h"

namespace KeynodeApi {

// {"doorFilter": {paging, "ids", "keynodeIDs", "includeAccessRights"}}; every criterion is optional.
class KnaJson_DoorFilter : public KnaJson_BaseFilter {
public:
    KnaJson_DoorFilter() { Clear(); }

    void Clear() override;
    using KnaJson_BaseFilter::Deserialize;
    void Deserialize(const rapidjson::Value& value) override;
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    void SerializeToDoc(rapidjson::Document& doc) const override;
    DB::TCDBWhere GetSelectWhere() const override;

    bool IsIncludeAccessRights() const {
        return m_IncludeAccessRights.IsNotNull() && m_IncludeAccessRights.get_Value();
    }

protected:
    const char* GetWrappingMemberName() const override { return "doorFilter"; }
    std::unique_ptr<DB::TCDBBasicTable> CreateMainTable() const override;

private:
    KnaJson_IDArray m_IDs;
    KnaJson_IDArray m_KeynodeIDs;
    Accessories::TCNullTypes<bool> m_IncludeAccessRights;
};

} // namespace KeynodeApi
