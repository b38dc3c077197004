#include "TestDatabase.h"

#include "DB/TCDBInsertRow.h"

namespace TestSchema {

using DB::TCDBFieldSpec;
using DB::TEDBFieldType;

namespace Widgets {
const TCDBFieldSpec ID("Widgets", "ID", TEDBFieldType::RecordID),
    NAME("Widgets", "NAME", TEDBFieldType::Text), SIZE("Widgets", "SIZE", TEDBFieldType::Integer),
    WEIGHT("Widgets", "WEIGHT", TEDBFieldType::Real), ACTIVE("Widgets", "ACTIVE", TEDBFieldType::Bool),
    OWNER("Widgets", "OWNER_ID", TEDBFieldType::RecordID), MADE("Widgets", "MADE", TEDBFieldType::DateTime),
    COLOR("Widgets", "COLOR", TEDBFieldType::Text);
const DB::TCDBTableSpec SPEC{
    WIDGETS_TABLE_ID, "Widgets", &ID, {&ID, &NAME, &SIZE, &WEIGHT, &ACTIVE, &OWNER, &MADE, &COLOR}};
} // namespace Widgets

namespace Parts {
const TCDBFieldSpec ID("Parts", "ID", TEDBFieldType::RecordID),
    WIDGET("Parts", "WIDGET_ID", TEDBFieldType::RecordID), LABEL("Parts", "LABEL", TEDBFieldType::Text);
const DB::TCDBTableSpec SPEC{PARTS_TABLE_ID, "Parts", &ID, {&WIDGET, &LABEL}};
} // namespace Parts

namespace UserRecordRights {
const TCDBFieldSpec RECORD_ID("UserRecordRights", "RECORD_ID", TEDBFieldType::RecordID);
const DB::TCDBTableSpec SPEC{0, "UserRecordRights", &RECORD_ID, {}};
} // namespace UserRecordRights

const std::vector<std::string>& Migrations() {
    static const std::vector<std::string> migrations = {
        "CREATE TABLE Widgets (ID INTEGER PRIMARY KEY, NAME TEXT NOT NULL DEFAULT '', SIZE INTEGER,"
        " WEIGHT REAL, ACTIVE INTEGER NOT NULL DEFAULT 1, OWNER_ID INTEGER, MADE INTEGER,"
        " COLOR TEXT DEFAULT 'grey');",
        "CREATE TABLE Parts (ID INTEGER PRIMARY KEY,"
        " WIDGET_ID INTEGER NOT NULL REFERENCES Widgets (ID) ON DELETE CASCADE, LABEL TEXT);"
        "CREATE INDEX Parts_Widget ON Parts (WIDGET_ID);",
    };
    return migrations;
}

const std::vector<const DB::TCDBTableSpec*>& Tables() {
    static const std::vector<const DB::TCDBTableSpec*> tables = {&Widgets::SPEC, &Parts::SPEC};
    return tables;
}

} // namespace TestSchema

int64_t AddWidget(const std::string& name, const Accessories::TCNullTypes<int>& size) {
    using namespace TestSchema::Widgets;
    return DB::InsertRow(DB::TCDBBasicTable(SPEC), {{&NAME, name}, {&SIZE, size}}).get_ID();
}

int64_t AddPart(int64_t widgetID, const std::string& label) {
    using namespace TestSchema::Parts;
    return DB::InsertRow(DB::TCDBBasicTable(SPEC), {{&WIDGET, widgetID}, {&LABEL, label}}).get_ID();
}

int64_t CountRows(const DB::TCDBTableSpec& table, const DB::TCDBWhere& where) {
    return DB::TCDBBasicTable(table).SelectCount("*", where);
}

std::vector<std::string> Names(DB::TCDBIterator rows) {
    std::vector<std::string> names;
    for (; rows.IsNotEnd(); rows.Next())
        names.push_back(rows.Field(TestSchema::Widgets::NAME).get_AsString());
    return names;
}

std::vector<std::string> WidgetNames(const DB::TCDBWhere& where, const DB::TCDBOrder& order) {
    return Names(DB::TCDBBasicTable(TestSchema::Widgets::SPEC)
                     .Select("*", where, order.IsEmpty() ? DB::TCDBOrder(TestSchema::Widgets::NAME) : order));
}
