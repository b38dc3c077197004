#include "SchemaVersion2.h"

// Keep in step with Event/EventTypeTags.h and docs/events.md.
const char* const DB::SchemaVersion2::EventTypeTags = R"SQL(
INSERT INTO EventTypeTagLinks (TAG, EVENT_TYPE) VALUES
    (1, 12000), (1, 12001), (1, 12002), (1, 12003), (1, 12004), (1, 12005), (1, 12006),
    (2, 12000), (2, 12001), (2, 12002),
    (3, 12003), (3, 12004), (3, 12005);
)SQL";
