#pragma once
#include <map>
#include <string>
#include <vector>

#include "DB/TCDBBasicTable.h"

namespace DB {

struct TCDBCell {
    TCDBParam Value;
    bool Changed = false;
};

struct TCDBRow {
    std::vector<TCDBCell> Cells; // in the order of TCDBRowSet::Columns
    bool IsNew = false;          // made by CreateObject and not inserted yet
    Accessories::TCNullTypes<std::string> ExternalID;
    Accessories::TCNullTypes<std::string> PendingExternalID; // written by the next Save
};

// The rows an iterator walks over, all read when the select ran.
struct TCDBRowSet {
    explicit TCDBRowSet(const TCDBTableSpec& spec);

    const TCDBTableSpec& Spec;
    std::vector<const TCDBFieldSpec*> Columns; // the primary key first
    std::vector<TCDBRow> Rows;
    std::map<Accessories::TCRecordID, std::string> ExternalIDs;

    // Index of the column named `name` (any case), or -1.
    int FindColumn(const char* name) const;
    Accessories::TCRecordID RowID(const TCDBRow& row) const;
};

namespace Core {

// The columns every select reads: the primary key, then the other columns of the table.
std::vector<const TCDBFieldSpec*> TableColumns(const TCDBTableSpec& spec);
// "T"."A", "T"."B", ... for the columns of TableColumns.
std::string ColumnList(const TCDBTableSpec& spec);

// Inserts a new row or updates the changed columns of a read one, together with a pending external ID.
void SaveRow(TCDBRowSet& rows, TCDBRow& row);

} // namespace Core
} // namespace DB
