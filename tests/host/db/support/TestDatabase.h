#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "DB/TCDBBasicTable.h"

// A directory of its own under the system's temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& get_Path() const { return m_Path; }

private:
    std::string m_Path;
};

// Each test gets a fresh database file with the test schema, open on the test's thread.
class DatabaseTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string DatabasePath() const { return m_Dir.get_Path() + "/test.db"; }

    TempDir m_Dir;
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
