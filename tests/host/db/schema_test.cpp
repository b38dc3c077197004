#include "support/TestDatabase.h"
#include "support/TestSchema.h"

#include "DB/TCDatabase.h"
#include "Host/TCException.h"

#include <filesystem>

using namespace TestSchema;

namespace {

std::vector<std::string> WithMigration(const std::string& extra) {
    auto migrations = Migrations();
    migrations.push_back(extra);
    return migrations;
}

} // namespace

class SchemaTest : public testing::Test {
protected:
    void TearDown() override { DB::TCDatabase::Close(); }
    void Open(const std::vector<std::string>& migrations) {
        DB::TCDatabase::OpenWithMigrations(m_Path, migrations, Tables());
    }
    TempDir m_Dir;
    const std::string m_Path = m_Dir.get_Path() + "/schema.db";
};

TEST_F(SchemaTest, OpenCreatesTheFileInWalMode) {
    EXPECT_FALSE(DB::TCDatabase::IsOpen());
    Open(Migrations());
    EXPECT_TRUE(DB::TCDatabase::IsOpen());
    EXPECT_EQ(DB::TCDatabase::get_Path(), m_Path);
    EXPECT_EQ(DB::TCDatabase::get_SchemaVersion(), 2);
    AddWidget("w");
    EXPECT_TRUE(std::filesystem::exists(m_Path + "-wal"));
}

TEST_F(SchemaTest, ReopeningAppliesOnlyNewMigrations) {
    Open(Migrations());
    AddWidget("kept");
    DB::TCDatabase::Close();
    // Running migration 1 or 2 again would fail: their tables exist.
    Open(WithMigration("ALTER TABLE Widgets ADD COLUMN NOTE TEXT;"));
    EXPECT_EQ(DB::TCDatabase::get_SchemaVersion(), 3);
    EXPECT_EQ(WidgetNames(), std::vector<std::string>{"kept"});
    DB::TCDatabase::Close();
    Open(WithMigration("ALTER TABLE Widgets ADD COLUMN NOTE TEXT;"));
    EXPECT_EQ(DB::TCDatabase::get_SchemaVersion(), 3);
}

TEST_F(SchemaTest, FailedMigrationChangesNothing) {
    Open(Migrations());
    DB::TCDatabase::Close();
    EXPECT_THROW(Open(WithMigration("CREATE TABLE Extra (A); CREATE TABLE Widgets (B);")), TCException);
    EXPECT_FALSE(DB::TCDatabase::IsOpen());
    Open(Migrations());
    EXPECT_EQ(DB::TCDatabase::get_SchemaVersion(), 2);
    const DB::TCDBFieldSpec extraA("Extra", "A", DB::TEDBFieldType::Integer);
    const DB::TCDBTableSpec extra{0, "Extra", &extraA, {}};
    EXPECT_THROW(CountRows(extra), TCException) << "the first half of the failed migration was undone";
}

TEST_F(SchemaTest, NewerDatabaseIsRefused) {
    Open(Migrations());
    DB::TCDatabase::Close();
    EXPECT_THROW(Open({Migrations()[0]}), TCException);
}

TEST_F(SchemaTest, MasterSlaveModeIsAStoredSetting) {
    Open(Migrations());
    EXPECT_EQ(DB::TCDBBasicTable::get_MasterSlaveMode(), 0);
    DB::TCDatabase::Close();
    Open(WithMigration("INSERT INTO SystemSettings (NAME, VALUE) VALUES ('MasterSlaveMode', '2');"));
    EXPECT_EQ(DB::TCDBBasicTable::get_MasterSlaveMode(), 2);
}

TEST_F(SchemaTest, ErrorsNameTheSqlButNotTheValues) {
    Open(Migrations());
    const DB::TCDBFieldSpec missing("Widgets", "NO_SUCH_COLUMN", DB::TEDBFieldType::Text);
    try {
        CountRows(Widgets::SPEC, missing == "secret-value");
        FAIL() << "no exception";
    } catch (const TCException& e) {
        const std::string message = e.GetHostMessage();
        EXPECT_NE(message.find("no such column"), std::string::npos) << message;
        EXPECT_NE(message.find("SELECT COUNT(*) FROM \"Widgets\" WHERE \"Widgets\".\"NO_SUCH_COLUMN\" = ?"),
                  std::string::npos)
            << message;
        EXPECT_EQ(message.find("secret-value"), std::string::npos) << message;
    }
}

TEST_F(SchemaTest, ClosedDatabaseRefusesUse) {
    Open(Migrations());
    DB::TCDatabase::Close();
    EXPECT_FALSE(DB::TCDatabase::IsOpen());
    EXPECT_THROW(CountRows(Widgets::SPEC), TCException);
}
