#pragma once
#include <cstdint>
#include <string>

#include "DB/TCDBBasicTable.h"

namespace DB::Core {

class Connection;

// Attaches `externalID` to a row; throws TCException when another row of the table already has it or
// the row has one. Runs inside the caller's write transaction.
void InsertExternalID(Connection& connection, const TCDBTableSpec& table, int64_t recordID,
                      const std::string& externalID);

} // namespace DB::Core
