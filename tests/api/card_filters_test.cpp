// "/access/cards/filter" and "/access/cardHolders/filter" over HTTP: which records each criterion lets
// through, the count beside a page, and the answer envelope.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ApiExpectations.h"
#include "DB/Tables/AccessTables.h"
#include "support/CardSiteTest.h"

using namespace ApiTest;

namespace {

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

class CardFiltersApiTest : public CardSiteTest {
protected:
    void SetUp() override {
        CardSiteTest::SetUp();
        const std::string staff = R"({"accessGroupID":{"id":)" + Id(m_Staff) + "}}";
        const std::string night = R"({"accessGroupID":{"id":)" + Id(m_Night) + "}}";
        const auto card = [&](const std::string& members, const Accessories::TCRecordID& holder) {
            return Create("/access/cards",
                          R"({"id":{},"cardHolderID":)" + IdJson(holder) + "," + members + "}");
        };
        m_C1 = card(R"("id":{"extId":"c-100"},"number":"100","accessGroupLinks":[)" + staff + "]", m_Anna);
        card(R"("number":"200","isBlocked":true,"accessGroupLinks":[)" + night + "]", m_Anna);
        m_C3 = card(R"("number":"300","accessGroupLinks":[)" + staff + "," + night + "]", m_Ben);
        AddCard("400", m_Ben, 1); // hidden type: filters include it

        ASSERT_EQ(200, Call("PUT", "/access/cardHolders",
                            R"({"id":{"extId":"h-ben"},"validFrom":"2026-03-01T00:00:00Z",)"
                            R"("validTo":"2026-06-30T00:00:00Z"})")
                           .Status);
        Create("/access/cardHolders", R"({"id":{},"firstName":"Cleo","validFrom":"2026-01-01T00:00:00Z"})");
    }

    HttpReply Filter(const std::string& resource, const std::string& body) {
        return Call("POST", "/access/" + resource + "/filter", body);
    }

    int64_t m_C1 = 0, m_C3 = 0;
};

TEST_F(CardFiltersApiTest, EachCriterionSelectsItsCardsAndTheCountIgnoresPaging) {
    const std::string night = R"({"id":)" + Id(m_Night) + "}";
    const struct {
        std::string Filter, Numbers;
        int Count;
    } cases[] = {
        {"{}", "100 200 300 400", 4},
        {"{\"id\":{\"id\":" + std::to_string(m_C3) + R"(},"number":"100"})", "300", 1},
        {R"({"id":{"extId":"c-100"},"number":"200"})", "200", 1},
        {R"({"number":"200"})", "200", 1},
        {R"({"number":"20"})", "", 0},
        {R"({"isBlocked":true})", "200", 1},
        {R"({"accessGroupIDs":{"ids":[{"extId":"grp-staff"}]}})", "100 200 300 400", 4},
        {R"({"accessGroupIDs":{"ids":[)" + night + "]}}", "200 300", 2},
        {R"({"isBlocked":false,"accessGroupIDs":{"ids":[)" + night + "," + IdJson(m_Staff) + "]}}", "100 300",
         2},
        {R"({"skipCount":1,"limitCount":2})", "200 300", 4},
        {R"({"skipCount":4})", "", 4},
        {R"({"doNotFetchData":true,"isBlocked":false})", "", 3},
    };
    for (const auto& c : cases) {
        const HttpReply reply = Filter("cards", R"({"cardFilter":)" + c.Filter + "}");
        ASSERT_EQ(200, reply.Status) << c.Filter << " -> " << reply.Body;
        EXPECT_EQ(0u, reply.Body.find("{\"count\":" + std::to_string(c.Count) + ",\"records\":["))
            << reply.Body;
        EXPECT_EQ(c.Numbers, Values(reply.Body, "number")) << c.Filter;
    }

    // A page holds the same card objects as GET, external IDs included.
    const std::string first = Call("GET", "/access/cards?cardNumber=100").Body;
    EXPECT_EQ("{\"count\":4,\"records\":" + first.substr(11),
              Filter("cards", R"({"cardFilter":{"limitCount":1}})").Body);
    EXPECT_EQ(ErrorBody(2, "Parsing error:Expected cardFilter member"),
              Filter("cards", R"({"filter":{}})").Body);
}

TEST_F(CardFiltersApiTest, HolderFiltersMatchValidityCardsAndGroups) {
    const struct {
        std::string Filter, FirstNames;
    } cases[] = {
        {"{}", "Anna Ben Cleo"},
        {"{\"id\":" + IdJson(m_Ben) + R"(,"validFrom":"2030-01-01T00:00:00Z"})", "Ben"},
        // An unset bound of the holder passes either bound of the filter.
        {R"({"validFrom":"2026-02-01T00:00:00Z"})", "Anna Ben"},
        {R"({"validTo":"2026-07-01T00:00:00Z"})", "Anna Ben Cleo"},
        {R"({"validTo":"2026-06-01T00:00:00Z"})", "Anna Cleo"},
        {R"({"cardIds":{"ids":[{"id":)" + std::to_string(m_C1) + R"(},{"id":)" + std::to_string(m_C3) +
             "}]}}",
         "Anna Ben"},
        {R"({"cardIds":{"ids":[{"extId":"c-100"}]}})", "Anna Ben Cleo"},
        {R"({"accessGroupIDs":{"ids":[)" + IdJson(m_Night) + "]}}", "Anna Ben"},
        {R"({"accessGroupIDs":{"ids":[)" + IdJson(m_Night) + R"(]},"cardIds":{"ids":[{"id":)" +
             std::to_string(m_C1) + "}]}}",
         "Anna"},
        {R"({"skipCount":1,"limitCount":1})", "Ben"},
    };
    for (const auto& c : cases) {
        const HttpReply reply = Filter("cardHolders", R"({"cardHolderFilter":)" + c.Filter + "}");
        ASSERT_EQ(200, reply.Status) << c.Filter << " -> " << reply.Body;
        EXPECT_EQ(c.FirstNames, Values(reply.Body, "firstName")) << c.Filter;
    }
    EXPECT_EQ(ErrorBody(2, "Parsing error:Expected cardHolderFilter member"),
              Filter("cardHolders", R"({"cardFilter":{}})").Body);
}

} // namespace
