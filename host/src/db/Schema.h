#pragma once
#include <string>
#include <vector>

#include "DB/TCDBBasicTable.h"

namespace DB {

// Schema migrations in order: entry i brings the database from version i to version i+1 (PRAGMA
// user_version). A released entry is never edited; changes come as a new entry.
const std::vector<std::string>& SchemaMigrations();

// Every table the host knows, for mapping SQL table names to table numbers in change notifications.
const std::vector<const TCDBTableSpec*>& AllTableSpecs();

} // namespace DB
