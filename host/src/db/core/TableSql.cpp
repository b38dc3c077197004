#include "db/core/TableSql.h"

#include "db/core/SqlText.h"

#include <strings.h>

namespace DB::Core {

namespace {

std::shared_ptr<const ColumnSpecs> TableColumns(const TCDBTableSpec& spec) {
    auto columns = std::make_shared<ColumnSpecs>();
    columns->push_back(spec.IDField);
    for (const TCDBFieldSpec* field : spec.Fields)
        if (strcasecmp(field->get_Name(), spec.IDField->get_Name()) != 0) columns->push_back(field);
    return columns;
}

} // namespace

TableSql::TableSql(const TCDBTableSpec& spec)
    : Columns(TableColumns(spec)), Name(QuoteName(spec.Name)),
      IDColumn(Name + "." + QuoteName(spec.IDField->get_Name())) {
    for (const TCDBFieldSpec* column : *Columns) {
        QuotedColumns.push_back(QuoteName(column->get_Name()));
        if (!ColumnList.empty()) ColumnList += ", ", Returning += ", ";
        ColumnList += Name + "." + QuotedColumns.back();
        Returning += QuotedColumns.back();
    }
    const std::string byKey = " WHERE " + IDColumn + " = ?";
    SelectByKey = "SELECT " + ColumnList + " FROM " + Name + byKey;
    SelectByKeyWithExternalID =
        "SELECT " + ColumnList + ", ExternalIDs.EXTERNAL_ID FROM " + Name +
        " LEFT JOIN ExternalIDs ON ExternalIDs.TABLE_ID = ? AND ExternalIDs.RECORD_ID = " + IDColumn + byKey;
}

} // namespace DB::Core
