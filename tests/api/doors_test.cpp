// The doors end to end: filter and record rights, commands through the mail router to the door service and
// the state it reports back, simulated card reads, and the access decision at moments the test chooses.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <date/date.h>

#include "Access/TCAccessDecision.h"
#include "Access/TCDoorCodes.h"
#include "Access/TCDoorService.h"
#include "ApiExpectations.h"
#include "DB/TCDBBasicTable.h"
#include "DB/TCDBUserRights.h"
#include "DB/Tables/AccessTables.h"
#include "DB/Tables/SystemTables.h"
#include "DB/Tables/TableNumbers.h"
#include "DB/Tables/WebTables.h"
#include "Event/HostEvents.h"
#include "Event/KeynodeWebApiEvents.h"
#include "Mail/TCKnmsRouter.h"
#include "Mail/TCKnmsServiceProxy.h"
#include "support/ApiTestServer.h"
#include "support/FakeWebExchange.h"

using namespace ApiTest;
using Accessories::TCRecordID;
using Value = DB::TCDBParam;

namespace {

std::string DoorCommand(const std::string& ids, int state) {
    return R"({"doorCommand":{"doorIDs":{"ids":[)" + ids + R"(]},"newDoorState":)" + std::to_string(state) +
           "}}";
}
std::string Read(const std::string& members) {
    return R"({"simulateCardRead":{)" + members + "}}";
}
using ::Detail;
std::string Detail(int detailID, const TCRecordID& record) {
    return Detail(detailID, "#" + Id(record));
}

bool WaitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// A moment at UTC, with the local calendar of UTC.
Access::TCLocalTime At(int year, int month, int day, int hour, int minute, int second = 0) {
    Access::TCLocalTime time;
    time.Utc = TCUTCTime::FromYMDHMS(year, month, day, hour, minute, second);
    time.Year = year, time.Month = month, time.Day = day;
    time.Weekday = int(date::weekday{date::sys_days{date::year{year} / month / day}}.iso_encoding()) - 1;
    time.SecondOfDay = hour * 3600 + minute * 60 + second;
    return time;
}

// A served API with a mail router and the door service in the same process, over the site FillSite
// writes. The door service decides at the time in m_Now (default: Monday 2026-12-07 10:00 UTC).
class DoorsTest : public AdminApiTest {
protected:
    void SetUp() override {
        FillSite();
        m_Now = At(2026, 12, 7, 10, 0).Utc.get_Seconds();
        TCKnmsRouterConfig router;
        router.socketPath = TCKnmsServiceProxy::DefaultSocketPath();
        router.log = [](const std::string&) {};
        m_Router = std::make_unique<TCKnmsRouter>(router);
        m_Router->Start();
        Access::TCDoorServiceConfig doors;
        doors.clock = [this] { return TCUTCTime(m_Now.load()); };
        m_Doors = std::make_unique<Access::TCDoorService>(doors);
        m_Doors->Start();
        AdminApiTest::SetUp();
        ASSERT_TRUE(WaitUntil([this] { return m_Doors->IsRegistered() && m_Server->Api().IsRegistered(); }));
    }
    void TearDown() override {
        m_Server.reset();
        m_Doors.reset();
        m_Router.reset();
    }

    // Keynodes K1 (own) and K2 of GUID "site", K3 of another; doors D1, D2 on K1, D3 on K2, D4 on K3;
    // readers R1 on D1, linked to D2 as well, R3 on D3; week program "Office" (Monday to Friday 07:00-19:00,
    // day number 7 all day) and group G1 with it on D1 and D2; holidays 2027-03-01..02 as day 7, New Year
    // (every year) as Saturday, 2027-03-03 without an assumed day; cards 1001 (valid), 1002 (blocked),
    // 1003 (holder expired), 1004 (link expired), 1005 (no links), 305419896 (the 32-bit chip 0x12345678);
    // user "keeper" with right 2 on D1 and 1 on D2.
    void FillSite() {
        namespace K = Table_SystemKeynodes;
        const auto keynode = [](const char* name, const char* mac, const char* guid) {
            return AddRow(System::TCDBKeynodes(), {&K::NAME, &K::MAC, &K::IS_MASTER, &K::GUID},
                          {name, mac, 0, guid});
        };
        m_K1 = keynode("K1", "02:00:00:00:00:10", "site");
        m_K2 = keynode("K2", "02:00:00:00:00:11", "site");
        m_K3 = keynode("K3", "02:00:00:00:00:12", "elsewhere");
        System::TCDBKeynodes::set_OwnID(m_K1);
        namespace D = Table_AccessDoors;
        const auto door = [](const char* name, const TCRecordID& keynode) {
            return AddRow(Access::TCDBDoors(), {&D::NAME, &D::TYPE, &D::KEYNODE}, {name, 1, keynode});
        };
        m_D1 = door("D1", m_K1), m_D2 = door("D2", m_K1), m_D3 = door("D3", m_K2), m_D4 = door("D4", m_K3);
        namespace R = Table_AccessReaders;
        m_R1 = AddRow(Access::TCDBReaders(), {&R::NAME, &R::TYPE, &R::DOORLINK}, {"R1", 2, m_D1});
        m_R3 = AddRow(Access::TCDBReaders(), {&R::NAME, &R::TYPE, &R::DOORLINK}, {"R3", 1, m_D3});
        AddRow(Access::TCDBAccessMultiDoorLinks(),
               {&Table_AccessMultiDoorsLink::DOOR_LINK, &Table_AccessMultiDoorsLink::READER_LINK},
               {m_D2, m_R1});

        std::vector<Period> periods;
        for (int day = 0; day <= 16; ++day)
            periods.emplace_back(day, 0, day == 7 ? 101 : 100);
        for (int day = 0; day < 5; ++day) {
            periods.emplace_back(day, 7 * 3600, 101);
            periods.emplace_back(day, 19 * 3600, 100);
        }
        const TCRecordID office = AddWeekProgramRow("Office", 10, 0, periods);

        namespace HD = Table_CommonHolidays;
        namespace HP = Table_CommonHolidayPeriods;
        const auto holiday = [](bool repeated, int year, int month, int firstDay, int lastDay,
                                Value assumedDay) {
            const TCRecordID id = AddRow(System::TCDBHolidays(), {&HD::NAME, &HD::REPEATED}, {"h", repeated});
            AddRow(System::TCDBHolidayPeriods(),
                   {&HP::LINK_HOLIDAY, &HP::STARTYEAR, &HP::STARTMONTH, &HP::STARTDAY, &HP::ENDYEAR,
                    &HP::ENDMONTH, &HP::ENDDAY, &HP::ASSUMED_WEEKDAY},
                   {id, year, month, firstDay, year, month, lastDay, assumedDay});
        };
        holiday(false, 2027, 3, 1, 2, 7);
        holiday(true, 2020, 1, 1, 1, 5);
        holiday(false, 2027, 3, 3, 3, nullptr);

        namespace G = Table_AccessGroups;
        namespace GR = Table_AccessGroupRights;
        const TCRecordID group =
            AddRow(Access::TCDBAccessGroups(), {&G::NAME, &G::PRIORITY, &G::REUSABLE}, {"G1", 50, 1});
        for (const TCRecordID& door : {m_D1, m_D2})
            AddRow(Access::TCDBAccessGroupRights(), {&GR::ACCESSGROUP, &GR::DOOR, &GR::WEEKPROGRAM},
                   {group, door, office});

        namespace H = Table_AccessCardHolders;
        const auto holder = [](Value validTo) {
            return AddRow(Access::TCDBAccessCardHolders(), {&H::FIRSTNAME, &H::TYPE, &H::VALID_TO},
                          {"h", 0, validTo});
        };
        const long long past = At(2026, 1, 1, 0, 0).Utc.get_Seconds();
        const TCRecordID valid = holder(nullptr), expired = holder(past);
        namespace C = Table_AccessCards;
        namespace L = Table_AccessCardAccessGroupLinks;
        const auto card = [&](const char* number, const TCRecordID& owner, bool blocked, bool linked,
                              Value linkValidTo) {
            const TCRecordID id =
                AddRow(Access::TCDBAccessCards(), {&C::CARDNO, &C::CARDHOLDER, &C::TYPE, &C::BLOCKED},
                       {number, owner, 0, blocked});
            if (linked)
                AddRow(Access::TCDBAccessCardAccessGroupLinks(),
                       {&L::CARD_LINK, &L::ACCESS_GROUP_LINK, &L::VALID_TO}, {id, group, linkValidTo});
            return id;
        };
        m_Valid = card("1001", valid, false, true, nullptr);
        m_Blocked = card("1002", valid, true, true, nullptr);
        m_HolderExpired = card("1003", expired, false, true, nullptr);
        m_LinkExpired = card("1004", valid, false, true, past);
        m_NoLinks = card("1005", valid, false, false, nullptr);
        m_Chip = card("305419896", valid, false, true, nullptr);

        m_Keeper = AddAllMethodsUser("keeper", "pw");
        namespace CU = Table_WebCloudUsers;
        AddRow(Web::TCDBWebCloudUsers(), {&CU::NAME, &CU::WEB_USER_LINK, &CU::AZURE_RIGHTS},
               {"cloud-account", m_Keeper, 4});
        DB::GrantRecordRight(m_Keeper, DB::TableNumber::AccessDoors, m_D1, DB::RECORD_RIGHT_CHANGE);
        DB::GrantRecordRight(m_Keeper, DB::TableNumber::AccessDoors, m_D2, DB::RECORD_RIGHT_SEE);
    }
    HttpReply Post(const std::string& path, const std::string& body) { return Call("POST", path, body); }
    // POST over the mail road as `user`, with its user ID, so that record rights apply.
    FakeWebResponse PostAsMailUser(const std::string& path, const std::string& body,
                                   const std::string& user) {
        FakeWebRequest request = FakeWebRequest::OverMailRouter("/api/v1" + path, user);
        request.Method = "POST";
        request.SetUserID(user == "keeper" ? m_Keeper : m_Admin);
        request.SetBody(body);
        FakeWebResponse response;
        m_Server->Api().HandleRequest(request, response);
        return response;
    }
    // The door's position and cause as door status reports them, after the API took the door service's
    // notices; waits (up to 5 s) until they equal `expected`, and returns what it saw last.
    std::pair<int, int> WaitForState(const TCRecordID& door, std::pair<int, int> expected) {
        std::pair<int, int> seen;
        WaitUntil([&] {
            m_Server->Api().ProcessProxy(-1, false);
            const auto state = m_Server->Api().GetDoorInterface()->FindStatus(door);
            seen = {state.Position, state.PositionCause};
            return seen == expected;
        });
        return seen;
    }
    // The events of `type` after `afterEventID`, waiting (up to 5 s) until there are `count`.
    std::vector<Event::TCEventRecord> WaitForEvents(int64_t afterEventID, int type, size_t count) {
        std::vector<Event::TCEventRecord> found;
        WaitUntil([&] {
            found.clear();
            for (Event::TCEventRecord& event : EventsAfter(afterEventID))
                if (event.Type == type) found.push_back(std::move(event));
            return found.size() >= count;
        });
        return found;
    }
    int64_t CommandedEvents() { return int64_t(WaitForEvents(0, AccessEvent::Type_DoorCommanded, 0).size()); }

    TCRecordID m_K1, m_K2, m_K3, m_D1, m_D2, m_D3, m_D4, m_R1, m_R3, m_Keeper;
    TCRecordID m_Valid, m_Blocked, m_HolderExpired, m_LinkExpired, m_NoLinks, m_Chip;
    std::atomic<int64_t> m_Now{0};
    std::unique_ptr<TCKnmsRouter> m_Router;
    std::unique_ptr<Access::TCDoorService> m_Doors;
};

TEST_F(DoorsTest, FilterListsDoorsWithTheUsersMaskAndHidesDoorsWithoutRecordRights) {
    // Over HTTP record rights are not enforced: every door, the mask telling what the caller may change.
    HttpReply all =
        Post("/config/doors/filter", R"({"doorFilter":{"keynodeIDs":{"ids":[)" + IdJson(m_K1) + "]}}}");
    EXPECT_EQ(all.Body, R"({"count":2,"records":[{"id":)" + IdJson(m_D1) +
                            R"(,"name":"D1","type":1,"instanceNumber":null,"keynodeLink":)" + IdJson(m_K1) +
                            R"(,"elevatorLink":null,"rights":1},{"id":)" + IdJson(m_D2) +
                            R"(,"name":"D2","type":1,"instanceNumber":null,"keynodeLink":)" + IdJson(m_K1) +
                            R"(,"elevatorLink":null,"rights":1}]})");

    // The mail road enforces them: the keeper sees D1 (may change it: 3) and D2 (may see it: 1) only.
    const FakeWebResponse mine = PostAsMailUser(
        "/config/doors/filter", R"({"doorFilter":{"includeAccessRights":true,"limitCount":1}})", "keeper");
    EXPECT_EQ(mine.Status, 200);
    EXPECT_NE(mine.Body().find(R"("count":2,)"), std::string::npos) << mine.Body();
    EXPECT_NE(mine.Body().find(R"("rights":3,"accessRights":[{"doorID":)" + IdJson(m_D1)), std::string::npos)
        << mine.Body();
    const FakeWebResponse second =
        PostAsMailUser("/config/doors/filter", R"({"doorFilter":{"skipCount":1}})", "keeper");
    EXPECT_NE(second.Body().find(R"("id":)" + IdJson(m_D2) + R"(,"name":"D2")"), std::string::npos);
    EXPECT_NE(second.Body().find(R"("rights":1})"), std::string::npos) << second.Body();
}

TEST_F(DoorsTest, CommandChecksEveryDoorBeforeItCommandsOneThroughItsOwnUnit) {
    const std::pair<std::string, std::string> cases[] = {
        {R"({"doorCommand":{"newDoorState":1}})", ErrorBody(1, "doorIDs is required")},
        {DoorCommand("", 1), ErrorBody(1, "No door specified")},
        {DoorCommand(IdJson(m_D1) + R"(,{"id":999},{"id":998})", 1),
         ErrorBody(1, "2 doors not found in database form 3 that are specified")},
        {DoorCommand(IdJson(m_D1), 5), ErrorBody(1, "Value 5 for newDoorState is not valid")},
        {DoorCommand(IdJson(m_D1), -1), ErrorBody(1, "Value -1 for newDoorState is not valid")},
        {R"({"doorCommand":{"doorIDs":{"ids":[)" + IdJson(m_D1) + "]}}}",
         ErrorBody(1, "newDoorState is required")},
    };
    for (const auto& [body, error] : cases) {
        const HttpReply reply = Post("/management/doors", body);
        EXPECT_NE(reply.Status, 200) << body;
        EXPECT_EQ(reply.Body, error) << body;
    }
    // A door the keeper may only see stops the whole command, the door before it included.
    const FakeWebResponse hidden =
        PostAsMailUser("/management/doors", DoorCommand(IdJson(m_D1) + "," + IdJson(m_D2), 2), "keeper");
    EXPECT_EQ(hidden.Body(),
              ErrorBody(1, "Door ID " + Id(m_D2) + " not found in database or access not allowed"));
    EXPECT_EQ(CommandedEvents(), 0);
    EXPECT_EQ(WaitForState(m_D1, {1, 1}), std::make_pair(1, 1));
    // Several units: each door is commanded through the unit of its own MAC address.
    DB::TCDBBasicTable::set_MasterSlaveMode(2);
    m_Server->Api().ReloadKeynodes();
    // D4's unit is not one of this site's: nothing is commanded.
    EXPECT_EQ(Post("/management/doors", DoorCommand(IdJson(m_D1) + "," + IdJson(m_D4), 2)).Body,
              ErrorBody(1, "Keynode MAC not found for Door ID " + Id(m_D4)));
    EXPECT_EQ(CommandedEvents(), 0);
    // The door service takes each command from the unit that drives the door.
    EXPECT_EQ(Post("/management/doors", DoorCommand(IdJson(m_D1) + "," + IdJson(m_D3), 2)).Status, 200);
    EXPECT_EQ(WaitForState(m_D3, {3, 3}), std::make_pair(3, 3));
    DB::TCDBBasicTable::set_MasterSlaveMode(0);
}

TEST_F(DoorsTest, EachCommandShowsInTheDoorStatusAndTheEventLog) {
    using namespace Access;
    const std::pair<int, int> expected[DOOR_CONTROL_COUNT] = {
        {DOOR_POSITION_LOCKED, DOOR_CAUSE_NORMAL_OPERATION},
        {DOOR_POSITION_RELEASED, DOOR_CAUSE_OPERATOR},
        {DOOR_POSITION_HELD_OPEN, DOOR_CAUSE_OPERATOR},
        {DOOR_POSITION_LOCKED, DOOR_CAUSE_OPERATOR},
        {DOOR_POSITION_BLOCKED, DOOR_CAUSE_OPERATOR}};
    for (int control = DOOR_CONTROL_COUNT - 1; control >= 0; --control) {
        const int64_t before = LastEventID();
        // The same door twice: commanded twice.
        ASSERT_EQ(Post("/management/doors", DoorCommand(IdJson(m_D1) + "," + IdJson(m_D1), control)).Status,
                  200);
        const HttpReply status =
            Post("/management/doors/status", R"({"doorFilter":{"ids":{"ids":[)" + IdJson(m_D1) + "]}}}");
        EXPECT_EQ(status.Body, R"({"count":1,"records":[{"doorId":)" + IdJson(m_D1) + R"(,"position":)" +
                                   std::to_string(expected[control].first) + R"(,"positionCause":)" +
                                   std::to_string(expected[control].second) +
                                   R"(,"exception":0,"intrusionState":0}]})")
            << "command " << control;
        const auto events = WaitForEvents(before, AccessEvent::Type_DoorCommanded, 2);
        ASSERT_EQ(events.size(), 2u);
        EXPECT_EQ(DetailTexts(events[0]),
                  (std::vector<std::string>{Detail(AccessEvent::Member_DoorID, m_D1),
                                            Detail(AccessEvent::Member_DoorCommand, std::to_string(control)),
                                            Detail(WebEvent::Member_OperatorID, m_Admin),
                                            Detail(SystemEvent::Member_Information, "Web API")}));
    }
    // Paging limits the doors asked for, the count covers all.
    EXPECT_NE(
        Post("/management/doors/status", R"({"doorFilter":{"limitCount":1}})").Body.find(R"({"count":4,)"),
        std::string::npos);
}

TEST_F(DoorsTest, SimulatedReadIsDecidedByTheDoorServiceAndLogged) {
    const std::string card1001AtD1 = Read(R"("doorID":)" + IdJson(m_D1) + R"(,"cardNumber":"1001")");
    int64_t before = LastEventID();
    ASSERT_EQ(Post("/management/simulatecardread", card1001AtD1).Status, 200);
    auto granted = WaitForEvents(before, AccessEvent::Type_AccessGranted, 1);
    ASSERT_EQ(granted.size(), 1u);
    EXPECT_EQ(DetailTexts(granted[0]),
              (std::vector<std::string>{Detail(AccessEvent::Member_DoorID, m_D1),
                                        Detail(AccessEvent::Member_ReaderID, m_R1),
                                        Detail(AccessEvent::Member_CardNumber, "1001")}));
    const auto action = WaitForEvents(before, KeynodeWebApi::Type_ApiActionExecuted, 1);
    ASSERT_EQ(action.size(), 1u);
    EXPECT_EQ(
        DetailTexts(action[0]),
        (std::vector<std::string>{
            Detail(SystemEvent::Member_Information, "Simulate card read executed from Web API"),
            Detail(AccessEvent::Member_DoorID, m_D1), Detail(AccessEvent::Member_ReaderID, m_R1),
            Detail(WebEvent::Member_OperatorID, m_Admin), Detail(AccessEvent::Member_CardNumber, "1001")}));
    EXPECT_EQ(WaitForState(m_D1, {Access::DOOR_POSITION_RELEASED, Access::DOOR_CAUSE_ACCESS_GRANTED}),
              std::make_pair(2, 2));

    // At night the same card is refused; a chip is found by its number, and D2 by the reader linked to it.
    m_Now = At(2026, 12, 7, 22, 0).Utc.get_Seconds();
    before = LastEventID();
    Post("/management/simulatecardread", card1001AtD1);
    Post("/management/simulatecardread",
         Read(R"("doorID":)" + IdJson(m_D2) + R"(,"chipNumber":4600387192,"chipNumberBitLength":32)"));
    const auto denied = WaitForEvents(before, AccessEvent::Type_AccessDenied, 2);
    ASSERT_EQ(denied.size(), 2u);
    EXPECT_EQ(DetailTexts(denied[1]),
              (std::vector<std::string>{
                  Detail(AccessEvent::Member_DoorID, m_D2), Detail(AccessEvent::Member_ReaderID, m_R1),
                  Detail(AccessEvent::Member_CardNumber, "305419896"),
                  Detail(AccessEvent::Member_ChipID, "12345678"),
                  Detail(AccessEvent::Member_DenialReason, "week program says no access now")}));

    // A blocked door refuses every card.
    m_Now = At(2026, 12, 7, 10, 0).Utc.get_Seconds();
    ASSERT_EQ(Post("/management/doors", DoorCommand(IdJson(m_D1), 4)).Status, 200);
    before = LastEventID();
    Post("/management/simulatecardread", card1001AtD1);
    const auto blocked = WaitForEvents(before, AccessEvent::Type_AccessDenied, 1);
    ASSERT_EQ(blocked.size(), 1u);
    EXPECT_EQ(DetailTexts(blocked[0]).back(), Detail(AccessEvent::Member_DenialReason, "door blocked"));
}

TEST_F(DoorsTest, SimulatedReadChecksItsRequestBeforeAnyMail) {
    const std::string door = R"("doorID":)" + IdJson(m_D1);
    const std::pair<std::string, std::string> cases[] = {
        {door + R"(,"cardNumber":"1","chipNumber":1,"chipNumberBitLength":8)",
         ErrorBody(1, "Chip number can't be specified if card number is specified")},
        {door + R"(,"cardNumber":null)", ErrorBody(1, "Either Card number or chip number must be specified")},
        {door + R"(,"cardNumber":1234)", ErrorBody(2, "Parsing error:RapidJson internal assertion failed")},
        {door + R"(,"chipNumber":1)",
         ErrorBody(1, "Chip bit length must be specified if chip number is specified")},
        {door + R"(,"chipNumber":1,"chipNumberBitLength":0)",
         ErrorBody(1, "Chip bit length must be between 1 and 56")},
        {door + R"(,"chipNumber":1,"chipNumberBitLength":57)",
         ErrorBody(1, "Chip bit length must be between 1 and 56")},
        {R"("doorID":null,"cardNumber":"1")", ErrorBody(2, "Parsing error:doorID member can't be null")},
        {R"("doorID":{"id":null},"cardNumber":"1")", ErrorBody(1, "Door id must be specified")},
        {R"("doorID":{"id":999},"cardNumber":"1")", ErrorBody(1, "Specified door not found")},
        {R"("doorID":)" + IdJson(m_D4) + R"(,"cardNumber":"1")",
         ErrorBody(1, "Could not find any reader configured with link to the specified door")},
        {door + R"(,"readerID":{"id":999},"cardNumber":"1")", ErrorBody(1, "Specified reader not found")},
        {door + R"(,"readerID":)" + IdJson(m_R3) + R"(,"cardNumber":"1")",
         ErrorBody(1, "Specified reader is not linked to the specified door")},
    };
    const int64_t before = LastEventID();
    for (const auto& [members, error] : cases)
        EXPECT_EQ(Post("/management/simulatecardread", Read(members)).Body, error) << members;
    // Only the failed requests were logged: no read reached the door service.
    for (const Event::TCEventRecord& event : EventsAfter(before))
        EXPECT_EQ(event.Type, KeynodeWebApi::Type_RequestFailed);
}

TEST_F(DoorsTest, AccessDecisionFollowsCardHolderLinksWeekProgramAndHolidays) {
    using Access::TEAccessDenial;
    struct Case {
        TCRecordID Card;
        TCRecordID Door;
        Access::TCLocalTime Now;
        TEAccessDenial Expected;
    } cases[] = {
        {m_Valid, m_D1, At(2026, 12, 7, 10, 0), TEAccessDenial::None},
        {m_Valid, m_D1, At(2026, 12, 7, 7, 0), TEAccessDenial::None},             // the period starts
        {m_Valid, m_D1, At(2026, 12, 7, 6, 59, 59), TEAccessDenial::WeekProgram}, // not yet
        {m_Valid, m_D1, At(2026, 12, 7, 19, 0), TEAccessDenial::WeekProgram},     // over
        {m_Valid, m_D1, At(2026, 12, 12, 10, 0), TEAccessDenial::WeekProgram},    // Saturday
        {m_Valid, m_D1, At(2027, 3, 1, 3, 0), TEAccessDenial::None},              // holiday as day 7
        {m_Valid, m_D1, At(2027, 1, 1, 10, 0), TEAccessDenial::WeekProgram},      // New Year, a Friday
        {m_Valid, m_D1, At(2027, 3, 3, 10, 0), TEAccessDenial::None},             // no assumed day
        {m_Valid, m_D3, At(2026, 12, 7, 10, 0), TEAccessDenial::NoRight},
        {m_NoLinks, m_D1, At(2026, 12, 7, 10, 0), TEAccessDenial::NoRight},
        {m_Blocked, m_D1, At(2026, 12, 7, 10, 0), TEAccessDenial::Blocked},
        {m_HolderExpired, m_D1, At(2026, 12, 7, 10, 0), TEAccessDenial::HolderNotValid},
        {m_LinkExpired, m_D1, At(2026, 12, 7, 10, 0), TEAccessDenial::LinkNotValid},
        {TCRecordID(), m_D1, At(2026, 12, 7, 10, 0), TEAccessDenial::UnknownCard},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Access::DecideAccess(c.Card, c.Door, c.Now), c.Expected)
            << "card " << Id(c.Card) << " door " << Id(c.Door) << " " << c.Now.Year << "-" << c.Now.Month
            << "-" << c.Now.Day << " +" << c.Now.SecondOfDay << "s";
}

} // namespace
