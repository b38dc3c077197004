#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "Accessories/TCNullTypes.h"
#include "Accessories/TCRecordID.h"
#include "Accessories/TCUTCTime.h"

#pragma GCC visibility push(default)

namespace Event {

struct TCEventDetailRecord {
    int64_t ID = 0;
    int Type = 0;
    Accessories::TCNullTypes<std::string> Value;
    Accessories::TCNullTypes<int> TableID;
    Accessories::TCRecordID OwnerID;
};

struct TCEventRecord {
    int64_t ID = 0;
    int Type = 0;
    Accessories::TCRecordID Keynode;
    Accessories::TCNullTypes<TCUTCTime> EventTime;
    Accessories::TCNullTypes<TCUTCTime> ClearTime;
    Accessories::TCRecordID ClearedBy;
    std::vector<TCEventDetailRecord> Details; // in the order they were written
};

// Up to maxCount events with an ID above afterID, in ascending ID order, each with its details.
std::vector<TCEventRecord> ReadEvents(int64_t afterID, int maxCount);

} // namespace Event

#pragma GCC visibility pop
