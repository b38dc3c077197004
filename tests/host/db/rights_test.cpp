#include "support/TestDatabase.h"
#include "support/TestSchema.h"

#include "DB/TCDBBasicTable.h"
#include "DB/TCDBUserRights.h"
#include "Host/TCException.h"

using namespace TestSchema;
using Accessories::TCRecordID;
using DB::TCDBWhere;
using Names_t = std::vector<std::string>;

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
