#pragma once
#include <vector>

#include "JsonTypes/Events/KnaJson_Event.h"
#include "JsonTypes/Events/KnaJson_EventFilter.h"
#include "JsonTypes/KnaJson_BaseFilterResult.h"

namespace KeynodeApi {

// The answer of the event filter and the body of a webhook delivery: {"records": [...], "count": N},
// records first. Also keeps the highest event ID added, which a delivery stores as its progress.
class KnaJson_EventFilterResult : public KnaJson_BaseFilterResult {
public:
    KnaJson_EventFilterResult() { Clear(); }

    void Add(const KnaJson_Event& event);
    void Add(KnaJson_Event&& event);
    // The current event-log row with its details.
    void AddRow(DB::TCDBIterator& row) { Add(KnaJson_Event(row, true)); }
    // The filter's page after `lowerBound`, each event with its details; the details of the whole page are
    // read in one query. Returns whether anything was selected.
    bool AddPage(KnaJson_EventFilter& filter, const Accessories::TCRecordID& lowerBound);
    void Clear() override;

    const std::vector<KnaJson_Event>& GetRecords() const { return m_Records; }
    long long GetHighestEventID() const { return m_HighestEventID; }

    void SerializeRecords(JsonAllocator& allocator, rapidjson::Value& records) const override;
    void SerializeToDoc(rapidjson::Document& doc) const override;
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;

private:
    std::vector<KnaJson_Event> m_Records;
    long long m_HighestEventID = 0;
};

} // namespace KeynodeApi
