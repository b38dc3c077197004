// The doors end to end: the door filter and its record rights, door commands through the mail router to
// the door service and the state it reports back, simulated card reads with the events they leave, and
// the access decision itself at moments the test chooses.
#include <gtest/gtest.h>

#include "Access/TCDoorCodes.h"
#include "ApiExpectations.h"
#include "DB/TCDBBasicTable.h"
#include "DB/Tables/TableNumbers.h"
#include "Event/HostEvents.h"
#include "Event/KeynodeWebApiEvents.h"
#include "support/DoorSiteTest.h"

using namespace ApiTest;
using Accessories::TCRecordID;

namespace {

std::string DoorCommand(const std::string& ids, int state) {
    return R"({"doorCommand":{"doorIDs":{"ids":[)" + ids + R"(]},"newDoorState":)" + std::to_string(state) +
           "}}";
}
std::string Read(const std::string& members) {
    return R"({"simulateCardRead":{)" + members + "}}";
}
std::string Detail(int detailID, const TCRecordID& record) {
    return std::to_string(detailID) + "=#" + Id(record);
}

class DoorsTest : public DoorSiteTest {
protected:
    std::vector<std::string> Details(const Event::TCEventRecord& event) {
        std::vector<std::string> texts;
        for (const auto& detail : event.Details)
            texts.push_back(std::to_string(detail.Type) + "=" +
                            (detail.Value.IsNull() ? "#" + Id(detail.OwnerID) : detail.Value.get_Value()));
        return texts;
    }
    int64_t CommandedEvents() { return int64_t(WaitForEvents(0, AccessEvent::Type_DoorCommanded, 0).size()); }
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

    EXPECT_EQ(Post("/config/doors/filter", "{}").Body,
              ErrorBody(2, "Parsing error:Expected doorFilter member"));
}

TEST_F(DoorsTest, CommandChecksEveryDoorBeforeItCommandsOne) {
    const std::string unknown = R"({"id":999})";
    struct Case {
        std::string Body;
        std::string Error;
    } cases[] = {
        {R"({"doorCommand":{"newDoorState":1}})", ErrorBody(1, "doorIDs is required")},
        {R"({"doorCommand":{"doorIDs":[5],"newDoorState":1}})",
         ErrorBody(2, "Parsing error:Expected JSON object")},
        {DoorCommand("", 1), ErrorBody(1, "No door specified")},
        {DoorCommand(IdJson(m_D1) + "," + unknown + R"(,{"id":998})", 1),
         ErrorBody(1, "2 doors not found in database form 3 that are specified")},
        {DoorCommand(IdJson(m_D1), 5), ErrorBody(1, "Value 5 for newDoorState is not valid")},
        {DoorCommand(IdJson(m_D1), -1), ErrorBody(1, "Value -1 for newDoorState is not valid")},
        {R"({"doorCommand":{"doorIDs":{"ids":[)" + IdJson(m_D1) + "]}}}",
         ErrorBody(1, "newDoorState is required")},
    };
    for (const Case& c : cases) {
        const HttpReply reply = Post("/management/doors", c.Body);
        EXPECT_NE(reply.Status, 200) << c.Body;
        EXPECT_EQ(reply.Body, c.Error) << c.Body;
    }
    // A door the keeper may only see stops the whole command, the door before it included.
    const FakeWebResponse hidden =
        PostAsMailUser("/management/doors", DoorCommand(IdJson(m_D1) + "," + IdJson(m_D2), 2), "keeper");
    EXPECT_EQ(hidden.Body(),
              ErrorBody(1, "Door ID " + Id(m_D2) + " not found in database or access not allowed"));
    EXPECT_EQ(CommandedEvents(), 0);
    EXPECT_EQ(WaitForState(m_D1, {1, 1}), std::make_pair(1, 1));
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
        EXPECT_EQ(Details(events[0]),
                  (std::vector<std::string>{Detail(AccessEvent::Member_DoorID, m_D1),
                                            std::to_string(AccessEvent::Member_DoorCommand) + "=" +
                                                std::to_string(control),
                                            Detail(WebEvent::Member_OperatorID, m_Admin),
                                            std::to_string(SystemEvent::Member_Information) + "=Web API"}));
    }
    // Paging limits the doors asked for, the count covers all.
    EXPECT_NE(
        Post("/management/doors/status", R"({"doorFilter":{"limitCount":1}})").Body.find(R"({"count":4,)"),
        std::string::npos);
}

TEST_F(DoorsTest, SeveralUnitsAreCommandedByTheirOwnMacAddress) {
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

TEST_F(DoorsTest, SimulatedReadIsDecidedByTheDoorServiceAndLogged) {
    int64_t before = LastEventID();
    ASSERT_EQ(
        Post("/management/simulatecardread", Read(R"("doorID":)" + IdJson(m_D1) + R"(,"cardNumber":"1001")"))
            .Status,
        200);
    auto granted = WaitForEvents(before, AccessEvent::Type_AccessGranted, 1);
    ASSERT_EQ(granted.size(), 1u);
    EXPECT_EQ(Details(granted[0]),
              (std::vector<std::string>{Detail(AccessEvent::Member_DoorID, m_D1),
                                        Detail(AccessEvent::Member_ReaderID, m_R1),
                                        std::to_string(AccessEvent::Member_CardNumber) + "=1001"}));
    const auto action = WaitForEvents(before, KeynodeWebApi::Type_ApiActionExecuted, 1);
    ASSERT_EQ(action.size(), 1u);
    EXPECT_EQ(
        Details(action[0]),
        (std::vector<std::string>{
            std::to_string(SystemEvent::Member_Information) + "=Simulate card read executed from Web API",
            Detail(AccessEvent::Member_DoorID, m_D1), Detail(AccessEvent::Member_ReaderID, m_R1),
            Detail(WebEvent::Member_OperatorID, m_Admin),
            std::to_string(AccessEvent::Member_CardNumber) + "=1001"}));
    EXPECT_EQ(WaitForState(m_D1, {Access::DOOR_POSITION_RELEASED, Access::DOOR_CAUSE_ACCESS_GRANTED}),
              std::make_pair(2, 2));

    // At night the same card is refused; a chip is found by its number, and D2 by the reader linked to it.
    m_Now = At(2026, 12, 7, 22, 0).Utc.get_Seconds();
    before = LastEventID();
    Post("/management/simulatecardread", Read(R"("doorID":)" + IdJson(m_D1) + R"(,"cardNumber":"1001")"));
    Post("/management/simulatecardread",
         Read(R"("doorID":)" + IdJson(m_D2) + R"(,"chipNumber":4600387192,"chipNumberBitLength":32)"));
    const auto denied = WaitForEvents(before, AccessEvent::Type_AccessDenied, 2);
    ASSERT_EQ(denied.size(), 2u);
    EXPECT_EQ(Details(denied[0]).back(),
              std::to_string(AccessEvent::Member_DenialReason) + "=week program says no access now");
    EXPECT_EQ(Details(denied[1]),
              (std::vector<std::string>{
                  Detail(AccessEvent::Member_DoorID, m_D2), Detail(AccessEvent::Member_ReaderID, m_R1),
                  std::to_string(AccessEvent::Member_CardNumber) + "=305419896",
                  std::to_string(AccessEvent::Member_ChipID) + "=12345678",
                  std::to_string(AccessEvent::Member_DenialReason) + "=week program says no access now"}));

    // A blocked door refuses every card.
    m_Now = At(2026, 12, 7, 10, 0).Utc.get_Seconds();
    ASSERT_EQ(Post("/management/doors", DoorCommand(IdJson(m_D1), 4)).Status, 200);
    before = LastEventID();
    Post("/management/simulatecardread", Read(R"("doorID":)" + IdJson(m_D1) + R"(,"cardNumber":"1001")"));
    const auto blocked = WaitForEvents(before, AccessEvent::Type_AccessDenied, 1);
    ASSERT_EQ(blocked.size(), 1u);
    EXPECT_EQ(Details(blocked[0]).back(), std::to_string(AccessEvent::Member_DenialReason) + "=door blocked");
}

TEST_F(DoorsTest, SimulatedReadChecksItsRequestBeforeAnyMail) {
    const std::string door = R"("doorID":)" + IdJson(m_D1);
    struct Case {
        std::string Members;
        std::string Error;
    } cases[] = {
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
    for (const Case& c : cases) {
        const HttpReply reply = Post("/management/simulatecardread", Read(c.Members));
        EXPECT_EQ(reply.Body, c.Error) << c.Members;
    }
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
