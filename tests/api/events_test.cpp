// The event log over HTTP and the webhook: "/events/filter", the "/events/webhook" settings and test
// delivery, and delivery against a receiver on loopback on a clock the test drives.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ApiExpectations.h"
#include "DB/TCDBTransaction.h"
#include "DB/Tables/EventTables.h"
#include "Event/EventTypeTags.h"
#include "Event/KeynodeWebApiEvents.h"
#include "JsonTypes/Events/KnaJson_Event.h"
#include "JsonTypes/KnaRapidJson.h"
#include "KnaEventWebHookProcessor.h"
#include "Property/AccessProp.h"
#include "Property/TCProperties.h"
#include "Web/Request.h"
#include "Web/Resource.h"
#include "Web/Response.h"
#include "Web/Server.h"
#include "support/ApiTestServer.h"

using namespace ApiTest;
using KeynodeApi::KnaEventWebHookProcessor;
using Value = DB::TCDBParam;

namespace {

namespace P = AccessProp;

void Set(const Property::TCPropertyID& id, const std::string& value) {
    Property::SetProperty(id, value, Accessories::TCRecordID(), "api-test");
}

std::string Setting(const Property::TCPropertyID& id) {
    return Property::GetProperty(id, Accessories::TCRecordID(), "").get_Value().get_Value("<unset>");
}

// The ID of the last event the webhook delivered.
const Property::TCPropertyID& kLastID = P::GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID;

struct DetailRow {
    int Type;
    Value Text = {}, TableID = {}, Owner = {};
};

int64_t AddEvent(int type, Value keynode, Value time, const std::vector<DetailRow>& details = {},
                 Value clearTime = {}, Value clearedBy = {}) {
    namespace E = Table_EventLog;
    namespace D = Table_EventLogDetails;
    const Accessories::TCRecordID id = AddRow(
        Event::TCDBEventLog(), {&E::TYPE_LINK, &E::KEYNODE, &E::EVENT_TIME, &E::CLEAR_TIME, &E::CLEARED_BY},
        {type, keynode, time, clearTime, clearedBy});
    for (const DetailRow& d : details)
        AddRow(Event::TCDBEventLogDetails(),
               {&D::EVENT_LINK, &D::TYPE_LINK, &D::VALUE, &D::TABLE_ID, &D::OWNER_ID},
               {id, d.Type, d.Text, d.TableID, d.Owner});
    return id.get_ID();
}

// `count` events of `type`, each with three text details, in one transaction.
void AddEvents(int count, int type) {
    DB::TCDBTransaction transaction(-1);
    transaction.Begin(1, false);
    for (int i = 0; i < count; ++i)
        AddEvent(type, {}, 1700000000,
                 {{12105, "detail text 0"}, {12106, "detail text 1"}, {12107, "detail text 2"}});
    transaction.Commit();
}

constexpr int kUntaggedType = 500;

class EventFilterApiTest : public AdminApiTest {
protected:
    void SetUp() override {
        // Event IDs 1..5 in a fresh log.
        AddEvent(12000, {}, 1000, {{12100, "Bad \"input\""}, {2100, {}, 20, 5}, {2101, "half", 21}}, 1500, 9);
        AddEvent(12003, 2, 2000);
        AddEvent(12004, 3, 3000);
        AddEvent(12006, {}, {});
        AddEvent(kUntaggedType, 2, 5000);
        AdminApiTest::SetUp();
    }
};

TEST_F(EventFilterApiTest, ConditionsSelectTheExpectedEventsInAscendingOrder) {
    const auto tag = [](int tag) { return "{\"eventTypeTags\":[" + std::to_string(tag); };
    const struct {
        std::string Filter;
        std::vector<int64_t> IDs;
        int64_t Count;
    } cases[] = {
        {"{}", {1, 2, 3, 4, 5}, 5},
        {R"({"id":{"id":3},"eventTypes":[1],"lowerThenEventTime":"1970-01-01T00:00:01Z"})", {3}, 1},
        {R"({"greaterThenEventID":{"id":2}})", {3, 4, 5}, 3},
        {R"({"lowerThenEventID":{"id":2}})", {1}, 1},
        {"{\"eventTypes\":[12003,12003," + std::to_string(kUntaggedType) + "]}", {2, 5}, 2},
        {R"({"greaterThenEventTime":"1970-01-01T00:16:40Z","lowerThenEventTime":"1970-01-01T01:23:20Z"})",
         {2, 3},
         2},
        {tag(EventTypeTag::EventWebHook) + "]}", {2, 3}, 2},
        {tag(EventTypeTag::WebApiRequestFailures) + "]}", {1}, 1},
        {tag(EventTypeTag::WebApi) + "],\"eventTypes\":[12004,500]}", {3}, 1},
        {R"({"eventTypeTags":[99]})", {1, 2, 3, 4, 5}, 5}, // a tag without types adds nothing
        {R"({"keynodes":{"ids":[{"id":2}]}})", {2, 5}, 2},
        {R"({"limitCount":2})", {1, 2}, 5},
        {R"({"skipCount":3,"limitCount":1})", {4}, 5},
        {R"({"doNotFetchData":true})", {}, 5},
        {R"({"greaterThenEventID":{"id":5}})", {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Filter);
        const HttpReply reply = Call("POST", "/events/filter", "{\"eventFilter\":" + c.Filter + "}");
        ASSERT_EQ(200, reply.Status) << reply.Body;
        rapidjson::Document doc;
        doc.Parse(reply.Body.c_str());
        ASSERT_TRUE(doc.IsObject() && doc.HasMember("records") && doc.HasMember("count")) << reply.Body;
        std::vector<int64_t> ids;
        for (const auto& record : doc["records"].GetArray())
            ids.push_back(record["id"]["id"].GetInt64());
        EXPECT_EQ(c.IDs, ids);
        EXPECT_EQ(c.Count, doc["count"].GetInt64());
    }
}

TEST_F(EventFilterApiTest, EventsAreWrittenWithTheirDetailsRecordsBeforeCount) {
    EXPECT_EQ(
        R"({"records":[{"id":{"id":1},"type":12000,"keynodeId":null,"eventTime":"1970-01-01T00:16:40Z",)"
        R"("clearTime":"1970-01-01T00:25:00Z","clearedBy":{"id":9},"details":[)"
        R"({"id":{"id":1},"type":12100,"value":"Bad \"input\"","relatedRecord":null},)"
        R"({"id":{"id":2},"type":2100,"value":null,"relatedRecord":)"
        R"({"tableId":20,"id":{"id":5},"keynodeId":{"id":null}}},)"
        R"({"id":{"id":3},"type":2101,"value":"half","relatedRecord":null}]}],"count":1})",
        Call("POST", "/events/filter", R"({"eventFilter":{"id":{"id":1}}})").Body);
    EXPECT_EQ(R"({"records":[{"id":{"id":4},"type":12006,"keynodeId":null,"eventTime":null,)"
              R"("clearTime":null,"clearedBy":null,"details":[]}],"count":1})",
              Call("POST", "/events/filter", R"({"eventFilter":{"id":{"id":4}}})").Body);
    EXPECT_NE(std::string::npos,
              Call("POST", "/events/filter", R"({"eventFilter":{"id":{"id":2}}})")
                  .Body.find(R"("keynodeId":{"id":2},"eventTime":"1970-01-01T00:33:20Z")"));

    // Stored invalid UTF-8 is answered as replacement characters.
    const std::string cut = "T\xC3\xBCr \xC3";
    const int64_t id = AddEvent(12000, {}, {}, {{12100, cut}, {12103, "\xFFok"}});
    const HttpReply reply =
        Call("POST", "/events/filter", "{\"eventFilter\":{\"id\":{\"id\":" + std::to_string(id) + "}}}");
    EXPECT_NE(std::string::npos, reply.Body.find("\"value\":\"T\xC3\xBCr \xEF\xBF\xBD\""));
    EXPECT_NE(std::string::npos, reply.Body.find("\"value\":\"\xEF\xBF\xBDok\""));

    const std::string path = "/events/filter";
    ExpectRejected(
        {
            {"POST", path, R"({"eventFilter":[]})", ParsingError("Expected JSON object")},
            {"POST", path, R"({"eventFilter":{"eventTypeTags":{}}})", ParsingError("Expected JSON array")},
            {"POST", path, R"({"eventFilter":{"keynodes":[]}})", ParsingError("Expected JSON object")},
            {"POST", path, R"({"eventFilter":{"eventTypes":["x"]}})",
             ParsingError("RapidJson internal assertion failed")},
        },
        [] { return std::string(); });
}

struct ReceivedRequest {
    std::string Method, Path, Body;
    std::map<std::string, std::string> Headers; // names in lower case

    std::string Header(const std::string& name) const {
        const auto it = Headers.find(name);
        return it == Headers.end() ? std::string() : it->second;
    }
};

// A webhook receiver on 127.0.0.1: records every request and answers with the status the test sets, 302
// with a Location header.
class WebHookReceiver : public Web::Resource {
public:
    WebHookReceiver() : m_Server(Config()) {
        // Not owning: the server, the last member, is stopped before the rest of this object goes.
        m_Server.addResource(std::shared_ptr<Web::Resource>(std::shared_ptr<void>(), this), "/");
        m_Server.start();
    }
    void handleRequest(const Web::Request& request, Web::Response& response) override {
        ReceivedRequest received{request.method(),
                                 request.path() + request.pathInfo(),
                                 std::string(std::istreambuf_iterator<char>(request.in()), {}),
                                 {}};
        for (auto [name, value] : request.headers()) {
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return std::tolower(c); });
            received.Headers[name] = value;
        }
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Requests.push_back(std::move(received));
        response.setStatus(m_Status);
        if (m_Status == 302) response.addHeader("Location", "/elsewhere");
        m_Arrived.notify_all();
    }

    std::string Url() const { return "http://127.0.0.1:" + std::to_string(m_Server.httpPort()) + "/hook"; }
    void SetStatus(int status) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Status = status;
    }
    std::vector<ReceivedRequest> Requests() const {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Requests;
    }
    size_t RequestCount() const { return Requests().size(); }
    bool WaitForRequests(size_t count) const {
        std::unique_lock<std::mutex> lock(m_Mutex);
        return m_Arrived.wait_for(lock, std::chrono::seconds(30), [&] { return m_Requests.size() >= count; });
    }

private:
    static Web::ServerConfig Config() {
        Web::ServerConfig config;
        config.http = {true, "127.0.0.1", 0};
        config.workerThreads = 2;
        config.bodyLimit = 64 * 1024 * 1024;
        return config;
    }

    mutable std::mutex m_Mutex;
    mutable std::condition_variable m_Arrived;
    int m_Status = 200;
    std::vector<ReceivedRequest> m_Requests;
    Web::Server m_Server;
};

const std::string kDefaultFilter = R"({"skipCount":0,"limitCount":1000})";

// The webhook settings a POST or DELETE writes, in writing order.
std::string StoredSettings() {
    std::string settings;
    for (const Property::TCPropertyID* id :
         {&P::GeneralWebApiSettings_EventWebHook_Enabled, &P::GeneralWebApiSettings_EventWebHook_URL,
          &P::GeneralWebApiSettings_EventWebHook_UserName, &P::GeneralWebApiSettings_EventWebHook_Password,
          &P::GeneralWebApiSettings_EventWebHook_AuthType, &P::GeneralWebApiSettings_EventWebHook_JsonFilter})
        settings += Setting(*id) + "|";
    return settings;
}

class WebHookApiTest : public AdminApiTest {
protected:
    void PostReceiver() {
        Call("POST", "/events/webhook",
             "{\"eventWebHook\":{\"url\":\"" + m_Receiver.Url() + "\",\"eventFilter\":{}}}");
    }

    WebHookReceiver m_Receiver;
};

TEST_F(WebHookApiTest, PostStoresTheSettingsGetShowsThemAndDeleteClearsThem) {
    // Never shown, never touched by POST.
    Set(P::GeneralWebApiSettings_EventWebHook_SigningSecret, "hidden-secret");
    const std::string defaults = "{\"eventFilter\":" + kDefaultFilter + "}|";
    const struct {
        std::string Body, Stored, Shown;
    } cases[] = {
        {R"({"url":"http://h/x","eventFilter":{"eventTypes":[12003]},"userName":"u","password":"p","authType":"Basic"})",
         R"(1|http://h/x|u|p|1401|{"eventFilter":{"skipCount":0,"limitCount":1000,"eventTypes":[12003]}}|)",
         R"({"eventWebHook":{"url":"http://h/x","eventFilter":{"skipCount":0,"limitCount":1000,"eventTypes":[12003]},)"
         R"("userName":"u","password":"p","authType":"Basic"}})"},
        // A type text other than the two keeps the stored type.
        {R"({"url":"http://h/y","eventFilter":null,"authType":"basic"})", "1|http://h/y|||1401|" + defaults,
         R"({"eventWebHook":{"url":"http://h/y","eventFilter":)" + kDefaultFilter +
             R"(,"userName":"","password":"","authType":"Basic"}})"},
        {R"({"url":"http://h/z","eventFilter":{}})", "1|http://h/z|||1400|" + defaults,
         R"({"eventWebHook":{"url":"http://h/z","eventFilter":)" + kDefaultFilter +
             R"(,"userName":"","password":"","authType":"None"}})"},
        // An empty URL disables; the rest is still written.
        {R"({"url":"","eventFilter":{"limitCount":5},"userName":"v"})",
         R"(0||v||1400|{"eventFilter":{"skipCount":0,"limitCount":5}}|)",
         R"({"eventWebHook":{"url":"","eventFilter":)" + kDefaultFilter + "}}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Body);
        Succeeds("POST", "/events/webhook", "{\"eventWebHook\":" + c.Body + "}");
        EXPECT_EQ(c.Stored, StoredSettings());
        EXPECT_EQ(c.Shown, Call("GET", "/events/webhook").Body);
    }
    EXPECT_EQ("hidden-secret", Setting(P::GeneralWebApiSettings_EventWebHook_SigningSecret));

    Call("POST", "/events/webhook",
         R"({"eventWebHook":{"url":"http://h/x","eventFilter":{"id":{"id":3}},"userName":"u",)"
         R"("password":"p","authType":"Basic"}})");
    Succeeds("DELETE", "/events/webhook");
    EXPECT_EQ("0||||1400|" + defaults, StoredSettings());
}

TEST_F(WebHookApiTest, BodyFaultsAndAnUnknownStoredAuthTypeAreRefused) {
    Set(P::GeneralWebApiSettings_EventWebHook_Enabled, "1");
    Set(P::GeneralWebApiSettings_EventWebHook_AuthType, "1402");
    const std::string path = "/events/webhook";
    ExpectRejected(
        {
            {"GET", path, "", ErrorBody(1, "Unknown value of GeneralWebApiSettings_EventWebHook_AuthType")},
            {"POST", path, "{}", ParsingError("Expected eventWebHook member")},
            {"POST", path, R"({"eventWebHook":{"eventFilter":{}}})", ParsingError("Expected url member")},
            {"POST", path, R"({"eventWebHook":{"url":"http://h"}})",
             ParsingError("Expected eventFilter member")},
        },
        StoredSettings);
}

TEST_F(WebHookApiTest, TestPostsTheGivenEventAloneAndKeepsTheStoredID) {
    AddEvents(2, 12000);
    PostReceiver();
    Set(kLastID, "1");
    Succeeds(
        "POST", "/events/webhook/test",
        R"({"event":{"id":{"id":9},"type":12006,"details":[{"id":{"id":1},"type":12100,"value":"x"}]}})");
    ASSERT_EQ(1u, m_Receiver.RequestCount());
    EXPECT_EQ(
        R"({"records":[{"id":{"id":9},"type":12006,"keynodeId":null,"eventTime":null,"clearTime":null,)"
        R"("clearedBy":null,"details":[{"id":{"id":1},"type":12100,"value":"x","relatedRecord":null}]}],)"
        R"("count":1})",
        m_Receiver.Requests()[0].Body);
    EXPECT_EQ("1", Setting(kLastID));
    ExpectRejected({{"POST", "/events/webhook/test", "{}", ParsingError("Expected event member")}},
                   StoredSettings);
    // Without settings nothing is sent.
    Call("DELETE", "/events/webhook");
    Succeeds("POST", "/events/webhook/test", R"({"event":{}})");
    EXPECT_EQ(1u, m_Receiver.RequestCount());
}

TEST_F(WebHookApiTest, RunningServiceDeliversTheBacklogPageByPageAfterASettingsChange) {
    AddEvents(2500, 12000);
    // Reloads run on each single change; an unset type would fail those that see the URL already.
    Set(P::GeneralWebApiSettings_EventWebHook_AuthType, "1400");
    m_Server->Api().StartThread();
    PostReceiver();
    ASSERT_TRUE(m_Receiver.WaitForRequests(3));
    const auto requests = m_Receiver.Requests();
    EXPECT_NE(std::string::npos, requests[0].Body.find("\"count\":2500}"));
    EXPECT_NE(std::string::npos, requests[1].Body.find("\"count\":1500}"));
    EXPECT_NE(std::string::npos, requests[2].Body.find("\"count\":500}"));
    for (int wait = 0; wait < 100 && Setting(kLastID) != "2500"; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ("2500", Setting(kLastID));
}

// Nothing listens there: every attempt is refused at once.
const std::string kRefusedUrl = "http://127.0.0.1:1/hook";
constexpr int64_t kSecond = 1000, kMinute = 60 * kSecond;

long long StoredLastID() {
    return Property::GetProperty(kLastID, Accessories::TCRecordID(), "").get_AsBigInt(-1LL);
}

class WebHookDeliveryTest : public testing::Test {
protected:
    void SetUp() override { Configure(m_Receiver.Url()); }

    void Configure(const std::string& url) {
        Set(P::GeneralWebApiSettings_EventWebHook_Enabled, "1");
        Set(P::GeneralWebApiSettings_EventWebHook_URL, url);
        Set(P::GeneralWebApiSettings_EventWebHook_AuthType, "1400");
    }
    // A processor on the test's clock, with the settings loaded.
    std::unique_ptr<KnaEventWebHookProcessor> NewProcessor() {
        auto processor = std::make_unique<KnaEventWebHookProcessor>(false, [this] { return m_Now; });
        EXPECT_TRUE(processor->LoadProperties());
        return processor;
    }
    // The events the processor itself wrote since `after`.
    static std::vector<Event::TCEventRecord> OwnEvents(int64_t after) {
        std::vector<Event::TCEventRecord> own;
        for (const auto& event : EventsAfter(after))
            if (event.Type >= 12003 && event.Type <= 12005) own.push_back(event);
        return own;
    }

    TestDataDir m_Data;
    WebHookReceiver m_Receiver;
    int64_t m_Now = 1000000;
};

TEST_F(WebHookDeliveryTest, BasicAuthenticationAndStoredFilterApply) {
    Set(P::GeneralWebApiSettings_EventWebHook_AuthType, "1401");
    Set(P::GeneralWebApiSettings_EventWebHook_UserName, "hook");
    Set(P::GeneralWebApiSettings_EventWebHook_Password, "s3cret");
    Set(P::GeneralWebApiSettings_EventWebHook_JsonFilter,
        R"({"eventFilter":{"limitCount":2,"eventTypes":[12001]}})");
    AddEvents(1, 12000);
    AddEvents(3, 12001);
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
    Set(P::GeneralWebApiSettings_EventWebHook_JsonFilter,
        R"({"eventFilter":{"limitCount":1,"greaterThenEventID":{"id":3}}})");
    processor->LoadProperties();
    processor->Process();
    processor->Process();
    EXPECT_EQ(4u, m_Receiver.RequestCount());
    EXPECT_FALSE(processor->IsBacklogPending());
}

// The receiver's side: its own HMAC of what it got.
std::string ExpectedSignature(const std::string& secret, const ReceivedRequest& request) {
    const std::string text =
        request.Header("webhook-id") + "." + request.Header("webhook-timestamp") + "." + request.Body;
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int macLength = 0;
    HMAC(EVP_sha256(), secret.data(), static_cast<int>(secret.size()),
         reinterpret_cast<const unsigned char*>(text.data()), text.size(), mac, &macLength);
    unsigned char base64[4 * ((EVP_MAX_MD_SIZE + 2) / 3) + 1];
    const int length = EVP_EncodeBlock(base64, mac, static_cast<int>(macLength));
    return "v1," + std::string(reinterpret_cast<const char*>(base64), static_cast<size_t>(length));
}

TEST_F(WebHookDeliveryTest, DeliveriesAreSignedWhenASecretIsSet) {
    const std::string secret = "whsec-7f3a";
    Set(P::GeneralWebApiSettings_EventWebHook_SigningSecret, secret);
    AddEvents(3, 12000);
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
        EXPECT_NEAR(double(std::time(nullptr)), std::stod(request.Header("webhook-timestamp")), 300);
        EXPECT_EQ(ExpectedSignature(secret, request), request.Header("webhook-signature"));
        EXPECT_NE(ExpectedSignature(secret + "x", request), request.Header("webhook-signature"));
    }
}

TEST_F(WebHookDeliveryTest, OnlyA200CountsAsDelivered) {
    const struct {
        int Status;                                 // the receiver's answer
        std::string Url;                            // empty: the receiver
        std::string CurlCode, CurlText, HttpStatus; // of the failure event; empty: delivered
    } cases[] = {
        {200, "", "", "", ""},
        {204, "", "0", "No error", "204"},
        {302, "", "0", "No error", "302"}, // not followed
        {200, kRefusedUrl, "7", "Couldn't connect to server", "0"},
        {200, "file:///etc/hostname", "1", "Unsupported protocol", "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Status) + " " + c.Url);
        Set(kLastID, "0");
        const std::string url = c.Url.empty() ? m_Receiver.Url() : c.Url;
        Configure(url);
        m_Receiver.SetStatus(c.Status);
        AddEvents(1, 12000);
        const int64_t before = LastEventID();
        const size_t received = m_Receiver.RequestCount();
        auto processor = NewProcessor();
        processor->Process();
        EXPECT_EQ(received + (c.Url.empty() ? 1 : 0), m_Receiver.RequestCount());
        const bool delivered = c.CurlCode.empty();
        EXPECT_EQ(delivered ? before : 0, StoredLastID());
        const auto own = OwnEvents(before);
        if (delivered) {
            EXPECT_TRUE(own.empty());
            const ReceivedRequest request = m_Receiver.Requests().back();
            EXPECT_EQ("POST /hook application/json  ",
                      request.Method + " " + request.Path + " " + request.Header("content-type") + " " +
                          request.Header("authorization") + " " + request.Header("webhook-signature"));
            processor->Process(); // nothing new: nothing is sent
            EXPECT_EQ(received + 1, m_Receiver.RequestCount());
            continue;
        }
        ASSERT_EQ(1u, own.size());
        EXPECT_EQ(KeynodeWebApi::Type_ConnectionFailed.ID, own[0].Type);
        EXPECT_EQ((std::vector<std::string>{"12105=" + url, "12106=" + c.CurlCode, "12107=" + c.CurlText,
                                            "12108=" + c.HttpStatus}),
                  DetailTexts(own[0]));
    }
}

TEST_F(WebHookDeliveryTest, FirstSuccessAfterFailuresWritesRestored) {
    AddEvents(2, 12000);
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

TEST_F(WebHookDeliveryTest, UnusableSettingsAreLoggedAsProcessingFailures) {
    const struct {
        const Property::TCPropertyID* Property;
        std::string Value, Logged;
    } cases[] = {
        {&P::GeneralWebApiSettings_EventWebHook_JsonFilter, "{}", "Expected eventFilter member"},
        {&P::GeneralWebApiSettings_EventWebHook_JsonFilter, "{", "Could not parse input, error: 4"},
        {&P::GeneralWebApiSettings_EventWebHook_AuthType, "1402",
         "Unknown value of GeneralWebApiSettings_EventWebHook_AuthType"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Value);
        Configure(m_Receiver.Url());
        Set(P::GeneralWebApiSettings_EventWebHook_JsonFilter, "");
        Set(*c.Property, c.Value);
        const int64_t before = LastEventID();
        KnaEventWebHookProcessor processor(false);
        EXPECT_FALSE(processor.LoadProperties());
        const auto own = OwnEvents(before);
        ASSERT_EQ(1u, own.size());
        EXPECT_EQ(KeynodeWebApi::Type_EventWebHookProcessingFailed.ID, own[0].Type);
        EXPECT_EQ((std::vector<std::string>{"12107=" + c.Logged}), DetailTexts(own[0]));
    }
}

TEST_F(WebHookDeliveryTest, FailuresWaitAlongTheRetrySchedule) {
    const int64_t s20 = 20 * kSecond, m5 = 5 * kMinute, m15 = 15 * kMinute, m45 = 45 * kMinute;
    const struct {
        std::string RetryCount; // empty: never set
        std::vector<int64_t> Waits;
    } cases[] = {
        {"", {s20, s20, s20, s20, s20, s20, m5, s20, s20, s20, s20, s20, m15}},
        {"2", {s20, s20, m5, s20, m15, s20, m45, s20, m45, m45}},
        {"0", {s20, m5, m15, m45, m45}},
    };
    Configure(kRefusedUrl);
    AddEvents(1, 12000);
    for (const auto& c : cases) {
        if (c.RetryCount.empty())
            Property::DeleteProperty(P::GeneralWebApiSettings_EventWebHook_ConnectRetryCount,
                                     Accessories::TCRecordID(), "api-test");
        else
            Set(P::GeneralWebApiSettings_EventWebHook_ConnectRetryCount, c.RetryCount);
        auto processor = NewProcessor();
        for (size_t failure = 0; failure < c.Waits.size(); ++failure) {
            SCOPED_TRACE("retry count '" + c.RetryCount + "', failure " + std::to_string(failure));
            const int64_t before = LastEventID();
            processor->Process();
            ASSERT_EQ(1u, OwnEvents(before).size());
            EXPECT_EQ(c.Waits[failure], processor->GetRetryRemainingMs());
            m_Now += c.Waits[failure] - 1;
            EXPECT_FALSE(processor->ConnectingEnabled());
            m_Now += 1;
            EXPECT_TRUE(processor->ConnectingEnabled());
        }
    }
}

TEST_F(WebHookDeliveryTest, NewDelaysRestartTheScheduleANewIntervalDoesNot) {
    Configure(kRefusedUrl);
    AddEvents(1, 12000);
    Set(P::GeneralWebApiSettings_EventWebHook_PauseIntervalBetweenSuccessfulConnectionsSeconds, "10");
    auto processor = NewProcessor();
    processor->Process();
    ASSERT_EQ(1, processor->GetConnectState());

    Set(P::GeneralWebApiSettings_EventWebHook_ConnectRetryIntervalSeconds, "30");
    processor->LoadProperties();
    EXPECT_EQ(1, processor->GetConnectState());
    EXPECT_EQ(20 * kSecond, processor->GetRetryRemainingMs());

    // Back in state 0 during the retry wait, the pause started by the reload holds delivery back alone.
    Set(P::GeneralWebApiSettings_EventWebHook_ConnectSecondDelayMinutesAfterFirstDelay, "16");
    processor->LoadProperties();
    EXPECT_EQ(0, processor->GetConnectState());
    m_Now += 10 * kSecond - 1;
    EXPECT_FALSE(processor->ConnectingEnabled());
    m_Now += 1;
    EXPECT_TRUE(processor->ConnectingEnabled());
}

} // namespace
