// POST "/events/filter" over HTTP: every condition of the event filter, paging in ascending event ID, the
// event's JSON form with its details, and the body faults.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ApiExpectations.h"
#include "Event/EventTypeTags.h"
#include "JsonTypes/KnaRapidJson.h"
#include "support/ApiTestServer.h"
#include "support/EventLogData.h"

using namespace ApiTest;

namespace {

constexpr int kUntaggedType = 500;

class EventFilterApiTest : public ApiHttpTest {
protected:
    void SetUp() override {
        AddAllMethodsUser("admin", "pw");
        // Event IDs 1..5 in a fresh log.
        m_IDs.push_back(AddEventRow({12000,
                                     {},
                                     TCUTCTime(1000),
                                     TCUTCTime(1500),
                                     Accessories::TCRecordID(9),
                                     {{12100, std::string("Bad \"input\""), {}, {}},
                                      {2100, {}, 20, Accessories::TCRecordID(5)},
                                      {2101, std::string("half"), 21, {}}}}));
        m_IDs.push_back(AddEventRow({12003, Accessories::TCRecordID(2), TCUTCTime(2000), {}, {}, {}}));
        m_IDs.push_back(AddEventRow({12004, Accessories::TCRecordID(3), TCUTCTime(3000), {}, {}, {}}));
        m_IDs.push_back(AddEventRow({12006, {}, {}, {}, {}, {}}));
        m_IDs.push_back(
            AddEventRow({kUntaggedType, Accessories::TCRecordID(2), TCUTCTime(5000), {}, {}, {}}));
        StartServer();
        EnableApi();
    }

    HttpReply Filter(const std::string& body) {
        HttpCall call;
        call.Method = "POST";
        call.Target = "/api/v1/events/filter";
        call.Authorization = BasicAuthorization("admin", "pw");
        call.Body = body;
        return Send(call);
    }

    std::vector<int64_t> m_IDs;
};

// The IDs of "records" in answer order, and "count"; fails the test when the answer is not of that form.
struct Page {
    std::vector<int64_t> IDs;
    int64_t Count = -1;
};

Page ReadPage(const std::string& body) {
    Page page;
    rapidjson::Document doc;
    doc.Parse(body.c_str());
    EXPECT_TRUE(doc.IsObject()) << body;
    if (!doc.IsObject() || !doc.HasMember("records") || !doc.HasMember("count")) return page;
    for (const auto& record : doc["records"].GetArray())
        page.IDs.push_back(record["id"]["id"].GetInt64());
    page.Count = doc["count"].GetInt64();
    return page;
}

struct FilterCase {
    const char* name;
    std::string filter;
    std::vector<int64_t> ids;
    int64_t count;
};

const std::vector<FilterCase> kFilterCases = {
    {"empty filter", "{}", {1, 2, 3, 4, 5}, 5},
    {"single id wins",
     R"({"id":{"id":3},"eventTypes":[1],"lowerThenEventTime":"1970-01-01T00:00:01Z"})",
     {3},
     1},
    {"above id excludes it", R"({"greaterThenEventID":{"id":2}})", {3, 4, 5}, 3},
    {"below id excludes it", R"({"lowerThenEventID":{"id":2}})", {1}, 1},
    {"types, duplicates collapse",
     "{\"eventTypes\":[12003,12003," + std::to_string(kUntaggedType) + "]}",
     {2, 5},
     2},
    {"strict time bounds",
     R"({"greaterThenEventTime":"1970-01-01T00:16:40Z",)"
     R"("lowerThenEventTime":"1970-01-01T01:23:20Z"})",
     {2, 3},
     2},
    {"webhook tag", "{\"eventTypeTags\":[" + std::to_string(EventTypeTag::EventWebHook) + "]}", {2, 3}, 2},
    {"request failure tag",
     "{\"eventTypeTags\":[" + std::to_string(EventTypeTag::WebApiRequestFailures) + "]}",
     {1},
     1},
    {"tags and types both apply",
     "{\"eventTypeTags\":[" + std::to_string(EventTypeTag::WebApi) + "],\"eventTypes\":[12004,500]}",
     {3},
     1},
    {"tag without types adds nothing", R"({"eventTypeTags":[99]})", {1, 2, 3, 4, 5}, 5},
    {"keynodes", R"({"keynodes":{"ids":[{"id":2}]}})", {2, 5}, 2},
    {"first page, count of all", R"({"limitCount":2})", {1, 2}, 5},
    {"later page", R"({"skipCount":3,"limitCount":1})", {4}, 5},
    {"no data, true count", R"({"doNotFetchData":true})", {}, 5},
    {"nothing matches", R"({"greaterThenEventID":{"id":5}})", {}, 0},
};

TEST_F(EventFilterApiTest, ConditionsSelectTheExpectedEventsInAscendingOrder) {
    ASSERT_EQ((std::vector<int64_t>{1, 2, 3, 4, 5}), m_IDs);
    for (const FilterCase& c : kFilterCases) {
        const HttpReply reply = Filter("{\"eventFilter\":" + c.filter + "}");
        ASSERT_EQ(200, reply.Status) << c.name << ": " << reply.Body;
        const Page page = ReadPage(reply.Body);
        EXPECT_EQ(c.ids, page.IDs) << c.name;
        EXPECT_EQ(c.count, page.Count) << c.name;
    }
}

TEST_F(EventFilterApiTest, PagesWalkTheLogInAscendingEventID) {
    std::vector<int64_t> seen;
    for (int skip = 0; skip < 5; skip += 2) {
        const Page page = ReadPage(
            Filter("{\"eventFilter\":{\"skipCount\":" + std::to_string(skip) + ",\"limitCount\":2}}").Body);
        seen.insert(seen.end(), page.IDs.begin(), page.IDs.end());
    }
    EXPECT_EQ((std::vector<int64_t>{1, 2, 3, 4, 5}), seen);
}

TEST_F(EventFilterApiTest, EventsAreWrittenWithTheirDetailsRecordsBeforeCount) {
    EXPECT_EQ(
        R"({"records":[{"id":{"id":1},"type":12000,"keynodeId":null,"eventTime":"1970-01-01T00:16:40Z",)"
        R"("clearTime":"1970-01-01T00:25:00Z","clearedBy":{"id":9},"details":[)"
        R"({"id":{"id":1},"type":12100,"value":"Bad \"input\"","relatedRecord":null},)"
        R"({"id":{"id":2},"type":2100,"value":null,"relatedRecord":)"
        R"({"tableId":20,"id":{"id":5},"keynodeId":{"id":null}}},)"
        R"({"id":{"id":3},"type":2101,"value":"half","relatedRecord":null}]}],"count":1})",
        Filter(R"({"eventFilter":{"id":{"id":1}}})").Body);
    EXPECT_EQ(R"({"records":[{"id":{"id":4},"type":12006,"keynodeId":null,"eventTime":null,)"
              R"("clearTime":null,"clearedBy":null,"details":[]}],"count":1})",
              Filter(R"({"eventFilter":{"id":{"id":4}}})").Body);
}

TEST_F(EventFilterApiTest, StoredInvalidUtf8IsAnsweredAsReplacementCharacters) {
    const std::string cut = "T\xC3\xBCr \xC3";
    const int64_t id =
        AddEventRow({12000, {}, {}, {}, {}, {{12100, cut, {}, {}}, {12103, std::string("\xFFok"), {}, {}}}});
    const HttpReply reply = Filter("{\"eventFilter\":{\"id\":{\"id\":" + std::to_string(id) + "}}}");
    EXPECT_NE(std::string::npos, reply.Body.find("\"value\":\"T\xC3\xBCr \xEF\xBF\xBD\""));
    EXPECT_NE(std::string::npos, reply.Body.find("\"value\":\"\xEF\xBF\xBDok\""));
    rapidjson::Document strict;
    strict.Parse<rapidjson::kParseValidateEncodingFlag>(reply.Body.c_str());
    EXPECT_FALSE(strict.HasParseError()) << reply.Body;
    EXPECT_EQ(cut, ApiTest::EventsAfter(id - 1).at(0).Details.at(0).Value.get_Value());
}

TEST_F(EventFilterApiTest, BodyFaultsAreParsingErrors) {
    auto parsing = [](const std::string& msg) { return ErrorBody(2, "Parsing error:" + msg); };
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"{}", parsing("Expected eventFilter member")},
        {R"({"eventFilter":[]})", parsing("Expected JSON object")},
        {R"({"eventFilter":{"eventTypes":5}})", parsing("Expected JSON array")},
        {R"({"eventFilter":{"eventTypeTags":{}}})", parsing("Expected JSON array")},
        {R"({"eventFilter":{"keynodes":[]}})", parsing("Expected JSON object")},
        {R"({"eventFilter":{"greaterThenEventID":7}})", parsing("Expected JSON object")},
        {R"({"eventFilter":{"eventTypes":["x"]}})", parsing("RapidJson internal assertion failed")},
        {"{", parsing("Could not parse input, error: 4")},
    };
    for (const auto& [body, expected] : cases) {
        const HttpReply reply = Filter(body);
        EXPECT_EQ(400, reply.Status) << body;
        EXPECT_EQ(expected, reply.Body) << body;
    }
}

} // namespace
