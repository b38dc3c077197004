#pragma once
// Event-log rows written directly, with every column under the test's control.
#include <cstdint>
#include <string>
#include <vector>

#include "Accessories/TCNullTypes.h"
#include "Accessories/TCRecordID.h"
#include "Accessories/TCUTCTime.h"

namespace ApiTest {

struct EventDetailRow {
    int Type = 0;
    Accessories::TCNullTypes<std::string> Value;
    Accessories::TCNullTypes<int> TableID;
    Accessories::TCRecordID OwnerID;
};

struct EventRow {
    int Type = 0;
    Accessories::TCRecordID Keynode;
    Accessories::TCNullTypes<TCUTCTime> EventTime;
    Accessories::TCNullTypes<TCUTCTime> ClearTime;
    Accessories::TCRecordID ClearedBy;
    std::vector<EventDetailRow> Details;
};

// Inserts the event and its details in one transaction; returns the event's ID.
int64_t AddEventRow(const EventRow& event);
// `count` events of `type`, each with three text details, in one transaction.
void AddEventRows(int count, int type);

} // namespace ApiTest
