// "/access/cardHolders" over HTTP: the stored holder behind each answer, and what a card list in a
// request does to the cards: listed cards move to the holder, unlisted ones of the holder are deleted,
// and a list that fails to resolve moves and deletes nothing.
#include <gtest/gtest.h>

#include "ApiExpectations.h"
#include "DB/Tables/AccessTables.h"
#include "support/CardSiteTest.h"

using namespace ApiTest;

namespace {

class CardHoldersApiTest : public CardSiteTest {
protected:
    // The holder of each card, as "number:holder first name" in card order.
    static std::string Owners() {
        std::string owners;
        Access::TCDBAccessCards cards;
        for (DB::TCDBIterator card = cards.SelectAll(); card.IsNotEnd(); card.Next()) {
            DB::TCDBIterator holder = Access::TCDBAccessCardHolders().SelectPrimary(
                card.Field(Table_AccessCards::CARDHOLDER).get_AsRecordID());
            owners += card.Field(Table_AccessCards::CARDNO).get_AsString() + ":" +
                      holder.Field(Table_AccessCardHolders::FIRSTNAME).get_AsString() + " ";
        }
        return owners;
    }
    HttpReply Put(const std::string& body) { return Call("PUT", "/access/cardHolders", body); }
};

TEST_F(CardHoldersApiTest, PostMovesTheListedCardsAndAnswersTheStoredHolder) {
    const Accessories::TCRecordID c1 = AddCard("1", m_Anna, 0, "c-1"), c2 = AddCard("2", m_Ben);
    const HttpReply reply = Call("POST", "/access/cardHolders",
                                 R"({"id":{"id":77,"extId":"h-new"},"firstName":"Cleo","middleName":"M",)"
                                 R"("info":"i","company":"Co","validFrom":"2026-02-01T08:00:00Z",)"
                                 R"("cardIDs":{"ids":[{"extId":"c-1"},)" +
                                     IdJson(c2) + "," + IdJson(c1) + "]}}");
    ASSERT_EQ(200, reply.Status) << reply.Body;
    const int64_t id = std::stoll(reply.Body.substr(reply.Body.find(":", 20) + 1));
    const std::string holder =
        R"({"id":{"id":)" + std::to_string(id) +
        R"(,"extId":"h-new"},"firstName":"Cleo","lastName":"","middleName":"M","info":"i",)"
        R"("company":"Co","validFrom":"2026-02-01T08:00:00Z","validTo":null,)"
        R"("cardIDs":{"ids":[{"id":)" +
        Id(c1) + R"(,"extId":"c-1"},{"id":)" + Id(c2) + "}]}}";
    EXPECT_EQ("{\"cardHolder\":" + holder + "}", reply.Body);
    EXPECT_EQ("{\"records\":[" + holder + "]}",
              Call("GET", "/access/cardHolders?id=" + UrlEncode(R"({"extId":"h-new"})")).Body);
    EXPECT_EQ("1:Cleo 2:Cleo ", Owners());
    EXPECT_EQ("{\"records\":[]}", Call("GET", "/access/cardHolders?id=" + UrlEncode(R"({"id":4242})")).Body);
}

TEST_F(CardHoldersApiTest, PutWithCardsMovesListedAndDeletesUnlistedCardsOfTheHolder) {
    AddCard("a1", m_Anna, 0, "c-a1");
    const Accessories::TCRecordID a2 = AddCard("a2", m_Anna), hidden = AddCard("a3", m_Anna, 1);
    const Accessories::TCRecordID b1 = AddCard("b1", m_Ben, 0, "c-b1");
    ASSERT_EQ("a1:Anna a2:Anna a3:Anna b1:Ben ", Owners());

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
        const HttpReply reply = Put(R"({"id":{"extId":"h-anna"},)" + step.Members + "}");
        EXPECT_EQ(200, reply.Status) << step.Members << " -> " << reply.Body;
        EXPECT_EQ(step.Owners, Owners()) << step.Members;
    }
    AddCard("a4", m_Anna);
    ASSERT_EQ(200, Put(R"({"id":{"extId":"h-anna"},"cardIDs":null})").Status);
    EXPECT_EQ("", Owners());
    EXPECT_NE(
        std::string::npos,
        Call("GET", "/access/cardHolders?id=" + UrlEncode(IdJson(m_Anna))).Body.find(R"("lastName":"Lee")"));
}

TEST_F(CardHoldersApiTest, RefusedRequestsChangeNothing) {
    const Accessories::TCRecordID a1 = AddCard("a1", m_Anna);
    AddCard("b1", m_Ben, 0, "c-b1");
    const std::string before = DumpCardTables();
    const struct {
        std::string Method, Path, Body, Expected;
    } cases[] = {
        {"GET", "/access/cardHolders", "", ErrorBody(1, "Expected single parameter")},
        {"GET", "/access/cardHolders?name=Anna", "", ErrorBody(1, "Missing id query parameter")},
        {"GET", "/access/cardHolders?id=" + UrlEncode("{}"), "", ErrorBody(1, "Card holder id is required")},
        {"DELETE", "/access/cardHolders?name=Anna", "", ErrorBody(1, "Missing identity parameter")},
        {"POST", "/access/cardHolders", R"({"id":{},"lastName":"x"})",
         ErrorBody(1, "First name is required")},
        {"POST", "/access/cardHolders", R"({"id":{},"firstName":7})",
         ErrorBody(2, "Parsing error:RapidJson internal assertion failed")},
        // The first card resolves and the second does not: no card may have moved.
        {"POST", "/access/cardHolders",
         R"({"id":{},"firstName":"x","cardIDs":{"ids":[{"extId":"c-b1"},{"id":4242}]}})",
         RecordNotFoundBody(Table_AccessCards::SPEC.TableID, R"({"id":4242})")},
        {"PUT", "/access/cardHolders", R"({"id":{"extId":"h-anna"},"firstName":null})",
         ErrorBody(1, "First name can't be null")},
        {"PUT", "/access/cardHolders",
         R"({"id":{"extId":"h-anna"},"firstName":"Z","cardIDs":{"ids":[{"extId":"c-b1"},{}]}})",
         ErrorBody(1, "ID or external ID is required for table AccessCards")},
        {"PUT", "/access/cardHolders", R"({"id":{"extId":"nobody"},"firstName":"Z"})",
         RecordNotFoundBody(Table_AccessCardHolders::SPEC.TableID, R"({"id":null,"extId":"nobody"})")},
    };
    for (const auto& c : cases) {
        const HttpReply reply = Call(c.Method, c.Path, c.Body);
        EXPECT_EQ(400, reply.Status) << c.Method << " " << c.Path << " " << c.Body;
        EXPECT_EQ(c.Expected, reply.Body) << c.Method << " " << c.Path << " " << c.Body;
    }
    EXPECT_EQ(before, DumpCardTables());

    // Deleting a holder takes its cards along.
    ASSERT_EQ(200, Call("DELETE", "/access/cardHolders?id=" + UrlEncode(R"({"extId":"h-anna"})")).Status);
    EXPECT_EQ("{\"records\":[]}", Call("GET", "/access/cards?id=" + UrlEncode(IdJson(a1))).Body);
}

} // namespace
