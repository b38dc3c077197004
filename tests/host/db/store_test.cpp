#include "DB/TCDBBasicTable.h"
#include "DB/TCDBChangeNotifier.h"
#include "DB/TCDBReadScope.h"
#include "DB/TCDBTransaction.h"
#include "DB/TCDBUserRights.h"
#include "DB/TCDatabase.h"
#include "Host/TCException.h"
#include "TestDatabase.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <future>
#include <gmock/gmock.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using Accessories::TCNullTypes;
using Accessories::TCRecordID;
using DB::TCDBOrder;
using DB::TCDBParam;
using DB::TCDBWhere;
using Names_t = std::vector<std::string>;
using namespace TestSchema;
using namespace testing;

namespace {

void Rename(int64_t id, const std::string& name) {
    auto row = DB::TCDBBasicTable(Widgets::SPEC).SelectPrimary(TCRecordID(id));
    row.Field(Widgets::NAME).set_AsString(name);
    row.Save();
}

std::string NameOf(int64_t id) {
    auto row = DB::TCDBBasicTable(Widgets::SPEC).SelectPrimary(TCRecordID(id));
    return row.IsEnd() ? std::string("gone") : row.Field(Widgets::NAME).get_AsString();
}

using IteratorTest = DatabaseTest;

// Record IDs, times and big numbers round-trip through every column of the host tables (tables_test).
TEST_F(IteratorTest, TextsWithZeroBytesRealsFalseAndExplicitNullsRoundTrip) {
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    DB::TCDBAutoObject row;
    widgets.CreateObject(row);
    const std::string name("it's \"quoted\"\0with zero", 24);
    row.Field(Widgets::NAME).set_AsString(name);
    row.Field(Widgets::WEIGHT).set_AsReal(2.25);
    row.Field(Widgets::ACTIVE).set_AsBool(false);
    row.Field(Widgets::COLOR).set_AsNullString(TCNullTypes<std::string>());
    row.Save();

    auto read = widgets.SelectPrimary(row.get_ID());
    ASSERT_EQ(read.get_RowCount(), 1u);
    EXPECT_EQ(read.Field(Widgets::NAME).get_AsString(), name);
    EXPECT_DOUBLE_EQ(read.Field(Widgets::WEIGHT).get_AsReal(), 2.25);
    EXPECT_FALSE(read.Field(Widgets::ACTIVE).get_AsBool());
    EXPECT_TRUE(read.Field(Widgets::COLOR).IsNull()) << "an explicit null overrides the default";
    EXPECT_TRUE(read.Field(Widgets::COLOR).get_AsNullString().IsNull());
    EXPECT_EQ(read.Field(Widgets::COLOR).get_AsString(), "");
    EXPECT_EQ(read.Field(Widgets::WEIGHT).get_AsString(), "2.25");
}

TEST_F(IteratorTest, NewRowsTakeDefaultsAndSavesWriteOnlyChangedColumns) {
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    DB::TCDBAutoObject row;
    widgets.CreateObject(row);
    row.Save();
    EXPECT_EQ(row.Field(Widgets::COLOR).get_AsString(), "grey") << "defaults are visible right after Save";
    EXPECT_TRUE(row.Field(Widgets::ACTIVE).get_AsBool());
    EXPECT_TRUE(row.Field(Widgets::SIZE).get_AsNullInt().IsNull());
    const TCRecordID id = row.get_ID();
    row.Field(Widgets::NAME).set_AsString("second");
    row.Save(); // saving the new row again updates it
    EXPECT_EQ(row.get_ID(), id);
    EXPECT_EQ(WidgetNames(), (Names_t{"second"}));

    auto first = widgets.SelectPrimary(id);
    auto second = widgets.SelectPrimary(id);
    first.Field(Widgets::NAME).set_AsString("renamed");
    first.Save();
    second.Field(Widgets::SIZE).set_AsInteger(9);
    second.Save(); // must not write its stale NAME back
    EXPECT_EQ(NameOf(id.get_ID()), "renamed");
    EXPECT_EQ(widgets.SelectPrimary(id).Field(Widgets::SIZE).get_AsInteger(), 9);

    // Rows are read when the select runs.
    auto rows = widgets.Select("*", TCDBWhere(), DB::TCDBOrder(Widgets::NAME));
    EXPECT_EQ(widgets.DeleteWhere(TCDBWhere()), 1);
    EXPECT_EQ(Names(std::move(rows)), (Names_t{"renamed"}));
}

TEST_F(IteratorTest, MisuseChangedKeysAndDeletedRowsFailDeletesCountAndCascade) {
    DB::TCDBIterator empty;
    EXPECT_TRUE(empty.IsEnd());
    EXPECT_EQ(empty.get_RowCount(), 0u);
    EXPECT_THROW(empty.Field(Widgets::NAME), TCException);
    EXPECT_THROW(empty.Save(), TCException);
    EXPECT_TRUE(empty.get_ExternalID().IsNull());

    const TCRecordID id(AddWidget("w"));
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    auto keyChange = widgets.SelectPrimary(id);
    keyChange.Field(Widgets::ID).set_AsInteger(1234);
    EXPECT_THROW(keyChange.Save(), TCException);
    auto stale = widgets.SelectPrimary(id);
    widgets.DeleteWhere(Widgets::ID == id);
    stale.Field(Widgets::NAME).set_AsString("gone");
    EXPECT_THROW(stale.Save(), TCException);
    EXPECT_EQ(CountRows(Widgets::SPEC), 0);
    const int64_t a = AddWidget("a"), b = AddWidget("b");
    AddPart(a, "a1");
    AddPart(a, "a2");
    AddPart(b, "b1");
    EXPECT_EQ(widgets.DeleteWhere(Widgets::ID == a), 1);
    EXPECT_EQ(CountRows(Parts::SPEC), 1);
    EXPECT_EQ(CountRows(Parts::SPEC, Parts::WIDGET == b), 1);
    EXPECT_EQ(widgets.DeleteWhere(Widgets::ID == a), 0);
}

using WhereTest = DatabaseTest; // five widgets a..e with sizes 1, 2, 3, null, 5

TEST_F(WhereTest, ConditionsSelectTheRightRowsOrdersAndPages) {
    const int64_t idA = AddWidget("a", 1), idB = AddWidget("b", 2), idC = AddWidget("c", 3),
                  idD = AddWidget("d"), idE = AddWidget("e", 5);
    const TCDBParam null;
    const std::set<TCRecordID> ac{TCRecordID(idA), TCRecordID(idC), TCRecordID()}, none;
    std::set<TCRecordID> many{TCRecordID(idB), TCRecordID(idE)};
    for (int64_t id = 1000; id < 1300; ++id)
        many.insert(TCRecordID(id));
    TCDBWhere appended = Widgets::SIZE >= 2 || Widgets::SIZE.IsNull();
    appended << (Widgets::NAME != "c");
    TCDBWhere built;
    built << TCDBWhere();
    EXPECT_TRUE(built.IsEmpty());
    const TCDBWhere key = Widgets::ID.IsNotNull(); // never null: left out of the SQL, but still "true"
    EXPECT_TRUE(key.IsAlwaysTrue());
    EXPECT_TRUE(DB::Brackets(TCDBWhere()).IsEmpty());
    DB::TCDBBasicTable parts(Parts::SPEC);
    AddPart(idA, "x");
    AddPart(idC, "x");
    AddPart(idC, "y");
    AddPart(idE, "y");
    const Names_t all{"a", "b", "c", "d", "e"};
    const struct {
        const char* what;
        TCDBWhere where;
        Names_t expected;
    } cases[] = {
        {"==", Widgets::SIZE == 2, {"b"}},
        {"!= keeps null", Widgets::SIZE != 2, {"a", "c", "d", "e"}},
        {"<", Widgets::SIZE < 3, {"a", "b"}},
        {"<=", Widgets::SIZE <= 3, {"a", "b", "c"}},
        {">", Widgets::SIZE > 3, {"e"}},
        {">=", Widgets::SIZE >= 3, {"c", "e"}},
        {"== null", Widgets::SIZE == null, {"d"}},
        {"!= null", Widgets::SIZE != null, {"a", "b", "c", "e"}},
        {"< null", Widgets::SIZE < null, {}},
        {">= null", Widgets::SIZE >= null, {}},
        {"null record ID", Widgets::OWNER == TCDBParam(TCRecordID()), all},
        // Pasted together without parentheses this would read "1 OR (2 AND NOT a)" and also give a.
        {"(or) and", (Widgets::SIZE == 1 || Widgets::SIZE == 2) && Widgets::NAME != "a", {"b"}},
        {"or (and)", Widgets::SIZE == 1 || (Widgets::SIZE == 2 && Widgets::NAME == "x"), {"a"}},
        {"brackets", DB::Brackets(Widgets::SIZE == 5 || Widgets::SIZE == 1) && Widgets::SIZE > 1, {"e"}},
        {"appended", appended, {"b", "d", "e"}},
        {"empty", built, all},
        {"empty or", (built || Widgets::SIZE == 1) || Widgets::SIZE == 3, {"a", "c"}},
        {"empty and", TCDBWhere() && Widgets::SIZE == 2, {"b"}},
        {"key", key, all},
        {"key and", key && Widgets::SIZE == 2, {"b"}},
        {"and key", DB::Brackets(Widgets::SIZE < 3 && key), {"a", "b"}},
        {"or key", Widgets::SIZE == 2 || key, all},
        {"key is null", Widgets::ID.IsNull(), {}},
        {"in", Widgets::ID.In(ac), {"a", "c"}},
        {"not in", Widgets::ID.NotIn(ac), {"b", "d", "e"}},
        {"in empty", Widgets::ID.In(none), {}},
        {"in null IDs only", Widgets::ID.In({TCRecordID()}), {}},
        {"not in empty", Widgets::ID.NotIn(none), all},
        // An empty set keeps its meaning inside a combination instead of vanishing.
        {"or not in empty", Widgets::SIZE == 1 || Widgets::ID.NotIn(none), all},
        {"in empty or", Widgets::ID.In(none) || Widgets::SIZE == 1, {"a"}},
        {"null is in no set", Widgets::SIZE.NotIn({TCRecordID(1), TCRecordID(2)}), {"c", "d", "e"}},
        {"in many", Widgets::ID.In(many), {"b", "e"}},
        {"not in many", Widgets::ID.NotIn(many), {"a", "c", "d"}},
        {"in select", Widgets::ID.In(parts.GetSelect(Parts::WIDGET, Parts::LABEL == "x")), {"a", "c"}},
        {"not in select",
         Widgets::ID.NotIn(parts.GetSelect(Parts::WIDGET, Parts::LABEL == "y")),
         {"a", "b", "d"}},
        {"in select and",
         Widgets::ID.In(parts.GetSelect(Parts::WIDGET, TCDBWhere())) && Widgets::SIZE > 1,
         {"c", "e"}},
        // The sub-select yields sizes 1, 2, 3 and a null; the null must not empty the NOT IN.
        {"not in select with null",
         Widgets::SIZE.NotIn(
             DB::TCDBBasicTable(Widgets::SPEC).GetSelect(Widgets::SIZE, Widgets::NAME <= "d")),
         {"d", "e"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(WidgetNames(c.where), c.expected);
    }
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    EXPECT_EQ(widgets.SelectCount("*", key), 5);
    EXPECT_EQ(widgets.SelectCount("*", key && Widgets::SIZE.IsNull()), 1);
    EXPECT_EQ(Names(widgets.SelectPrimary(TCRecordID(idD))), (Names_t{"d"}));
    EXPECT_TRUE(widgets.SelectPrimary(TCRecordID()).IsEnd());
    EXPECT_EQ(widgets.SelectAll().get_RowCount(), 5u);

    // Orders and pages.
    const TCDBOrder byName(Widgets::NAME);
    EXPECT_EQ(Names(widgets.SelectTop("*", 2, TCDBWhere(), byName)), (Names_t{"a", "b"}));
    EXPECT_EQ(Names(widgets.SelectTop("*", 2, TCDBWhere(), byName, 2)), (Names_t{"c", "d"}));
    EXPECT_EQ(Names(widgets.SelectTop("*", 0, TCDBWhere(), byName, 3)), (Names_t{"d", "e"}))
        << "0 = no limit";
    EXPECT_EQ(Names(widgets.SelectTop("*", 2, Widgets::SIZE.IsNotNull(), byName, 1)), (Names_t{"b", "c"}));

    AddWidget("f", 2);
    AddWidget("0", 2);
    EXPECT_EQ(
        WidgetNames(Widgets::SIZE.IsNotNull(), TCDBOrder(Widgets::SIZE, true) + TCDBOrder(Widgets::NAME)),
        (Names_t{"e", "c", "0", "b", "f", "a"}));
    EXPECT_EQ(
        WidgetNames(Widgets::SIZE.IsNotNull(), TCDBOrder(Widgets::SIZE) + TCDBOrder(Widgets::NAME, true)),
        (Names_t{"a", "f", "b", "0", "c", "e"}));
    EXPECT_EQ((TCDBOrder() + TCDBOrder(Widgets::NAME)).get_Sql(), TCDBOrder(Widgets::NAME).get_Sql());
}

using RightsTest = DatabaseTest;

TEST_F(RightsTest, RightsGoWithTheirRowsGrantReplacesRevokeRemovesAndBadGrantsFail) {
    const TCRecordID user(7), a(AddWidget("a")), b(AddWidget("b")), c(AddWidget("c"));
    DB::GrantRecordRight(user, WIDGETS_TABLE_ID, a, DB::RECORD_RIGHT_SEE);
    DB::GrantRecordRight(user, WIDGETS_TABLE_ID, b, DB::RECORD_RIGHT_CHANGE);
    const auto visible = [](const TCRecordID& user, int level) {
        DB::TCDBBasicTable widgets(Widgets::SPEC);
        widgets.SetFilterByUserRights(user, level);
        return Names(widgets.Select("*", TCDBWhere(), DB::TCDBOrder(Widgets::NAME)));
    };
    const TCRecordID part(AddPart(a.get_ID(), "p"));
    DB::GrantRecordRight(user, PARTS_TABLE_ID, part, DB::RECORD_RIGHT_SEE);
    ASSERT_EQ(CountRows(UserRecordRights::SPEC), 3);
    DB::TCDBBasicTable(Widgets::SPEC).DeleteWhere(Widgets::ID == a);
    EXPECT_EQ(CountRows(UserRecordRights::SPEC), 1) << "the part went with its widget";
    EXPECT_EQ(CountRows(UserRecordRights::SPEC, UserRecordRights::RECORD_ID == b), 1);

    DB::GrantRecordRight(user, WIDGETS_TABLE_ID, c, DB::RECORD_RIGHT_CHANGE);
    EXPECT_EQ(visible(user, DB::RECORD_RIGHT_CHANGE), (Names_t{"b", "c"}));
    DB::GrantRecordRight(user, WIDGETS_TABLE_ID, c, DB::RECORD_RIGHT_SEE);
    EXPECT_EQ(visible(user, DB::RECORD_RIGHT_CHANGE), (Names_t{"b"}));
    DB::RevokeRecordRight(user, WIDGETS_TABLE_ID, b);
    EXPECT_EQ(visible(user, DB::RECORD_RIGHT_SEE), (Names_t{"c"}));
    EXPECT_NO_THROW(DB::RevokeRecordRight(user, WIDGETS_TABLE_ID, b));

    EXPECT_THROW(DB::GrantRecordRight(user, WIDGETS_TABLE_ID, TCRecordID(9999), 1), TCException);
    EXPECT_THROW(DB::GrantRecordRight(user, 12345, c, 1), TCException);
    EXPECT_THROW(DB::GrantRecordRight(user, WIDGETS_TABLE_ID, c, 0), TCException);
    EXPECT_THROW(DB::GrantRecordRight(TCRecordID(), WIDGETS_TABLE_ID, c, 1), TCException);
}

// A widget, or a part of `widget` when one is given.
int64_t AddWithExternalID(const std::string& externalID, const std::string& name, int64_t widget = 0) {
    DB::TCDBAutoObject row;
    DB::TCDBBasicTable(widget != 0 ? Parts::SPEC : Widgets::SPEC).CreateObject(row);
    if (widget != 0)
        row.Field(Parts::WIDGET).set_AsRecordID(TCRecordID(widget));
    else
        row.Field(Widgets::NAME).set_AsString(name);
    row.SetExternalID(externalID);
    row.Save();
    EXPECT_EQ(row.get_ExternalID().get_Value(""), externalID);
    return row.get_ID().get_ID();
}

using ExternalIDTest = DatabaseTest;

TEST_F(ExternalIDTest, DuplicatesAreRejectedAndLeaveNothingInserted) {
    AddWithExternalID("dup", "a");
    EXPECT_THAT([] { AddWithExternalID("dup", "b"); },
                ThrowsMessage<TCException>(EndsWith(": External ID 'dup' already exists for table Widgets")));
    EXPECT_EQ(CountRows(Widgets::SPEC), 1);
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    DB::TCDBAutoObject row;
    widgets.CreateObject(row);
    row.SetExternalID("dup");
    EXPECT_THROW(row.Save(), TCException);
    row.SetExternalID("free"); // the failed row can be saved with another ID
    row.Save();
    EXPECT_EQ(widgets.Select("*", widgets.CreateWhereExternalIDEqualsTo("free")).get_ID(), row.get_ID());

    DB::TCDBTransaction transaction;
    transaction.Begin();
    AddWidget("kept");
    EXPECT_THROW(AddWithExternalID("dup", "c"), TCException);
    transaction.Commit(); // the failed Save undid only its own part
    EXPECT_EQ(WidgetNames(), (Names_t{"", "a", "kept"}));
    // The same text may identify a row of another table.
    EXPECT_NO_THROW(AddWithExternalID("dup", "", AddWidget("owner")));
}

// Opens the database only when the test says so, with extra migrations after the schema's own.
class SchemaTest : public DatabaseTest {
protected:
    void SetUp() override {}
    void Open(const std::vector<std::string>& extra = {}) {
        auto migrations = Migrations();
        migrations.insert(migrations.end(), extra.begin(), extra.end());
        DB::TCDatabase::OpenWithMigrations(DatabasePath(), migrations, Tables());
    }
};

TEST_F(SchemaTest, OpenCreatesTheFileInWalModeAndReopeningAppliesOnlyNewMigrations) {
    EXPECT_FALSE(DB::TCDatabase::IsOpen());
    Open();
    EXPECT_TRUE(DB::TCDatabase::IsOpen());
    EXPECT_EQ(DB::TCDatabase::get_Path(), DatabasePath());
    EXPECT_EQ(DB::TCDatabase::get_SchemaVersion(), 2);
    EXPECT_EQ(DB::TCDBBasicTable::get_MasterSlaveMode(), 0);
    AddWidget("kept");
    EXPECT_TRUE(std::filesystem::exists(DatabasePath() + "-wal"));
    DB::TCDatabase::Close();
    // Running migration 1 or 2 again would fail: their tables exist.
    for (int i = 0; i < 2; ++i) {
        Open({"ALTER TABLE Widgets ADD COLUMN NOTE TEXT;"});
        EXPECT_EQ(DB::TCDatabase::get_SchemaVersion(), 3);
        EXPECT_EQ(WidgetNames(), Names_t{"kept"});
        DB::TCDatabase::Close();
    }
    Open({"ALTER TABLE Widgets ADD COLUMN NOTE TEXT;",
          "INSERT INTO SystemSettings (NAME, VALUE) VALUES ('MasterSlaveMode', '2');"});
    EXPECT_EQ(DB::TCDBBasicTable::get_MasterSlaveMode(), 2) << "a stored setting";
}

TEST_F(SchemaTest, FailedMigrationChangesNothingAndErrorsNameTheSqlButNotTheValues) {
    Open();
    DB::TCDatabase::Close();
    EXPECT_THROW(Open({"CREATE TABLE Extra (A); CREATE TABLE Widgets (B);"}), TCException);
    EXPECT_FALSE(DB::TCDatabase::IsOpen());
    EXPECT_THROW(DB::TCDatabase::OpenWithMigrations(DatabasePath(), {Migrations()[0]}, Tables()), TCException)
        << "a newer database is refused";
    EXPECT_THROW(CountRows(Widgets::SPEC), TCException) << "a closed database refuses use";
    Open();
    EXPECT_EQ(DB::TCDatabase::get_SchemaVersion(), 2);
    const DB::TCDBFieldSpec extraA("Extra", "A", DB::TEDBFieldType::Integer);
    EXPECT_THROW(CountRows(DB::TCDBTableSpec{0, "Extra", &extraA, {}}), TCException)
        << "the first half of the failed migration was undone";
    const DB::TCDBFieldSpec missing("Widgets", "NO_SUCH_COLUMN", DB::TEDBFieldType::Text);
    EXPECT_THAT([&] { CountRows(Widgets::SPEC, missing == "secret-value"); },
                ThrowsMessage<TCException>(AllOf(
                    HasSubstr("no such column"),
                    HasSubstr("SELECT COUNT(*) FROM \"Widgets\" WHERE \"Widgets\".\"NO_SUCH_COLUMN\" = ?"),
                    Not(HasSubstr("secret-value")))));
}

using TransactionTest = DatabaseTest;

TEST_F(TransactionTest, CommitKeepsRollbackAndDestructorDiscardNestedOnesAreSavepoints) {
    DB::TCDBTransaction kept;
    kept.Begin();
    AddWidget("kept");
    kept.Commit();
    EXPECT_FALSE(kept.IsActive());
    DB::TCDBTransaction undone;
    undone.Begin();
    AddPart(AddWidget("undone"), "part");
    DB::TCDBBasicTable(Widgets::SPEC).DeleteWhere(Widgets::NAME == "kept");
    undone.Rollback();
    EXPECT_EQ(WidgetNames(), (Names_t{"kept"}));
    EXPECT_EQ(CountRows(Parts::SPEC), 0);
    {
        DB::TCDBTransaction transaction;
        transaction.Begin();
        AddWidget("lost");
    }
    AddWidget("after"); // the connection is usable again
    EXPECT_EQ(WidgetNames(), (Names_t{"after", "kept"}));
    DB::TCDBBasicTable(Widgets::SPEC).DeleteWhere(TCDBWhere());

    DB::TCDBTransaction outer;
    outer.Begin();
    AddWidget("a");
    for (const bool commit : {false, true}) {
        DB::TCDBTransaction inner;
        inner.Begin();
        AddWidget(commit ? "c" : "b");
        EXPECT_THROW(outer.Commit(), TCException) << "not while the inner one is open";
        EXPECT_THROW(outer.Begin(), TCException);
        commit ? inner.Commit() : inner.Rollback();
    }
    EXPECT_EQ(WidgetNames(), (Names_t{"a", "c"}));
    outer.Commit();
    EXPECT_EQ(WidgetNames(), (Names_t{"a", "c"}));

    undone.Begin();
    {
        DB::TCDBTransaction inner;
        inner.Begin();
        AddWidget("d");
        inner.Commit();
    }
    undone.Rollback();
    EXPECT_EQ(WidgetNames(), (Names_t{"a", "c"})) << "a committed savepoint goes with its outer transaction";
}

// A read scope reads one snapshot until the thread's own write; then, and after it, the newest data. Counts
// and rows read by key inside a transaction are remembered, but never past a write changing them.
TEST_F(TransactionTest, ReadScopeSeesOneSnapshotUntilTheThreadWritesRememberedReadsFollowOwnWrites) {
    const int64_t id = AddWidget("before");
    const auto renameElsewhere = [id](const std::string& name) {
        std::async(std::launch::async, [id, name] {
            Rename(id, name);
            AddWidget("other " + name);
        }).get();
    };
    {
        DB::TCDBReadScope scope;
        EXPECT_EQ(NameOf(id), "before");
        renameElsewhere("elsewhere");
        EXPECT_EQ(NameOf(id), "before");
        EXPECT_EQ(CountRows(Widgets::SPEC), 1);
        AddWidget("own"); // a write of this thread: from here on the newest data
        EXPECT_EQ(NameOf(id), "elsewhere");
        EXPECT_EQ(CountRows(Widgets::SPEC), 3);
        DB::TCDBTransaction transaction;
        transaction.Begin();
        Rename(id, "own rename");
        transaction.Commit();
        EXPECT_EQ(NameOf(id), "own rename");
        renameElsewhere("again");
        EXPECT_EQ(NameOf(id), "own rename");
    }
    EXPECT_EQ(NameOf(id), "again");

    Rename(id, "first");
    AddPart(id, "p");
    DB::TCDBTransaction transaction;
    transaction.Begin();
    EXPECT_EQ(NameOf(id), "first");
    Rename(id, "renamed");
    EXPECT_EQ(NameOf(id), "renamed");
    EXPECT_EQ(CountRows(Parts::SPEC), 1);
    AddPart(id, "q");
    EXPECT_EQ(CountRows(Parts::SPEC), 2);
    {
        DB::TCDBTransaction inner;
        inner.Begin();
        Rename(id, "undone");
        EXPECT_EQ(NameOf(id), "undone");
        inner.Rollback();
    }
    EXPECT_EQ(NameOf(id), "renamed");
    DB::TCDBBasicTable(Widgets::SPEC).DeleteWhere(Widgets::ID == TCRecordID(id));
    EXPECT_EQ(NameOf(id), "gone");
    EXPECT_EQ(CountRows(Parts::SPEC), 0);
    transaction.Commit();
}

std::string Change(DB::TEDBChangeType type, int table, int64_t id) {
    return std::to_string(int(type)) + " " + std::to_string(table) + "/" + std::to_string(id);
}

// Collects the changes delivered to it.
class ChangeLog {
public:
    ChangeLog() { m_Listener.Set(this, &ChangeLog::OnChange); }
    Names_t Drain() {
        m_Seen.clear();
        m_Listener.GetSignalEvent().Reset(); // as a waiting owner would consume it
        m_Listener.Drain();
        return m_Seen;
    }
    bool IsSignaled() { return m_Listener.GetSignalEvent().IsSignaled(); }

private:
    void OnChange(const DB::TCDBChange& change) {
        m_Seen.push_back(Change(change.Type, change.TableID, change.RecordID.get_ID()));
    }
    DB::TCDatabaseNotificationFunction<ChangeLog> m_Listener;
    Names_t m_Seen;
};

using NotificationTest = DatabaseTest;

TEST_F(NotificationTest, CommitPublishesEveryChangeInOrderRollbacksNothing) {
    ChangeLog log;
    {
        DB::TCDBTransaction transaction;
        transaction.Begin();
        const int64_t id = AddWidget("w");
        auto row = DB::TCDBBasicTable(Widgets::SPEC).SelectPrimary(TCRecordID(id));
        row.Field(Widgets::SIZE).set_AsInteger(3);
        row.Save();
        EXPECT_TRUE(log.Drain().empty()) << "nothing before the commit";
        transaction.Commit();
        EXPECT_TRUE(log.IsSignaled());
        EXPECT_EQ(log.Drain(), (Names_t{Change(DB::TEDBChangeType::Insert, WIDGETS_TABLE_ID, id),
                                        Change(DB::TEDBChangeType::Update, WIDGETS_TABLE_ID, id)}));
    }
    for (const bool explicitRollback : {true, false}) {
        DB::TCDBTransaction transaction;
        transaction.Begin();
        AddWidget("dropped");
        if (explicitRollback) transaction.Rollback();
    }
    EXPECT_FALSE(log.IsSignaled());
    EXPECT_TRUE(log.Drain().empty());

    DB::TCDBTransaction outer;
    outer.Begin();
    const int64_t kept = AddWidget("kept");
    {
        DB::TCDBTransaction inner;
        inner.Begin();
        AddWidget("dropped in a savepoint");
        inner.Rollback();
    }
    outer.Commit();
    EXPECT_EQ(log.Drain(), (Names_t{Change(DB::TEDBChangeType::Insert, WIDGETS_TABLE_ID, kept)}))
        << "the dropped changes stay dropped";
}

// One widget in a transaction of its own; 1 when that failed. Reading before writing, as check-then-insert
// code does, is what makes a transaction that upgrades its lock late fail.
int WriteWidget(const std::string& name) {
    try {
        DB::TCDBTransaction transaction;
        transaction.Begin();
        if (CountRows(Widgets::SPEC, Widgets::NAME == name) != 0) throw std::logic_error("written twice");
        AddWidget(name);
        transaction.Commit();
        return 0;
    } catch (const std::exception& e) {
        ADD_FAILURE() << name << ": " << e.what();
        return 1;
    }
}

// A thread that first reaches the database while its file is away fails; it does not start a new,
// empty database of its own there that would keep its writes after the file is back.
TEST_F(TransactionTest, AThreadMakesNoNewFileWhereTheDatabaseWas) {
    const std::string away = DatabasePath() + ".away";
    ASSERT_EQ(std::rename(DatabasePath().c_str(), away.c_str()), 0);
    std::thread([] { EXPECT_THROW(CountRows(Widgets::SPEC), TCException); }).join();
    EXPECT_NE(access(DatabasePath().c_str(), F_OK), 0);
    ASSERT_EQ(std::rename(away.c_str(), DatabasePath().c_str()), 0);
    std::thread([] { EXPECT_EQ(CountRows(Widgets::SPEC), 0); }).join();
}

TEST_F(TransactionTest, OtherThreadsSeeOnlyCommittedRowsABusyDatabaseIsReportedFourThreadsLoseNoRows) {
    const auto countElsewhere = [] {
        return std::async(std::launch::async, [] { return CountRows(Widgets::SPEC); }).get();
    };
    {
        DB::TCDBTransaction transaction;
        transaction.Begin();
        AddWidget("pending");
        EXPECT_EQ(countElsewhere(), 0);
        transaction.Commit();
        EXPECT_EQ(countElsewhere(), 1);
    }
    std::promise<void> locked, release;
    std::thread holder([&] {
        DB::TCDBTransaction transaction;
        transaction.Begin();
        locked.set_value();
        release.get_future().wait();
    });
    locked.get_future().wait();
    DB::TCDBTransaction waiting(50);
    EXPECT_THAT([&] { waiting.Begin(); }, ThrowsMessage<TCException>(HasSubstr(": database is busy")));
    release.set_value();
    holder.join();
    EXPECT_FALSE(waiting.IsActive());
    waiting.Begin(); // free again
    waiting.Commit();

    std::atomic<int> failures{0};
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([t, &failures] {
            for (int i = 0; i < 200; ++i) // row by row, so that the writers interleave commit by commit
                failures += WriteWidget("t" + std::to_string(t) + "-" + std::to_string(i));
        });
    for (auto& writer : writers)
        writer.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(CountRows(Widgets::SPEC), 1 + 800);
}

// The log is copied into the database file beside the writers and started afresh, so it stays near its
// threshold however long they write; were it never restarted, it would hold everything written.
TEST_F(TransactionTest, TheLogStaysSmallWhileAWriterKeepsCommitting) {
    const std::string bigName(40 * 1024, 'x'); // about ten pages a commit
    constexpr int commits = 400;
    for (int i = 0; i < commits; ++i)
        AddWidget(bigName + std::to_string(i));
    EXPECT_EQ(CountRows(Widgets::SPEC), commits);
    const auto written = std::uintmax_t(commits) * bigName.size();
    EXPECT_LT(std::filesystem::file_size(DatabasePath() + "-wal"), written / 2);
    EXPECT_GT(std::filesystem::file_size(DatabasePath()), written / 4);
}

// While another process holds the database's write lock, the writers of this process wait in the order
// they came and are then served in that order (SQLite's sleeping retries would let any of them in first).
TEST_F(TransactionTest, WritersQueueInArrivalOrderBehindAnotherProcess) {
    DB::TCDatabase::Close(); // the child must inherit no connection
    int locked[2], release[2];
    ASSERT_EQ(pipe(locked), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char go = 0; // once to open, when this process has opened, and once to commit
        try {
            if (read(release[0], &go, 1) != 1) _exit(2);
            DB::TCDatabase::OpenWithMigrations(DatabasePath(), Migrations(), Tables());
            DB::TCDBTransaction holder;
            holder.Begin();
            if (write(locked[1], "1", 1) != 1 || read(release[0], &go, 1) != 1) _exit(2);
            holder.Commit();
            DB::TCDatabase::Close();
        } catch (...) {
            _exit(3);
        }
        _exit(0);
    }
    close(locked[1]); // a child that dies early ends the read below
    DB::TCDatabase::OpenWithMigrations(DatabasePath(), Migrations(), Tables());
    char byte = 0;
    ASSERT_EQ(write(release[1], "1", 1), 1);
    ASSERT_EQ(read(locked[0], &byte, 1), 1) << "the child did not take the lock";
    std::atomic<int> failures{0};
    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w) {
        writers.emplace_back([w, &failures] { failures += WriteWidget("w" + std::to_string(w)); });
        usleep(100 * 1000); // each writer is waiting before the next one comes
    }
    EXPECT_EQ(write(release[1], "1", 1), 1);
    for (auto& writer : writers)
        writer.join();
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(WidgetNames(DB::TCDBWhere(), DB::TCDBOrder(Widgets::ID)), (Names_t{"w0", "w1", "w2", "w3"}));
}

} // namespace
