// "/events/webhook" and "/events/webhook/test" over HTTP: the settings round trip, what POST and DELETE
// store, body faults, the test delivery, and the running service delivering after a settings change.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ApiExpectations.h"
#include "Property/AccessProp.h"
#include "Property/TCProperties.h"
#include "support/ApiTestServer.h"
#include "support/EventLogData.h"
#include "support/WebHookReceiver.h"

using namespace ApiTest;

namespace {

const std::string kDefaultFilter = R"({"skipCount":0,"limitCount":1000})";

std::string Stored(const Property::TCPropertyID& id) {
    return Property::GetProperty(id, Accessories::TCRecordID(), "").get_Value().get_Value("<unset>");
}

void Set(const Property::TCPropertyID& id, const std::string& value) {
    Property::SetProperty(id, value, Accessories::TCRecordID(), "api-test");
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

class WebHookApiTest : public ApiHttpTest {
protected:
    void SetUp() override {
        AddAllMethodsUser("admin", "pw");
        StartServer();
        EnableApi();
    }

    HttpReply Call(const std::string& method, const std::string& path, const std::string& body = "") {
        HttpCall call;
        call.Method = method;
        call.Target = "/api/v1/events/webhook" + path;
        call.Authorization = BasicAuthorization("admin", "pw");
        call.Body = body;
        return Send(call);
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
        const HttpReply posted = Call("POST", "", "{\"eventWebHook\":" + c.body + "}");
        EXPECT_EQ(200, posted.Status) << c.name << ": " << posted.Body;
        EXPECT_EQ("", posted.Body) << c.name;
        EXPECT_EQ(c.stored, StoredSettings()) << c.name;
        EXPECT_EQ(c.shown, Call("GET", "").Body) << c.name;
    }
    EXPECT_EQ("hidden-secret", Stored(AccessProp::GeneralWebApiSettings_EventWebHook_SigningSecret));
}

TEST_F(WebHookApiTest, DeleteClearsTheSettings) {
    Call("POST", "",
         R"({"eventWebHook":{"url":"http://h/x","eventFilter":{"id":{"id":3}},"userName":"u",)"
         R"("password":"p","authType":"Basic"}})");
    const HttpReply deleted = Call("DELETE", "");
    EXPECT_EQ(200, deleted.Status) << deleted.Body;
    EXPECT_EQ((std::vector<std::string>{"0", "", "", "", "1400", "{\"eventFilter\":" + kDefaultFilter + "}"}),
              StoredSettings());
}

TEST_F(WebHookApiTest, UnknownStoredAuthTypeFailsGet) {
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_Enabled, "1");
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_AuthType, "1402");
    const HttpReply reply = Call("GET", "");
    EXPECT_EQ(400, reply.Status);
    EXPECT_EQ(ErrorBody(1, "Unknown value of GeneralWebApiSettings_EventWebHook_AuthType"), reply.Body);
}

TEST_F(WebHookApiTest, BodyFaultsStoreNothing) {
    auto parsing = [](const std::string& msg) { return ErrorBody(2, "Parsing error:" + msg); };
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"{}", parsing("Expected eventWebHook member")},
        {R"({"eventWebHook":{"eventFilter":{}}})", parsing("Expected url member")},
        {R"({"eventWebHook":{"url":"http://h"}})", parsing("Expected eventFilter member")},
        {R"({"eventWebHook":{"url":"http://h","eventFilter":{},"userName":5}})",
         parsing("RapidJson internal assertion failed")},
        {R"({"eventWebHook":{"url":"http://h","eventFilter":{"eventTypes":1}}})",
         parsing("Expected JSON array")},
    };
    const std::vector<std::string> before = StoredSettings();
    for (const auto& [body, expected] : cases) {
        const HttpReply reply = Call("POST", "", body);
        EXPECT_EQ(400, reply.Status) << body;
        EXPECT_EQ(expected, reply.Body) << body;
        EXPECT_EQ(before, StoredSettings()) << body;
    }
}

TEST_F(WebHookApiTest, TestPostsTheGivenEventAloneAndKeepsTheStoredID) {
    AddEventRows(2, 12000);
    Call("POST", "", "{\"eventWebHook\":{\"url\":\"" + m_Receiver.Url() + "\",\"eventFilter\":{}}}");
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID, "1");

    const HttpReply reply = Call("POST", "/test",
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

    const HttpReply empty = Call("POST", "/test", "{}");
    EXPECT_EQ(400, empty.Status);
    EXPECT_EQ(ErrorBody(2, "Parsing error:Expected event member"), empty.Body);

    Call("DELETE", "");
    EXPECT_EQ(200, Call("POST", "/test", R"({"event":{}})").Status);
    EXPECT_EQ(1u, m_Receiver.RequestCount());
}

TEST_F(WebHookApiTest, RunningServiceDeliversTheBacklogPageByPageAfterASettingsChange) {
    AddEventRows(2500, 12000);
    // Reloads run on each single change; an unset type would fail those that see the URL already.
    Set(AccessProp::GeneralWebApiSettings_EventWebHook_AuthType, "1400");
    m_Server->Api().StartThread();
    Call("POST", "", "{\"eventWebHook\":{\"url\":\"" + m_Receiver.Url() + "\",\"eventFilter\":{}}}");

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

} // namespace
