// The event log over HTTP and the webhook: every condition of "/events/filter" with paging and the event's
// JSON form; the "/events/webhook" settings round trip and test delivery; and delivery against a real
// receiver on loopback: the body and headers it gets, which answers count as delivered, the events written
// for failures and recovery, the retry schedule on a clock the test drives, and settings that cannot be used.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <chrono>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "ApiExpectations.h"
#include "Event/EventTypeTags.h"
#include "Event/KeynodeWebApiEvents.h"
#include "JsonTypes/Events/KnaJson_Event.h"
#include "JsonTypes/KnaRapidJson.h"
#include "KnaEventWebHookProcessor.h"
#include "Property/AccessProp.h"
#include "Property/TCProperties.h"
#include "support/ApiTestServer.h"
#include "support/EventLogData.h"
#include "support/WebHookReceiver.h"

using namespace ApiTest;
using KeynodeApi::KnaEventWebHookProcessor;

namespace {

void Set(const Property::TCPropertyID& id, const std::string& value) {
    Property::SetProperty(id, value, Accessories::TCRecordID(), "api-test");
}

constexpr int kUntaggedType = 500;

class EventFilterApiTest : public AdminApiTest {
protected:
    void SetUp() override {
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
        AdminApiTest::SetUp();
    }

    HttpReply Filter(const std::string& body) { return Call("POST", "/events/filter", body); }

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
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"{}", ParsingError("Expected eventFilter member")},
        {R"({"eventFilter":[]})", ParsingError("Expected JSON object")},
        {R"({"eventFilter":{"eventTypes":5}})", ParsingError("Expected JSON array")},
        {R"({"eventFilter":{"eventTypeTags":{}}})", ParsingError("Expected JSON array")},
        {R"({"eventFilter":{"keynodes":[]}})", ParsingError("Expected JSON object")},
        {R"({"eventFilter":{"greaterThenEventID":7}})", ParsingError("Expected JSON object")},
        {R"({"eventFilter":{"eventTypes":["x"]}})", ParsingError("RapidJson internal assertion failed")},
        {"{", ParsingError("Could not parse input, error: 4")},
    };
    for (const auto& [body, expected] : cases) {
        const HttpReply reply = Filter(body);
        EXPECT_EQ(400, reply.Status) << body;
        EXPECT_EQ(expected, reply.Body) << body;
    }
}

const std::string kDefaultFilter = R"({"skipCount":0,"limitCount":1000})";

std::string Stored(const Property::TCPropertyID& id) {
    return Property::GetProperty(id, Accessories::TCRecordID(), "").get_Value().get_Value("<unset>");
}

// The webhook settings a POST or DELETE writes, in writing order.
std::vector<std::string> StoredSettings() {
    return {Stored(AccessProp::GeneralWebApiSettings_EventWebHook_Enabled),
            Stored(AccessProp::GeneralWebApiSettings_EventWebHook_URL),
            Stored(AccessProp::GeneralWebApiSettings_EventWebHook_UserName),
            Stored(AccessProp::GeneralWebApiSettings_EventWebHook_Password),
            Stored(AccessProp::GeneralWebApiSettings_EventWebHook_AuthType),
            Stored(AccessProp::GeneralWebApiSettings_EventWebHook_JsonFilter)};
}

class WebHookApiTest : public AdminApiTest {
protected:
    HttpReply Hook(const std::string& method, const std::string& path, const std::string& body = "") {
        return Call(method, "/events/webhook" + path, body);
    }

    WebHookReceiver m_Receiver;
};

struct PostCase {
    const char* name;
    std::string body;                // the "eventWebHook" object
    std::vector<std::string> stored; // StoredSettings() afterwards
    std::string shown;               // GET afterwards
};

TEST_F(WebHookApiTest, PostStoresTheSettingsAndGetShowsThem) {
    // Never shown, never touched by POST.
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_SigningSecret, "hidden-secret");
    const std::vector<PostCase> cases = {
        {"full",
         R"({"url":"http://h/x","eventFilter":{"eventTypes":[12003]},"userName":"u","password":"p","authType":"Basic"})",
         {"1", "http://h/x", "u", "p", "1401",
          R"({"eventFilter":{"skipCount":0,"limitCount":1000,"eventTypes":[12003]}})"},
         R"({"eventWebHook":{"url":"http://h/x","eventFilter":{"skipCount":0,"limitCount":1000,"eventTypes":[12003]},)"
         R"("userName":"u","password":"p","authType":"Basic"}})"},
        {"type text other than the two keeps the stored type",
         R"({"url":"http://h/y","eventFilter":null,"authType":"basic"})",
         {"1", "http://h/y", "", "", "1401", "{\"eventFilter\":" + kDefaultFilter + "}"},
         R"({"eventWebHook":{"url":"http://h/y","eventFilter":)" + kDefaultFilter +
             R"(,"userName":"","password":"","authType":"Basic"}})"},
        {"no type means none",
         R"({"url":"http://h/z","eventFilter":{}})",
         {"1", "http://h/z", "", "", "1400", "{\"eventFilter\":" + kDefaultFilter + "}"},
         R"({"eventWebHook":{"url":"http://h/z","eventFilter":)" + kDefaultFilter +
             R"(,"userName":"","password":"","authType":"None"}})"},
        {"empty url disables, the rest is still written",
         R"({"url":"","eventFilter":{"limitCount":5},"userName":"v"})",
         {"0", "", "v", "", "1400", R"({"eventFilter":{"skipCount":0,"limitCount":5}})"},
         R"({"eventWebHook":{"url":"","eventFilter":)" + kDefaultFilter + "}}"},
    };
    for (const PostCase& c : cases) {
        const HttpReply posted = Hook("POST", "", "{\"eventWebHook\":" + c.body + "}");
        EXPECT_EQ(200, posted.Status) << c.name << ": " << posted.Body;
        EXPECT_EQ("", posted.Body) << c.name;
        EXPECT_EQ(c.stored, StoredSettings()) << c.name;
        EXPECT_EQ(c.shown, Hook("GET", "").Body) << c.name;
    }
    EXPECT_EQ("hidden-secret", Stored(AccessProp::GeneralWebApiSettings_EventWebHook_SigningSecret));
}

TEST_F(WebHookApiTest, DeleteClearsTheSettings) {
    Hook("POST", "",
         R"({"eventWebHook":{"url":"http://h/x","eventFilter":{"id":{"id":3}},"userName":"u",)"
         R"("password":"p","authType":"Basic"}})");
    const HttpReply deleted = Hook("DELETE", "");
    EXPECT_EQ(200, deleted.Status) << deleted.Body;
    EXPECT_EQ((std::vector<std::string>{"0", "", "", "", "1400", "{\"eventFilter\":" + kDefaultFilter + "}"}),
              StoredSettings());
}

TEST_F(WebHookApiTest, UnknownStoredAuthTypeFailsGet) {
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_Enabled, "1");
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_AuthType, "1402");
    const HttpReply reply = Hook("GET", "");
    EXPECT_EQ(400, reply.Status);
    EXPECT_EQ(ErrorBody(1, "Unknown value of GeneralWebApiSettings_EventWebHook_AuthType"), reply.Body);
}

TEST_F(WebHookApiTest, BodyFaultsStoreNothing) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"{}", ParsingError("Expected eventWebHook member")},
        {R"({"eventWebHook":{"eventFilter":{}}})", ParsingError("Expected url member")},
        {R"({"eventWebHook":{"url":"http://h"}})", ParsingError("Expected eventFilter member")},
        {R"({"eventWebHook":{"url":"http://h","eventFilter":{},"userName":5}})",
         ParsingError("RapidJson internal assertion failed")},
        {R"({"eventWebHook":{"url":"http://h","eventFilter":{"eventTypes":1}}})",
         ParsingError("Expected JSON array")},
    };
    const std::vector<std::string> before = StoredSettings();
    for (const auto& [body, expected] : cases) {
        const HttpReply reply = Hook("POST", "", body);
        EXPECT_EQ(400, reply.Status) << body;
        EXPECT_EQ(expected, reply.Body) << body;
        EXPECT_EQ(before, StoredSettings()) << body;
    }
}

TEST_F(WebHookApiTest, TestPostsTheGivenEventAloneAndKeepsTheStoredID) {
    AddEventRows(2, 12000);
    Hook("POST", "", "{\"eventWebHook\":{\"url\":\"" + m_Receiver.Url() + "\",\"eventFilter\":{}}}");
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID, "1");

    const HttpReply reply = Hook("POST", "/test",
                                 R"({"event":{"id":{"id":9},"type":12006,"details":[)"
                                 R"({"id":{"id":1},"type":12100,"value":"x"}]}})");
    EXPECT_EQ(200, reply.Status) << reply.Body;
    EXPECT_EQ("", reply.Body);
    ASSERT_EQ(1u, m_Receiver.RequestCount());
    EXPECT_EQ(
        R"({"records":[{"id":{"id":9},"type":12006,"keynodeId":null,"eventTime":null,"clearTime":null,)"
        R"("clearedBy":null,"details":[{"id":{"id":1},"type":12100,"value":"x","relatedRecord":null}]}],)"
        R"("count":1})",
        m_Receiver.Requests()[0].Body);
    EXPECT_EQ("1", Stored(AccessProp::GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID));

    const HttpReply empty = Hook("POST", "/test", "{}");
    EXPECT_EQ(400, empty.Status);
    EXPECT_EQ(ParsingError("Expected event member"), empty.Body);

    Hook("DELETE", "");
    EXPECT_EQ(200, Hook("POST", "/test", R"({"event":{}})").Status);
    EXPECT_EQ(1u, m_Receiver.RequestCount());
}

TEST_F(WebHookApiTest, RunningServiceDeliversTheBacklogPageByPageAfterASettingsChange) {
    AddEventRows(2500, 12000);
    // Reloads run on each single change; an unset type would fail those that see the URL already.
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_AuthType, "1400");
    m_Server->Api().StartThread();
    Hook("POST", "", "{\"eventWebHook\":{\"url\":\"" + m_Receiver.Url() + "\",\"eventFilter\":{}}}");

    ASSERT_TRUE(m_Receiver.WaitForRequests(3, std::chrono::seconds(30)));
    const auto requests = m_Receiver.Requests();
    EXPECT_NE(std::string::npos, requests[0].Body.find("\"count\":2500}"));
    EXPECT_NE(std::string::npos, requests[1].Body.find("\"count\":1500}"));
    EXPECT_NE(std::string::npos, requests[2].Body.find("\"count\":500}"));
    for (int wait = 0;
         wait < 100 &&
         Stored(AccessProp::GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID) != "2500";
         ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ("2500", Stored(AccessProp::GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID));
}

// Nothing listens there: every attempt is refused at once.
const std::string kRefusedUrl = "http://127.0.0.1:1/hook";
constexpr int64_t kSecond = 1000;
constexpr int64_t kMinute = 60 * kSecond;

long long StoredLastID() {
    return Property::GetProperty(AccessProp::GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID,
                                 Accessories::TCRecordID(), "")
        .get_AsBigInt(-1LL);
}

class WebHookDeliveryTest : public testing::Test {
protected:
    void SetUp() override { Configure(m_Receiver.Url()); }

    void Configure(const std::string& url) {
        Set(AccessProp::GeneralWebApiSettings_EventWebHook_Enabled, "1");
        Set(AccessProp::GeneralWebApiSettings_EventWebHook_URL, url);
        Set(AccessProp::GeneralWebApiSettings_EventWebHook_AuthType, "1400");
    }

    // A processor on the test's clock, with the settings loaded.
    std::unique_ptr<KnaEventWebHookProcessor> NewProcessor() {
        auto processor = std::make_unique<KnaEventWebHookProcessor>(false, [this] { return m_Now; });
        EXPECT_TRUE(processor->LoadProperties());
        return processor;
    }

    // The events the processor itself wrote since `after`.
    std::vector<Event::TCEventRecord> OwnEvents(int64_t after) {
        std::vector<Event::TCEventRecord> own;
        for (const auto& event : EventsAfter(after))
            if (event.Type >= 12003 && event.Type <= 12005) own.push_back(event);
        return own;
    }

    TestDataDir m_Data;
    WebHookReceiver m_Receiver;
    int64_t m_Now = 1000000;
};

TEST_F(WebHookDeliveryTest, PostsTheNewEventsWithDetailsAndStoresTheHighestID) {
    const int64_t first =
        AddEventRow({12000, {}, TCUTCTime(60), {}, {}, {{12100, std::string("a"), {}, {}}}});
    const int64_t second = AddEventRow({12001, Accessories::TCRecordID(4), {}, {}, {}, {}});
    auto processor = NewProcessor();

    processor->Process();
    ASSERT_EQ(1u, m_Receiver.RequestCount());
    const ReceivedRequest request = m_Receiver.Requests()[0];
    EXPECT_EQ("POST", request.Method);
    EXPECT_EQ("/hook", request.Path);
    EXPECT_EQ("application/json", request.Header("content-type"));
    EXPECT_EQ("", request.Header("authorization"));
    EXPECT_EQ("", request.Header("webhook-signature"));
    EXPECT_EQ(
        "{\"records\":[{\"id\":{\"id\":" + std::to_string(first) +
            "},\"type\":12000,\"keynodeId\":null,\"eventTime\":\"1970-01-01T00:01:00Z\",\"clearTime\":null,"
            "\"clearedBy\":null,\"details\":[{\"id\":{\"id\":1},\"type\":12100,\"value\":\"a\","
            "\"relatedRecord\":null}]},{\"id\":{\"id\":" +
            std::to_string(second) +
            "},\"type\":12001,\"keynodeId\":{\"id\":4},\"eventTime\":null,\"clearTime\":null,"
            "\"clearedBy\":null,\"details\":[]}],\"count\":2}",
        request.Body);
    EXPECT_EQ(second, StoredLastID());

    // Nothing new: nothing is sent.
    processor->Process();
    EXPECT_EQ(1u, m_Receiver.RequestCount());

    const int64_t third = AddEventRow({12002, {}, {}, {}, {}, {}});
    processor->Process();
    ASSERT_EQ(2u, m_Receiver.RequestCount());
    EXPECT_NE(std::string::npos, m_Receiver.Requests()[1].Body.find("\"count\":1}"));
    EXPECT_EQ(std::string::npos, m_Receiver.Requests()[1].Body.find("\"type\":12001"));
    EXPECT_EQ(third, StoredLastID());
}

TEST_F(WebHookDeliveryTest, BasicAuthenticationAndStoredFilterApply) {
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_AuthType, "1401");
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_UserName, "hook");
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_Password, "s3cret");
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_JsonFilter,
        R"({"eventFilter":{"limitCount":2,"eventTypes":[12001]}})");
    AddEventRows(1, 12000);
    AddEventRows(3, 12001);
    auto processor = NewProcessor();

    processor->Process();
    ASSERT_EQ(1u, m_Receiver.RequestCount());
    const ReceivedRequest request = m_Receiver.Requests()[0];
    EXPECT_EQ(BasicAuthorization("hook", "s3cret"), request.Header("authorization"));
    EXPECT_NE(std::string::npos, request.Body.find("],\"count\":3}")) << request.Body;
    EXPECT_EQ(3, StoredLastID()); // events 2 and 3, a full page
    EXPECT_TRUE(processor->IsBacklogPending());

    processor->Process();
    EXPECT_NE(std::string::npos, m_Receiver.Requests()[1].Body.find("],\"count\":1}"));
    EXPECT_EQ(4, StoredLastID());
    EXPECT_FALSE(processor->IsBacklogPending());

    // A bound of its own makes the filter ignore the progress: full pages, but nothing new.
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_JsonFilter,
        R"({"eventFilter":{"limitCount":1,"greaterThenEventID":{"id":3}}})");
    processor->LoadProperties();
    processor->Process();
    processor->Process();
    EXPECT_EQ(4u, m_Receiver.RequestCount());
    EXPECT_FALSE(processor->IsBacklogPending());
}

// The receiver's side: its own HMAC of what it got.
std::string ExpectedSignature(const std::string& secret, const ReceivedRequest& request) {
    const std::string signed_ =
        request.Header("webhook-id") + "." + request.Header("webhook-timestamp") + "." + request.Body;
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int macLength = 0;
    HMAC(EVP_sha256(), secret.data(), static_cast<int>(secret.size()),
         reinterpret_cast<const unsigned char*>(signed_.data()), signed_.size(), mac, &macLength);
    unsigned char base64[4 * ((EVP_MAX_MD_SIZE + 2) / 3) + 1];
    const int length = EVP_EncodeBlock(base64, mac, static_cast<int>(macLength));
    return "v1," + std::string(reinterpret_cast<const char*>(base64), static_cast<size_t>(length));
}

TEST_F(WebHookDeliveryTest, DeliveriesAreSignedWhenASecretIsSet) {
    const std::string secret = "whsec-7f3a";
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_SigningSecret, secret);
    AddEventRows(3, 12000);
    auto processor = NewProcessor();
    processor->Process();
    KeynodeApi::KnaJson_Event event;
    event.DeserializeString(R"({"id":{"id":41}})");
    processor->Process_Test(event);

    const auto requests = m_Receiver.Requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ("3", requests[0].Header("webhook-id"));
    EXPECT_EQ("41", requests[1].Header("webhook-id"));
    for (const ReceivedRequest& request : requests) {
        EXPECT_NEAR(static_cast<double>(std::time(nullptr)), std::stod(request.Header("webhook-timestamp")),
                    300);
        EXPECT_EQ(ExpectedSignature(secret, request), request.Header("webhook-signature"));
        EXPECT_NE(ExpectedSignature(secret + "x", request), request.Header("webhook-signature"));
    }
}

struct AnswerCase {
    const char* name;
    int status;      // the receiver's answer
    std::string url; // empty: the receiver
    bool delivered;
    std::string curlCode, curlText, httpStatus;
};

TEST_F(WebHookDeliveryTest, OnlyA200CountsAsDelivered) {
    const std::vector<AnswerCase> cases = {
        {"200", 200, "", true, "", "", ""},
        {"204", 204, "", false, "0", "No error", "204"},
        {"302, not followed", 302, "", false, "0", "No error", "302"},
        {"500", 500, "", false, "0", "No error", "500"},
        {"refused", 200, kRefusedUrl, false, "7", "Couldn't connect to server", "0"},
        {"other scheme", 200, "file:///etc/hostname", false, "1", "Unsupported protocol", "0"},
    };
    for (const AnswerCase& c : cases) {
        Set(AccessProp::GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID, "0");
        const std::string url = c.url.empty() ? m_Receiver.Url() : c.url;
        Configure(url);
        m_Receiver.SetStatus(c.status);
        AddEventRows(1, 12000);
        const int64_t before = LastEventID();
        const size_t received = m_Receiver.RequestCount();
        NewProcessor()->Process();

        EXPECT_EQ(received + (c.url.empty() ? 1 : 0), m_Receiver.RequestCount()) << c.name;
        EXPECT_EQ(c.delivered ? before : 0, StoredLastID()) << c.name;
        const auto own = OwnEvents(before);
        if (c.delivered) {
            EXPECT_TRUE(own.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(1u, own.size()) << c.name;
        EXPECT_EQ(KeynodeWebApi::Type_ConnectionFailed.ID, own[0].Type) << c.name;
        EXPECT_EQ((std::vector<std::string>{"12105=" + url, "12106=" + c.curlCode, "12107=" + c.curlText,
                                            "12108=" + c.httpStatus}),
                  DetailTexts(own[0]))
            << c.name;
    }
}

TEST_F(WebHookDeliveryTest, FirstSuccessAfterFailuresWritesRestored) {
    AddEventRows(2, 12000);
    m_Receiver.SetStatus(500);
    auto processor = NewProcessor();
    processor->Process();
    EXPECT_EQ(1, processor->GetConnectState());

    // The retry wait holds the next attempt back until it has passed.
    m_Receiver.SetStatus(200);
    m_Now += 20 * kSecond - 1;
    processor->Process();
    EXPECT_EQ(1u, m_Receiver.RequestCount());

    const int64_t before = LastEventID();
    m_Now += 1;
    processor->Process();
    EXPECT_EQ(2u, m_Receiver.RequestCount());
    EXPECT_EQ(0, processor->GetConnectState());
    EXPECT_EQ(before, StoredLastID()); // the failure's own event went along
    const auto own = OwnEvents(before);
    ASSERT_EQ(1u, own.size());
    EXPECT_EQ(KeynodeWebApi::Type_Restored.ID, own[0].Type);
    EXPECT_EQ((std::vector<std::string>{"12105=" + m_Receiver.Url()}), DetailTexts(own[0]));
}

struct BadSettingCase {
    const char* name;
    const Property::TCPropertyID* property;
    std::string value;
    std::string logged;
};

TEST_F(WebHookDeliveryTest, UnusableSettingsAreLoggedAsProcessingFailures) {
    const std::vector<BadSettingCase> cases = {
        {"filter without its member", &AccessProp::GeneralWebApiSettings_EventWebHook_JsonFilter, "{}",
         "Expected eventFilter member"},
        {"filter not JSON", &AccessProp::GeneralWebApiSettings_EventWebHook_JsonFilter, "{",
         "Could not parse input, error: 4"},
        {"unknown auth type", &AccessProp::GeneralWebApiSettings_EventWebHook_AuthType, "1402",
         "Unknown value of GeneralWebApiSettings_EventWebHook_AuthType"},
    };
    for (const BadSettingCase& c : cases) {
        Configure(m_Receiver.Url());
        Set(AccessProp::GeneralWebApiSettings_EventWebHook_JsonFilter, "");
        Set(*c.property, c.value);
        const int64_t before = LastEventID();
        KnaEventWebHookProcessor processor(false);
        EXPECT_FALSE(processor.LoadProperties()) << c.name;
        const auto own = OwnEvents(before);
        ASSERT_EQ(1u, own.size()) << c.name;
        EXPECT_EQ(KeynodeWebApi::Type_EventWebHookProcessingFailed.ID, own[0].Type) << c.name;
        EXPECT_EQ((std::vector<std::string>{"12107=" + c.logged}), DetailTexts(own[0])) << c.name;
    }
}

TEST_F(WebHookDeliveryTest, EnabledWithoutUrlIsDisabled) {
    AddEventRows(1, 12000);
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_URL, "");
    auto processor = NewProcessor();
    EXPECT_FALSE(processor->ConnectingEnabled());
    processor->Process();
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_Enabled, "0");
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_URL, m_Receiver.Url());
    processor->LoadProperties();
    EXPECT_FALSE(processor->ConnectingEnabled());
    processor->Process();
    EXPECT_EQ(0u, m_Receiver.RequestCount());
}

struct ScheduleCase {
    const char* name;
    std::string retryCount; // empty: never set
    std::vector<int64_t> waits;
};

TEST_F(WebHookDeliveryTest, FailuresWaitAlongTheRetrySchedule) {
    const int64_t s20 = 20 * kSecond, m5 = 5 * kMinute, m15 = 15 * kMinute, m45 = 45 * kMinute;
    const std::vector<ScheduleCase> cases = {
        {"defaults", "", {s20, s20, s20, s20, s20, s20, m5, s20, s20, s20, s20, s20, m15}},
        {"two per stage", "2", {s20, s20, m5, s20, m15, s20, m45, s20, m45, m45}},
        {"no retries", "0", {s20, m5, m15, m45, m45}},
    };
    Configure(kRefusedUrl);
    AddEventRows(1, 12000);
    for (const ScheduleCase& c : cases) {
        if (c.retryCount.empty())
            Property::DeleteProperty(AccessProp::GeneralWebApiSettings_EventWebHook_ConnectRetryCount,
                                     Accessories::TCRecordID(), "api-test");
        else
            Set(AccessProp::GeneralWebApiSettings_EventWebHook_ConnectRetryCount, c.retryCount);
        auto processor = NewProcessor();
        for (size_t failure = 0; failure < c.waits.size(); ++failure) {
            const int64_t before = LastEventID();
            processor->Process();
            ASSERT_EQ(1u, OwnEvents(before).size()) << c.name << " failure " << failure;
            EXPECT_EQ(c.waits[failure], processor->GetRetryRemainingMs()) << c.name << " failure " << failure;
            m_Now += c.waits[failure] - 1;
            EXPECT_FALSE(processor->ConnectingEnabled()) << c.name << " failure " << failure;
            m_Now += 1;
            EXPECT_TRUE(processor->ConnectingEnabled()) << c.name << " failure " << failure;
        }
    }
}

TEST_F(WebHookDeliveryTest, NewDelaysRestartTheScheduleANewIntervalDoesNot) {
    Configure(kRefusedUrl);
    AddEventRows(1, 12000);
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_PauseIntervalBetweenSuccessfulConnectionsSeconds,
        "10");
    auto processor = NewProcessor();
    processor->Process();
    ASSERT_EQ(1, processor->GetConnectState());

    Set(AccessProp::GeneralWebApiSettings_EventWebHook_ConnectRetryIntervalSeconds, "30");
    processor->LoadProperties();
    EXPECT_EQ(1, processor->GetConnectState());
    EXPECT_EQ(20 * kSecond, processor->GetRetryRemainingMs());

    // Back in state 0 during the retry wait, the pause started by the reload holds delivery back alone.
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_ConnectSecondDelayMinutesAfterFirstDelay, "16");
    processor->LoadProperties();
    EXPECT_EQ(0, processor->GetConnectState());
    m_Now += 10 * kSecond - 1;
    EXPECT_FALSE(processor->ConnectingEnabled());
    m_Now += 1;
    EXPECT_TRUE(processor->ConnectingEnabled());
}

} // namespace
