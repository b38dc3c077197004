#include "support/TestDatabase.h"
#include "support/TestSchema.h"

#include "DB/TCDBBasicTable.h"

using namespace TestSchema;
using Accessories::TCRecordID;
using DB::TCDBOrder;
using DB::TCDBParam;
using DB::TCDBWhere;
using Names_t = std::vector<std::string>;

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
}

TEST_F(WhereTest, LargeSetsOfIDs) {
    std::set<TCRecordID> many;
    for (int64_t id = 1000; id < 1300; ++id)
        many.insert(TCRecordID(id));
    many.insert(TCRecordID(m_B));
    many.insert(TCRecordID(m_E));
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
