#include "Event/TCClientEvent.h"

#include <cstdio>
#include <exception>

#include "Accessories/TCUTCTime.h"
#include "DB/TCDBTransaction.h"
#include "DB/Tables/EventTables.h"

namespace Event {

TCClientEvent::TCClientEvent(int eventTypeID) : m_TypeID(eventTypeID) {}

TCClientEvent::~TCClientEvent() {
    if (m_WrittenID.IsNotNull()) return;
    try {
        Write();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "event log: event of type %d not written: %s\n", m_TypeID, e.what());
    } catch (...) {
        std::fprintf(stderr, "event log: event of type %d not written: unknown error\n", m_TypeID);
    }
}

TCClientEvent& TCClientEvent::operator<<(const TCClientEventDetails& detail) {
    m_Details.push_back(detail);
    return *this;
}

Accessories::TCRecordID TCClientEvent::Write() {
    if (m_WrittenID.IsNotNull()) return m_WrittenID;

    DB::TCDBTransaction transaction(-1);
    transaction.Begin(1, false);

    TCDBEventLog log;
    DB::TCDBAutoObject event;
    log.CreateObject(event);
    event.Field(Table_EventLog::TYPE_LINK).set_AsInteger(m_TypeID);
    event.Field(Table_EventLog::KEYNODE).set_AsRecordID(m_Keynode);
    event.Field(Table_EventLog::EVENT_TIME).set_AsDateTime(TCUTCTime::Now());
    event.Save();
    const Accessories::TCRecordID eventID = event.Field(Table_EventLog::ID).get_AsRecordID();

    // Inserted in the order added, so ascending detail IDs give that order back.
    TCDBEventLogDetails details;
    for (const TCClientEventDetails& detail : m_Details) {
        DB::TCDBAutoObject row;
        details.CreateObject(row);
        row.Field(Table_EventLogDetails::EVENT_LINK).set_AsRecordID(eventID);
        row.Field(Table_EventLogDetails::TYPE_LINK).set_AsInteger(detail.get_DetailID());
        row.Field(Table_EventLogDetails::VALUE).set_AsNullString(detail.get_Value());
        row.Field(Table_EventLogDetails::TABLE_ID).set_AsNullInt(detail.get_TableID());
        row.Field(Table_EventLogDetails::OWNER_ID).set_AsRecordID(detail.get_OwnerID());
        row.Save();
    }

    transaction.Commit();
    m_WrittenID = eventID;
    return eventID;
}

} // namespace Event
