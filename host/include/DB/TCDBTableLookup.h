#pragma once
#include <string>

#include "DB/TCDBBasicTable.h"

#pragma GCC visibility push(default)

namespace DB {

// The host table with this SQL name (e.g. "AccessDoors") or decimal table number; null when none.
const TCDBTableSpec* FindTableSpec(const std::string& nameOrNumber);

} // namespace DB

#pragma GCC visibility pop
