#pragma once
#include <cstdint>
#include <memory>

#include "Accessories/TCNullTypes.h"
#include "DB/TCDBWhere.h"
#include "JsonTypes/KnaJson_BaseType.h"

namespace DB {
class TCDBBasicTable;
class TCDBIterator;
} // namespace DB

namespace KeynodeApi {

// Paging of every filter request ("skipCount", "limitCount", "doNotFetchData") and the count-then-page
// selection on the filter's main table. A concrete filter names its wrapping member and main table,
// clears and reads its own criteria and turns them into one condition.
class KnaJson_BaseFilter : public KnaJson_BaseType {
public:
    static constexpr uint64_t DEFAULT_SKIP = 0;
    static constexpr int MAX_SELECT_COUNT = 1000;

    // Back to the defaults; concrete filters also clear their criteria.
    virtual void Clear();

    uint64_t get_SkipCount() const { return m_SkipCount; }
    uint32_t get_LimitCount() const { return m_LimitCount; }
    const Accessories::TCNullTypes<bool>& get_DoNotFetchData() const { return m_DoNotFetchData; }
    bool IsDoNotFetchData() const { return m_DoNotFetchData.IsNotNull() && m_DoNotFetchData.get_Value(); }

    // The filter object under its wrapping member ("Expected %s member" when absent).
    void Deserialize(const rapidjson::Document& doc) override;
    // The paging members only; concrete filters call it after Clear() and before their own members.
    void Deserialize(const rapidjson::Value& value) override;
    // "skipCount", "limitCount", then "doNotFetchData" when set.
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;

    // The condition of the filter's criteria on its main table.
    virtual DB::TCDBWhere GetSelectWhere() const = 0;
    // The number of rows matching the criteria, whatever the paging.
    virtual int64_t ApplyFilter_SelectCount();
    // The requested page (external IDs selected); false when nothing was selected.
    virtual bool ApplyFilter_Select(DB::TCDBIterator& iterator);

protected:
    // The member that wraps the filter in a request document, e.g. "cardFilter".
    virtual const char* GetWrappingMemberName() const = 0;
    // A new table object of the filter's main table.
    virtual std::unique_ptr<DB::TCDBBasicTable> CreateMainTable() const = 0;

private:
    uint64_t m_SkipCount = DEFAULT_SKIP;
    uint32_t m_LimitCount = MAX_SELECT_COUNT;
    Accessories::TCNullTypes<bool> m_DoNotFetchData;
};

} // namespace KeynodeApi
