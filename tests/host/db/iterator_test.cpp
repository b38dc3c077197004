#include "support/TestDatabase.h"
#include "support/TestSchema.h"

#include "DB/TCDBBasicTable.h"
#include "Host/TCException.h"

using namespace TestSchema;
using Accessories::TCNullTypes;
using Accessories::TCRecordID;
using DB::TCDBWhere;

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
}

TEST_F(IteratorTest, SavingANewRowTwiceUpdatesTheSecondTime) {
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    DB::TCDBAutoObject row;
    widgets.CreateObject(row);
    row.Field(Widgets::NAME).set_AsString("first");
    row.Save();
    const TCRecordID id = row.get_ID();
    row.Field(Widgets::NAME).set_AsString("second");
    row.Save();
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
