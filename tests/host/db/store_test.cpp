#include "DB/TCDBBasicTable.h"
#include "DB/TCDBChangeNotifier.h"
#include "DB/TCDBReadScope.h"
#include "DB/TCDBTransaction.h"
#include "DB/TCDBUserRights.h"
#include "DB/TCDatabase.h"
#include "Host/TCException.h"
#include "TestDatabase.h"
#include "TestSchema.h"

#include <filesystem>
#include <functional>
#include <future>
#include <thread>

using Accessories::TCNullTypes;
using Accessories::TCRecordID;
using DB::TCDBOrder;
using DB::TCDBParam;
using DB::TCDBWhere;
using DB::TEDBChangeType;
using Names_t = std::vector<std::string>;
using namespace TestSchema;

using IteratorTest = DatabaseTest;

TEST_F(IteratorTest, ValuesOfEveryTypeRoundTrip) {
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    DB::TCDBAutoObject row;
    widgets.CreateObject(row);
    row.Field(Widgets::NAME).set_AsString(std::string("it's \"quoted\"\0with zero", 24));
    row.Field(Widgets::SIZE).set_AsBigInt(int64_t(1) << 40);
    row.Field(Widgets::WEIGHT).set_AsReal(2.25);
    row.Field(Widgets::ACTIVE).set_AsBool(false);
    row.Field(Widgets::OWNER).set_AsRecordID(TCRecordID(77));
    row.Field(Widgets::MADE).set_AsDateTime(TCUTCTime(1700000000));
    row.Field(Widgets::COLOR).set_AsNullString(TCNullTypes<std::string>());
    row.Save();
    ASSERT_TRUE(row.get_ID().IsNotNull());

    auto read = widgets.SelectPrimary(row.get_ID());
    ASSERT_EQ(read.get_RowCount(), 1u);
    EXPECT_EQ(read.Field(Widgets::NAME).get_AsString(), std::string("it's \"quoted\"\0with zero", 24));
    EXPECT_EQ(read.Field(Widgets::SIZE).get_AsBigInt(), int64_t(1) << 40);
    EXPECT_DOUBLE_EQ(read.Field(Widgets::WEIGHT).get_AsReal(), 2.25);
    EXPECT_FALSE(read.Field(Widgets::ACTIVE).get_AsBool());
    EXPECT_EQ(read.Field(Widgets::OWNER).get_AsRecordID(), TCRecordID(77));
    EXPECT_EQ(read.Field(Widgets::MADE).get_AsDateTime(), TCUTCTime(1700000000));
    EXPECT_TRUE(read.Field(Widgets::COLOR).IsNull()) << "an explicit null overrides the default";
    EXPECT_TRUE(read.Field(Widgets::COLOR).get_AsNullString().IsNull());
    EXPECT_EQ(read.Field(Widgets::COLOR).get_AsString(), "");
    EXPECT_EQ(read.Field(Widgets::WEIGHT).get_AsString(), "2.25");
    EXPECT_EQ(read.get_ID(), row.get_ID());
}

TEST_F(IteratorTest, NewRowTakesDefaultsForColumnsNotSet) {
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    DB::TCDBAutoObject row;
    widgets.CreateObject(row);
    row.Save();
    EXPECT_EQ(row.Field(Widgets::COLOR).get_AsString(), "grey") << "defaults are visible right after Save";
    EXPECT_TRUE(row.Field(Widgets::ACTIVE).get_AsBool());
    EXPECT_TRUE(row.Field(Widgets::SIZE).get_AsNullInt().IsNull());
    auto read = widgets.SelectPrimary(row.get_ID());
    EXPECT_EQ(read.Field(Widgets::COLOR).get_AsString(), "grey");
    EXPECT_EQ(read.Field(Widgets::NAME).get_AsString(), "");

    const TCRecordID id = row.get_ID();
    row.Field(Widgets::NAME).set_AsString("second");
    row.Save(); // saving the new row again updates it
    EXPECT_EQ(row.get_ID(), id);
    EXPECT_EQ(WidgetNames(), (std::vector<std::string>{"second"}));
}

TEST_F(IteratorTest, SaveWritesOnlyTheChangedColumns) {
    const TCRecordID id(AddWidget("w", 1));
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    auto first = widgets.SelectPrimary(id);
    auto second = widgets.SelectPrimary(id);
    first.Field(Widgets::NAME).set_AsString("renamed");
    first.Save();
    second.Field(Widgets::SIZE).set_AsInteger(9);
    second.Save(); // must not write its stale NAME back

    auto read = widgets.SelectPrimary(id);
    EXPECT_EQ(read.Field(Widgets::NAME).get_AsString(), "renamed");
    EXPECT_EQ(read.Field(Widgets::SIZE).get_AsInteger(), 9);
}

TEST_F(IteratorTest, RowsAreReadWhenTheSelectRuns) {
    AddWidget("a");
    AddWidget("b");
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    auto rows = widgets.Select("*", TCDBWhere(), DB::TCDBOrder(Widgets::NAME));
    EXPECT_EQ(widgets.DeleteWhere(TCDBWhere()), 2);
    EXPECT_EQ(Names(std::move(rows)), (std::vector<std::string>{"a", "b"}));
}

TEST(IteratorMisuse, EndAndStaleRowsThrow) {
    DB::TCDBIterator empty;
    EXPECT_TRUE(empty.IsEnd());
    EXPECT_EQ(empty.get_RowCount(), 0u);
    EXPECT_THROW(empty.Field(Widgets::NAME), TCException);
    EXPECT_THROW(empty.Save(), TCException);
    EXPECT_TRUE(empty.get_ExternalID().IsNull());
}

TEST_F(IteratorTest, ChangingAKeyOrADeletedRowFails) {
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
}

TEST_F(IteratorTest, DeleteCountsThisTableAndCascadesToDependents) {
    const int64_t a = AddWidget("a");
    const int64_t b = AddWidget("b");
    AddPart(a, "a1");
    AddPart(a, "a2");
    AddPart(b, "b1");
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    EXPECT_EQ(widgets.DeleteWhere(Widgets::ID == a), 1);
    EXPECT_EQ(CountRows(Parts::SPEC), 1);
    EXPECT_EQ(CountRows(Parts::SPEC, Parts::WIDGET == b), 1);
    EXPECT_EQ(widgets.DeleteWhere(Widgets::ID == a), 0);
}

// Five widgets a..e with sizes 1, 2, 3, null, 5.
class WhereTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        m_A = AddWidget("a", 1);
        m_B = AddWidget("b", 2);
        m_C = AddWidget("c", 3);
        m_D = AddWidget("d");
        m_E = AddWidget("e", 5);
    }
    int64_t m_A = 0, m_B = 0, m_C = 0, m_D = 0, m_E = 0;
};

TEST_F(WhereTest, ComparisonsWithValues) {
    EXPECT_EQ(WidgetNames(Widgets::SIZE == 2), (Names_t{"b"}));
    EXPECT_EQ(WidgetNames(Widgets::SIZE != 2), (Names_t{"a", "c", "d", "e"})) << "a null size differs from 2";
    EXPECT_EQ(WidgetNames(Widgets::SIZE < 3), (Names_t{"a", "b"}));
    EXPECT_EQ(WidgetNames(Widgets::SIZE <= 3), (Names_t{"a", "b", "c"}));
    EXPECT_EQ(WidgetNames(Widgets::SIZE > 3), (Names_t{"e"}));
    EXPECT_EQ(WidgetNames(Widgets::SIZE >= 3), (Names_t{"c", "e"}));
    EXPECT_EQ(WidgetNames(Widgets::NAME == "c"), (Names_t{"c"}));
}

TEST_F(WhereTest, ComparisonsWithNull) {
    const TCDBParam null;
    EXPECT_EQ(WidgetNames(Widgets::SIZE == null), (Names_t{"d"}));
    EXPECT_EQ(WidgetNames(Widgets::SIZE != null), (Names_t{"a", "b", "c", "e"}));
    EXPECT_EQ(WidgetNames(Widgets::SIZE.IsNull()), (Names_t{"d"}));
    EXPECT_EQ(WidgetNames(Widgets::SIZE.IsNotNull()), (Names_t{"a", "b", "c", "e"}));
    EXPECT_TRUE(WidgetNames(Widgets::SIZE < null).empty());
    EXPECT_TRUE(WidgetNames(Widgets::SIZE >= null).empty());
    EXPECT_EQ(WidgetNames(Widgets::OWNER == TCDBParam(TCRecordID())).size(), 5u)
        << "a null record ID is null";
}

TEST_F(WhereTest, AndOrKeepTheirGrouping) {
    // Pasted together without parentheses this would read "1 OR (2 AND NOT a)" and also give a.
    EXPECT_EQ(WidgetNames((Widgets::SIZE == 1 || Widgets::SIZE == 2) && Widgets::NAME != "a"),
              (Names_t{"b"}));
    EXPECT_EQ(WidgetNames(Widgets::SIZE == 1 || (Widgets::SIZE == 2 && Widgets::NAME == "x")),
              (Names_t{"a"}));
    EXPECT_EQ(WidgetNames(DB::Brackets(Widgets::SIZE == 5 || Widgets::SIZE == 1) && Widgets::SIZE > 1),
              (Names_t{"e"}));

    TCDBWhere appended = Widgets::SIZE >= 2 || Widgets::SIZE.IsNull();
    appended << (Widgets::NAME != "c");
    EXPECT_EQ(WidgetNames(appended), (Names_t{"b", "d", "e"}));
}

TEST_F(WhereTest, EmptySidesAreDropped) {
    TCDBWhere built;
    EXPECT_TRUE(built.IsEmpty());
    built << TCDBWhere();
    EXPECT_EQ(WidgetNames(built).size(), 5u);
    built = built || Widgets::SIZE == 1;
    built = built || Widgets::SIZE == 3;
    EXPECT_EQ(WidgetNames(built), (Names_t{"a", "c"}));
    EXPECT_EQ(WidgetNames(TCDBWhere() && Widgets::SIZE == 2), (Names_t{"b"}));
    EXPECT_TRUE(DB::Brackets(TCDBWhere()).IsEmpty());
}

// A key that is never null may be left out of the SQL, but it must still combine as "true".
TEST_F(WhereTest, AKeyTestIsTrueForEveryRowInEveryCombination) {
    const TCDBWhere key = Widgets::ID.IsNotNull();
    EXPECT_TRUE(key.IsAlwaysTrue());
    EXPECT_EQ(WidgetNames(key).size(), 5u);
    EXPECT_EQ(WidgetNames(key && Widgets::SIZE == 2), (Names_t{"b"}));
    EXPECT_EQ(WidgetNames(DB::Brackets(Widgets::SIZE < 3 && key)), (Names_t{"a", "b"}));
    EXPECT_EQ(WidgetNames(Widgets::SIZE == 2 || key).size(), 5u);
    EXPECT_EQ(WidgetNames(Widgets::ID.IsNull()).size(), 0u);
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    EXPECT_EQ(widgets.SelectCount("*", key), 5);
    EXPECT_EQ(widgets.SelectCount("*", key && Widgets::SIZE.IsNull()), 1);
}

TEST_F(WhereTest, InAndNotInWithSetsOfIDs) {
    const std::set<TCRecordID> ac{TCRecordID(m_A), TCRecordID(m_C), TCRecordID()};
    EXPECT_EQ(WidgetNames(Widgets::ID.In(ac)), (Names_t{"a", "c"}));
    EXPECT_EQ(WidgetNames(Widgets::ID.NotIn(ac)), (Names_t{"b", "d", "e"}));
    EXPECT_TRUE(WidgetNames(Widgets::ID.In(std::set<TCRecordID>())).empty());
    EXPECT_TRUE(WidgetNames(Widgets::ID.In({TCRecordID()})).empty()) << "only null IDs make an empty set";
    EXPECT_EQ(WidgetNames(Widgets::ID.NotIn(std::set<TCRecordID>())).size(), 5u);
    // An empty set keeps its meaning inside a combination instead of vanishing.
    EXPECT_EQ(WidgetNames(Widgets::SIZE == 1 || Widgets::ID.NotIn(std::set<TCRecordID>())).size(), 5u);
    EXPECT_EQ(WidgetNames(Widgets::ID.In(std::set<TCRecordID>()) || Widgets::SIZE == 1), (Names_t{"a"}));
    // Null columns are in no set.
    EXPECT_EQ(WidgetNames(Widgets::SIZE.NotIn({TCRecordID(1), TCRecordID(2)})), (Names_t{"c", "d", "e"}));

    std::set<TCRecordID> many{TCRecordID(m_B), TCRecordID(m_E)};
    for (int64_t id = 1000; id < 1300; ++id)
        many.insert(TCRecordID(id));
    EXPECT_EQ(WidgetNames(Widgets::ID.In(many)), (Names_t{"b", "e"}));
    EXPECT_EQ(WidgetNames(Widgets::ID.NotIn(many)), (Names_t{"a", "c", "d"}));
}

TEST_F(WhereTest, InAndNotInWithSubSelects) {
    AddPart(m_A, "x");
    AddPart(m_C, "x");
    AddPart(m_C, "y");
    AddPart(m_E, "y");
    DB::TCDBBasicTable parts(Parts::SPEC);
    EXPECT_EQ(WidgetNames(Widgets::ID.In(parts.GetSelect(Parts::WIDGET, Parts::LABEL == "x"))),
              (Names_t{"a", "c"}));
    EXPECT_EQ(WidgetNames(Widgets::ID.NotIn(parts.GetSelect(Parts::WIDGET, Parts::LABEL == "y"))),
              (Names_t{"a", "b", "d"}));
    EXPECT_EQ(WidgetNames(Widgets::ID.In(parts.GetSelect(Parts::WIDGET, TCDBWhere())) && Widgets::SIZE > 1),
              (Names_t{"c", "e"}));

    // The sub-select yields sizes 1, 2, 3 and a null; the null must not empty the NOT IN.
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    EXPECT_EQ(WidgetNames(Widgets::SIZE.NotIn(widgets.GetSelect(Widgets::SIZE, Widgets::NAME <= "d"))),
              (Names_t{"d", "e"}));
}

TEST_F(WhereTest, OrderByCombinedColumns) {
    AddWidget("f", 2);
    AddWidget("0", 2);
    const TCDBOrder bySizeThenName = TCDBOrder(Widgets::SIZE, true) + TCDBOrder(Widgets::NAME);
    EXPECT_EQ(WidgetNames(Widgets::SIZE.IsNotNull(), bySizeThenName),
              (Names_t{"e", "c", "0", "b", "f", "a"}));
    const TCDBOrder bySizeThenNameDown = TCDBOrder(Widgets::SIZE) + TCDBOrder(Widgets::NAME, true);
    EXPECT_EQ(WidgetNames(Widgets::SIZE.IsNotNull(), bySizeThenNameDown),
              (Names_t{"a", "f", "b", "0", "c", "e"}));
    EXPECT_EQ((TCDBOrder() + TCDBOrder(Widgets::NAME)).get_Sql(), TCDBOrder(Widgets::NAME).get_Sql());
}

TEST_F(WhereTest, SelectTopPagesThroughRows) {
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    const TCDBOrder byName(Widgets::NAME);
    EXPECT_EQ(Names(widgets.SelectTop("*", 2, TCDBWhere(), byName)), (Names_t{"a", "b"}));
    EXPECT_EQ(Names(widgets.SelectTop("*", 2, TCDBWhere(), byName, 2)), (Names_t{"c", "d"}));
    EXPECT_EQ(Names(widgets.SelectTop("*", 2, TCDBWhere(), byName, 4)), (Names_t{"e"}));
    EXPECT_TRUE(Names(widgets.SelectTop("*", 2, TCDBWhere(), byName, 6)).empty());
    EXPECT_EQ(Names(widgets.SelectTop("*", 0, TCDBWhere(), byName, 3)), (Names_t{"d", "e"}))
        << "0 = no limit";
    EXPECT_EQ(Names(widgets.SelectTop("*", 2, Widgets::SIZE.IsNotNull(), byName, 1)), (Names_t{"b", "c"}));
}

TEST_F(WhereTest, CountAndPrimaryKey) {
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    EXPECT_EQ(widgets.SelectCount("*", TCDBWhere()), 5);
    EXPECT_EQ(widgets.SelectCount("*", Widgets::SIZE > 1), 3);
    EXPECT_EQ(Names(widgets.SelectPrimary(TCRecordID(m_D))), (Names_t{"d"}));
    EXPECT_TRUE(widgets.SelectPrimary(TCRecordID()).IsEnd());
    EXPECT_EQ(widgets.SelectAll().get_RowCount(), 5u);
}

class RightsTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        m_A = TCRecordID(AddWidget("a"));
        m_B = TCRecordID(AddWidget("b"));
        m_C = TCRecordID(AddWidget("c"));
        DB::GrantRecordRight(m_User, WIDGETS_TABLE_ID, m_A, DB::RECORD_RIGHT_SEE);
        DB::GrantRecordRight(m_User, WIDGETS_TABLE_ID, m_B, DB::RECORD_RIGHT_CHANGE);
    }
    Names_t Visible(const TCRecordID& user, int level, const TCDBWhere& where = TCDBWhere()) {
        DB::TCDBBasicTable widgets(Widgets::SPEC);
        widgets.SetFilterByUserRights(user, level);
        return Names(widgets.Select("*", where, DB::TCDBOrder(Widgets::NAME)));
    }
    const TCRecordID m_User{7};
    TCRecordID m_A, m_B, m_C;
};

TEST_F(RightsTest, FilterKeepsRowsGrantedAtLeastTheLevel) {
    EXPECT_EQ(Visible(m_User, DB::RECORD_RIGHT_SEE), (Names_t{"a", "b"}));
    EXPECT_EQ(Visible(m_User, DB::RECORD_RIGHT_CHANGE), (Names_t{"b"}));
    EXPECT_TRUE(Visible(TCRecordID(8), DB::RECORD_RIGHT_SEE).empty());
    EXPECT_EQ(Visible(m_User, 0), (Names_t{"a", "b", "c"})) << "level 0 removes the filter";
    EXPECT_EQ(Visible(m_User, DB::RECORD_RIGHT_SEE, Widgets::NAME != "a"), (Names_t{"b"}));
}

TEST_F(RightsTest, FilterAppliesToCountsPagesAndSubSelects) {
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    widgets.SetFilterByUserRights(m_User, DB::RECORD_RIGHT_SEE);
    EXPECT_EQ(widgets.SelectCount("*", TCDBWhere()), 2);
    EXPECT_EQ(Names(widgets.SelectTop("*", 1, TCDBWhere(), DB::TCDBOrder(Widgets::NAME), 1)), (Names_t{"b"}));
    EXPECT_EQ(Names(widgets.SelectPrimary(m_C)), Names_t{});
    EXPECT_EQ(WidgetNames(Widgets::ID.NotIn(widgets.GetSelect(Widgets::ID, TCDBWhere()))), (Names_t{"c"}));
}

TEST_F(RightsTest, GrantReplacesAndRevokeRemoves) {
    DB::GrantRecordRight(m_User, WIDGETS_TABLE_ID, m_A, DB::RECORD_RIGHT_CHANGE);
    EXPECT_EQ(Visible(m_User, DB::RECORD_RIGHT_CHANGE), (Names_t{"a", "b"}));
    DB::GrantRecordRight(m_User, WIDGETS_TABLE_ID, m_A, DB::RECORD_RIGHT_SEE);
    EXPECT_EQ(Visible(m_User, DB::RECORD_RIGHT_CHANGE), (Names_t{"b"}));
    DB::RevokeRecordRight(m_User, WIDGETS_TABLE_ID, m_B);
    EXPECT_EQ(Visible(m_User, DB::RECORD_RIGHT_SEE), (Names_t{"a"}));
    EXPECT_NO_THROW(DB::RevokeRecordRight(m_User, WIDGETS_TABLE_ID, m_C));
}

TEST_F(RightsTest, GrantsOnlyOnExistingRows) {
    EXPECT_THROW(DB::GrantRecordRight(m_User, WIDGETS_TABLE_ID, TCRecordID(9999), 1), TCException);
    EXPECT_THROW(DB::GrantRecordRight(m_User, 12345, m_A, 1), TCException);
    EXPECT_THROW(DB::GrantRecordRight(m_User, WIDGETS_TABLE_ID, m_A, 0), TCException);
    EXPECT_THROW(DB::GrantRecordRight(TCRecordID(), WIDGETS_TABLE_ID, m_A, 1), TCException);
}

TEST_F(RightsTest, RightsGoWithTheirRowsIncludingCascades) {
    const TCRecordID part(AddPart(m_A.get_ID(), "p"));
    DB::GrantRecordRight(m_User, PARTS_TABLE_ID, part, DB::RECORD_RIGHT_SEE);
    ASSERT_EQ(CountRows(UserRecordRights::SPEC), 3);
    DB::TCDBBasicTable(Widgets::SPEC).DeleteWhere(Widgets::ID == m_A);
    EXPECT_EQ(CountRows(UserRecordRights::SPEC), 1);
    EXPECT_EQ(CountRows(UserRecordRights::SPEC, UserRecordRights::RECORD_ID == m_B), 1);
}

namespace {

int64_t AddWidgetWithExternalID(const std::string& name, const std::string& externalID) {
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    DB::TCDBAutoObject row;
    widgets.CreateObject(row);
    row.Field(Widgets::NAME).set_AsString(name);
    row.SetExternalID(externalID);
    row.Save();
    EXPECT_EQ(row.get_ExternalID().get_Value(""), externalID);
    return row.get_ID().get_ID();
}

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const TCException& e) {
        return e.GetHostMessage();
    }
    return "(no exception)";
}

} // namespace

using ExternalIDTest = DatabaseTest;

TEST_F(ExternalIDTest, RowsAreFoundByTheirExternalID) {
    const int64_t a = AddWidgetWithExternalID("a", "ext-a");
    AddWidgetWithExternalID("b", "ext-b");
    AddWidget("c");
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    auto found = widgets.Select("*", widgets.CreateWhereExternalIDEqualsTo("ext-a"));
    ASSERT_EQ(found.get_RowCount(), 1u);
    EXPECT_EQ(found.get_ID(), TCRecordID(a));
    EXPECT_TRUE(widgets.Select("*", widgets.CreateWhereExternalIDEqualsTo("ext-none")).IsEnd());
}

TEST_F(ExternalIDTest, SelectsFetchThemOnlyWhenEnabled) {
    const int64_t a = AddWidgetWithExternalID("a", "ext-a");
    const int64_t b = AddWidgetWithExternalID("b", "ext-b");
    AddWidget("c");
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    auto plain = widgets.SelectAll();
    EXPECT_TRUE(plain.GetExternalIDMap_TO_ID().empty());
    EXPECT_TRUE(plain.get_ExternalID().IsNull());

    widgets.SetEnableSelectExternalID(true);
    auto rows = widgets.Select("*", TCDBWhere(), DB::TCDBOrder(Widgets::NAME));
    const std::map<TCRecordID, std::string> expected{{TCRecordID(a), "ext-a"}, {TCRecordID(b), "ext-b"}};
    EXPECT_EQ(rows.GetExternalIDMap_TO_ID(), expected);
    ASSERT_EQ(rows.get_RowCount(), 3u) << "rows without an external ID are still selected";
    EXPECT_EQ(rows.get_ExternalID().get_Value(""), "ext-a");
    rows.Next();
    rows.Next();
    EXPECT_TRUE(rows.get_ExternalID().IsNull());
}

TEST_F(ExternalIDTest, DuplicatesAreRejectedAndLeaveNothingInserted) {
    AddWidgetWithExternalID("a", "dup");
    EXPECT_EQ(MessageOf([] { AddWidgetWithExternalID("b", "dup"); }),
              "External ID 'dup' already exists for table Widgets");
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
    EXPECT_THROW(AddWidgetWithExternalID("c", "dup"), TCException);
    transaction.Commit(); // the failed Save undid only its own part
    EXPECT_EQ(WidgetNames(), (std::vector<std::string>{"", "a", "kept"}));

    // The same text may identify a row of another table.
    DB::TCDBBasicTable parts(Parts::SPEC);
    DB::TCDBAutoObject part;
    parts.CreateObject(part);
    part.Field(Parts::WIDGET).set_AsRecordID(TCRecordID(AddWidget("owner")));
    part.SetExternalID("dup");
    EXPECT_NO_THROW(part.Save());
}

TEST_F(ExternalIDTest, DeletedWithTheirRowsIncludingCascades) {
    const int64_t a = AddWidgetWithExternalID("a", "ext-a");
    AddWidgetWithExternalID("b", "ext-b");
    DB::TCDBBasicTable parts(Parts::SPEC);
    DB::TCDBAutoObject part;
    parts.CreateObject(part);
    part.Field(Parts::WIDGET).set_AsRecordID(TCRecordID(a));
    part.SetExternalID("part-of-a");
    part.Save();
    ASSERT_EQ(CountRows(ExternalIDs::SPEC), 3);

    DB::TCDBBasicTable(Widgets::SPEC).DeleteWhere(Widgets::ID == a);
    EXPECT_EQ(CountRows(ExternalIDs::SPEC), 1);
    EXPECT_EQ(CountRows(ExternalIDs::SPEC, ExternalIDs::EXTERNAL_ID == "ext-b"), 1);
    // The freed text can be used again.
    EXPECT_NO_THROW(AddWidgetWithExternalID("again", "ext-a"));
}

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
    EXPECT_THROW(Open({Migrations()[0]}), TCException) << "a newer database is refused";
    EXPECT_THROW(CountRows(Widgets::SPEC), TCException) << "a closed database refuses use";
    Open(Migrations());
    EXPECT_EQ(DB::TCDatabase::get_SchemaVersion(), 2);
    const DB::TCDBFieldSpec extraA("Extra", "A", DB::TEDBFieldType::Integer);
    const DB::TCDBTableSpec extra{0, "Extra", &extraA, {}};
    EXPECT_THROW(CountRows(extra), TCException) << "the first half of the failed migration was undone";
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

using TransactionTest = DatabaseTest;

TEST_F(TransactionTest, CommitKeepsAndRollbackDiscards) {
    DB::TCDBTransaction kept;
    kept.Begin();
    AddWidget("kept");
    kept.Commit();
    EXPECT_FALSE(kept.IsActive());

    DB::TCDBTransaction undone;
    undone.Begin();
    const int64_t id = AddWidget("undone");
    AddPart(id, "part");
    DB::TCDBBasicTable(Widgets::SPEC).DeleteWhere(Widgets::NAME == "kept");
    undone.Rollback();
    EXPECT_EQ(WidgetNames(), (Names_t{"kept"}));
    EXPECT_EQ(CountRows(Parts::SPEC), 0);
}

TEST_F(TransactionTest, DestructorRollsBackWhatWasNotCommitted) {
    {
        DB::TCDBTransaction transaction;
        transaction.Begin();
        AddWidget("lost");
    }
    EXPECT_EQ(CountRows(Widgets::SPEC), 0);
    AddWidget("after"); // the connection is usable again
    EXPECT_EQ(WidgetNames(), (Names_t{"after"}));
}

TEST_F(TransactionTest, NestedTransactionsAreSavepoints) {
    DB::TCDBTransaction outer;
    outer.Begin();
    AddWidget("a");
    {
        DB::TCDBTransaction inner;
        inner.Begin();
        AddWidget("b");
        inner.Rollback();
    }
    {
        DB::TCDBTransaction inner;
        inner.Begin();
        AddWidget("c");
        inner.Commit();
    }
    EXPECT_EQ(WidgetNames(), (Names_t{"a", "c"}));
    outer.Commit();
    EXPECT_EQ(WidgetNames(), (Names_t{"a", "c"}));

    DB::TCDBTransaction undone;
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

TEST_F(TransactionTest, OuterCannotEndWhileInnerIsOpen) {
    DB::TCDBTransaction outer;
    outer.Begin();
    DB::TCDBTransaction inner;
    inner.Begin();
    EXPECT_THROW(outer.Commit(), TCException);
    EXPECT_THROW(outer.Begin(), TCException);
    inner.Commit();
    outer.Commit();
}

TEST_F(TransactionTest, OtherThreadsSeeOnlyCommittedRows) {
    DB::TCDBTransaction transaction;
    transaction.Begin();
    AddWidget("pending");
    EXPECT_EQ(std::async(std::launch::async, [] { return CountRows(Widgets::SPEC); }).get(), 0);
    transaction.Commit();
    EXPECT_EQ(std::async(std::launch::async, [] { return CountRows(Widgets::SPEC); }).get(), 1);
}

TEST_F(TransactionTest, BusyDatabaseIsReportedAfterTheTimeOut) {
    std::promise<void> locked;
    std::promise<void> release;
    std::thread holder([&] {
        DB::TCDBTransaction transaction;
        transaction.Begin();
        locked.set_value();
        release.get_future().wait();
    });
    locked.get_future().wait();
    DB::TCDBTransaction waiting(50);
    std::string message;
    try {
        waiting.Begin();
    } catch (const TCException& e) {
        message = e.GetHostMessage();
    }
    release.set_value();
    holder.join();
    EXPECT_EQ(message.rfind("database is busy", 0), 0u) << message;
    EXPECT_FALSE(waiting.IsActive());
    waiting.Begin(); // free again
    waiting.Commit();
}

// Inside a read scope the thread's reads share one snapshot: what other threads commit meanwhile stays
// out of sight, rows read by key again are the same rows, and the thread's own writes end the snapshot,
// so that it reads them back at once. After the scope everything committed is visible.
TEST_F(TransactionTest, ReadScopeSeesOneSnapshotUntilTheThreadWrites) {
    const int64_t id = AddWidget("before");
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    const auto nameByKey = [&widgets, id] {
        return widgets.SelectPrimary(Accessories::TCRecordID(id)).Field(Widgets::NAME).get_AsString();
    };
    const auto renameElsewhere = [id](const std::string& name) {
        std::async(std::launch::async, [id, name] {
            DB::TCDBBasicTable table(Widgets::SPEC);
            auto row = table.SelectPrimary(Accessories::TCRecordID(id));
            row.Field(Widgets::NAME).set_AsString(name);
            row.Save();
            AddWidget("other " + name);
        }).get();
    };
    {
        DB::TCDBReadScope scope;
        EXPECT_EQ(nameByKey(), "before");
        EXPECT_EQ(CountRows(Widgets::SPEC), 1);
        renameElsewhere("elsewhere");
        EXPECT_EQ(nameByKey(), "before");
        EXPECT_EQ(CountRows(Widgets::SPEC), 1);

        AddWidget("own"); // a write of this thread: from here on the newest data
        EXPECT_EQ(nameByKey(), "elsewhere");
        EXPECT_EQ(CountRows(Widgets::SPEC), 3);

        DB::TCDBTransaction transaction;
        transaction.Begin();
        auto row = widgets.SelectPrimary(Accessories::TCRecordID(id));
        row.Field(Widgets::NAME).set_AsString("own rename");
        row.Save();
        transaction.Commit();
        EXPECT_EQ(nameByKey(), "own rename");
        renameElsewhere("again");
        EXPECT_EQ(nameByKey(), "own rename");
    }
    EXPECT_EQ(nameByKey(), "again");
    EXPECT_EQ(CountRows(Widgets::SPEC), 4);
}

// Inside a write transaction, counts and rows read by key are remembered, but never past a write that
// changes them: the thread's own update, an insert into the counted table, an undone savepoint and a
// delete with its cascade all show at once.
TEST_F(TransactionTest, RememberedReadsFollowTheTransactionsOwnWrites) {
    const int64_t id = AddWidget("first");
    AddPart(id, "p");
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    const Accessories::TCRecordID key(id);
    const auto name = [&] {
        auto row = widgets.SelectPrimary(key);
        return row.IsEnd() ? std::string("gone") : row.Field(Widgets::NAME).get_AsString();
    };
    const auto rename = [&](const std::string& to) {
        auto row = widgets.SelectPrimary(key);
        row.Field(Widgets::NAME).set_AsString(to);
        row.Save();
    };

    DB::TCDBTransaction transaction;
    transaction.Begin();
    EXPECT_EQ(name(), "first");
    rename("renamed");
    EXPECT_EQ(name(), "renamed");
    EXPECT_EQ(CountRows(Parts::SPEC), 1);
    AddPart(id, "q");
    EXPECT_EQ(CountRows(Parts::SPEC), 2);
    EXPECT_EQ(name(), "renamed");
    {
        DB::TCDBTransaction inner;
        inner.Begin();
        rename("undone");
        EXPECT_EQ(name(), "undone");
        inner.Rollback();
    }
    EXPECT_EQ(name(), "renamed");
    widgets.DeleteWhere(Widgets::ID == key);
    EXPECT_EQ(name(), "gone");
    EXPECT_EQ(CountRows(Parts::SPEC), 0);
    transaction.Commit();
}

namespace {

// Collects the changes delivered to it.
class ChangeLog {
public:
    ChangeLog() { m_Listener.Set(this, &ChangeLog::OnChange); }
    std::vector<std::string> Drain() {
        m_Seen.clear();
        m_Listener.GetSignalEvent().Reset(); // as a waiting owner would consume it
        m_Listener.Drain();
        return m_Seen;
    }
    bool IsSignaled() { return m_Listener.GetSignalEvent().IsSignaled(); }

private:
    void OnChange(const DB::TCDBChange& change) {
        const char* type = change.Type == TEDBChangeType::Insert   ? "insert"
                           : change.Type == TEDBChangeType::Delete ? "delete"
                                                                   : "update";
        m_Seen.push_back(std::string(type) + " " + std::to_string(change.TableID) + "/" +
                         std::to_string(change.RecordID.get_ID()));
    }
    DB::TCDatabaseNotificationFunction<ChangeLog> m_Listener;
    std::vector<std::string> m_Seen;
};

std::string Change(const char* type, int table, int64_t id) {
    return std::string(type) + " " + std::to_string(table) + "/" + std::to_string(id);
}

} // namespace

using NotificationTest = DatabaseTest;

TEST_F(NotificationTest, CommitPublishesEveryChangeInOrder) {
    ChangeLog log;
    DB::TCDBTransaction transaction;
    transaction.Begin();
    const int64_t id = AddWidget("w");
    auto row = DB::TCDBBasicTable(Widgets::SPEC).SelectPrimary(TCRecordID(id));
    row.Field(Widgets::SIZE).set_AsInteger(3);
    row.Save();
    EXPECT_TRUE(log.Drain().empty()) << "nothing before the commit";
    transaction.Commit();
    EXPECT_TRUE(log.IsSignaled());
    EXPECT_EQ(log.Drain(), (std::vector<std::string>{Change("insert", WIDGETS_TABLE_ID, id),
                                                     Change("update", WIDGETS_TABLE_ID, id)}));
}

TEST_F(NotificationTest, RollbackPublishesNothing) {
    ChangeLog log;
    {
        DB::TCDBTransaction transaction;
        transaction.Begin();
        AddWidget("w");
        transaction.Rollback();
    }
    {
        DB::TCDBTransaction transaction;
        transaction.Begin();
        AddWidget("y");
    } // destructor rollback
    EXPECT_FALSE(log.IsSignaled());
    EXPECT_TRUE(log.Drain().empty());

    // The dropped changes do not resurface with the next commit either.
    const int64_t id = AddWidget("x");
    EXPECT_EQ(log.Drain(), (std::vector<std::string>{Change("insert", WIDGETS_TABLE_ID, id)}));
}

TEST_F(NotificationTest, SavepointRollbackDropsOnlyItsChanges) {
    ChangeLog log;
    DB::TCDBTransaction outer;
    outer.Begin();
    const int64_t kept = AddWidget("kept");
    {
        DB::TCDBTransaction inner;
        inner.Begin();
        AddWidget("dropped");
        inner.Rollback();
    }
    outer.Commit();
    EXPECT_EQ(log.Drain(), (std::vector<std::string>{Change("insert", WIDGETS_TABLE_ID, kept)}));
}
