#pragma once
#include <gtest/gtest.h>

#include "DB/TCDBBasicTable.h"
#include "DB/TCDatabase.h"
#include "host/base/support/TempDir.h"

// A schema of the tests' own, independent of the host's tables: Widgets, and Parts that belong to a
// widget and go with it (ON DELETE CASCADE). Migration 1 creates Widgets, migration 2 Parts.
namespace TestSchema {

constexpr int WIDGETS_TABLE_ID = 901;
constexpr int PARTS_TABLE_ID = 902;

// NAME text default '', SIZE integer nullable, WEIGHT real, ACTIVE bool default 1, OWNER record ID,
// MADE date-time, COLOR text default 'grey'.
namespace Widgets {
extern const DB::TCDBFieldSpec ID, NAME, SIZE, WEIGHT, ACTIVE, OWNER, MADE, COLOR;
extern const DB::TCDBTableSpec SPEC;
} // namespace Widgets
namespace Parts {
extern const DB::TCDBFieldSpec ID, WIDGET, LABEL;
extern const DB::TCDBTableSpec SPEC;
} // namespace Parts
// A view of the rights table, to look at what the database layer stored.
namespace UserRecordRights {
extern const DB::TCDBFieldSpec RECORD_ID;
extern const DB::TCDBTableSpec SPEC;
} // namespace UserRecordRights

const std::vector<std::string>& Migrations();
const std::vector<const DB::TCDBTableSpec*>& Tables();

} // namespace TestSchema

// Each test gets a fresh database file with the test schema, open on the test's thread.
class DatabaseTest : public testing::Test {
protected:
    void SetUp() override {
        DB::TCDatabase::OpenWithMigrations(DatabasePath(), TestSchema::Migrations(), TestSchema::Tables());
    }
    void TearDown() override { DB::TCDatabase::Close(); }
    std::string DatabasePath() const { return m_Dir / "test.db"; }

    TempDir m_Dir;
};

// The same with the host's own tables.
class HostDatabaseTest : public DatabaseTest {
protected:
    void SetUp() override { DB::TCDatabase::Open(DatabasePath()); }
};

// Test data helpers; each writes in its own implicit transaction unless one is open.
int64_t AddWidget(const std::string& name, const Accessories::TCNullTypes<int>& size = {});
int64_t AddPart(int64_t widgetID, const std::string& label);
int64_t CountRows(const DB::TCDBTableSpec& table, const DB::TCDBWhere& where = DB::TCDBWhere());

// NAME of every row the iterator holds, in order.
std::vector<std::string> Names(DB::TCDBIterator rows);
// NAME of the matching widgets, by name unless another order is given.
std::vector<std::string> WidgetNames(const DB::TCDBWhere& where = DB::TCDBWhere(),
                                     const DB::TCDBOrder& order = DB::TCDBOrder());
