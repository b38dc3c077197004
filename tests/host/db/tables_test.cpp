// The host tables (docs/database-tables.md) and the event log on a real database file.
#include "DB/TCDBInsertRow.h"
#include "DB/TCDBTransaction.h"
#include "DB/TCDatabase.h"
#include "DB/Tables/AllTables.h"
#include "Event/HostEvents.h"
#include "Event/KeynodeWebApiEvents.h"
#include "Event/TCClientEvent.h"
#include "Event/TCEventReader.h"
#include "Host/TCException.h"
#include "support/TestDatabase.h"

#include <algorithm>
#include <map>
#include <set>
#include <thread>

namespace {

using Accessories::TCNullTypes;
using Accessories::TCRecordID;
using DB::TCDBFieldSpec;
using DB::TCDBParam;
using DB::TCDBTableSpec;
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
    {"EventLogDetails.EVENT_LINK", "EventLog"}};

std::string ColumnKey(const TCDBFieldSpec& field) {
    return std::string(field.get_TableName()) + "." + field.get_Name();
}

const TCDBTableSpec& SpecNamed(const std::string& name) {
    for (const TCDBTableSpec* spec : DB::AllTableSpecs())
        if (name == spec->Name) return *spec;
    throw std::runtime_error("no table " + name);
}

// A value of the column's type that differs per column of the table and per `seed`. Texts are digits with
// leading zeros, as card numbers and PIN codes are: a column of numeric affinity would lose the zeros.
TCDBParam SampleValue(const TCDBTableSpec& spec, const TCDBFieldSpec& field, int seed) {
    using T = DB::TEDBFieldType;
    const long long n =
        seed * 100LL + (std::find(spec.Fields.begin(), spec.Fields.end(), &field) - spec.Fields.begin());
    const T type = field.get_Type();
    return type == T::Integer    ? TCDBParam(int(n))
           : type == T::BigInt   ? TCDBParam(5'000'000'000LL + n)
           : type == T::Bool     ? TCDBParam(true)
           : type == T::Text     ? TCDBParam("00" + std::to_string(n))
           : type == T::RecordID ? TCDBParam(TCRecordID(900'000 + n))
           : type == T::DateTime ? TCDBParam(TCUTCTime(1'700'000'000 + n))
                                 : TCDBParam(double(n) + 0.5);
}

// The column read back through the getter of its declared type.
TCDBParam ReadTyped(DB::TCDBField field, DB::TEDBFieldType type) {
    using T = DB::TEDBFieldType;
    return field.IsNull()        ? TCDBParam()
           : type == T::Text     ? TCDBParam(field.get_AsString())
           : type == T::Real     ? TCDBParam(field.get_AsReal())
           : type == T::Integer  ? TCDBParam(field.get_AsInteger())
           : type == T::Bool     ? TCDBParam(field.get_AsBool())
           : type == T::RecordID ? TCDBParam(field.get_AsRecordID())
           : type == T::DateTime ? TCDBParam(field.get_AsDateTime())
                                 : TCDBParam(field.get_AsBigInt());
}

bool Exists(const TCDBTableSpec& spec, const TCRecordID& id) {
    return DB::TCDBBasicTable(spec).SelectPrimary(id).IsNotEnd();
}

class TablesTest : public HostDatabaseTest {
protected:
    // Inserts a row with a sample value in every column; links not given in `values` name the row of the
    // target table inserted last, made first when there is none.
    TCRecordID Insert(const TCDBTableSpec& spec, const Values& values = {}, int seed = 1) {
        DB::TCDBRowValues row;
        for (const TCDBFieldSpec* field : spec.Fields) {
            if (field == spec.IDField) continue;
            const auto given = values.find(field);
            const auto target = LINK_TARGETS.find(ColumnKey(*field));
            row.emplace_back(field, given != values.end()          ? given->second
                                    : target != LINK_TARGETS.end() ? TCDBParam(Latest(target->second))
                                                                   : SampleValue(spec, *field, seed));
        }
        return m_Latest[spec.Name] = DB::InsertRow(DB::TCDBBasicTable(spec), row);
    }
    TCRecordID Latest(const std::string& table) {
        const auto latest = m_Latest.find(table);
        return latest != m_Latest.end() ? latest->second : Insert(SpecNamed(table));
    }
    std::map<std::string, TCRecordID> m_Latest;
};

TEST_F(TablesTest, DescriptionsAreConsistentAndEveryColumnReadsBackWhatWasWritten) {
    std::set<int> numbers;
    std::set<std::string> names;
    int seed = 1;
    for (const TCDBTableSpec* spec : DB::AllTableSpecs()) {
        SCOPED_TRACE(spec->Name);
        EXPECT_TRUE(numbers.insert(spec->TableID).second) << "table number used twice";
        EXPECT_TRUE(names.insert(spec->Name).second);
        EXPECT_STREQ(spec->IDField->get_Name(), "ID");
        const TCRecordID id = Insert(*spec, {}, ++seed);
        DB::TCDBIterator row = DB::TCDBBasicTable(*spec).SelectPrimary(id);
        ASSERT_TRUE(row.IsNotEnd());
        for (const TCDBFieldSpec* field : spec->Fields) {
            EXPECT_STREQ(field->get_TableName(), spec->Name);
            if (field == spec->IDField) continue;
            const auto target = LINK_TARGETS.find(ColumnKey(*field));
            const TCDBParam expected = target != LINK_TARGETS.end() ? TCDBParam(m_Latest.at(target->second))
                                                                    : SampleValue(*spec, *field, seed);
            EXPECT_EQ(ReadTyped(row.Field(*field), field->get_Type()).get_Storage(), expected.get_Storage())
                << field->get_Name();
        }
    }
    // Event details name doors, readers and web users by these numbers.
    EXPECT_EQ(Access::TCDBDoors().get_TableID(), 4001);
    EXPECT_EQ(Access::TCDBReaders().get_TableID(), 4002);
    EXPECT_EQ(Web::TCDBWebUsers().get_TableID(), 5030);
}

TEST_F(TablesTest, LinksToMissingRowsAndDuplicateKeysAreRefused) {
    for (const auto& entry : LINK_TARGETS) {
        const std::string& column = entry.first;
        SCOPED_TRACE(column);
        const TCDBTableSpec& spec = SpecNamed(column.substr(0, column.find('.')));
        const auto link =
            std::find_if(spec.Fields.begin(), spec.Fields.end(),
                         [&](const TCDBFieldSpec* field) { return ColumnKey(*field) == column; });
        ASSERT_NE(link, spec.Fields.end());
        EXPECT_THROW(Insert(spec, {{*link, TCRecordID(987'654)}}), TCException);
    }
    Insert(Table_WebUsers::SPEC, {{&Table_WebUsers::NAME, "admin"}});
    EXPECT_THROW(Insert(Table_WebUsers::SPEC, {{&Table_WebUsers::NAME, "admin"}}), TCException);
    const TCRecordID group = Insert(Table_AccessGroups::SPEC);
    const Values right = {{&Table_AccessGroupRights::ACCESSGROUP, group},
                          {&Table_AccessGroupRights::DOOR, Insert(Table_AccessDoors::SPEC)}};
    Insert(Table_AccessGroupRights::SPEC, right);
    EXPECT_THROW(Insert(Table_AccessGroupRights::SPEC, right), TCException);
    const Values link = {{&Table_AccessCardAccessGroupLinks::CARD_LINK, Insert(Table_AccessCards::SPEC)},
                         {&Table_AccessCardAccessGroupLinks::ACCESS_GROUP_LINK, group}};
    Insert(Table_AccessCardAccessGroupLinks::SPEC, link);
    EXPECT_THROW(Insert(Table_AccessCardAccessGroupLinks::SPEC, link), TCException);
}

TEST_F(TablesTest, DeletingCardHoldersCardsAndGroupsTakesTheirDependentRowsOnly) {
    const TCRecordID holder = Insert(Table_AccessCardHolders::SPEC);
    const TCRecordID card = Insert(Table_AccessCards::SPEC);
    const TCRecordID link = Insert(Table_AccessCardAccessGroupLinks::SPEC);
    const TCRecordID otherHolder = Insert(Table_AccessCardHolders::SPEC);
    const TCRecordID otherCard = Insert(Table_AccessCards::SPEC);
    const TCRecordID otherLink = Insert(Table_AccessCardAccessGroupLinks::SPEC);
    EXPECT_TRUE(Access::TCDBAccessCardHolders().DeleteByID(holder));
    EXPECT_FALSE(Exists(Table_AccessCards::SPEC, card));
    EXPECT_FALSE(Exists(Table_AccessCardAccessGroupLinks::SPEC, link));
    EXPECT_TRUE(Exists(Table_AccessCards::SPEC, otherCard));
    EXPECT_FALSE(Access::TCDBAccessCardHolders().DeleteByID(holder));

    EXPECT_TRUE(Access::TCDBAccessCards().DeleteByID(otherCard));
    EXPECT_FALSE(Exists(Table_AccessCardAccessGroupLinks::SPEC, otherLink));
    EXPECT_TRUE(Exists(Table_AccessCardHolders::SPEC, otherHolder));
    EXPECT_FALSE(Access::TCDBAccessCards().DeleteByID(TCRecordID()));

    const TCRecordID group = m_Latest.at("AccessGroups");
    Insert(Table_AccessCards::SPEC);
    const TCRecordID right = Insert(Table_AccessGroupRights::SPEC);
    const TCRecordID groupLink = Insert(Table_AccessCardAccessGroupLinks::SPEC);
    EXPECT_THROW(Access::TCDBAccessGroups().DeleteByID(group, true), TCException);
    EXPECT_TRUE(Exists(Table_AccessGroupRights::SPEC, right));
    EXPECT_TRUE(Access::TCDBAccessGroups().DeleteByID(group, false));
    EXPECT_FALSE(Exists(Table_AccessGroupRights::SPEC, right));
    EXPECT_FALSE(Exists(Table_AccessCardAccessGroupLinks::SPEC, groupLink));
    for (const char* kept : {"AccessCards", "AccessDoors", "CommonWeekPrograms"})
        EXPECT_TRUE(Exists(SpecNamed(kept), m_Latest.at(kept))) << kept;
}

TEST_F(TablesTest, AWeekProgramInUseCannotBeDeletedOtherParentsTakeTheirDependentRows) {
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

    const TCRecordID holidayPeriod = Insert(Table_CommonHolidayPeriods::SPEC);
    EXPECT_TRUE(System::TCDBHolidays().Delete(m_Latest.at("CommonHolidays")));
    EXPECT_FALSE(Exists(Table_CommonHolidayPeriods::SPEC, holidayPeriod));

    const TCRecordID keynode = Insert(Table_SystemKeynodes::SPEC);
    Insert(Table_CommonWeekPrograms::SPEC);
    const std::pair<const TCDBTableSpec*, TCRecordID> doorRows[] = {
        {&Table_AccessDoors::SPEC, Insert(Table_AccessDoors::SPEC)},
        {&Table_AccessReaders::SPEC, Insert(Table_AccessReaders::SPEC)},
        {&Table_AccessMultiDoorsLink::SPEC, Insert(Table_AccessMultiDoorsLink::SPEC)},
        {&Table_AccessGroupRights::SPEC, Insert(Table_AccessGroupRights::SPEC)}};
    EXPECT_EQ(System::TCDBKeynodes().DeleteWhere(Table_SystemKeynodes::ID == keynode), 1);
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

TEST_F(TablesTest, SetByCardMakesTheLinksExactlyTheGivenOnesOrRefusesBadListsAndWritesNothing) {
    namespace Columns = Table_AccessCardAccessGroupLinks;
    const TCRecordID card = Insert(Table_AccessCards::SPEC), otherCard = Insert(Table_AccessCards::SPEC);
    const TCRecordID a = Insert(Table_AccessGroups::SPEC), b = Insert(Table_AccessGroups::SPEC),
                     c = Insert(Table_AccessGroups::SPEC);
    const auto add = [&](const TCRecordID& to, const TCRecordID& group) {
        return Insert(Table_AccessCardAccessGroupLinks::SPEC,
                      {{&Columns::CARD_LINK, to}, {&Columns::ACCESS_GROUP_LINK, group}});
    };
    add(card, a);
    const TCRecordID rowB = add(card, b);
    add(otherCard, a);
    // Group -> {link row, "valid from/valid to" in seconds or "-"}.
    const auto linksOf = [](const TCRecordID& of) {
        std::map<TCRecordID, std::pair<TCRecordID, std::string>> links;
        const auto seconds = [](const TCNullTypes<TCUTCTime>& t) {
            return t.IsNull() ? std::string("-") : std::to_string(t.get_Value().get_Seconds());
        };
        for (auto row = Access::TCDBAccessCardAccessGroupLinks().Select("*", Columns::CARD_LINK == of);
             row.IsNotEnd(); row.Next())
            links[row.Field(Columns::ACCESS_GROUP_LINK).get_AsRecordID()] = {
                row.get_ID(), seconds(row.Field(Columns::VALID_FROM).get_AsNullDateTime()) + "/" +
                                  seconds(row.Field(Columns::VALID_TO).get_AsNullDateTime())};
        return links;
    };
    Access::TCDBAccessCardAccessGroupLinks links;
    EXPECT_THROW(links.SetByCard(card, {{c, {}, {}}, {c, {}, {}}}, true), TCException);
    EXPECT_THROW(links.SetByCard(card, {{TCRecordID(), {}, {}}}, true), TCException);
    EXPECT_THROW(links.SetByCard(TCRecordID(), {{c, {}, {}}}, true), TCException);
    // A group that does not exist fails in the database after the card's other links were removed.
    EXPECT_THROW(links.SetByCard(card, {{TCRecordID(987'654), {}, {}}}, true), TCException);
    EXPECT_EQ(linksOf(card).size(), 2u);
    EXPECT_EQ(linksOf(card).count(a), 1u);

    links.SetByCard(card, {{c, TCUTCTime(5), {}}}, false); // without removing, unlisted links stay
    EXPECT_EQ(linksOf(card).size(), 3u);
    EXPECT_EQ(linksOf(card).at(c).second, "5/-");
    links.SetByCard(card, {{b, TCUTCTime(200), TCUTCTime(300)}, {c, {}, {}}}, true);
    const auto stored = linksOf(card);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored.at(b), std::make_pair(rowB, std::string("200/300"))) << "updated in place";
    EXPECT_EQ(stored.at(c).second, "-/-");
    EXPECT_EQ(linksOf(otherCard).count(a), 1u);
}

TEST_F(TablesTest, OwnKeynodeIsRememberedUntilItsRowGoesAndWeekProgramNamesAreTranslated) {
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

    const auto translated = [this](const TCDBParam& name) {
        DB::TCDBIterator row = System::TCDBWeekPrograms().SelectPrimary(
            Insert(Table_CommonWeekPrograms::SPEC, {{&Table_CommonWeekPrograms::NAME, name}}));
        return System::TCDBWeekPrograms::GetTranslatedName(row);
    };
    EXPECT_EQ(translated("_t_Always"), TCNullTypes<std::string>("Always"));
    EXPECT_TRUE(translated(TCDBParam()).IsNull());
}

using namespace Event;
using EventLogTest = HostDatabaseTest;
constexpr int ALL = 1000000;

TCClientEventDetails TextDetail(int detailID, const std::string& text) {
    return TCClientEventDetails(detailID).set_Value(text);
}

TEST_F(EventLogTest, EventIsWrittenWhenItGoesWithItsDetailsInOrderAndTextsWholeIDsAscendReadsPage) {
    const int64_t before = TCUTCTime::Now().get_Seconds();
    const std::string longText = std::string(2999, 'y') + "z";
    {
        TCClientEvent event(KeynodeWebApi::Type_RequestFailed);
        event << TextDetail(KeynodeWebApi::Member_UserErrorMessage, "API is disabled");
        event << TCClientEventDetails(AccessEvent::DefinitionDetail_DoorID_id, TCNullTypes<int>(4001),
                                      TCRecordID(12), TCNullTypes<std::string>());
        event
            << TCClientEventDetails(KeynodeWebApi::Member_UserErrorDetails).set_Value("%s", longText.c_str());
        EXPECT_TRUE(ReadEvents(0, ALL).empty()); // not before the object goes
    }
    const std::vector<TCEventRecord> events = ReadEvents(0, ALL);
    ASSERT_EQ(events.size(), 1u);
    const TCEventRecord& e = events[0];
    EXPECT_TRUE(e.Keynode.IsNull());
    ASSERT_TRUE(e.EventTime.IsNotNull());
    EXPECT_GE(e.EventTime.get_Value().get_Seconds(), before);
    EXPECT_LE(e.EventTime.get_Value().get_Seconds(), TCUTCTime::Now().get_Seconds());
    EXPECT_TRUE(e.ClearTime.IsNull() && e.ClearedBy.IsNull());
    // "type value table/owner" of each detail, in the order written.
    std::vector<std::string> seen;
    for (const auto& d : e.Details)
        seen.push_back(std::to_string(d.Type) + " " + d.Value.get_Value("null") + " " +
                       (d.TableID.IsNull() ? "-" : std::to_string(d.TableID.get_Value())) + "/" +
                       (d.OwnerID.IsNull() ? "-" : std::to_string(d.OwnerID.get_ID())));
    EXPECT_EQ(seen,
              (std::vector<std::string>{
                  std::to_string(KeynodeWebApi::Member_UserErrorMessage.ID) + " API is disabled -/-",
                  std::to_string(AccessEvent::Member_DoorID.ID) + " null 4001/12",
                  std::to_string(KeynodeWebApi::Member_UserErrorDetails.ID) + " " + longText + " -/-"}));

    std::vector<int64_t> written;
    for (int i = 0; i < 3; ++i) {
        TCClientEvent event(KeynodeWebApi::Type_ConnectionFailed);
        event.set_Keynode(TCRecordID(i + 1));
        written.push_back(event.Write().get_ID());
        EXPECT_EQ(event.Write().get_ID(), written.back()) << "written once; the destructor adds nothing";
    }
    const auto firstTwo = ReadEvents(e.ID, 2);
    ASSERT_EQ(firstTwo.size(), 2u);
    EXPECT_EQ(std::make_pair(firstTwo[0].ID, firstTwo[1].ID), std::make_pair(written[0], written[1]));
    const auto rest = ReadEvents(firstTwo[1].ID, ALL);
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].ID, written[2]);
    EXPECT_EQ(rest[0].Keynode, TCRecordID(3));
    EXPECT_TRUE(rest[0].Details.empty());
    EXPECT_TRUE(ReadEvents(0, 0).empty());
}

TEST_F(EventLogTest, EventGoesWithARolledBackTransactionAFailedWriteDoesNotThrowThreadsAllLand) {
    {
        DB::TCDBTransaction outer(-1);
        outer.Begin(1, false);
        { TCClientEvent event(KeynodeWebApi::Type_ApiActionExecuted); }
        EXPECT_EQ(ReadEvents(0, ALL).size(), 1u); // visible inside the transaction
        outer.Rollback();
    }
    EXPECT_TRUE(ReadEvents(0, ALL).empty());
    EXPECT_NO_THROW({
        TCClientEvent event(KeynodeWebApi::Type_RequestFailed);
        event << TextDetail(KeynodeWebApi::Member_UserErrorMessage, "lost");
        DB::TCDatabase::Close();
    });
    DB::TCDatabase::Open(DatabasePath());
    EXPECT_TRUE(ReadEvents(0, ALL).empty());

    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 25; ++i) {
                TCClientEvent event(KeynodeWebApi::Type_ApiActionExecuted);
                event << TextDetail(SystemEvent::Member_Information, std::to_string(t));
                event << TCClientEventDetails(WebEvent::Member_OperatorID).set_Value(i);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    std::set<std::string> seen; // "thread/index" of each event
    for (const TCEventRecord& e : ReadEvents(0, ALL)) {
        ASSERT_EQ(e.Details.size(), 2u) << "event " << e.ID;
        seen.insert(e.Details[0].Value.get_Value() + "/" + e.Details[1].Value.get_Value());
    }
    EXPECT_EQ(seen.size(), 100u);
    EXPECT_EQ(ReadEvents(0, ALL).size(), 100u);
}

TEST(EventDefinitionTest, FixedTypeNumbersAndUniqueDetailNumbers) {
    using namespace KeynodeWebApi;
    // These type numbers are what outside systems filter on.
    const Event::TCEventTypeID* types[] = {&Type_RequestFailed,    &Type_Unauthorized,
                                           &Type_InternalError,    &Type_ConnectionFailed,
                                           &Type_Restored,         &Type_EventWebHookProcessingFailed,
                                           &Type_ApiActionExecuted};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(types[i]->ID, 12000 + i);
    const Event::TCEventDetailID details[] = {
        Member_UserErrorMessage,        Member_UserErrorCode,
        Member_HttpErrorCode,           Member_UserErrorDetails,
        Member_InternalError,           Member_ConnectionDestinationUrl,
        Member_ConnectionErrorCode,     Member_ConnectionErrorDescription,
        Member_ConnectionHttpErrorCode, AccessEvent::Member_DoorID,
        AccessEvent::Member_ReaderID,   AccessEvent::Member_CardNumber,
        AccessEvent::Member_ChipID,     SystemEvent::Member_Information,
        WebEvent::Member_OperatorID};
    std::set<int> numbers;
    for (const auto& detail : details) {
        EXPECT_TRUE(numbers.insert(detail.ID).second) << detail.Name;
        EXPECT_STREQ(Event::FindEventDetailName(detail.ID), detail.Name);
    }
    EXPECT_STREQ(Event::FindEventTypeName(12001), "KeynodeWebApi.Unauthorized");
    EXPECT_EQ(Event::FindEventTypeName(11999), nullptr);
    EXPECT_EQ(Event::FindEventDetailName(-1), nullptr);
}

} // namespace
