#include "DB/TCDBBasicTable.h"

#include "Host/TCConvert.h"
#include "Host/TCException.h"
#include "db/core/Connection.h"
#include "db/core/DatabaseInstance.h"
#include "db/core/RowSet.h"
#include "db/core/SqlText.h"
#include "db/core/ValueConvert.h"
#include "db/core/WriteScope.h"

namespace DB {

namespace {

void AppendWhereAndOrder(std::string& sql, std::vector<TCDBParam>& params, const TCDBWhere& where,
                         const TCDBOrder& order) {
    if (!where.IsEmpty() && !where.IsAlwaysTrue()) {
        sql += " WHERE ";
        sql += where.get_Sql();
        params.insert(params.end(), where.get_Params().begin(), where.get_Params().end());
    }
    if (!order.IsEmpty()) {
        sql += " ORDER BY ";
        sql += order.get_Sql();
    }
}

void AppendPage(std::string& sql, std::vector<TCDBParam>& params, int limit, int skip) {
    sql += " LIMIT ? OFFSET ?";
    params.emplace_back(limit > 0 ? limit : -1);
    params.emplace_back(skip > 0 ? skip : 0);
}

} // namespace

TCDBBasicTable::TCDBBasicTable(const TCDBTableSpec& spec) : m_Spec(spec) {}

int TCDBBasicTable::get_MasterSlaveMode() {
    const auto rows = Core::ThreadConnection().Query("SELECT VALUE FROM SystemSettings WHERE NAME = ?",
                                                     {"MasterSlaveMode"});
    return rows.empty() ? 0 : ToInt(Core::AsText(rows[0].at(0)), 0);
}

void TCDBBasicTable::set_MasterSlaveMode(int mode) {
    Core::Connection& connection = Core::ThreadConnection();
    Core::WriteScope scope(connection, true);
    connection.Execute("INSERT OR REPLACE INTO SystemSettings (NAME, VALUE) VALUES (?, ?)",
                       {"MasterSlaveMode", std::to_string(mode)});
    scope.Commit();
}

TCDBIterator TCDBBasicTable::SelectPrimary(const Accessories::TCRecordID& id) {
    if (m_RightsLevel > 0) return Run(*m_Spec.IDField == TCDBParam(id), TCDBOrder(), 0, 0, true);
    Core::Connection& connection = Core::ThreadConnection();
    const Core::TableSql& table = connection.SqlOf(m_Spec);
    std::vector<TCDBParam> params;
    params.reserve(2);
    if (m_SelectExternalID) params.emplace_back(m_Spec.TableID);
    params.emplace_back(id);
    const std::string& sql = m_SelectExternalID ? table.SelectByKeyWithExternalID : table.SelectByKey;
    return ToIterator(table, connection.QueryOneRemembered(m_Spec, sql, params));
}

TCDBIterator TCDBBasicTable::SelectAll() {
    return Run(TCDBWhere(), TCDBOrder(), 0, 0);
}

TCDBIterator TCDBBasicTable::Select(const std::string& /*fields*/, const TCDBWhere& where,
                                    const TCDBOrder& order) {
    return Run(where, order, 0, 0);
}

TCDBIterator TCDBBasicTable::SelectTop(const std::string& /*fields*/, int count, const TCDBWhere& where,
                                       const TCDBOrder& order, int skip) {
    return Run(where, order, count, skip);
}

int64_t TCDBBasicTable::SelectCount(const std::string& /*fields*/, const TCDBWhere& where) {
    Core::Connection& connection = Core::ThreadConnection();
    std::string sql = "SELECT COUNT(*) FROM " + connection.SqlOf(m_Spec).Name;
    std::vector<TCDBParam> params;
    AppendWhereAndOrder(sql, params, EffectiveWhere(where), TCDBOrder());
    return Core::AsInt64(connection.QueryOneRemembered(m_Spec, sql, params).at(0).at(0));
}

TCDBSubSelect TCDBBasicTable::GetSelect(const TCDBFieldSpec& column, const TCDBWhere& where,
                                        const TCDBOrder& order) const {
    // Nulls are left out: one null in a NOT IN list would make the whole condition unknown.
    TCDBSubSelect select;
    select.Sql = "SELECT " + column.get_QualifiedName() + " FROM " + Core::QuoteName(m_Spec.Name);
    AppendWhereAndOrder(select.Sql, select.Params, EffectiveWhere(where) && column.IsNotNull(), order);
    return select;
}

void TCDBBasicTable::CreateObject(TCDBAutoObject& object) {
    TCDBIterator& iterator = object;
    iterator.m_Rows = std::make_unique<TCDBRowSet>(m_Spec, Core::ThreadConnection().SqlOf(m_Spec));
    TCDBRow row;
    row.Cells.resize(iterator.m_Rows->Columns.size());
    row.IsNew = true;
    iterator.m_Rows->Rows.push_back(std::move(row));
    iterator.m_Pos = 0;
}

int TCDBBasicTable::DeleteWhere(const TCDBWhere& where) {
    Core::Connection& connection = Core::ThreadConnection();
    std::string sql = "DELETE FROM " + connection.SqlOf(m_Spec).Name;
    std::vector<TCDBParam> params;
    AppendWhereAndOrder(sql, params, where, TCDBOrder());
    Core::WriteScope scope(connection, true);
    // Counts only this table's rows: SQLite leaves rows removed by cascades and triggers out.
    const int deleted = connection.Execute(sql, params);
    scope.Commit();
    return deleted;
}

bool TCDBBasicTable::DeleteRowByID(const Accessories::TCRecordID& id) {
    if (id.IsNull()) return false;
    return DeleteWhere(*m_Spec.IDField == TCDBParam(id)) > 0;
}

TCDBWhere TCDBBasicTable::CreateWhereExternalIDEqualsTo(const std::string& externalID) const {
    return TCDBWhere(Core::ThreadConnection().SqlOf(m_Spec).IDColumn +
                         " IN (SELECT RECORD_ID FROM ExternalIDs WHERE TABLE_ID = ? AND EXTERNAL_ID = ?)",
                     {m_Spec.TableID, externalID});
}

void TCDBBasicTable::SetFilterByUserRights(const Accessories::TCRecordID& userID, int level) {
    m_RightsUser = userID;
    m_RightsLevel = level;
}

TCDBWhere TCDBBasicTable::EffectiveWhere(const TCDBWhere& where) const {
    if (m_RightsLevel <= 0) return where;
    const TCDBWhere granted(Core::ThreadConnection().SqlOf(m_Spec).IDColumn +
                                " IN (SELECT RECORD_ID FROM UserRecordRights WHERE USER_LINK = ?"
                                " AND TABLE_ID = ? AND LEVEL >= ?)",
                            {m_RightsUser, m_Spec.TableID, m_RightsLevel});
    return where && granted;
}

TCDBIterator TCDBBasicTable::Run(const TCDBWhere& where, const TCDBOrder& order, int limit, int skip,
                                 bool byKey) {
    Core::Connection& connection = Core::ThreadConnection();
    const Core::TableSql& table = connection.SqlOf(m_Spec);
    const TCDBWhere effective = EffectiveWhere(where);
    std::string sql;
    sql.reserve(table.ColumnList.size() + effective.get_Sql().size() + 160);
    sql += "SELECT ";
    sql += table.ColumnList;
    std::vector<TCDBParam> params;
    const bool paged = limit > 0 || skip > 0;
    if (m_SelectExternalID) {
        sql += ", ExternalIDs.EXTERNAL_ID FROM ";
        if (paged) {
            // The page is cut from the bare table first and only its rows are joined to their external
            // IDs: joining before the OFFSET would look up the external ID of every skipped row as well.
            // The sub-select keeps the table's name, so the conditions and the order read the same inside
            // and out.
            sql += "(SELECT * FROM " + table.Name;
            AppendWhereAndOrder(sql, params, effective, order);
            AppendPage(sql, params, limit, skip);
            sql += ") AS " + table.Name;
        } else {
            sql += table.Name;
        }
        sql += " LEFT JOIN ExternalIDs ON ExternalIDs.TABLE_ID = ? AND ExternalIDs.RECORD_ID = ";
        sql += table.IDColumn;
        params.emplace_back(m_Spec.TableID);
        if (paged) {
            if (!order.IsEmpty()) sql += " ORDER BY " + order.get_Sql();
        } else {
            AppendWhereAndOrder(sql, params, effective, order);
        }
    } else {
        sql += " FROM " + table.Name;
        AppendWhereAndOrder(sql, params, effective, order);
        if (paged) AppendPage(sql, params, limit, skip);
    }

    return ToIterator(table, byKey ? connection.QueryOneRemembered(m_Spec, sql, params)
                                   : connection.Query(sql, params));
}

TCDBIterator TCDBBasicTable::ToIterator(const Core::TableSql& table, std::vector<Core::Row> rows) const {
    auto rowSet = std::make_unique<TCDBRowSet>(m_Spec, table);
    const size_t columnCount = rowSet->Columns.size();
    rowSet->Rows.reserve(rows.size());
    for (auto& values : rows) {
        TCDBRow row;
        row.Cells.reserve(columnCount);
        for (size_t i = 0; i < columnCount; ++i)
            row.Cells.push_back(TCDBCell{std::move(values[i]), false});
        if (m_SelectExternalID && !values[columnCount].IsNull()) {
            row.ExternalID = Core::AsText(values[columnCount]);
            rowSet->ExternalIDs[rowSet->RowID(row)] = row.ExternalID.get_Value();
        }
        rowSet->Rows.push_back(std::move(row));
    }
    TCDBIterator iterator;
    iterator.m_Rows = std::move(rowSet);
    return iterator;
}

} // namespace DB
