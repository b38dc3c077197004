#pragma once

namespace DB::SchemaVersion1 {

// Every host table with its keys, cascades and indexes.
extern const char* const Tables;
// Rows the system itself needs: week-program types and functions, card types.
extern const char* const StaticData;

} // namespace DB::SchemaVersion1
