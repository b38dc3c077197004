#include "TestSchema.h"

namespace TestSchema {

using DB::TCDBFieldSpec;
using DB::TEDBFieldType;

namespace Widgets {
const TCDBFieldSpec ID("Widgets", "ID", TEDBFieldType::RecordID);
const TCDBFieldSpec NAME("Widgets", "NAME", TEDBFieldType::Text);
const TCDBFieldSpec SIZE("Widgets", "SIZE", TEDBFieldType::Integer);
const TCDBFieldSpec WEIGHT("Widgets", "WEIGHT", TEDBFieldType::Real);
const TCDBFieldSpec ACTIVE("Widgets", "ACTIVE", TEDBFieldType::Bool);
const TCDBFieldSpec OWNER("Widgets", "OWNER_ID", TEDBFieldType::RecordID);
const TCDBFieldSpec MADE("Widgets", "MADE", TEDBFieldType::DateTime);
const TCDBFieldSpec COLOR("Widgets", "COLOR", TEDBFieldType::Text);
const DB::TCDBTableSpec SPEC{
    WIDGETS_TABLE_ID, "Widgets", &ID, {&ID, &NAME, &SIZE, &WEIGHT, &ACTIVE, &OWNER, &MADE, &COLOR}};
} // namespace Widgets

namespace Parts {
const TCDBFieldSpec ID("Parts", "ID", TEDBFieldType::RecordID);
const TCDBFieldSpec WIDGET("Parts", "WIDGET_ID", TEDBFieldType::RecordID);
const TCDBFieldSpec LABEL("Parts", "LABEL", TEDBFieldType::Text);
const DB::TCDBTableSpec SPEC{PARTS_TABLE_ID, "Parts", &ID, {&WIDGET, &LABEL}};
} // namespace Parts

namespace ExternalIDs {
const TCDBFieldSpec RECORD_ID("ExternalIDs", "RECORD_ID", TEDBFieldType::RecordID);
const TCDBFieldSpec TABLE_ID("ExternalIDs", "TABLE_ID", TEDBFieldType::Integer);
const TCDBFieldSpec EXTERNAL_ID("ExternalIDs", "EXTERNAL_ID", TEDBFieldType::Text);
const DB::TCDBTableSpec SPEC{0, "ExternalIDs", &RECORD_ID, {&TABLE_ID, &EXTERNAL_ID}};
} // namespace ExternalIDs

namespace UserRecordRights {
const TCDBFieldSpec RECORD_ID("UserRecordRights", "RECORD_ID", TEDBFieldType::RecordID);
const TCDBFieldSpec TABLE_ID("UserRecordRights", "TABLE_ID", TEDBFieldType::Integer);
const DB::TCDBTableSpec SPEC{0, "UserRecordRights", &RECORD_ID, {&TABLE_ID}};
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
