#pragma once

namespace DB::SchemaVersion3 {

// Indexes for the card holder filter.
extern const char* const Indexes;

} // namespace DB::SchemaVersion3
