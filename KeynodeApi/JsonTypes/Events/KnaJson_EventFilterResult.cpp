#include "JsonTypes/Events/KnaJson_EventFilterResult.h"

#include <map>
#include <set>

#include "DB/Tables/EventTables.h"
#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

void KnaJson_EventFilterResult::Add(const KnaJson_Event& event) {
    Add(KnaJson_Event(event));
}

void KnaJson_EventFilterResult::Add(KnaJson_Event&& event) {
    if (!event.GetID().IsNull() && event.GetID().GetID() > m_HighestEventID)
        m_HighestEventID = event.GetID().GetID();
    m_Records.push_back(std::move(event));
}

bool KnaJson_EventFilterResult::AddPage(KnaJson_EventFilter& filter,
                                        const Accessories::TCRecordID& lowerBound) {
    DB::TCDBIterator rows;
    if (!filter.ApplyFilter_Select(rows, lowerBound)) return false;
    std::map<int64_t, size_t> positions;
    std::set<Accessories::TCRecordID> ids;
    for (; rows.IsNotEnd(); rows.Next()) {
        KnaJson_Event event(rows, false);
        positions[event.GetID().GetID()] = m_Records.size();
        ids.insert(event.GetID().GetRecordID());
        Add(std::move(event));
    }
    if (ids.empty()) return true;

    // One query for the page instead of one per event; the order keeps each event's details as written.
    Event::TCDBEventLogDetails details;
    for (DB::TCDBIterator row = details.Select("*", Table_EventLogDetails::EVENT_LINK.In(ids),
                                               DB::TCDBOrder(Table_EventLogDetails::EVENT_LINK) +
                                                   DB::TCDBOrder(Table_EventLogDetails::ID));
         row.IsNotEnd(); row.Next()) {
        const auto position = positions.find(row.Field(Table_EventLogDetails::EVENT_LINK).get_AsBigInt());
        if (position != positions.end()) m_Records[position->second].AddDetail(KnaJson_EventDetail(row));
    }
    return true;
}

void KnaJson_EventFilterResult::Clear() {
    m_Records.clear();
    set_Count(0);
    m_HighestEventID = 0;
}

void KnaJson_EventFilterResult::SerializeRecords(JsonAllocator& allocator, rapidjson::Value& records) const {
    records = ToJsonArray(m_Records, allocator);
}

void KnaJson_EventFilterResult::SerializeToDoc(rapidjson::Document& doc) const {
    rapidjson::Value value;
    SerializeToValue(doc.GetAllocator(), value);
    static_cast<rapidjson::Value&>(doc).Swap(value);
}

bool KnaJson_EventFilterResult::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    rapidjson::Value records;
    SerializeRecords(allocator, records);
    value.SetObject();
    value.AddMember("records", records, allocator);
    value.AddMember("count", rapidjson::Value(static_cast<int64_t>(get_Count())), allocator);
    return true;
}

} // namespace KeynodeApi
