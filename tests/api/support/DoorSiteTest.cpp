#include "DoorSiteTest.h"

#include <chrono>
#include <thread>

#include <date/date.h>

#include "DB/TCDBInsertRow.h"
#include "DB/TCDBUserRights.h"
#include "DB/Tables/AccessTables.h"
#include "DB/Tables/SystemTables.h"
#include "DB/Tables/TableNumbers.h"
#include "Mail/TCKnmsServiceProxy.h"

using Accessories::TCRecordID;

namespace ApiTest {
namespace {

using Value = DB::TCDBParam;

long long Utc(int year, int month, int day) {
    return TCUTCTime::FromYMDHMS(year, month, day, 0, 0, 0).get_Seconds();
}

bool WaitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace

Access::TCLocalTime DoorSiteTest::At(int year, int month, int day, int hour, int minute, int second) {
    Access::TCLocalTime time;
    time.Utc = TCUTCTime::FromYMDHMS(year, month, day, hour, minute, second);
    time.Year = year, time.Month = month, time.Day = day;
    const date::weekday weekday{date::sys_days{date::year{year} / month / day}};
    time.Weekday = int(weekday.iso_encoding()) - 1;
    time.SecondOfDay = hour * 3600 + minute * 60 + second;
    return time;
}

void DoorSiteTest::SetUp() {
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

    StartServer();
    EnableApi();
    ASSERT_TRUE(WaitUntil([this] { return m_Doors->IsRegistered() && m_Server->Api().IsRegistered(); }));
}

void DoorSiteTest::TearDown() {
    m_Server.reset();
    m_Doors.reset();
    m_Router.reset();
}

void DoorSiteTest::FillSite() {
    namespace K = Table_SystemKeynodes;
    auto keynode = [](const char* name, const char* mac, const char* guid) {
        return DB::InsertRow(System::TCDBKeynodes(), {{&K::NAME, std::string(name)},
                                                      {&K::MAC, std::string(mac)},
                                                      {&K::IS_MASTER, 0LL},
                                                      {&K::GUID, std::string(guid)}});
    };
    m_K1 = keynode("K1", "02:00:00:00:00:10", "site");
    m_K2 = keynode("K2", "02:00:00:00:00:11", "site");
    m_K3 = keynode("K3", "02:00:00:00:00:12", "elsewhere");
    System::TCDBKeynodes::set_OwnID(m_K1);

    namespace D = Table_AccessDoors;
    auto door = [](const char* name, const TCRecordID& keynode) {
        return DB::InsertRow(Access::TCDBDoors(),
                             {{&D::NAME, std::string(name)}, {&D::TYPE, 1LL}, {&D::KEYNODE, keynode}});
    };
    m_D1 = door("D1", m_K1), m_D2 = door("D2", m_K1), m_D3 = door("D3", m_K2), m_D4 = door("D4", m_K3);
    namespace R = Table_AccessReaders;
    m_R1 = DB::InsertRow(Access::TCDBReaders(),
                         {{&R::NAME, std::string("R1")}, {&R::TYPE, 2LL}, {&R::DOORLINK, m_D1}});
    m_R3 = DB::InsertRow(Access::TCDBReaders(),
                         {{&R::NAME, std::string("R3")}, {&R::TYPE, 1LL}, {&R::DOORLINK, m_D3}});
    DB::InsertRow(Access::TCDBAccessMultiDoorLinks(), {{&Table_AccessMultiDoorsLink::DOOR_LINK, m_D2},
                                                       {&Table_AccessMultiDoorsLink::READER_LINK, m_R1}});

    namespace WP = Table_CommonWeekPrograms;
    namespace P = Table_CommonWeekProgramPeriods;
    const TCRecordID office =
        DB::InsertRow(System::TCDBWeekPrograms(),
                      {{&WP::NAME, std::string("Office")}, {&WP::TYPE, 10LL}, {&WP::IS_SYSTEM, 0LL}});
    auto period = [&](long long day, long long start, long long function) {
        DB::InsertRow(
            System::TCDBWeekProgramPeriods(),
            {{&P::LINKTO, office}, {&P::DAYNO, day}, {&P::STARTSEC, start}, {&P::FUNCTION, function}});
    };
    for (long long day = 0; day <= 16; ++day)
        period(day, 0, day == 7 ? 101 : 100);
    for (long long day = 0; day < 5; ++day) {
        period(day, 7 * 3600, 101);
        period(day, 19 * 3600, 100);
    }

    namespace HD = Table_CommonHolidays;
    namespace HP = Table_CommonHolidayPeriods;
    auto holiday = [](bool repeated, Value year, long long month, long long firstDay, long long lastDay,
                      Value assumedDay) {
        const TCRecordID id = DB::InsertRow(
            System::TCDBHolidays(), {{&HD::NAME, std::string("h")}, {&HD::REPEATED, repeated ? 1LL : 0LL}});
        DB::InsertRow(System::TCDBHolidayPeriods(), {{&HP::LINK_HOLIDAY, id},
                                                     {&HP::STARTYEAR, year},
                                                     {&HP::STARTMONTH, month},
                                                     {&HP::STARTDAY, firstDay},
                                                     {&HP::ENDYEAR, year},
                                                     {&HP::ENDMONTH, month},
                                                     {&HP::ENDDAY, lastDay},
                                                     {&HP::ASSUMED_WEEKDAY, assumedDay}});
    };
    holiday(false, 2027LL, 3, 1, 2, 7LL);
    holiday(true, 2020LL, 1, 1, 1, 5LL);
    holiday(false, 2027LL, 3, 3, 3, nullptr);

    const TCRecordID group =
        DB::InsertRow(Access::TCDBAccessGroups(), {{&Table_AccessGroups::NAME, std::string("G1")},
                                                   {&Table_AccessGroups::PRIORITY, 50LL},
                                                   {&Table_AccessGroups::REUSABLE, 1LL}});
    for (const TCRecordID& right : {m_D1, m_D2})
        DB::InsertRow(Access::TCDBAccessGroupRights(), {{&Table_AccessGroupRights::ACCESSGROUP, group},
                                                        {&Table_AccessGroupRights::DOOR, right},
                                                        {&Table_AccessGroupRights::WEEKPROGRAM, office}});

    namespace H = Table_AccessCardHolders;
    auto holder = [](Value validTo) {
        return DB::InsertRow(Access::TCDBAccessCardHolders(),
                             {{&H::FIRSTNAME, std::string("h")}, {&H::TYPE, 0LL}, {&H::VALID_TO, validTo}});
    };
    const TCRecordID valid = holder(nullptr), expired = holder(Utc(2026, 1, 1));
    namespace C = Table_AccessCards;
    namespace L = Table_AccessCardAccessGroupLinks;
    auto card = [&](const char* number, const TCRecordID& owner, bool blocked, bool linked,
                    Value linkValidTo) {
        const TCRecordID id = DB::InsertRow(Access::TCDBAccessCards(), {{&C::CARDNO, std::string(number)},
                                                                        {&C::CARDHOLDER, owner},
                                                                        {&C::TYPE, 0LL},
                                                                        {&C::BLOCKED, blocked ? 1LL : 0LL}});
        if (linked)
            DB::InsertRow(Access::TCDBAccessCardAccessGroupLinks(),
                          {{&L::CARD_LINK, id}, {&L::ACCESS_GROUP_LINK, group}, {&L::VALID_TO, linkValidTo}});
        return id;
    };
    m_Valid = card("1001", valid, false, true, nullptr);
    m_Blocked = card("1002", valid, true, true, nullptr);
    m_HolderExpired = card("1003", expired, false, true, nullptr);
    m_LinkExpired = card("1004", valid, false, true, Utc(2026, 1, 1));
    m_NoLinks = card("1005", valid, false, false, nullptr);
    m_Chip = card("305419896", valid, false, true, nullptr);

    m_Admin = AddAllMethodsUser("admin", "pw");
    m_Keeper = AddAllMethodsUser("keeper", "pw");
    AddCloudUser(m_Keeper, 4);
    DB::GrantRecordRight(m_Keeper, DB::TableNumber::AccessDoors, m_D1, DB::RECORD_RIGHT_CHANGE);
    DB::GrantRecordRight(m_Keeper, DB::TableNumber::AccessDoors, m_D2, DB::RECORD_RIGHT_SEE);
}

HttpReply DoorSiteTest::Post(const std::string& path, const std::string& body) {
    HttpCall call;
    call.Method = "POST";
    call.Target = "/api/v1" + path;
    call.Authorization = BasicAuthorization("admin", "pw");
    call.Body = body;
    return Send(call);
}

FakeWebResponse DoorSiteTest::PostAsMailUser(const std::string& path, const std::string& body,
                                             const std::string& user) {
    FakeWebRequest request = FakeWebRequest::OverMailRouter("/api/v1" + path, user);
    request.Method = "POST";
    request.SetUserID(user == "keeper" ? m_Keeper : m_Admin);
    request.SetBody(body);
    FakeWebResponse response;
    m_Server->Api().HandleRequest(request, response);
    return response;
}

std::pair<int, int> DoorSiteTest::WaitForState(const TCRecordID& door, std::pair<int, int> expected) {
    std::pair<int, int> seen;
    WaitUntil([&] {
        m_Server->Api().ProcessProxy(-1, false);
        const TCAccessDoorInterface::TCDoorState state = m_Server->Api().GetDoorInterface()->FindStatus(door);
        seen = {state.Position, state.PositionCause};
        return seen == expected;
    });
    return seen;
}

std::vector<Event::TCEventRecord> DoorSiteTest::WaitForEvents(int64_t afterEventID, int type, size_t count) {
    std::vector<Event::TCEventRecord> found;
    WaitUntil([&] {
        found.clear();
        for (Event::TCEventRecord& event : EventsAfter(afterEventID))
            if (event.Type == type) found.push_back(std::move(event));
        return found.size() >= count;
    });
    return found;
}

} // namespace ApiTest
