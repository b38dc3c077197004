#pragma once
#include <vector>

#include "DB/Tables/AccessTables.h"
#include "DB/Tables/EventTables.h"
#include "DB/Tables/SystemTables.h"
#include "DB/Tables/WebTables.h"

#pragma GCC visibility push(default)

namespace DB {

// Every host table, each listed after the tables its link columns name (the order the schema creates
// them in). The same list the database layer uses; declared here for code outside it.
const std::vector<const TCDBTableSpec*>& AllTableSpecs();

} // namespace DB

#pragma GCC visibility pop
