// "/access/cards" over HTTP: what a stored card looks like from every lookup, the request checks with
// their messages (none of which changes a row), and what an update keeps and what it replaces.
#include <gtest/gtest.h>

#include "ApiExpectations.h"
#include "DB/Tables/AccessTables.h"
#include "support/CardSiteTest.h"

using namespace ApiTest;

namespace {

std::string ParsingError(const std::string& msg) {
    return ErrorBody(2, "Parsing error:" + msg);
}

class CardsApiTest : public CardSiteTest {
protected:
    HttpReply GetCards(const std::string& query) { return Call("GET", "/access/cards" + query); }
    std::string Records(const std::string& card) { return "{\"records\":[" + card + "]}"; }
    // The stored card as GET answers it.
    std::string Stored(const Accessories::TCRecordID& card) {
        const std::string records = GetCards("?id=" + UrlEncode(IdJson(card))).Body;
        return records.substr(12, records.size() - 14);
    }
};

TEST_F(CardsApiTest, PostAnswersTheStoredCardAndEveryLookupFindsIt) {
    const HttpReply reply =
        Call("POST", "/access/cards",
             R"({"id":{"id":999,"extId":"c-1"},"cardHolderID":{"extId":"h-anna"},"number":"42",)"
             R"("accessGroupLinks":[{"accessGroupID":{"extId":"grp-night"},)"
             R"("validFrom":"2026-01-01T00:00:00Z","validTo":"2026-12-31T23:59:59Z"},)"
             R"({"accessGroupID":{"id":)" +
                 Id(m_Staff) + R"(}}],"isBlocked":true,"pinCode":"1234","options":[7,2],"info":"desk"})");
    ASSERT_EQ(200, reply.Status) << reply.Body;
    const Accessories::TCRecordID id = Access::TCDBAccessCards().SelectAll().get_ID();
    ASSERT_NE(999, id.get_ID()) << "the database chooses the ID";
    const std::string card =
        R"({"id":{"id":)" + Id(id) + R"(,"extId":"c-1"},"cardHolderID":{"id":)" + Id(m_Anna) +
        R"(,"extId":"h-anna"},"number":"42","accessGroupLinks":[{"accessGroupID":{"id":)" + Id(m_Night) +
        R"(,"extId":"grp-night"},"validFrom":"2026-01-01T00:00:00Z",)"
        R"("validTo":"2026-12-31T23:59:59Z"},{"accessGroupID":{"id":)" +
        Id(m_Staff) +
        R"(,"extId":"grp-staff"},"validFrom":null,"validTo":null}],)"
        R"("isBlocked":true,"pinCode":"1234","options":[2,7],"info":"desk"})";
    EXPECT_EQ("{\"card\":" + card + "}", reply.Body);
    for (const std::string& query : {"?id=" + UrlEncode(R"({"extId":"c-1"})"), "?id=" + UrlEncode(IdJson(id)),
                                     std::string("?cardNumber=42")})
        EXPECT_EQ(Records(card), GetCards(query).Body) << query;

    // Defaults of a minimal card; a card of a hidden type stays out of GET but keeps its number.
    const int64_t plain =
        Create("/access/cards", R"({"id":{},"cardHolderID":{"id":)" + Id(m_Ben) + R"(},"number":"43"})");
    EXPECT_EQ(R"({"id":{"id":)" + std::to_string(plain) + R"(},"cardHolderID":{"id":)" + Id(m_Ben) +
                  R"(,"extId":"h-ben"},"number":"43","accessGroupLinks":[],"isBlocked":false,"pinCode":null,)"
                  R"("options":[],"info":null})",
              Stored(Accessories::TCRecordID(plain)));
    const Accessories::TCRecordID hidden = AddCard("44", m_Ben, 1, "c-hidden");
    EXPECT_EQ("{\"records\":[]}", GetCards("?id=" + UrlEncode(IdJson(hidden))).Body);
    EXPECT_EQ("{\"records\":[]}", GetCards("?cardNumber=44").Body);
    EXPECT_EQ("{\"records\":[]}", GetCards("?id=" + UrlEncode(R"({"id":4242})")).Body);
}

TEST_F(CardsApiTest, RefusedRequestsChangeNothing) {
    const Accessories::TCRecordID card = AddCard("500", m_Ben, 0, "c-500");
    AddCard("777", m_Ben, 1); // hidden
    const std::string cardID = IdJson(card);
    const std::string anna = R"("cardHolderID":{"id":)" + Id(m_Anna) + "}";
    const std::string staffLink = R"({"accessGroupID":{"id":)" + Id(m_Staff) + "}}";
    const std::string before = DumpCardTables();
    const struct {
        std::string Method, Path, Body, Expected;
    } cases[] = {
        {"GET", "/access/cards?cardNumber=500&id=" + UrlEncode(cardID), "",
         ErrorBody(1, "Expected single parameter")},
        {"GET", "/access/cards", "", ErrorBody(1, "Expected single parameter")},
        {"GET", "/access/cards?number=500", "", ErrorBody(1, "Missing query parameter")},
        {"GET", "/access/cards?cardNumber=", "", ErrorBody(1, "Card number is required")},
        {"GET", "/access/cards?id=" + UrlEncode("{}"), "", ErrorBody(1, "Card id is required")},
        {"DELETE", "/access/cards?cardNumber=500", "", ErrorBody(1, "Missing identity parameter")},
        {"DELETE", "/access/cards?id=" + UrlEncode(R"({"id":4242})"), "",
         RecordNotFoundBody(Table_AccessCards::SPEC.TableID, R"({"id":4242})")},
        {"POST", "/access/cards", R"({"number":"1"})", ParsingError("Expected id member")},
        {"POST", "/access/cards", R"({"id":null})", ParsingError("id member can't be null")},
        {"POST", "/access/cards", R"({"id":{},"cardHolderID":{"id":1}})",
         ErrorBody(1, "Card number is required")},
        {"POST", "/access/cards", R"({"id":{},"number":"1"})", ErrorBody(1, "Card holder id is required")},
        {"POST", "/access/cards", R"({"id":{},"number":"777",)" + anna + "}",
         ErrorBody(1, "Specified card number is already in use")},
        {"POST", "/access/cards", R"({"id":{},"number":"1",)" + anna + R"(,"options":[1,9]})",
         ParsingError("Unsupported card option value:9")},
        {"POST", "/access/cards", R"({"id":{},"number":"1","options":3})",
         ParsingError("Expected JSON array")},
        {"POST", "/access/cards", R"({"id":{},"number":"1","options":["1"]})",
         ParsingError("RapidJson internal assertion failed")},
        {"POST", "/access/cards", R"({"id":{},"number":"1","accessGroupLinks":[{}]})",
         ParsingError("Expected accessGroupID member")},
        {"POST", "/access/cards",
         R"({"id":{},"number":"1",)" + anna + R"(,"accessGroupLinks":[)" + staffLink +
             R"(,{"accessGroupID":{"extId":"grp-staff"}}]})",
         ErrorBody(1, "Duplicated links to access group not allowed")},
        {"POST", "/access/cards",
         R"({"id":{},"number":"1",)" + anna + R"(,"accessGroupLinks":[{"accessGroupID":{"id":4242}}]})",
         RecordNotFoundBody(Table_AccessGroups::SPEC.TableID, R"({"id":4242})")},
        {"PUT", "/access/cards", R"({"id":{},"number":"1"})", ErrorBody(1, "Card id is required")},
        {"PUT", "/access/cards", R"({"id":)" + cardID + R"(,"number":null})",
         ErrorBody(1, "Card number can't be null")},
        {"PUT", "/access/cards", R"({"id":)" + cardID + R"(,"number":"777"})",
         ErrorBody(1, "Specified card number is already in use")},
        {"PUT", "/access/cards", R"({"id":)" + cardID + R"(,"cardHolderID":{"extId":"nobody"}})",
         RecordNotFoundBody(Table_AccessCardHolders::SPEC.TableID, R"({"id":null,"extId":"nobody"})")},
        {"PUT", "/access/cards",
         R"({"id":)" + cardID + R"(,"info":"x","accessGroupLinks":[)" + staffLink + "," + staffLink + "]}",
         ErrorBody(1, "Duplicated links to access group not allowed")},
    };
    for (const auto& c : cases) {
        const HttpReply reply = Call(c.Method, c.Path, c.Body);
        EXPECT_EQ(400, reply.Status) << c.Method << " " << c.Path << " " << c.Body;
        EXPECT_EQ(c.Expected, reply.Body) << c.Method << " " << c.Path << " " << c.Body;
    }
    EXPECT_EQ(before, DumpCardTables());
}

TEST_F(CardsApiTest, UpdateWritesOnlyWhatTheRequestNames) {
    const int64_t created =
        Create("/access/cards", R"({"id":{"extId":"c-9"},"cardHolderID":{"id":)" + Id(m_Anna) +
                                    R"(},"number":"9","pinCode":"11","info":"i","options":[3],)"
                                    R"("accessGroupLinks":[{"accessGroupID":{"id":)" +
                                    Id(m_Staff) + "}}]}");
    const Accessories::TCRecordID card(created);
    const std::string stored = Stored(card);
    const auto put = [&](const std::string& members) {
        const HttpReply reply = Call("PUT", "/access/cards", R"({"id":{"extId":"c-9"})" + members + "}");
        EXPECT_EQ(200, reply.Status) << members << " -> " << reply.Body;
        EXPECT_EQ("", reply.Body);
        return Stored(card);
    };
    // Members that are absent, or null where null cannot be stored, leave the card as it is.
    EXPECT_EQ(stored, put(R"(,"number":"9","cardHolderID":null,"isBlocked":null,"options":null)"));
    EXPECT_EQ(stored, put(""));

    const std::string changed = put(
        R"(,"cardHolderID":{"extId":"h-ben"},"isBlocked":true,"pinCode":null,"info":null,"options":[],)"
        R"("accessGroupLinks":[{"accessGroupID":{"extId":"grp-night"},"validTo":"2027-01-01T00:00:00Z"}])");
    EXPECT_EQ(
        R"({"id":{"id":)" + Id(card) + R"(,"extId":"c-9"},"cardHolderID":{"id":)" + Id(m_Ben) +
            R"(,"extId":"h-ben"},"number":"9","accessGroupLinks":[{"accessGroupID":{"id":)" + Id(m_Night) +
            R"(,"extId":"grp-night"},"validFrom":null,"validTo":"2027-01-01T00:00:00Z"}],"isBlocked":true,)"
            R"("pinCode":null,"options":[],"info":null})",
        changed);
    EXPECT_NE(std::string::npos, put(R"(,"accessGroupLinks":null)").find(R"("accessGroupLinks":[])"));

    ASSERT_EQ(200, Call("DELETE", "/access/cards?id=" + UrlEncode(R"({"extId":"c-9"})")).Status);
    EXPECT_EQ("{\"records\":[]}", GetCards("?cardNumber=9").Body);
    EXPECT_EQ(std::string::npos, DumpCardTables().find("card ext=c-9"));
}

} // namespace
