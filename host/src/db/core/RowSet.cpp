#include "db/core/RowSet.h"

#include "Host/TCException.h"
#include "db/core/DatabaseInstance.h"
#include "db/core/ExternalIDStore.h"
#include "db/core/SqlText.h"
#include "db/core/ValueConvert.h"
#include "db/core/WriteScope.h"

#include <strings.h>

namespace DB {

TCDBRowSet::TCDBRowSet(const TCDBTableSpec& spec, const Core::TableSql& sql)
    : Spec(spec), ColumnsOwner(sql.Columns), Columns(*ColumnsOwner) {}

int TCDBRowSet::FindColumn(const TCDBFieldSpec& field) const {
    for (size_t i = 0; i < Columns.size(); ++i)
        if (Columns[i] == &field) return int(i);
    // Another spec of the same column, e.g. a view's.
    for (size_t i = 0; i < Columns.size(); ++i)
        if (strcasecmp(Columns[i]->get_Name(), field.get_Name()) == 0) return int(i);
    return -1;
}

Accessories::TCRecordID TCDBRowSet::RowID(const TCDBRow& row) const {
    const TCDBParam& id = row.Cells.at(0).Value;
    return id.IsNull() ? Accessories::TCRecordID() : Accessories::TCRecordID(Core::AsInt64(id));
}

namespace Core {

namespace {

void Insert(Connection& connection, TCDBRowSet& rows, TCDBRow& row, std::vector<TCDBCell>& stored) {
    const TableSql& table = connection.SqlOf(rows.Spec);
    std::string names;
    std::string placeholders;
    std::vector<TCDBParam> params;
    for (size_t i = 0; i < rows.Columns.size(); ++i) {
        if (!row.Cells[i].Changed) continue; // left to the column's default
        if (!params.empty()) names += ", ", placeholders += ", ";
        names += table.QuotedColumns[i];
        placeholders += "?";
        params.push_back(row.Cells[i].Value);
    }
    std::string sql = "INSERT INTO " + table.Name;
    sql += params.empty() ? " DEFAULT VALUES" : " (" + names + ") VALUES (" + placeholders + ")";
    // RETURNING gives the defaults SQLite filled in along with the new ID.
    const auto result = connection.QueryWriting(rows.Spec, sql + " RETURNING " + table.Returning, params);
    stored.clear();
    for (const TCDBParam& value : result.at(0))
        stored.push_back(TCDBCell{value, false});
}

void Update(Connection& connection, TCDBRowSet& rows, TCDBRow& row, std::vector<TCDBCell>& stored) {
    if (row.Cells[0].Changed)
        throw TCException(__FILE__, __LINE__,
                          std::string("the primary key of a saved row of ") + rows.Spec.Name +
                              " cannot change");
    const TableSql& table = connection.SqlOf(rows.Spec);
    std::string assignments;
    std::vector<TCDBParam> params;
    for (size_t i = 1; i < rows.Columns.size(); ++i) {
        if (!row.Cells[i].Changed) continue;
        if (!params.empty()) assignments += ", ";
        assignments += table.QuotedColumns[i] + " = ?";
        params.push_back(row.Cells[i].Value);
    }
    stored = row.Cells;
    for (auto& cell : stored)
        cell.Changed = false;
    if (params.empty()) return;
    params.push_back(row.Cells[0].Value);
    const std::string sql =
        "UPDATE " + table.Name + " SET " + assignments + " WHERE " + table.QuotedColumns[0] + " = ?";
    if (connection.ExecuteWriting(rows.Spec, sql, params) == 0)
        throw TCException(__FILE__, __LINE__,
                          "row " + AsText(row.Cells[0].Value) + " of " + rows.Spec.Name +
                              " no longer exists");
}

} // namespace

void SaveRow(TCDBRowSet& rows, TCDBRow& row) {
    bool anyChanged = false;
    for (const auto& cell : row.Cells)
        anyChanged = anyChanged || cell.Changed;
    if (!row.IsNew && !anyChanged && row.PendingExternalID.IsNull()) return;

    Connection& connection = ThreadConnection();
    WriteScope scope(connection, row.PendingExternalID.IsNull());
    std::vector<TCDBCell> stored;
    if (row.IsNew)
        Insert(connection, rows, row, stored);
    else
        Update(connection, rows, row, stored);
    const int64_t id = AsInt64(stored.at(0).Value);
    if (row.PendingExternalID.IsNotNull())
        InsertExternalID(connection, rows.Spec, id, row.PendingExternalID.get_Value());
    scope.Commit();

    // The row changes only once everything is written, so a failed Save can be retried as it was.
    row.Cells = std::move(stored);
    row.IsNew = false;
    if (row.PendingExternalID.IsNotNull()) {
        row.ExternalID = row.PendingExternalID;
        rows.ExternalIDs[Accessories::TCRecordID(id)] = row.PendingExternalID.get_Value();
        row.PendingExternalID.SetNull();
    }
}

} // namespace Core
} // namespace DB
