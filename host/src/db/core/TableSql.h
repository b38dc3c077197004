#pragma once
#include <memory>
#include <string>
#include <vector>

#include "DB/TCDBBasicTable.h"

namespace DB::Core {

using ColumnSpecs = std::vector<const TCDBFieldSpec*>;

// The SQL pieces of one table, built once per connection rather than for every statement.
struct TableSql {
    explicit TableSql(const TCDBTableSpec& spec);

    std::shared_ptr<const ColumnSpecs> Columns; // every select reads these: the primary key first
    std::vector<std::string> QuotedColumns;     // "A", in the order of Columns
    std::string Name;                           // "T"
    std::string IDColumn;                       // "T"."ID"
    std::string ColumnList;                     // "T"."ID", "T"."A", ...
    std::string Returning;                      // "ID", "A", ...
    // One row by its primary key (the only value), and the same with its external ID (values: the table's
    // number, then the key). Rows by key are read many times per request; their text is made once.
    std::string SelectByKey;
    std::string SelectByKeyWithExternalID;
};

} // namespace DB::Core
