// kGroups, kCards, kHolders and their filters over HTTP.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ApiExpectations.h"
#include "DB/Tables/AccessTables.h"
#include "DB/Tables/SystemTables.h"
#include "support/ApiTestServer.h"

using namespace ApiTest;
using Accessories::TCRecordID;

namespace {

const std::string kGroups = "/access/accessGroups", kCards = "/access/cards",
                  kHolders = "/access/cardHolders";

TCRecordID AddDoor() {
    return AddRow(Access::TCDBDoors(), {&Table_AccessDoors::NAME}, {"door"});
}

std::string DumpGroupsAndRights() {
    return DumpRows(Access::TCDBAccessGroups(), "group") + DumpRows(Access::TCDBAccessGroupRights(), "right");
}

int64_t CountRights() {
    return Access::TCDBAccessGroupRights().SelectCount("*", DB::TCDBWhere());
}

class AccessGroupsApiTest : public AdminApiTest {
protected:
    void SetUp() override {
        AdminApiTest::SetUp();
        for (TCRecordID* door : {&m_Door1, &m_Door2, &m_Door3})
            *door = AddDoor();
        m_Always = AddWeekProgramRow("program", 10, 0, {}, "wp-always");
        m_Office = AddWeekProgramRow("program", 10, 0);
        m_Release = AddWeekProgramRow("program", 20, 0);
    }

    // A right as the API writes it.
    static std::string Right(const TCRecordID& door, const std::string& group,
                             const std::string& weekProgram) {
        return R"({"doorID":{"id":)" + Id(door) + R"(},"accessGroupID":)" + group + R"(,"weekProgramID":)" +
               weekProgram + "}";
    }
    std::string Door1Always() const {
        return R"({"doorID":{"id":)" + Id(m_Door1) + R"(},"weekProgramID":{"id":)" + Id(m_Always) + "}}";
    }

    TCRecordID m_Door1, m_Door2, m_Door3, m_Always, m_Office, m_Release;
};

TEST_F(AccessGroupsApiTest, RefusedRequestsChangeNothing) {
    Create(kGroups, R"({"id":{"extId":"dup"},"name":"first","accessRights":[)" + Door1Always() + "]}");
    const std::string door1 = R"({"doorID":{"id":)" + Id(m_Door1) + "}";
    const std::string wp = R"(,"weekProgramID":{"id":)" + Id(m_Always) + "}}";
    const std::string foreignGroup =
        ParsingError("Invalid access group id in access group rights. If access group id is specified in "
                     "access group right than it must match to access group id of its container");
    const std::string assertion = ParsingError("RapidJson internal assertion failed");
    // Refused the same by POST and PUT, before anything is read from the database.
    const std::vector<std::pair<std::string, std::string>> bodies = {
        {"[]", ParsingError("Expected JSON object")},
        {"", ParsingError("Could not parse input, error: 1")},
        {R"({"name":"x"})", ParsingError("Expected id member")},
        {R"({"id":null})", ParsingError("id member can't be null")},
        {R"({"id":{"id":"7"}})", assertion},
        {R"({"id":{},"priority":null})", assertion},
        {R"({"id":{},"priority":20.5})", assertion},
        {R"({"id":{},"priority":9})",
         ParsingError("Invalid access group priority 9. Priority must be between 10 and 50")},
        {R"({"id":{},"priority":51})",
         ParsingError("Invalid access group priority 51. Priority must be between 10 and 50")},
        {R"({"id":{},"isReusable":false})",
         ParsingError("If isReusable is specified then it cannot be set to false")},
        {R"({"id":{},"isReusable":1})", assertion},
        {R"({"id":{},"accessRights":{}})", ParsingError("Expected JSON array")},
        {R"({"id":{},"accessRights":[{"doorID":7}]})", ParsingError("Expected JSON object")},
        {R"({"id":{},"accessRights":[)" + door1 + wp + "," + door1 + R"(,"weekProgramID":{"id":)" +
             Id(m_Office) + "}}]}",
         ParsingError("Access group rights must not contain duplicate door references")},
        {R"({"id":{"id":3},"accessRights":[)" + door1 + R"(,"accessGroupID":{"id":3,"extId":"x"})" + wp +
             "]}",
         foreignGroup},
        {R"({"id":{"extId":"a"},"accessRights":[)" + door1 + R"(,"accessGroupID":{"extId":"b"})" + wp + "]}",
         foreignGroup},
    };
    std::vector<Rejection> cases;
    for (const auto& [body, expected] : bodies)
        for (const char* method : {"POST", "PUT"})
            cases.push_back({method, kGroups, body, expected});
    // References are resolved after the group row is written: each of these fails after a write.
    const std::string door2 = R"({"doorID":{"id":)" + Id(m_Door2) + "}";
    const std::vector<std::pair<std::string, std::string>> rights = {
        {R"({"doorID":{"id":987654})" + wp, RecordNotFoundBody(4001, R"({"id":987654})")},
        {door2 + R"(,"weekProgramID":{"id":987654}})", RecordNotFoundBody(3012, R"({"id":987654})")},
        {door2 + R"(,"weekProgramID":{"id":)" + Id(m_Always) + R"(,"extId":"nope"}})",
         RecordNotFoundBody(3012, R"({"id":)" + Id(m_Always) + R"(,"extId":"nope"})")},
        {R"({"weekProgramID":{"id":)" + Id(m_Always) + "}}",
         ErrorBody(1, "ID is required for table AccessDoors")},
        {door2 + R"(,"weekProgramID":null})",
         ErrorBody(1, "ID or external ID is required for table CommonWeekPrograms")},
        {door2 + R"(,"weekProgramID":{"id":)" + Id(m_Release) + "}}",
         ErrorBody(1, "Specified week program id " + Id(m_Release) +
                          " is not of card holder week program type")},
    };
    for (const auto& [right, expected] : rights) {
        cases.push_back(
            {"POST", kGroups,
             R"({"id":{"extId":"new"},"name":"n","accessRights":[)" + Door1Always() + "," + right + "]}",
             expected});
        cases.push_back({"PUT", kGroups,
                         R"({"id":{"extId":"dup"},"name":"changed","accessRights":[)" + Door1Always() + "," +
                             right + "]}",
                         expected});
    }
    cases.insert(
        cases.end(),
        {
            {"PUT", kGroups, R"({"id":{},"name":"x"})", ErrorBody(1, "Access group id is required")},
            {"GET", "/access/accessGroups?id=%7B%7D", "", ErrorBody(1, "Access group id is required")},
            {"GET", "/access/accessGroups?id=%7B%7D&name=Same", "",
             ErrorBody(1, "Maximum one parameter is allowed")},
            {"GET", "/access/accessGroups?id=%7B", "", ParsingError("Could not parse input, error: 4")},
            {"DELETE", kGroups, "", ErrorBody(1, "Missing identity parameter")},
            {"DELETE", "/access/accessGroups?id=%7B%7D", "", ErrorBody(1, "Access group id is required")},
        });
    ExpectRejected(cases, DumpGroupsAndRights);
}

TEST_F(AccessGroupsApiTest, UpdateWritesOnlyWhatWasGivenExceptThePriority) {
    const int64_t id =
        Create(kGroups, R"({"id":{"extId":"g"},"name":"Staff","info":"text","priority":20,"accessRights":[)" +
                            Door1Always() + "]}");
    const std::string group = R"({"id":)" + std::to_string(id) + R"(,"extId":"g"})";
    const auto put = [&](const std::string& body) {
        Succeeds("PUT", kGroups, body);
        return Stored(kGroups, R"({"extId":"g"})");
    };
    const auto stored = [&](const std::string& members, const std::string& rights) {
        return R"({"records":[{"id":)" + group + members + R"(,"isReusable":true,"accessRights":[)" + rights +
               "]}]}";
    };
    // Absent members stay, an explicit null clears, a missing priority goes back to 50.
    EXPECT_EQ(stored(R"(,"name":"Staff","info":null,"priority":50)",
                     Right(m_Door1, group, R"({"id":)" + Id(m_Always) + R"(,"extId":"wp-always"})")),
              put(R"({"id":{"extId":"g"},"info":null})"));
    // A new list replaces the rights; named by record ID only, the same group is meant.
    const std::string byRecordID = R"({"id":)" + std::to_string(id) + "}";
    EXPECT_EQ(stored(R"(,"name":"Night","info":null,"priority":30)",
                     Right(m_Door2, group, R"({"id":)" + Id(m_Office) + "}") + "," +
                         Right(m_Door3, group, R"({"id":)" + Id(m_Always) + R"(,"extId":"wp-always"})")),
              put(R"({"id":)" + byRecordID +
                  R"(,"name":"Night","priority":30,"accessRights":[{"doorID":{"id":)" + Id(m_Door2) +
                  R"(},"weekProgramID":{"id":)" + Id(m_Office) + R"(}},{"doorID":{"id":)" + Id(m_Door3) +
                  R"(},"accessGroupID":)" + byRecordID + R"(,"weekProgramID":{"extId":"wp-always"}}]})"));
    // Without "accessRights" the rights stay; [] and null both remove them all.
    put(R"({"id":{"extId":"g"},"priority":30})");
    EXPECT_EQ(2, CountRights());
    put(R"({"id":{"extId":"g"},"priority":30,"accessRights":[]})");
    EXPECT_EQ(0, CountRights());
    put(R"({"id":{"extId":"g"},"accessRights":[)" + Right(m_Door1, "null", R"({"id":)" + Id(m_Always) + "}") +
        "]}");
    EXPECT_EQ(1, CountRights());
    EXPECT_EQ(stored(R"(,"name":null,"info":null,"priority":50)", ""),
              put(R"({"id":{"extId":"g"},"name":null,"accessRights":null})"));
}

TEST_F(AccessGroupsApiTest, GetSelectsByIdentityOrNameAndDeleteTakesTheRights) {
    // Absent members get their defaults; the lowest priority passes.
    const std::string plain = Call("POST", kGroups, R"({"id":{}})").Body;
    EXPECT_EQ(R"({"accessGroup":{"id":)" + IdJson(Access::TCDBAccessGroups().SelectAll().get_ID()) +
                  R"(,"name":null,"info":null,"priority":50,"isReusable":true,"accessRights":[]}})",
              plain);
    for (const char* body : {R"({"id":{"extId":"a"},"name":"Same"})", R"({"id":{},"name":"Same"})",
                             R"({"id":{},"name":"Other","priority":10,"isReusable":null})"})
        Create(kGroups, body);
    EXPECT_NE(std::string::npos,
              Call("GET", kGroups + "?name=Other")
                  .Body.find(R"("name":"Other","info":null,"priority":10,"isReusable":true)"));
    Create(kGroups, R"({"id":{"extId":"gone"},"accessRights":[)" + Door1Always() + "]}");
    const auto count = [](const std::string& body) {
        size_t n = 0;
        for (size_t pos = body.find("\"priority\""); pos != std::string::npos;
             pos = body.find("\"priority\"", pos + 1))
            ++n;
        return n;
    };
    const std::string a =
        Id(Access::TCDBAccessGroups().Select("*", Table_AccessGroups::NAME == "Same").get_ID());
    const std::pair<std::string, size_t> cases[] = {
        {"?name=Same", 2},
        {"?name=same", 0},
        {"", 5},
        {"?other=1", 5},
        {"?id=" + UrlEncode(R"({"extId":"a"})"), 1},
        // A reload looks the group up by its record ID when one is given, and only otherwise by external ID.
        {"?id=" + UrlEncode(R"({"id":)" + a + R"(,"extId":"zzz"})"), 1},
        {"?id=" + UrlEncode(R"({"id":987654,"extId":"a"})"), 0},
        {"?id=" + UrlEncode(R"({"extId":"zzz"})"), 0},
    };
    for (const auto& [query, n] : cases)
        EXPECT_EQ(n, count(Call("GET", kGroups + query).Body)) << query;
    EXPECT_EQ(R"({"records":[]})", Call("GET", kGroups + "?name=").Body);

    Succeeds("DELETE", kGroups + "?id=" + UrlEncode(R"({"extId":"gone"})"));
    EXPECT_EQ(R"({"records":[]})", Stored(kGroups, R"({"extId":"gone"})"));
    EXPECT_EQ(4, Access::TCDBAccessGroups().SelectCount("*", DB::TCDBWhere()));
    EXPECT_EQ(0, CountRights());
}

// Access groups "grp-staff" and "grp-night" and card holders "h-anna" and "h-ben" written straight into
// the tables.
class CardsApiTest : public AdminApiTest {
protected:
    void SetUp() override {
        AdminApiTest::SetUp();
        const auto group = [](const char* name) {
            namespace G = Table_AccessGroups;
            return AddRow(Access::TCDBAccessGroups(), {&G::NAME, &G::PRIORITY, &G::REUSABLE}, {name, 50, 1},
                          name);
        };
        const auto holder = [](const char* name, const char* externalID) {
            namespace H = Table_AccessCardHolders;
            return AddRow(Access::TCDBAccessCardHolders(), {&H::FIRSTNAME, &H::LASTNAME, &H::TYPE},
                          {name, "", 0}, externalID);
        };
        m_Staff = group("grp-staff"), m_Night = group("grp-night");
        m_Anna = holder("Anna", "h-anna"), m_Ben = holder("Ben", "h-ben");
    }
    // A card of `type` (1 is hidden) written straight into the table, without links.
    static TCRecordID AddCard(const std::string& number, const TCRecordID& holder, int type = 0,
                              const std::string& externalID = "") {
        namespace C = Table_AccessCards;
        return AddRow(Access::TCDBAccessCards(), {&C::CARDNO, &C::CARDHOLDER, &C::BLOCKED, &C::TYPE},
                      {number, holder, 0, type}, externalID);
    }
    static std::string DumpCardTables() {
        return DumpRows(Access::TCDBAccessCardHolders(), "holder") +
               DumpRows(Access::TCDBAccessCards(), "card") +
               DumpRows(Access::TCDBAccessCardAccessGroupLinks(), "link");
    }
    // The stored card as GET answers it.
    std::string Card(const TCRecordID& card) {
        const std::string records = Stored(kCards, IdJson(card));
        return records.substr(12, records.size() - 14);
    }
    // The holder of each card, as "number:holder first name" in card order.
    static std::string Owners() {
        std::string owners;
        for (DB::TCDBIterator card = Access::TCDBAccessCards().SelectAll(); card.IsNotEnd(); card.Next())
            owners += card.Field(Table_AccessCards::CARDNO).get_AsString() + ":" +
                      Access::TCDBAccessCardHolders()
                          .SelectPrimary(card.Field(Table_AccessCards::CARDHOLDER).get_AsRecordID())
                          .Field(Table_AccessCardHolders::FIRSTNAME)
                          .get_AsString() +
                      " ";
        return owners;
    }

    TCRecordID m_Staff, m_Night, m_Anna, m_Ben;
};

TEST_F(CardsApiTest, PostAnswersTheStoredCardAndEveryLookupFindsIt) {
    const HttpReply reply = Call(
        "POST", kCards,
        R"({"id":{"id":999,"extId":"c-1"},"cardHolderID":{"extId":"h-anna"},"number":"42",)"
        R"("accessGroupLinks":[{"accessGroupID":{"extId":"grp-night"},)"
        R"("validFrom":"2026-01-01T00:00:00Z","validTo":"2026-12-31T23:59:59Z"},{"accessGroupID":{"id":)" +
            Id(m_Staff) + R"(}}],"isBlocked":true,"pinCode":"1234","options":[7,2],"info":"desk"})");
    ASSERT_EQ(200, reply.Status) << reply.Body;
    const TCRecordID id = Access::TCDBAccessCards().SelectAll().get_ID();
    ASSERT_NE(999, id.get_ID()) << "the database chooses the ID";
    const std::string card =
        R"({"id":{"id":)" + Id(id) + R"(,"extId":"c-1"},"cardHolderID":{"id":)" + Id(m_Anna) +
        R"(,"extId":"h-anna"},"number":"42","accessGroupLinks":[{"accessGroupID":{"id":)" + Id(m_Night) +
        R"(,"extId":"grp-night"},"validFrom":"2026-01-01T00:00:00Z","validTo":"2026-12-31T23:59:59Z"},)"
        R"({"accessGroupID":{"id":)" +
        Id(m_Staff) +
        R"(,"extId":"grp-staff"},"validFrom":null,"validTo":null}],)"
        R"("isBlocked":true,"pinCode":"1234","options":[2,7],"info":"desk"})";
    EXPECT_EQ("{\"card\":" + card + "}", reply.Body);
    for (const std::string& query : {"?id=" + UrlEncode(R"({"extId":"c-1"})"), "?id=" + UrlEncode(IdJson(id)),
                                     std::string("?cardNumber=42")})
        EXPECT_EQ("{\"records\":[" + card + "]}", Call("GET", kCards + query).Body) << query;

    // Defaults of a minimal card; a card of a hidden type stays out of GET but keeps its number.
    const int64_t plain =
        Create(kCards, R"({"id":{},"cardHolderID":{"id":)" + Id(m_Ben) + R"(},"number":"43"})");
    EXPECT_EQ(R"({"id":{"id":)" + std::to_string(plain) + R"(},"cardHolderID":{"id":)" + Id(m_Ben) +
                  R"(,"extId":"h-ben"},"number":"43","accessGroupLinks":[],"isBlocked":false,"pinCode":null,)"
                  R"("options":[],"info":null})",
              Card(TCRecordID(plain)));
    const TCRecordID hidden = AddCard("44", m_Ben, 1, "c-hidden");
    for (const std::string& query : {"?id=" + UrlEncode(IdJson(hidden)), std::string("?cardNumber=44"),
                                     "?id=" + UrlEncode(R"({"id":4242})")})
        EXPECT_EQ("{\"records\":[]}", Call("GET", kCards + query).Body) << query;
}

TEST_F(CardsApiTest, RefusedRequestsChangeNothing) {
    const std::string cardID = IdJson(AddCard("500", m_Ben, 0, "c-500"));
    AddCard("777", m_Ben, 1); // hidden
    AddCard("b1", m_Ben, 0, "c-b1");
    const std::string anna = R"("cardHolderID":{"id":)" + Id(m_Anna) + "}";
    const std::string staffLink = R"({"accessGroupID":{"id":)" + Id(m_Staff) + "}}";
    const std::string inUse = ErrorBody(1, "Specified card number is already in use");
    const std::string duplicateLinks = ErrorBody(1, "Duplicated links to access group not allowed");
    const std::string assertion = ParsingError("RapidJson internal assertion failed");
    const std::string nobody =
        RecordNotFoundBody(Table_AccessCardHolders::SPEC.TableID, R"({"id":null,"extId":"nobody"})");
    const std::string noCard = RecordNotFoundBody(Table_AccessCards::SPEC.TableID, R"({"id":4242})");
    ExpectRejected(
        {
            {"GET", kCards + "?cardNumber=500&id=" + UrlEncode(cardID), "",
             ErrorBody(1, "Expected single parameter")},
            {"GET", kCards, "", ErrorBody(1, "Expected single parameter")},
            {"GET", kCards + "?number=500", "", ErrorBody(1, "Missing query parameter")},
            {"GET", kCards + "?cardNumber=", "", ErrorBody(1, "Card number is required")},
            {"GET", kCards + "?id=" + UrlEncode("{}"), "", ErrorBody(1, "Card id is required")},
            {"DELETE", kCards + "?cardNumber=500", "", ErrorBody(1, "Missing identity parameter")},
            {"POST", kCards, R"({"id":{},"cardHolderID":{"id":1}})", ErrorBody(1, "Card number is required")},
            {"POST", kCards, R"({"id":{},"number":"1"})", ErrorBody(1, "Card holder id is required")},
            {"POST", kCards, R"({"id":{},"number":"777",)" + anna + "}", inUse},
            {"POST", kCards, R"({"id":{},"number":"1",)" + anna + R"(,"options":[1,9]})",
             ParsingError("Unsupported card option value:9")},
            {"POST", kCards, R"({"id":{},"number":"1","options":3})", ParsingError("Expected JSON array")},
            {"POST", kCards, R"({"id":{},"number":"1","options":["1"]})", assertion},
            {"POST", kCards, R"({"id":{},"number":"1","accessGroupLinks":[{}]})",
             ParsingError("Expected accessGroupID member")},
            {"POST", kCards,
             R"({"id":{},"number":"1",)" + anna + R"(,"accessGroupLinks":[)" + staffLink +
                 R"(,{"accessGroupID":{"extId":"grp-staff"}}]})",
             duplicateLinks},
            {"POST", kCards,
             R"({"id":{},"number":"1",)" + anna + R"(,"accessGroupLinks":[{"accessGroupID":{"id":4242}}]})",
             RecordNotFoundBody(Table_AccessGroups::SPEC.TableID, R"({"id":4242})")},
            {"PUT", kCards, R"({"id":{},"number":"1"})", ErrorBody(1, "Card id is required")},
            {"PUT", kCards, R"({"id":)" + cardID + R"(,"number":null})",
             ErrorBody(1, "Card number can't be null")},
            {"PUT", kCards, R"({"id":)" + cardID + R"(,"number":"777"})", inUse},
            {"PUT", kCards, R"({"id":)" + cardID + R"(,"cardHolderID":{"extId":"nobody"}})", nobody},
            {"PUT", kCards,
             R"({"id":)" + cardID + R"(,"info":"x","accessGroupLinks":[)" + staffLink + "," + staffLink +
                 "]}",
             duplicateLinks},
            {"GET", kHolders + "?name=Anna", "", ErrorBody(1, "Missing id query parameter")},
            {"GET", kHolders + "?id=" + UrlEncode("{}"), "", ErrorBody(1, "Card holder id is required")},
            {"DELETE", kHolders + "?name=Anna", "", ErrorBody(1, "Missing identity parameter")},
            {"POST", kHolders, R"({"id":{},"lastName":"x"})", ErrorBody(1, "First name is required")},
            // The first card resolves and the second does not: no card may have moved.
            {"POST", kHolders,
             R"({"id":{},"firstName":"x","cardIDs":{"ids":[{"extId":"c-b1"},{"id":4242}]}})", noCard},
            {"PUT", kHolders, R"({"id":{"extId":"h-anna"},"firstName":null})",
             ErrorBody(1, "First name can't be null")},
            {"PUT", kHolders,
             R"({"id":{"extId":"h-anna"},"firstName":"Z","cardIDs":{"ids":[{"extId":"c-b1"},{}]}})",
             ErrorBody(1, "ID or external ID is required for table AccessCards")},
        },
        DumpCardTables);
}

TEST_F(CardsApiTest, UpdateWritesOnlyWhatTheRequestNames) {
    const TCRecordID card(Create(kCards, R"({"id":{"extId":"c-9"},"cardHolderID":{"id":)" + Id(m_Anna) +
                                             R"(},"number":"9","pinCode":"11","info":"i","options":[3],)"
                                             R"("accessGroupLinks":[{"accessGroupID":{"id":)" +
                                             Id(m_Staff) + "}}]}"));
    const std::string stored = Card(card);
    const auto put = [&](const std::string& members) {
        Succeeds("PUT", kCards, R"({"id":{"extId":"c-9"})" + members + "}");
        return Card(card);
    };
    // Members that are absent, or null where null cannot be stored, leave the card as it is.
    EXPECT_EQ(stored, put(R"(,"number":"9","cardHolderID":null,"isBlocked":null,"options":null)"));
    EXPECT_EQ(stored, put(""));
    EXPECT_EQ(
        R"({"id":{"id":)" + Id(card) + R"(,"extId":"c-9"},"cardHolderID":{"id":)" + Id(m_Ben) +
            R"(,"extId":"h-ben"},"number":"9","accessGroupLinks":[{"accessGroupID":{"id":)" + Id(m_Night) +
            R"(,"extId":"grp-night"},"validFrom":null,"validTo":"2027-01-01T00:00:00Z"}],"isBlocked":true,)"
            R"("pinCode":null,"options":[],"info":null})",
        put(R"(,"cardHolderID":{"extId":"h-ben"},"isBlocked":true,"pinCode":null,"info":null,"options":[],)"
            R"("accessGroupLinks":[{"accessGroupID":{"extId":"grp-night"},"validTo":"2027-01-01T00:00:00Z"}])"));
    EXPECT_NE(std::string::npos, put(R"(,"accessGroupLinks":null)").find(R"("accessGroupLinks":[])"));

    Succeeds("DELETE", kCards + "?id=" + UrlEncode(R"({"extId":"c-9"})"));
    EXPECT_EQ(std::string::npos, DumpCardTables().find("card ext=c-9"));
}

TEST_F(CardsApiTest, HolderPostMovesTheListedCardsAndAnswersTheStoredHolder) {
    const TCRecordID c1 = AddCard("1", m_Anna, 0, "c-1"), c2 = AddCard("2", m_Ben);
    const HttpReply reply = Call("POST", kHolders,
                                 R"({"id":{"id":77,"extId":"h-new"},"firstName":"Cleo","middleName":"M",)"
                                 R"("info":"i","company":"Co","validFrom":"2026-02-01T08:00:00Z",)"
                                 R"("cardIDs":{"ids":[{"extId":"c-1"},)" +
                                     IdJson(c2) + "," + IdJson(c1) + "]}}");
    ASSERT_EQ(200, reply.Status) << reply.Body;
    const std::string holder =
        R"({"id":{"id":)" + std::to_string(std::stoll(reply.Body.substr(reply.Body.find(':', 20) + 1))) +
        R"(,"extId":"h-new"},"firstName":"Cleo","lastName":"","middleName":"M","info":"i",)"
        R"("company":"Co","validFrom":"2026-02-01T08:00:00Z","validTo":null,)"
        R"("cardIDs":{"ids":[{"id":)" +
        Id(c1) + R"(,"extId":"c-1"},{"id":)" + Id(c2) + "}]}}";
    EXPECT_EQ("{\"cardHolder\":" + holder + "}", reply.Body);
    EXPECT_EQ("{\"records\":[" + holder + "]}", Stored(kHolders, R"({"extId":"h-new"})"));
    EXPECT_EQ("1:Cleo 2:Cleo ", Owners());
    EXPECT_EQ("{\"records\":[]}", Stored(kHolders, R"({"id":4242})"));
}

TEST_F(CardsApiTest, HolderPutWithCardsMovesListedAndDeletesUnlistedCards) {
    AddCard("a1", m_Anna, 0, "c-a1");
    const TCRecordID a2 = AddCard("a2", m_Anna), hidden = AddCard("a3", m_Anna, 1),
                     b1 = AddCard("b1", m_Ben, 0, "c-b1");
    const struct {
        std::string Members, Owners;
    } steps[] = {
        // No list: the cards stay; the same card twice counts once.
        {R"("lastName":"Lee")", "a1:Anna a2:Anna a3:Anna b1:Ben "},
        {R"("cardIDs":{"ids":[{"extId":"c-a1"},)" + IdJson(a2) + "," + IdJson(hidden) +
             R"(,{"extId":"c-a1"}]})",
         "a1:Anna a2:Anna a3:Anna b1:Ben "},
        // Ben's card moves to Anna; Anna's unlisted cards, hidden ones too, are deleted.
        {R"("cardIDs":{"ids":[)" + IdJson(b1) + "," + IdJson(a2) + "]}", "a2:Anna b1:Anna "},
        {R"("cardIDs":{"ids":[]})", ""},
    };
    for (const auto& step : steps) {
        Succeeds("PUT", kHolders, R"({"id":{"extId":"h-anna"},)" + step.Members + "}");
        EXPECT_EQ(step.Owners, Owners()) << step.Members;
    }
    AddCard("a4", m_Anna);
    Succeeds("PUT", kHolders, R"({"id":{"extId":"h-anna"},"cardIDs":null})");
    EXPECT_EQ("", Owners());
    EXPECT_NE(std::string::npos, Stored(kHolders, IdJson(m_Anna)).find(R"("lastName":"Lee")"));
    // Deleting a holder takes its cards along.
    const TCRecordID a5 = AddCard("a5", m_Anna);
    Succeeds("DELETE", kHolders + "?id=" + UrlEncode(R"({"extId":"h-anna"})"));
    EXPECT_EQ("{\"records\":[]}", Stored(kCards, IdJson(a5)));
}

// The values of every `"key":"..."` in the text, sorted and joined with spaces: a filter promises no
// order, the database's plan decides it.
std::string Values(const std::string& text, const std::string& key) {
    std::vector<std::string> found;
    const std::string marker = "\"" + key + "\":\"";
    for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 1)) {
        const size_t start = at + marker.size();
        found.push_back(text.substr(start, text.find('"', start) - start));
    }
    std::sort(found.begin(), found.end());
    std::string values;
    for (const std::string& value : found)
        values += (values.empty() ? "" : " ") + value;
    return values;
}

class CardFiltersApiTest : public CardsApiTest {
protected:
    void SetUp() override {
        CardsApiTest::SetUp();
        const std::string staff = R"({"accessGroupID":{"id":)" + Id(m_Staff) + "}}";
        const std::string night = R"({"accessGroupID":{"id":)" + Id(m_Night) + "}}";
        const auto card = [&](const std::string& members, const TCRecordID& holder) {
            return Create(kCards, R"({"id":{},"cardHolderID":)" + IdJson(holder) + "," + members + "}");
        };
        m_C1 = card(R"("id":{"extId":"c-100"},"number":"100","accessGroupLinks":[)" + staff + "]", m_Anna);
        card(R"("number":"200","isBlocked":true,"accessGroupLinks":[)" + night + "]", m_Anna);
        m_C3 = card(R"("number":"300","accessGroupLinks":[)" + staff + "," + night + "]", m_Ben);
        AddCard("400", m_Ben, 1); // hidden type: filters include it
        Succeeds(
            "PUT", kHolders,
            R"({"id":{"extId":"h-ben"},"validFrom":"2026-03-01T00:00:00Z","validTo":"2026-06-30T00:00:00Z"})");
        Create(kHolders, R"({"id":{},"firstName":"Cleo","validFrom":"2026-01-01T00:00:00Z"})");
    }

    int64_t m_C1 = 0, m_C3 = 0;
};

TEST_F(CardFiltersApiTest, EachCriterionSelectsItsCardsOrHoldersAndTheCountIgnoresPaging) {
    const std::string night = R"({"id":)" + Id(m_Night) + "}", c1 = R"({"id":)" + std::to_string(m_C1) + "}",
                      c3 = R"({"id":)" + std::to_string(m_C3) + "}";
    const struct {
        bool Holders;
        std::string Filter, Values;
        int Count; // -1: not checked
    } cases[] = {
        {false, "{}", "100 200 300 400", 4},
        {false, "{\"id\":" + c3 + R"(,"number":"100"})", "300", 1},
        {false, R"({"id":{"extId":"c-100"},"number":"200"})", "200", 1},
        {false, R"({"number":"20"})", "", 0},
        {false, R"({"isBlocked":true})", "200", 1},
        {false, R"({"accessGroupIDs":{"ids":[{"extId":"grp-staff"}]}})", "100 200 300 400", 4},
        {false, R"({"accessGroupIDs":{"ids":[)" + night + "]}}", "200 300", 2},
        {false, R"({"isBlocked":false,"accessGroupIDs":{"ids":[)" + night + "," + IdJson(m_Staff) + "]}}",
         "100 300", 2},
        {false, R"({"skipCount":1,"limitCount":2})", "200 300", 4},
        {false, R"({"doNotFetchData":true,"isBlocked":false})", "", 3},
        {true, "{}", "Anna Ben Cleo", -1},
        {true, "{\"id\":" + IdJson(m_Ben) + R"(,"validFrom":"2030-01-01T00:00:00Z"})", "Ben", -1},
        // An unset bound of the holder passes either bound of the filter.
        {true, R"({"validFrom":"2026-02-01T00:00:00Z"})", "Anna Ben", -1},
        {true, R"({"validTo":"2026-07-01T00:00:00Z"})", "Anna Ben Cleo", -1},
        {true, R"({"validTo":"2026-06-01T00:00:00Z"})", "Anna Cleo", -1},
        {true, R"({"cardIds":{"ids":[)" + c1 + "," + c3 + "]}}", "Anna Ben", -1},
        {true, R"({"cardIds":{"ids":[{"extId":"c-100"}]}})", "Anna Ben Cleo", -1},
        {true, R"({"accessGroupIDs":{"ids":[)" + night + "]}}", "Anna Ben", -1},
        {true, R"({"accessGroupIDs":{"ids":[)" + night + R"(]},"cardIds":{"ids":[)" + c1 + "]}}", "Anna", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Filter);
        const HttpReply reply =
            c.Holders ? Call("POST", kHolders + "/filter", R"({"cardHolderFilter":)" + c.Filter + "}")
                      : Call("POST", kCards + "/filter", R"({"cardFilter":)" + c.Filter + "}");
        ASSERT_EQ(200, reply.Status) << reply.Body;
        EXPECT_TRUE(c.Count < 0 ||
                    reply.Body.find("{\"count\":" + std::to_string(c.Count) + ",\"records\":[") == 0)
            << reply.Body;
        EXPECT_EQ(c.Values, Values(reply.Body, c.Holders ? "firstName" : "number"));
    }
    // A page holds the same card objects as GET, external IDs included.
    EXPECT_EQ("{\"count\":4,\"records\":" + Call("GET", "/access/cards?cardNumber=100").Body.substr(11),
              Call("POST", "/access/cards/filter", R"({"cardFilter":{"limitCount":1}})").Body);
    EXPECT_EQ(ParsingError("Expected cardFilter member"),
              Call("POST", "/access/cards/filter", R"({"filter":{}})").Body);
}

} // namespace
