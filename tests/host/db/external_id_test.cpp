#include "support/TestDatabase.h"
#include "support/TestSchema.h"

#include "DB/TCDBBasicTable.h"
#include "DB/TCDBTransaction.h"
#include "Host/TCException.h"

using namespace TestSchema;
using Accessories::TCRecordID;
using DB::TCDBWhere;

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

    DB::TCDBTransaction transaction;
    transaction.Begin();
    AddWidget("kept");
    EXPECT_THROW(AddWidgetWithExternalID("c", "dup"), TCException);
    transaction.Commit(); // the failed Save undid only its own part
    EXPECT_EQ(WidgetNames(), (std::vector<std::string>{"a", "kept"}));

    // The same text may identify a row of another table.
    DB::TCDBBasicTable parts(Parts::SPEC);
    DB::TCDBAutoObject part;
    parts.CreateObject(part);
    part.Field(Parts::WIDGET).set_AsRecordID(TCRecordID(AddWidget("owner")));
    part.SetExternalID("dup");
    EXPECT_NO_THROW(part.Save());
}

TEST_F(ExternalIDTest, FailedSaveCanBeRetriedWithAnotherID) {
    AddWidgetWithExternalID("a", "taken");
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    DB::TCDBAutoObject row;
    widgets.CreateObject(row);
    row.Field(Widgets::NAME).set_AsString("b");
    row.SetExternalID("taken");
    EXPECT_THROW(row.Save(), TCException);
    row.SetExternalID("free");
    row.Save();
    EXPECT_EQ(CountRows(Widgets::SPEC), 2);
    EXPECT_EQ(widgets.Select("*", widgets.CreateWhereExternalIDEqualsTo("free")).get_ID(), row.get_ID());
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
