#include "Event/TCEventReader.h"

#include "DB/Tables/EventTables.h"

namespace Event {

std::vector<TCEventRecord> ReadEvents(int64_t afterID, int maxCount) {
    std::vector<TCEventRecord> events;
    if (maxCount <= 0) return events;

    TCDBEventLog log;
    DB::TCDBIterator rows = log.SelectTop("*", maxCount, Table_EventLog::ID > static_cast<long long>(afterID),
                                          DB::TCDBOrder(Table_EventLog::ID));
    for (; rows.IsNotEnd(); rows.Next()) {
        TCEventRecord event;
        event.ID = rows.Field(Table_EventLog::ID).get_AsBigInt();
        event.Type = rows.Field(Table_EventLog::TYPE_LINK).get_AsInteger();
        event.Keynode = rows.Field(Table_EventLog::KEYNODE).get_AsRecordID();
        event.EventTime = rows.Field(Table_EventLog::EVENT_TIME).get_AsNullDateTime();
        event.ClearTime = rows.Field(Table_EventLog::CLEAR_TIME).get_AsNullDateTime();
        event.ClearedBy = rows.Field(Table_EventLog::CLEARED_BY).get_AsRecordID();
        events.push_back(std::move(event));
    }

    TCDBEventLogDetails detailTable;
    for (TCEventRecord& event : events) {
        DB::TCDBIterator details =
            detailTable.Select("*", Table_EventLogDetails::EVENT_LINK == static_cast<long long>(event.ID),
                               DB::TCDBOrder(Table_EventLogDetails::ID));
        for (; details.IsNotEnd(); details.Next()) {
            TCEventDetailRecord detail;
            detail.ID = details.Field(Table_EventLogDetails::ID).get_AsBigInt();
            detail.Type = details.Field(Table_EventLogDetails::TYPE_LINK).get_AsInteger();
            detail.Value = details.Field(Table_EventLogDetails::VALUE).get_AsNullString();
            detail.TableID = details.Field(Table_EventLogDetails::TABLE_ID).get_AsNullInt();
            detail.OwnerID = details.Field(Table_EventLogDetails::OWNER_ID).get_AsRecordID();
            event.Details.push_back(std::move(detail));
        }
    }
    return events;
}

} // namespace Event
