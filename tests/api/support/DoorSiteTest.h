#pragma once
// A served API with a mail router and the door service in the same process, over a small site:
//   keynodes K1 (own, 02:00:00:00:00:10) and K2 (02:00:00:00:00:11), both of GUID "site";
//   K3 (02:00:00:00:00:12) of another GUID;
//   doors D1, D2 on K1, D3 on K2, D4 on K3;
//   readers R1 (type 2) on D1, linked to D2 as well, R3 on D3;
//   week program "Office" (Monday to Friday 07:00-19:00; day number 7 all day) and group G1 with it on
//   D1 and D2;
//   holidays: 2027-03-01..02 taken as day 7, New Year (every year) as Saturday, 2027-03-03 without an
//   assumed day;
//   cards: 1001 (valid, G1), 1002 (blocked, G1), 1003 (holder expired, G1), 1004 (G1 link expired),
//   1005 (no links), 305419896 (the chip 0x12345678 of 32 bits, G1);
//   users "admin" (every endpoint) and "keeper" with right 2 on D1 and 1 on D2.
// The door service decides at the time in m_Now (default: Monday 2026-12-07 10:00 UTC).
#include <atomic>
#include <memory>
#include <string>

#include "Access/TCAccessDecision.h"
#include "Access/TCDoorService.h"
#include "Mail/TCKnmsRouter.h"
#include "support/ApiTestServer.h"
#include "support/FakeWebExchange.h"

namespace ApiTest {

class DoorSiteTest : public ApiHttpTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // POST on "/api/v1" + path as the administrator over HTTP.
    HttpReply Post(const std::string& path, const std::string& body);
    // POST over the mail road as `user`, with its user ID, so that record rights apply.
    FakeWebResponse PostAsMailUser(const std::string& path, const std::string& body, const std::string& user);
    // The door's position and cause as door status reports them, after the API took the door service's
    // notices; waits (up to 5 s) until they equal `expected`, and returns what it saw last.
    std::pair<int, int> WaitForState(const Accessories::TCRecordID& door, std::pair<int, int> expected);
    // The events of `type` after `afterEventID`, waiting (up to 5 s) until there are `count`.
    std::vector<Event::TCEventRecord> WaitForEvents(int64_t afterEventID, int type, size_t count);

    // A moment at UTC, with the local calendar of UTC.
    static Access::TCLocalTime At(int year, int month, int day, int hour, int minute, int second = 0);

    Accessories::TCRecordID m_K1, m_K2, m_K3, m_D1, m_D2, m_D3, m_D4, m_R1, m_R3, m_Admin, m_Keeper;
    Accessories::TCRecordID m_Valid, m_Blocked, m_HolderExpired, m_LinkExpired, m_NoLinks, m_Chip;
    std::atomic<int64_t> m_Now{0};

private:
    void FillSite();

    std::unique_ptr<TCKnmsRouter> m_Router;
    std::unique_ptr<Access::TCDoorService> m_Doors;
};

} // namespace ApiTest
