#pragma once

namespace DB::SchemaVersion2 {

// Indexes for the card holder filter.
extern const char* const Indexes;

} // namespace DB::SchemaVersion2
