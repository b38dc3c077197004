#pragma once
#include <set>
#include <vector>

#include "JsonTypes/KnaJson_BaseFilter.h"
#include "JsonTypes/KnaJson_IDArray.h"

namespace KeynodeApi {

// Selects event-log rows by ID range, time range, type, type tag and keynode. Also the stored form of the
// webhook's filter, whose deliveries add a lower bound: the last event delivered.
class KnaJson_EventFilter : public KnaJson_BaseFilter {
public:
    KnaJson_EventFilter() = default;
    KnaJson_EventFilter(const KnaJson_EventFilter&) = default;
    KnaJson_EventFilter& operator=(const KnaJson_EventFilter&) = default;

    void Clear() override;

    // {"eventFilter": {...}}
    void SerializeToDoc(rapidjson::Document& doc) const override;
    // The paging members, then only the criteria that are set.
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    using KnaJson_BaseFilter::Deserialize;
    void Deserialize(const rapidjson::Value& value) override;

    // The condition; `lowerBound` (ID above it) is ignored when "id", "greaterThenEventID" or
    // "lowerThenEventTime" is set.
    DB::TCDBWhere GetSelectWhere(const Accessories::TCRecordID& lowerBound) const;
    DB::TCDBWhere GetSelectWhere() const override { return GetSelectWhere(Accessories::TCRecordID()); }
    int64_t ApplyFilter_SelectCount(const Accessories::TCRecordID& lowerBound);
    int64_t ApplyFilter_SelectCount() override { return ApplyFilter_SelectCount(Accessories::TCRecordID()); }
    // The page in ascending event ID, so that a reader continuing after the highest ID misses nothing.
    bool ApplyFilter_Select(DB::TCDBIterator& iterator, const Accessories::TCRecordID& lowerBound);
    bool ApplyFilter_Select(DB::TCDBIterator& iterator) override {
        return ApplyFilter_Select(iterator, Accessories::TCRecordID());
    }

    // The event types linked to the filter's tags; `types` is emptied first.
    void GetEvenTypesFromTags(std::set<Accessories::TCRecordID>& types) const;

protected:
    const char* GetWrappingMemberName() const override { return "eventFilter"; }
    std::unique_ptr<DB::TCDBBasicTable> CreateMainTable() const override;

private:
    std::vector<int> m_EventTypes;
    KnaJson_ID m_GreaterThenEventID;
    KnaJson_ID m_LowerThenEventID;
    Accessories::TCNullTypes<TCUTCTime> m_GreaterThenEventTime;
    Accessories::TCNullTypes<TCUTCTime> m_LowerThenEventTime;
    KnaJson_ID m_ID;
    std::vector<int> m_EventTypeTags;
    KnaJson_IDArray m_Keynodes;
};

} // namespace KeynodeApi
