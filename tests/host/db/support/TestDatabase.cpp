#include "TestDatabase.h"

#include "DB/TCDatabase.h"
#include "TestSchema.h"

#include <cstdlib>
#include <filesystem>

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/dbcore-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary directory");
    m_Path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_Path, ignored);
}

void DatabaseTest::SetUp() {
    DB::TCDatabase::OpenWithMigrations(DatabasePath(), TestSchema::Migrations(), TestSchema::Tables());
}

void DatabaseTest::TearDown() {
    DB::TCDatabase::Close();
}

int64_t AddWidget(const std::string& name, const Accessories::TCNullTypes<int>& size) {
    DB::TCDBBasicTable widgets(TestSchema::Widgets::SPEC);
    DB::TCDBAutoObject row;
    widgets.CreateObject(row);
    row.Field(TestSchema::Widgets::NAME).set_AsString(name);
    row.Field(TestSchema::Widgets::SIZE).set_AsNullInt(size);
    row.Save();
    return row.get_ID().get_ID();
}

int64_t AddPart(int64_t widgetID, const std::string& label) {
    DB::TCDBBasicTable parts(TestSchema::Parts::SPEC);
    DB::TCDBAutoObject row;
    parts.CreateObject(row);
    row.Field(TestSchema::Parts::WIDGET).set_AsRecordID(Accessories::TCRecordID(widgetID));
    row.Field(TestSchema::Parts::LABEL).set_AsString(label);
    row.Save();
    return row.get_ID().get_ID();
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
    DB::TCDBBasicTable widgets(TestSchema::Widgets::SPEC);
    return Names(
        widgets.Select("*", where, order.IsEmpty() ? DB::TCDBOrder(TestSchema::Widgets::NAME) : order));
}
