#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DB/TCDBBasicTable.h"
#include "db/core/TableSql.h"

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
    // `sql` is the table's, for the calling thread's connection.
    explicit TCDBRowSet(const TCDBTableSpec& spec, const Core::TableSql& sql);

    const TCDBTableSpec& Spec;
    const std::shared_ptr<const Core::ColumnSpecs> ColumnsOwner; // shared by every row set of the table
    const Core::ColumnSpecs& Columns;                            // the primary key first
    std::vector<TCDBRow> Rows;
    std::map<Accessories::TCRecordID, std::string> ExternalIDs;

    // Index of the column (the same spec, or one of the same name in any case), or -1.
    int FindColumn(const TCDBFieldSpec& field) const;
    Accessories::TCRecordID RowID(const TCDBRow& row) const;
};

namespace Core {

// Inserts a new row or updates the changed columns of a read one, together with a pending external ID.
void SaveRow(TCDBRowSet& rows, TCDBRow& row);

} // namespace Core
} // namespace DB
