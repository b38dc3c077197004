#pragma once

namespace DB::SchemaVersion2 {

// Links of the host's event types to the tags of Event/EventTypeTags.h.
extern const char* const EventTypeTags;

} // namespace DB::SchemaVersion2
