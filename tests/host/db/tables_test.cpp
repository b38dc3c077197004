// The host tables on a real database file: every column stores what is written, links are enforced,
// deletes cascade as docs/database-tables.md says, and the table operations behave.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "DB/TCDatabase.h"
#include "DB/Tables/AllTables.h"
#include "Host/TCException.h"
#include "support/TestDatabase.h"

namespace {

using Accessories::TCNullTypes;
using Accessories::TCRecordID;
using DB::TCDBFieldSpec;
using DB::TCDBParam;
using DB::TCDBTableSpec;
using Link = Access::TCDBAccessCardAccessGroupLinks::TCAccGroupLinkDetail;
using Values = std::map<const TCDBFieldSpec*, TCDBParam>;

// Which table each link column names ("Table.COLUMN" -> table).
const std::map<std::string, std::string> LINK_TARGETS = {
    {"StaticWeekProgramFunctions.WEEKTYPE", "StaticWeekProgramTypes"},
    {"CommonWeekPrograms.TYPE", "StaticWeekProgramTypes"},
    {"CommonWeekProgramPeriods.LINKTO", "CommonWeekPrograms"},
    {"CommonWeekProgramPeriods.FUNCTION", "StaticWeekProgramFunctions"},
    {"CommonHolidayPeriods.LINK_HOLIDAY", "CommonHolidays"},
    {"AccessDoors.KEYNODE", "SystemKeynodes"},
    {"AccessReaders.DOORLINK", "AccessDoors"},
    {"AccessMultiDoorsLink.DOOR_LINK", "AccessDoors"},
    {"AccessMultiDoorsLink.READER_LINK", "AccessReaders"},
    {"AccessCards.CARDHOLDER", "AccessCardHolders"},
    {"AccessCards.TYPE", "AccessCardTypes"},
    {"AccessGroupRights.ACCESSGROUP", "AccessGroups"},
    {"AccessGroupRights.DOOR", "AccessDoors"},
    {"AccessGroupRights.WEEKPROGRAM", "CommonWeekPrograms"},
    {"AccessCardAccessGroupLinks.CARD_LINK", "AccessCards"},
    {"AccessCardAccessGroupLinks.ACCESS_GROUP_LINK", "AccessGroups"},
    {"WebUserClaims.USER_LINK", "WebUsers"},
    {"WebCloudUsers.WEB_USER_LINK", "WebUsers"},
    {"EventLogDetails.EVENT_LINK", "EventLog"},
};

std::string ColumnKey(const TCDBFieldSpec& field) {
    return std::string(field.get_TableName()) + "." + field.get_Name();
}

const TCDBTableSpec& SpecNamed(const std::string& name) {
    for (const TCDBTableSpec* spec : DB::AllTableSpecs())
        if (name == spec->Name) return *spec;
    throw std::runtime_error("no table " + name);
}

// A value of the column's type that differs per column of the table and per `seed`.
TCDBParam SampleValue(const TCDBTableSpec& spec, const TCDBFieldSpec& field, int seed) {
    size_t index = 0;
    while (index < spec.Fields.size() && spec.Fields[index] != &field)
        ++index;
    const long long n = seed * 100LL + index;
    switch (field.get_Type()) {
    case DB::TEDBFieldType::Integer:
        return int(n);
    case DB::TEDBFieldType::BigInt:
        return 5'000'000'000LL + n;
    case DB::TEDBFieldType::Bool:
        return true;
    case DB::TEDBFieldType::Text:
        // Digits with leading zeros, as card numbers and PIN codes are: a column of numeric affinity
        // would turn them into a number and lose the zeros.
        return "00" + std::to_string(n);
    case DB::TEDBFieldType::RecordID:
        return TCRecordID(900'000 + n);
    case DB::TEDBFieldType::DateTime:
        return TCUTCTime(1'700'000'000 + n);
    case DB::TEDBFieldType::Real:
        return double(n) + 0.5;
    }
    return TCDBParam();
}

void Write(DB::TCDBField field, const TCDBParam& value) {
    const auto& storage = value.get_Storage();
    if (const auto* integer = std::get_if<int64_t>(&storage)) return field.set_AsBigInt(*integer);
    if (const auto* real = std::get_if<double>(&storage)) return field.set_AsReal(*real);
    if (const auto* text = std::get_if<std::string>(&storage)) return field.set_AsString(*text);
    field.SetNull();
}

// The column read back through the getter of its declared type.
TCDBParam ReadTyped(DB::TCDBField field, DB::TEDBFieldType type) {
    if (field.IsNull()) return TCDBParam();
    switch (type) {
    case DB::TEDBFieldType::Integer:
        return field.get_AsInteger();
    case DB::TEDBFieldType::BigInt:
        return (long long)field.get_AsBigInt();
    case DB::TEDBFieldType::Bool:
        return field.get_AsBool();
    case DB::TEDBFieldType::Text:
        return field.get_AsString();
    case DB::TEDBFieldType::RecordID:
        return field.get_AsRecordID();
    case DB::TEDBFieldType::DateTime:
        return field.get_AsDateTime();
    case DB::TEDBFieldType::Real:
        return field.get_AsReal();
    }
    return TCDBParam();
}

std::string Describe(const TCDBParam& value) {
    const auto& storage = value.get_Storage();
    if (const auto* integer = std::get_if<int64_t>(&storage)) return std::to_string(*integer);
    if (const auto* real = std::get_if<double>(&storage)) return std::to_string(*real);
    if (const auto* text = std::get_if<std::string>(&storage)) return '"' + *text + '"';
    return "null";
}

bool Exists(const TCDBTableSpec& spec, const TCRecordID& id) {
    return DB::TCDBBasicTable(spec).SelectPrimary(id).IsNotEnd();
}

class TablesTest : public testing::Test {
protected:
    void SetUp() override { DB::TCDatabase::Open(DatabasePath()); }
    void TearDown() override { DB::TCDatabase::Close(); }
    std::string DatabasePath() const { return m_Dir.get_Path() + "/test.db"; }

    // Inserts a row with a sample value in every column; links not given in `values` name the row of the
    // target table inserted last, made first when there is none.
    TCRecordID Insert(const TCDBTableSpec& spec, const Values& values = {}, int seed = 1) {
        DB::TCDBBasicTable table(spec);
        DB::TCDBAutoObject row;
        table.CreateObject(row);
        for (const TCDBFieldSpec* field : spec.Fields) {
            if (field == spec.IDField) continue;
            const auto given = values.find(field);
            const auto target = LINK_TARGETS.find(ColumnKey(*field));
            if (given != values.end())
                Write(row.Field(*field), given->second);
            else if (target != LINK_TARGETS.end())
                Write(row.Field(*field), LatestRow(target->second));
            else
                Write(row.Field(*field), SampleValue(spec, *field, seed));
        }
        row.Save(false);
        const TCRecordID id = row.Field(*spec.IDField).get_AsRecordID();
        m_Latest[spec.Name] = id;
        return id;
    }

    TCRecordID LatestRow(const std::string& table) {
        const auto latest = m_Latest.find(table);
        return latest != m_Latest.end() ? latest->second : Insert(SpecNamed(table));
    }

    TempDir m_Dir;
    std::map<std::string, TCRecordID> m_Latest;
};

TEST_F(TablesTest, DescriptionsAreConsistent) {
    std::set<int> numbers;
    std::set<std::string> names;
    for (const TCDBTableSpec* spec : DB::AllTableSpecs()) {
        SCOPED_TRACE(spec->Name);
        EXPECT_TRUE(numbers.insert(spec->TableID).second) << "table number used twice";
        EXPECT_TRUE(names.insert(spec->Name).second);
        EXPECT_STREQ(spec->IDField->get_Name(), "ID");
        for (const TCDBFieldSpec* field : spec->Fields)
            EXPECT_STREQ(field->get_TableName(), spec->Name);
    }
    // Event details name doors, readers and web users by these numbers.
    EXPECT_EQ(Access::TCDBDoors().get_TableID(), 4001);
    EXPECT_EQ(Access::TCDBReaders().get_TableID(), 4002);
    EXPECT_EQ(Web::TCDBWebUsers().get_TableID(), 5030);
}

TEST_F(TablesTest, EveryColumnReadsBackWhatWasWritten) {
    int seed = 1;
    for (const TCDBTableSpec* spec : DB::AllTableSpecs()) {
        SCOPED_TRACE(spec->Name);
        const TCRecordID id = Insert(*spec, {}, ++seed);
        ASSERT_TRUE(id.IsNotNull());
        DB::TCDBIterator row = DB::TCDBBasicTable(*spec).SelectPrimary(id);
        ASSERT_TRUE(row.IsNotEnd());
        for (const TCDBFieldSpec* field : spec->Fields) {
            if (field == spec->IDField) continue;
            const auto target = LINK_TARGETS.find(ColumnKey(*field));
            const TCDBParam expected = target != LINK_TARGETS.end() ? TCDBParam(m_Latest.at(target->second))
                                                                    : SampleValue(*spec, *field, seed);
            EXPECT_EQ(Describe(ReadTyped(row.Field(*field), field->get_Type())), Describe(expected))
                << field->get_Name();
        }
    }
}

TEST_F(TablesTest, LinksToMissingRowsAreRefused) {
    for (const auto& [column, target] : LINK_TARGETS) {
        SCOPED_TRACE(column);
        const TCDBTableSpec& spec = SpecNamed(column.substr(0, column.find('.')));
        const TCDBFieldSpec* link = nullptr;
        for (const TCDBFieldSpec* field : spec.Fields)
            if (ColumnKey(*field) == column) link = field;
        ASSERT_NE(link, nullptr);
        EXPECT_THROW(Insert(spec, {{link, TCRecordID(987'654)}}), TCException);
    }
}

TEST_F(TablesTest, UniqueKeysRefuseDuplicates) {
    Insert(Table_WebUsers::SPEC, {{&Table_WebUsers::NAME, "admin"}});
    EXPECT_THROW(Insert(Table_WebUsers::SPEC, {{&Table_WebUsers::NAME, "admin"}}), TCException);

    const TCRecordID group = Insert(Table_AccessGroups::SPEC);
    const TCRecordID door = Insert(Table_AccessDoors::SPEC);
    const Values right = {{&Table_AccessGroupRights::ACCESSGROUP, group},
                          {&Table_AccessGroupRights::DOOR, door}};
    Insert(Table_AccessGroupRights::SPEC, right);
    EXPECT_THROW(Insert(Table_AccessGroupRights::SPEC, right), TCException);

    const Values link = {{&Table_AccessCardAccessGroupLinks::CARD_LINK, Insert(Table_AccessCards::SPEC)},
                         {&Table_AccessCardAccessGroupLinks::ACCESS_GROUP_LINK, group}};
    Insert(Table_AccessCardAccessGroupLinks::SPEC, link);
    EXPECT_THROW(Insert(Table_AccessCardAccessGroupLinks::SPEC, link), TCException);
}

TEST_F(TablesTest, DeletingACardHolderTakesItsCardsAndTheirLinks) {
    const TCRecordID holder = Insert(Table_AccessCardHolders::SPEC);
    const TCRecordID card = Insert(Table_AccessCards::SPEC, {{&Table_AccessCards::CARDHOLDER, holder}});
    const TCRecordID link = Insert(Table_AccessCardAccessGroupLinks::SPEC);
    const TCRecordID group = m_Latest.at("AccessGroups");
    const TCRecordID otherCard = Insert(
        Table_AccessCards::SPEC, {{&Table_AccessCards::CARDHOLDER, Insert(Table_AccessCardHolders::SPEC)}});

    EXPECT_TRUE(Access::TCDBAccessCardHolders().DeleteByID(holder));
    EXPECT_FALSE(Exists(Table_AccessCards::SPEC, card));
    EXPECT_FALSE(Exists(Table_AccessCardAccessGroupLinks::SPEC, link));
    EXPECT_TRUE(Exists(Table_AccessGroups::SPEC, group));
    EXPECT_TRUE(Exists(Table_AccessCards::SPEC, otherCard));
    EXPECT_FALSE(Access::TCDBAccessCardHolders().DeleteByID(holder));
}

TEST_F(TablesTest, DeletingACardTakesOnlyItsLinks) {
    const TCRecordID card = Insert(Table_AccessCards::SPEC);
    const TCRecordID holder = m_Latest.at("AccessCardHolders");
    const TCRecordID link = Insert(Table_AccessCardAccessGroupLinks::SPEC);

    EXPECT_TRUE(Access::TCDBAccessCards().DeleteByID(card));
    EXPECT_FALSE(Exists(Table_AccessCardAccessGroupLinks::SPEC, link));
    EXPECT_TRUE(Exists(Table_AccessGroups::SPEC, m_Latest.at("AccessGroups")));
    EXPECT_TRUE(Exists(Table_AccessCardHolders::SPEC, holder));
    EXPECT_FALSE(Access::TCDBAccessCards().DeleteByID(TCRecordID()));
}

TEST_F(TablesTest, DeletingAnAccessGroupTakesItsRightsAndCardLinks) {
    const TCRecordID group = Insert(Table_AccessGroups::SPEC);
    const TCRecordID right = Insert(Table_AccessGroupRights::SPEC);
    const TCRecordID link = Insert(Table_AccessCardAccessGroupLinks::SPEC);

    EXPECT_THROW(Access::TCDBAccessGroups().DeleteByID(group, true), TCException);
    EXPECT_TRUE(Exists(Table_AccessGroupRights::SPEC, right));

    EXPECT_TRUE(Access::TCDBAccessGroups().DeleteByID(group, false));
    EXPECT_FALSE(Exists(Table_AccessGroupRights::SPEC, right));
    EXPECT_FALSE(Exists(Table_AccessCardAccessGroupLinks::SPEC, link));
    for (const char* kept : {"AccessCards", "AccessDoors", "CommonWeekPrograms"})
        EXPECT_TRUE(Exists(SpecNamed(kept), m_Latest.at(kept))) << kept;
}

TEST_F(TablesTest, AWeekProgramInUseCannotBeDeleted) {
    const TCRecordID used = Insert(Table_CommonWeekPrograms::SPEC);
    const TCRecordID usedPeriod = Insert(Table_CommonWeekProgramPeriods::SPEC);
    Insert(Table_AccessGroupRights::SPEC);
    const TCRecordID unused = Insert(Table_CommonWeekPrograms::SPEC);
    const TCRecordID unusedPeriod = Insert(Table_CommonWeekProgramPeriods::SPEC);

    EXPECT_THROW(System::TCDBWeekPrograms().DeleteByID(used), TCException);
    EXPECT_TRUE(Exists(Table_CommonWeekProgramPeriods::SPEC, usedPeriod));
    // The schema refuses it as well when the table operation is bypassed.
    EXPECT_THROW(System::TCDBWeekPrograms().DeleteWhere(Table_CommonWeekPrograms::ID == used), TCException);
    EXPECT_TRUE(Exists(Table_CommonWeekPrograms::SPEC, used));

    EXPECT_TRUE(System::TCDBWeekPrograms().DeleteByID(unused));
    EXPECT_FALSE(Exists(Table_CommonWeekProgramPeriods::SPEC, unusedPeriod));
}

TEST_F(TablesTest, DeletingAParentTakesItsDependentRows) {
    const TCRecordID holidayPeriod = Insert(Table_CommonHolidayPeriods::SPEC);
    EXPECT_TRUE(System::TCDBHolidays().Delete(m_Latest.at("CommonHolidays")));
    EXPECT_FALSE(Exists(Table_CommonHolidayPeriods::SPEC, holidayPeriod));

    const TCRecordID keynode = Insert(Table_SystemKeynodes::SPEC);
    const TCRecordID door = Insert(Table_AccessDoors::SPEC);
    const TCRecordID reader = Insert(Table_AccessReaders::SPEC);
    const TCRecordID multiDoor = Insert(Table_AccessMultiDoorsLink::SPEC);
    const TCRecordID right = Insert(Table_AccessGroupRights::SPEC);
    EXPECT_EQ(System::TCDBKeynodes().DeleteWhere(Table_SystemKeynodes::ID == keynode), 1);
    const std::pair<const TCDBTableSpec*, TCRecordID> doorRows[] = {
        {&Table_AccessDoors::SPEC, door},
        {&Table_AccessReaders::SPEC, reader},
        {&Table_AccessMultiDoorsLink::SPEC, multiDoor},
        {&Table_AccessGroupRights::SPEC, right}};
    for (const auto& [spec, id] : doorRows)
        EXPECT_FALSE(Exists(*spec, id)) << spec->Name;
    EXPECT_TRUE(Exists(Table_AccessGroups::SPEC, m_Latest.at("AccessGroups")));

    const TCRecordID user = Insert(Table_WebUsers::SPEC);
    const TCRecordID claim = Insert(Table_WebUserClaims::SPEC);
    const TCRecordID cloudUser = Insert(Table_WebCloudUsers::SPEC);
    Web::TCDBWebUsers().DeleteWhere(Table_WebUsers::ID == user);
    EXPECT_FALSE(Exists(Table_WebUserClaims::SPEC, claim));
    EXPECT_FALSE(Exists(Table_WebCloudUsers::SPEC, cloudUser));

    const TCRecordID event = Insert(Table_EventLog::SPEC);
    const TCRecordID detail = Insert(Table_EventLogDetails::SPEC);
    Event::TCDBEventLog().DeleteWhere(Table_EventLog::ID == event);
    EXPECT_FALSE(Exists(Table_EventLogDetails::SPEC, detail));
}

class CardLinksTest : public TablesTest {
protected:
    void SetUp() override {
        TablesTest::SetUp();
        m_Card = Insert(Table_AccessCards::SPEC);
        m_OtherCard = Insert(Table_AccessCards::SPEC);
        for (TCRecordID* group : {&m_GroupA, &m_GroupB, &m_GroupC})
            *group = Insert(Table_AccessGroups::SPEC);
        AddLink(m_Card, m_GroupA);
        m_RowB = AddLink(m_Card, m_GroupB);
        AddLink(m_OtherCard, m_GroupA);
    }

    TCRecordID AddLink(const TCRecordID& card, const TCRecordID& group) {
        return Insert(Table_AccessCardAccessGroupLinks::SPEC,
                      {{&Table_AccessCardAccessGroupLinks::CARD_LINK, card},
                       {&Table_AccessCardAccessGroupLinks::ACCESS_GROUP_LINK, group}});
    }

    struct StoredLink {
        TCRecordID Row;
        TCNullTypes<TCUTCTime> ValidFrom, ValidTo;
    };
    std::map<TCRecordID, StoredLink> LinksOf(const TCRecordID& card) {
        namespace Columns = Table_AccessCardAccessGroupLinks;
        std::map<TCRecordID, StoredLink> links;
        for (auto row = Access::TCDBAccessCardAccessGroupLinks().Select("*", Columns::CARD_LINK == card);
             row.IsNotEnd(); row.Next())
            links[row.Field(Columns::ACCESS_GROUP_LINK).get_AsRecordID()] = {
                row.get_ID(), row.Field(Columns::VALID_FROM).get_AsNullDateTime(),
                row.Field(Columns::VALID_TO).get_AsNullDateTime()};
        return links;
    }

    TCRecordID m_Card, m_OtherCard, m_GroupA, m_GroupB, m_GroupC, m_RowB;
};

TEST_F(CardLinksTest, SetByCardMakesTheLinksExactlyTheGivenOnes) {
    // Without removing, unlisted links stay.
    Access::TCDBAccessCardAccessGroupLinks().SetByCard(m_Card, {{m_GroupC, TCUTCTime(5), {}}}, false);
    EXPECT_EQ(LinksOf(m_Card).size(), 3u);
    EXPECT_EQ(LinksOf(m_Card).at(m_GroupC).ValidFrom, TCNullTypes<TCUTCTime>(TCUTCTime(5)));

    Access::TCDBAccessCardAccessGroupLinks().SetByCard(
        m_Card, {{m_GroupB, TCUTCTime(200), TCUTCTime(300)}, {m_GroupC, {}, {}}}, true);

    const auto links = LinksOf(m_Card);
    ASSERT_EQ(links.size(), 2u);
    ASSERT_EQ(links.count(m_GroupA), 0u);
    EXPECT_EQ(links.at(m_GroupB).Row, m_RowB); // updated in place
    EXPECT_EQ(links.at(m_GroupB).ValidFrom, TCNullTypes<TCUTCTime>(TCUTCTime(200)));
    EXPECT_EQ(links.at(m_GroupB).ValidTo, TCNullTypes<TCUTCTime>(TCUTCTime(300)));
    EXPECT_TRUE(links.at(m_GroupC).ValidFrom.IsNull());
    EXPECT_TRUE(links.at(m_GroupC).ValidTo.IsNull());
    EXPECT_EQ(LinksOf(m_OtherCard).count(m_GroupA), 1u);

    Access::TCDBAccessCardAccessGroupLinks().SetByCard(m_Card, {}, true);
    EXPECT_TRUE(LinksOf(m_Card).empty());
}

TEST_F(CardLinksTest, SetByCardRefusesBadListsAndWritesNothing) {
    Access::TCDBAccessCardAccessGroupLinks links;
    EXPECT_THROW(links.SetByCard(m_Card, {{m_GroupC, {}, {}}, {m_GroupC, {}, {}}}, true), TCException);
    EXPECT_THROW(links.SetByCard(m_Card, {{TCRecordID(), {}, {}}}, true), TCException);
    EXPECT_THROW(links.SetByCard(TCRecordID(), {{m_GroupC, {}, {}}}, true), TCException);
    // A group that does not exist fails in the database after the card's other links were removed.
    EXPECT_THROW(links.SetByCard(m_Card, {{TCRecordID(987'654), {}, {}}}, true), TCException);

    const auto stored = LinksOf(m_Card);
    EXPECT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored.count(m_GroupA), 1u);
    EXPECT_EQ(stored.count(m_GroupB), 1u);
}

TEST_F(TablesTest, OwnKeynodeIsRememberedUntilItsRowGoes) {
    EXPECT_TRUE(System::TCDBKeynodes::get_OwnID(true).IsNull());
    EXPECT_EQ(System::TCDBKeynodes::get_OwnGUID(), "");

    Insert(Table_SystemKeynodes::SPEC);
    const TCRecordID own =
        Insert(Table_SystemKeynodes::SPEC, {{&Table_SystemKeynodes::GUID, "7f3a-guid"}}, 2);
    System::TCDBKeynodes::set_OwnID(own);
    EXPECT_EQ(System::TCDBKeynodes::get_OwnID(true), own);
    EXPECT_EQ(System::TCDBKeynodes::get_OwnGUID(), "7f3a-guid");

    System::TCDBKeynodes().DeleteWhere(Table_SystemKeynodes::ID == own);
    EXPECT_TRUE(System::TCDBKeynodes::get_OwnID(true).IsNull());
    EXPECT_EQ(System::TCDBKeynodes::get_OwnID(false), own);
    EXPECT_EQ(System::TCDBKeynodes::get_OwnGUID(), "");

    System::TCDBKeynodes::set_OwnID(TCRecordID());
    EXPECT_TRUE(System::TCDBKeynodes::get_OwnID(false).IsNull());
}

TEST_F(TablesTest, WeekProgramNamesPassThroughTranslation) {
    const TCRecordID key =
        Insert(Table_CommonWeekPrograms::SPEC, {{&Table_CommonWeekPrograms::NAME, "_t_Always"}});
    const TCRecordID none =
        Insert(Table_CommonWeekPrograms::SPEC, {{&Table_CommonWeekPrograms::NAME, TCDBParam()}});
    DB::TCDBIterator row = System::TCDBWeekPrograms().SelectPrimary(key);
    EXPECT_EQ(System::TCDBWeekPrograms::GetTranslatedName(row), TCNullTypes<std::string>("Always"));
    row = System::TCDBWeekPrograms().SelectPrimary(none);
    EXPECT_TRUE(System::TCDBWeekPrograms::GetTranslatedName(row).IsNull());
}

} // namespace
