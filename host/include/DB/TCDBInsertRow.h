#pragma once
#include <utility>
#include <vector>

#include "DB/TCDBBasicTable.h"

#pragma GCC visibility push(default)

namespace DB {

// Columns and their values, in the order they are set; a null TCDBParam stores null.
using TCDBRowValues = std::vector<std::pair<const TCDBFieldSpec*, TCDBParam>>;

// Inserts one row (TCDBAutoObject, so in a transaction of its own unless the caller holds one) and returns
// its ID. For tools and tests that write whole rows of known values.
Accessories::TCRecordID InsertRow(TCDBBasicTable& table, const TCDBRowValues& values);
inline Accessories::TCRecordID InsertRow(TCDBBasicTable&& table, const TCDBRowValues& values) {
    return InsertRow(table, values);
}

} // namespace DB

#pragma GCC visibility pop
