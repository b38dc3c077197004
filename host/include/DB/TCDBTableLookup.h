#pragma once
#include <string>

#include "DB/TCDBBasicTable.h"

namespace DB {

// The host table with this SQL name (e.g. "AccessDoors") or decimal table number; null when none.
const TCDBTableSpec* FindTableSpec(const std::string& nameOrNumber);

} // namespace DB
