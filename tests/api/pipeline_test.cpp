// The request pipeline over HTTP and driven directly (remote addresses, handler failures), and the service
// around it: handlers, settings, keynodes, endpoints, mail records, login throttle, concurrent writers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Crypto/TCCryptoUtil.h"
#include "DB/Tables/AccessTables.h"
#include "DB/Tables/SystemTables.h"
#include "DB/Tables/WebTables.h"
#include "Event/KeynodeWebApiEvents.h"
#include "Handlers/KnaBaseHandler.h"
#include "Handlers/KnaInfoApi_Handler.h"
#include "Handlers/KnaKeynodes_Handler.h"
#include "Host/TCException.h"
#include "Interface/KnaWebRequest_Http.h"
#include "Interface/KnaWebResponse_Http.h"
#include "JsonTypes/KnaJson_Error.h"
#include "KnaException.h"
#include "KnaHandlerInfo.h"
#include "KnaLoginThrottle.h"
#include "KnaMain.h"
#include "Mail/TCKnmsRecords.h"
#include "Mail/TCKnmsRouter.h"
#include "Net/TCIPNetworkInterfaceSettings.h"
#include "Net/TCMACAddress.h"
#include "Property/AccessProp.h"
#include "Property/TCProperties.h"
#include "Web/Request.h"
#include "Web/Response.h"
#include "support/ApiExpectations.h"
#include "support/ApiTestServer.h"
#include "support/FakeWebExchange.h"
#include "Json/TCJsonParsingException.h"

using namespace ApiTest;
using namespace KeynodeApi;

namespace {

const std::string kApiInfoBody = "{\"version\":{\"major\":0,\"minor\":9,\"revision\":4}}";
const std::string kWrongLogin = "Wrong username/password or API access not allowed";
const std::string kInternal = "Internal error. Please notify vendor.";

std::string Basic(const std::string& text) {
    return "Basic " + TCCryptoUtil::Base64Encode(text);
}

std::vector<std::string> FailureDetails(const std::string& msg, int code, int status) {
    return {Detail(KeynodeWebApi::Member_UserErrorMessage, msg),
            Detail(KeynodeWebApi::Member_UserErrorCode, std::to_string(code)),
            Detail(KeynodeWebApi::Member_HttpErrorCode, std::to_string(status))};
}

struct HttpCase {
    std::string Method, Path, Authorization;
    int Status;
    std::string Text; // the error message; for 200 the whole body, unless empty
    std::string ContentType = "application/json";
};

// A failure answers its message, with the challenge exactly for 401, and writes one event; 401 are
// unauthorized, 500 internal errors.
class PipelineHttpTest : public ApiHttpTest {
protected:
    void Expect(const HttpCase& c) {
        SCOPED_TRACE(c.Method + " " + c.Path + " [" + c.Authorization + "] " + c.ContentType);
        const int64_t before = LastEventID();
        const HttpReply reply = Send({c.Method, c.Path, c.ContentType, c.Authorization, ""});
        EXPECT_EQ(c.Status, reply.Status);
        EXPECT_EQ("application/json", reply.Header("Content-Type").value_or(""));
        EXPECT_EQ(c.Status == 401 ? "Basic realm=KeynodeApi charset=UTF-8" : "<absent>",
                  reply.Header("WWW-Authenticate").value_or("<absent>"));
        const auto events = EventsAfter(before);
        if (c.Status == 200) {
            if (!c.Text.empty()) {
                EXPECT_EQ(c.Text, reply.Body);
            }
            EXPECT_TRUE(events.empty());
            return;
        }
        EXPECT_EQ(ErrorBody(1, c.Text), reply.Body);
        ASSERT_EQ(1u, events.size());
        EXPECT_EQ(c.Status == 401   ? KeynodeWebApi::Type_Unauthorized
                  : c.Status == 500 ? KeynodeWebApi::Type_InternalError
                                    : KeynodeWebApi::Type_RequestFailed,
                  events[0].Type);
        EXPECT_EQ(FailureDetails(c.Text, 1, c.Status), DetailTexts(events[0]));
    }
};

TEST_F(PipelineHttpTest, AnswersAndFailuresOverHttp) {
    AddAllMethodsUser("admin", "secret");
    AddAllMethodsUser("colon", "a:b:c");
    AddWebUser({"x", "pw", {}, {}, {11001}});
    AddWebUser({"cloudclaim", "pw", 1, 0, {11001 + 10000, 11002}});
    AddWebUser({"halfflags", "pw", {}, 1, {}});
    // Only the API information and keynode handlers, so registered endpoints without handlers remain.
    auto handlers = std::make_shared<KnaMain::HandlerMap>();
    (*handlers)[11001] = std::make_shared<KnaInfoApi_Handler>();
    (*handlers)[11002] = std::make_shared<KnaKeynodes_Handler>();
    StartServer(std::make_shared<KnaMain>(1, nullptr, handlers));
    const std::string admin = BasicAuthorization("admin", "secret"), info = "/api/v1/info/api";
    const auto as = [](const std::string& user) { return BasicAuthorization(user, "pw"); };
    const auto denied = [](const std::string& user) {
        return "User " + user + " is not allowed to perform requested operation";
    };
    Expect({"GET", info, admin, 503, "API is disabled"});
    EnableApi();

    const std::string unsupported = " Supported methods are: GET, POST, PUT, DELETE";
    const std::string json = "Content type must be application/json";
    const std::string pair = "Invalid authorization header, username:password expected";
    const std::vector<HttpCase> cases = {
        {"GET", info, admin, 200, kApiInfoBody},
        {"GET", info, "", 401, "Missing Authorization header"},
        {"GET", info, "Bearer abc.def", 401, "Basic authorization is required"},
        {"GET", info, "basic " + TCCryptoUtil::Base64Encode("admin:secret"), 401,
         "Basic authorization is required"},
        {"GET", info, "Basic", 401, "Invalid authorization header"},
        {"GET", info, Basic("adminsecret"), 401, pair},
        {"GET", info, "Basic %%%not-base64%%%", 401, pair},
        {"GET", info, Basic("admin:"), 401, "User name/password can't be empty"},
        {"GET", info, Basic(":secret"), 401, "User name/password can't be empty"},
        {"GET", info, BasicAuthorization("admin", "wrong"), 401, kWrongLogin},
        {"GET", info, BasicAuthorization("admin", "secret:"), 401, kWrongLogin},
        {"GET", info, BasicAuthorization("nobody", "secret"), 401, kWrongLogin},
        // Colons in the password; text after the credentials ignored; a second check hits the cache.
        {"GET", info, BasicAuthorization("colon", "a:b:c"), 200, ""},
        {"GET", info, BasicAuthorization("colon", "a:b:c") + " trailing", 200, ""},
        {"GET", info, BasicAuthorization("colon", "a:b"), 401, kWrongLogin},
        {"PATCH", info, admin, 405, "Unsupported web method:PATCH." + unsupported},
        {"get", info, admin, 405, "Unsupported web method:get." + unsupported},
        {"GET", "/api/v2/access/cards", admin, 404, "URL must begin with /api/v1"},
        {"GET", "/api", admin, 404, "URL must begin with /api/v1"},
        {"GET", "/api/v10/access/cards", admin, 404, "Specified path 0/access/cards not supported"},
        {"GET", "/api/v1/nothing", admin, 404, "Specified path /nothing not supported"},
        {"GET", "/api/v1/keynodes/", admin, 404, "Specified path /keynodes/ not supported"},
        {"GET", "/api/v1/Keynodes", admin, 404, "Specified path /Keynodes not supported"},
        {"GET", "/api/v1/access/cards", admin, 500, "Specified path /access/cards handler not found"},
        {"GET", "/api/v1/access/cards/filter", admin, 500,
         "Specified path /access/cards/filter handler not found"},
        {"POST", info, admin, 500, "Specified path /info/api handler not found"},
        {"GET", info, admin, 415, json, ""},
        {"GET", info, admin, 415, json, "application/json; charset=utf-8"},
        // Claims: cloud claims (+10000) mean nothing over HTTP; both access flags must be 1 to skip them.
        {"GET", "/api/v1/keynodes", admin, 200, ""},
        {"GET", info, as("x"), 200, kApiInfoBody},
        {"GET", "/api/v1/keynodes", as("x"), 401, denied("x")},
        {"GET", "/api/v1/keynodes", as("cloudclaim"), 200, ""},
        {"GET", info, as("cloudclaim"), 401, denied("cloudclaim")},
        {"GET", info, as("halfflags"), 401, denied("halfflags")},
    };
    for (const HttpCase& c : cases)
        Expect(c);
}

class PipelineCoreTest : public testing::Test {
protected:
    void SetUp() override { AddAllMethodsUser("admin", "secret"); }

    static FakeWebRequest HttpRequest(const std::string& path = "/api/v1/info/api",
                                      const std::string& credentials = "admin:secret") {
        FakeWebRequest request;
        request.Path = path;
        request.Authorization = Basic(credentials);
        return request;
    }

    static FakeWebResponse Run(KnaMain& api, FakeWebRequest& request) {
        FakeWebResponse response;
        api.HandleRequest(request, response);
        return response;
    }

    TestDataDir m_Data;
};

// Plain HTTP stays allowed without a settings file, without an HTTPS port or with the setting off, and
// from local addresses; only the exact lower-case scheme counts as plain HTTP.
TEST_F(PipelineCoreTest, HttpsOnlyRefusesPlainHttpFromRemoteAddressesOnly) {
    SetBoolSetting(AccessProp::GeneralWebApiSettings_Enabled, true);
    KnaMain api(1);
    const std::string own = TCIPNetworkInterfaceSettings::GetInterfaceSettings("").Address.get_AsString();
    const std::string remote = "10.1.2.3";
    const struct {
        const char *Port, *Scheme;
        bool HttpsOnly;
        std::string Address;
        int Status;
    } cases[] = {
        {nullptr, "http", true, remote, 200},
        {"", "http", true, remote, 200},
        {"8443", "http", false, remote, 200},
        {"8443", "http", true, remote, 503},
        {"8443", "https", true, remote, 200},
        {"8443", "HTTP", true, remote, 200},
        {"8443", "http", true, "127.0.0.1", 200},
        {"8443", "http", true, "0.0.0.0", 200},
        {"8443", "http", true, own.empty() ? "127.0.0.1" : own, 200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Port ? c.Port : "no file") + " " + c.Scheme + " " + c.Address);
        if (c.Port) WriteServerConfig(c.Port);
        SetBoolSetting(AccessProp::GeneralWebApiSettings_HTTPSOnlyIfEnabled, c.HttpsOnly);
        api.ReloadSettings();
        EXPECT_EQ(!(c.Port && *c.Port && c.HttpsOnly), api.IsPlainHttpAllowed());
        FakeWebRequest request = HttpRequest();
        request.Scheme = c.Scheme;
        request.ClientAddress = c.Address;
        const int64_t before = LastEventID();
        const FakeWebResponse response = Run(api, request);
        EXPECT_EQ(c.Status, response.Status);
        EXPECT_EQ(c.Status == 200
                      ? kApiInfoBody
                      : ErrorBody(1, "Unsecured http is not supported on local network. Use secure https."),
                  response.Body());
        EXPECT_EQ(c.Status == 200 ? 0u : 1u, EventsAfter(before).size());
    }
}

// A hash of the older, costlier setting is replaced at the first login that proves the password; repeated
// wrong passwords throttle that user from that address only.
TEST_F(PipelineCoreTest, LoginsRehashOlderPasswordsAndWrongOnesThrottle) {
    SetBoolSetting(AccessProp::GeneralWebApiSettings_Enabled, true);
    Property::SetProperty(AccessProp::GeneralWebApiSettings_LoginThrottle_MaxFailures, "3",
                          Accessories::TCRecordID(), "api-test");
    Web::TCDBWebUsers users;
    const auto storedHash = [&] {
        return users.Select("*", Table_WebUsers::NAME == "admin")
            .Field(Table_WebUsers::PASSWORD_HASH)
            .get_AsString();
    };
    auto admin = users.Select("*", Table_WebUsers::NAME == "admin");
    admin.Field(Table_WebUsers::PASSWORD_HASH)
        .set_AsString(TCCryptoUtil::DBWebUser_HashPassword("secret", {2, 64 * 1024 * 1024}));
    admin.Save();
    const std::string older = storedHash();
    KnaMain api(1);
    api.ReloadSettings();
    const auto login = [&](const std::string& password, const std::string& address = "127.0.0.1") {
        FakeWebRequest request = HttpRequest("/api/v1/info/api", "admin:" + password);
        request.ClientAddress = address;
        return Run(api, request);
    };
    EXPECT_EQ(401, login("wrong").Status);
    EXPECT_EQ(older, storedHash());

    EXPECT_EQ(200, login("secret").Status);
    const std::string rehashed = storedHash();
    EXPECT_NE(rehashed.find("$m=19456,t=2,"), std::string::npos) << rehashed;
    EXPECT_TRUE(TCCryptoUtil::DBWebUser_VerifyPassword("secret", rehashed));
    EXPECT_EQ(200, login("secret").Status);
    EXPECT_EQ(rehashed, storedHash());

    const int64_t before = LastEventID();
    for (int attempt = 0; attempt < 3; ++attempt)
        EXPECT_EQ(401, login("guess", "10.0.0.7").Status);
    // Now even the right password is refused from there, with the usual answer.
    const FakeWebResponse refused = login("secret", "10.0.0.7");
    EXPECT_EQ(401, refused.Status);
    EXPECT_EQ(ErrorBody(1, kWrongLogin), refused.Body());
    EXPECT_EQ(200, login("secret", "10.0.0.8").Status);
    int throttled = 0;
    for (const Event::TCEventRecord& event : EventsAfter(before))
        throttled += event.Type == KeynodeWebApi::Type_LoginThrottled;
    EXPECT_EQ(1, throttled);
    EXPECT_GT(api.GetLoginThrottle().RemainingMs("admin", "10.0.0.7"), 0);
}

using Script = std::function<void(KnaWebResponse&)>;

// Runs a script in place of the API info endpoint; without one, GET is the base handler's.
class ScriptedHandler : public KnaBaseHandler {
public:
    explicit ScriptedHandler(Script script) : m_Script(std::move(script)) {}
    void GetSupportedClaims(std::set<int>& claims) const override { claims.insert(11001); }
    void GET(const KnaWebRequest& request, KnaWebResponse& response) override {
        m_Script ? m_Script(response) : KnaBaseHandler::GET(request, response);
    }

private:
    Script m_Script;
};

template <class E, class... Args> Script Throw(Args... args) {
    return [=](KnaWebResponse&) { throw E(__FILE__, __LINE__, args...); };
}

struct FailureCase {
    const char* Name;
    Script Run;
    int Status, Code;
    std::string Msg, Internal; // Internal: text in the event's internal-error detail ("": the message)
    std::string MsgDetails = "", Written = "";
};

// Success turns the status to 200; rule and parsing errors answer 400, carried errors choose code and
// status; anything else is an internal error. The full exception text goes to the event only, cut to 1024
// bytes like the message; output written before the failure stays in front of the error body.
TEST_F(PipelineCoreTest, HandlerOutcomesMakeTheAnswerAndTheEvent) {
    const auto run = [&](const Script& script, std::vector<Event::TCEventRecord>& events) {
        auto handlers = std::make_shared<KnaMain::HandlerMap>();
        (*handlers)[11001] = std::make_shared<ScriptedHandler>(script);
        KnaMain api(1, nullptr, handlers);
        SetBoolSetting(AccessProp::GeneralWebApiSettings_Enabled, true);
        api.ReloadSettings();
        FakeWebRequest request = HttpRequest();
        const int64_t before = LastEventID();
        FakeWebResponse response = Run(api, request);
        events = EventsAfter(before);
        EXPECT_EQ("application/json", response.MimeType);
        return response;
    };
    std::vector<Event::TCEventRecord> events;
    const FakeWebResponse success = run([](KnaWebResponse& r) { r.setStatus(201), r.out() << "{}"; }, events);
    EXPECT_EQ(200, success.Status);
    EXPECT_EQ("{}", success.Body());
    EXPECT_TRUE(events.empty());

    const std::string here = "pipeline_test.cpp", longMessage(3000, 'm');
    const auto carried = [](int code, const char* msg, const char* details) {
        return Throw<KnaJsonErrorException>(std::make_shared<KnaJson_Error>(code, msg, details));
    };
    const std::vector<FailureCase> cases = {
        {"rule after output",
         [](KnaWebResponse& r) {
             r.out() << "partial";
             throw KnaException(__FILE__, __LINE__, "Card id is required");
         },
         400, 1, "Card id is required", "", "", "partial"},
        {"formatted rule",
         [](KnaWebResponse&) {
             throw KnaException(__FILE__, __LINE__).FormatOverride("Missing parameter %s", "id");
         },
         400, 1, "Missing parameter id", ""},
        {"long rule", Throw<KnaException>(longMessage), 400, 1, longMessage, "mmmm"},
        {"not implemented", nullptr, 400, 1, "Method GET not implemented", ""},
        {"parsing", Throw<KnaParsingException>("Expected JSON object"), 400, 2,
         "Parsing error:Expected JSON object", here},
        {"host parsing", Throw<TCJson::TCJsonParsingException>("Could not parse input, error: 1"), 400, 2,
         "Parsing error:Could not parse input, error: 1", "Could not parse input, error: 1"},
        {"records not found", carried(3, "Records not found", "card 7"), 400, 3, "Records not found", here,
         "card 7"},
        {"general carried", carried(1, "general", ""), 500, 1, "general", here},
        {"nothing carried", Throw<KnaJsonErrorException>(std::shared_ptr<KnaJson_Error>()), 500, 1, kInternal,
         here},
        {"host", Throw<TCException>("disk full"), 500, 1, kInternal, "disk full"},
        {"standard", [](KnaWebResponse&) { throw std::runtime_error("bad alloc"); }, 500, 1, kInternal,
         "bad alloc"},
        {"unknown", [](KnaWebResponse&) { throw 42; }, 500, 1, kInternal, "Unknown exception"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const FakeWebResponse response = run(c.Run, events);
        EXPECT_EQ(c.Status, response.Status);
        EXPECT_EQ(c.Written + ErrorBody(c.Code, c.Msg, c.MsgDetails), response.Body());
        ASSERT_EQ(1u, events.size());
        EXPECT_EQ(c.Msg == kInternal ? KeynodeWebApi::Type_InternalError : KeynodeWebApi::Type_RequestFailed,
                  events[0].Type);
        auto expected = FailureDetails(c.Msg.substr(0, 1024), c.Code, c.Status);
        if (!c.MsgDetails.empty())
            expected.push_back(Detail(KeynodeWebApi::Member_UserErrorDetails, c.MsgDetails));
        auto details = DetailTexts(events[0]);
        ASSERT_EQ(expected.size() + 1, details.size());
        const std::string last = details.back();
        details.pop_back();
        EXPECT_EQ(expected, details);
        EXPECT_EQ(0u, last.find(std::to_string(KeynodeWebApi::Member_InternalError) + "=")) << last;
        EXPECT_NE(std::string::npos, last.find(c.Internal.empty() ? c.Msg : c.Internal)) << last;
        EXPECT_LE(last.size() - last.find("=") - 1, 1024u);
    }
}

using PipelineServiceTest = PipelineCoreTest;

TEST_F(PipelineServiceTest, MajorVersionMakesThePrefixAndReachesEveryHandler) {
    KnaMain api(2);
    EXPECT_EQ("/api/v2", api.GetApiPrefix());
    EXPECT_EQ(2, api.GetApiMajorVersion());
    const auto handlers = api.GetHandlers();
    ASSERT_TRUE(handlers);
    // One entry per endpoint number of each default handler, all entries of a handler sharing it.
    std::set<const KnaBaseHandler*> distinct;
    size_t endpoints = 0;
    for (const auto& entry : *handlers) {
        ASSERT_TRUE(entry.second) << entry.first;
        EXPECT_EQ(2, entry.second->GetApiMajorVersion()) << entry.first;
        std::set<int> claims;
        entry.second->GetSupportedClaims(claims);
        EXPECT_EQ(1u, claims.count(entry.first));
        if (distinct.insert(entry.second.get()).second) endpoints += claims.size();
    }
    EXPECT_EQ(endpoints, handlers->size());
    EXPECT_THROW(KnaMain(0), TCAssertionException);
}

class CountedHandler : public KnaBaseHandler {
public:
    CountedHandler(std::set<int> claims, int& alive) : m_Claims(std::move(claims)), m_Alive(alive) {
        ++m_Alive;
    }
    ~CountedHandler() override { --m_Alive; }
    void GetSupportedClaims(std::set<int>& claims) const override {
        claims.insert(m_Claims.begin(), m_Claims.end());
    }

private:
    std::set<int> m_Claims;
    int& m_Alive;
};

TEST_F(PipelineServiceTest, AddWebHandlerSharesOneHandlerOverItsEndpointsAndRefusesHandlersWithoutAny) {
    int alive = 0;
    // A given map is used instead of the defaults, its handlers taking the service's version.
    auto handlers = std::make_shared<KnaMain::HandlerMap>();
    (*handlers)[11050] = std::make_shared<CountedHandler>(std::set<int>{11050}, alive);
    (*handlers)[11002] = std::make_shared<CountedHandler>(std::set<int>{11002}, alive);
    KnaMain api(3, nullptr, handlers);
    EXPECT_EQ(handlers, api.GetHandlers());
    EXPECT_EQ(3, handlers->at(11050)->GetApiMajorVersion());

    api.AddWebHandler(std::make_unique<CountedHandler>(std::set<int>{90001, 90002, 11002}, alive));
    EXPECT_EQ(4u, handlers->size());
    EXPECT_EQ(handlers->at(90001), handlers->at(90002));
    // The entry of 11002 was replaced, and its former handler released.
    EXPECT_EQ(handlers->at(90001), handlers->at(11002));
    EXPECT_EQ(3, handlers->at(90001)->GetApiMajorVersion());
    EXPECT_EQ(2, alive);
    EXPECT_THAT([&] { api.AddWebHandler(std::make_unique<CountedHandler>(std::set<int>{}, alive)); },
                testing::ThrowsMessage<TCAssertionException>(
                    testing::HasSubstr("Web handler must have assigned at least one claim")));
    EXPECT_EQ(2, alive);
    EXPECT_THROW(api.AddWebHandler(nullptr), TCAssertionException);
}

// Only changes of the API's own settings reload the service; unset or unreadable values mean disabled.
TEST_F(PipelineServiceTest, SettingsAndTheirChanges) {
    KnaMain api(1);
    ASSERT_FALSE(api.IsApiEnabled());
    const auto changed = [&](const Property::TCPropertyID& id) {
        api.OnPropertyChanges(Property::TENotificationType::Changed,
                              Property::GetProperty(id, Accessories::TCRecordID(), "api-test"));
    };
    SetBoolSetting(AccessProp::GeneralWebApiSettings_Enabled, true);
    changed(AccessProp::GeneralWebApiSettings_EventWebHook_Enabled);
    EXPECT_FALSE(api.IsApiEnabled());
    changed(AccessProp::GeneralWebApiSettings_Enabled);
    EXPECT_TRUE(api.IsApiEnabled());
    WriteServerConfig("8443");
    SetBoolSetting(AccessProp::GeneralWebApiSettings_HTTPSOnlyIfEnabled, true);
    changed(AccessProp::GeneralWebApiSettings_HTTPSOnlyIfEnabled);
    EXPECT_FALSE(api.IsPlainHttpAllowed());

    for (const char* value : {"maybe", "true"}) {
        Property::SetProperty(AccessProp::GeneralWebApiSettings_Enabled, value, Accessories::TCRecordID(),
                              "api-test");
        api.ReloadSettings();
        EXPECT_EQ(std::string(value) == "true", api.IsApiEnabled()) << value;
    }
    Property::DeleteProperty(AccessProp::GeneralWebApiSettings_Enabled, Accessories::TCRecordID(),
                             "api-test");
    api.ReloadSettings();
    EXPECT_FALSE(api.IsApiEnabled());
}

std::string OwnMac() {
    TCMACAddress mac;
    mac.Own("");
    return mac.get_AsString(':');
}

// A keynode row; null leaves out its MAC or GUID.
Accessories::TCRecordID AddKeynode(const DB::TCDBParam& mac, const DB::TCDBParam& guid) {
    namespace K = Table_SystemKeynodes;
    return AddRow(System::TCDBKeynodes(), {&K::NAME, &K::MAC, &K::GUID}, {"unit", mac, guid});
}

// Outside slave mode, or without a GUID on the own row, the map holds the own MAC; in slave mode the rows
// with a MAC of the own GUID, and the doors are reached through the master.
TEST_F(PipelineServiceTest, KeynodeMacMapFollowsTheModeAndTheOwnGuid) {
    const auto own = AddKeynode("00:11:22:33:44:55", "guid-1");
    const auto sameGuid = AddKeynode("00:11:22:33:44:66", "guid-1");
    AddKeynode(nullptr, "guid-1");
    AddKeynode("00:11:22:33:44:77", "guid-2");
    System::TCDBKeynodes::set_OwnID(own);
    const KnaMain::KeynodeMacMap ownMac = {{Accessories::TCRecordID(), OwnMac()}};
    {
        KnaMain api(1);
        api.ReloadKeynodes();
        EXPECT_EQ(ownMac, api.GetKeynodeMacMap());
        EXPECT_EQ(api.GetDoorInterface()->GetProxy(), &api);
        EXPECT_FALSE(api.GetDoorInterface()->IsViaMaster());
    }
    DB::TCDBBasicTable::set_MasterSlaveMode(2);
    KnaMain api(1);
    api.ReloadKeynodes();
    EXPECT_EQ((KnaMain::KeynodeMacMap{{own, "00:11:22:33:44:55"}, {sameGuid, "00:11:22:33:44:66"}}),
              api.GetKeynodeMacMap());
    EXPECT_EQ(api.GetDoorInterface()->GetProxy(), &api);
    EXPECT_TRUE(api.GetDoorInterface()->IsViaMaster());
    System::TCDBKeynodes::set_OwnID(AddKeynode("00:11:22:33:44:88", nullptr));
    api.ReloadKeynodes();
    EXPECT_EQ(ownMac, api.GetKeynodeMacMap());
}

// Every call over HTTP goes through these; left is what none reaches: the query string, read only for the
// debug output, the mail-router flag, which the core never asks, and the size members, which only matter
// to callers with a response-size limit.
TEST(HttpInterfaceTest, MembersNoCallOverHttpReaches) {
    Web::Request webRequest;
    webRequest.setQueryString("id=3&name=x%20y");
    KnaWebRequest_Http request(webRequest);
    EXPECT_EQ("id=3&name=x%20y", request.queryString());
    EXPECT_FALSE(request.IsOverMailRouter());
    EXPECT_EQ(0, request.GetMaxAcceptableResponseSizeBytes());

    Web::Response webResponse;
    KnaWebResponse_Http response(webResponse);
    response.out() << "12345";
    EXPECT_EQ(5, response.GetResponseSizeBytes());
    EXPECT_EQ("This method should never be called - not implemented",
              ExceptionMessage([&] { response.ClearOutput(); }));
    EXPECT_EQ("12345", webResponse.body());
}

class NoMethods : public KnaBaseHandler {
public:
    void GetSupportedClaims(std::set<int>& claims) const override { claims.insert(1); }
};

// Also what routing never reaches: the names of values outside the methods.
TEST(BaseHandlerTest, MethodsNotOverriddenFailWithTheirNameAndErrorsAreWritten) {
    NoMethods handler;
    FakeWebRequest request;
    FakeWebResponse response;
    using Handle = void (*)(KnaBaseHandler&, const KnaWebRequest&, KnaWebResponse&);
    const std::pair<std::string, Handle> methods[] = {{"GET", &KnaBaseHandler::Handle_GET},
                                                      {"POST", &KnaBaseHandler::Handle_POST},
                                                      {"PUT", &KnaBaseHandler::Handle_PUT},
                                                      {"DELETE", &KnaBaseHandler::Handle_DELETE}};
    for (const auto& method : methods)
        EXPECT_EQ("Method " + method.first + " not implemented",
                  ExceptionMessage([&] { method.second(handler, request, response); }));

    // The core writes its errors through the other overloads.
    KnaBaseHandler::SetResponseError(response, KnaJson_Error(), 500);
    EXPECT_EQ(500, response.Status);
    EXPECT_EQ(ErrorBody(1, "Unspecified"), response.Body());

    EXPECT_EQ("", KnaHandlerInfo::GetWebMethodName(static_cast<KnaWebMethod>(4)));
    EXPECT_EQ("", KnaHandlerInfo::GetWebMethodName(static_cast<KnaWebMethod>(-1)));
}

// The mail entry point, without a router: the service is handed the mail as ProcessProxy would.
class MailFedService : public KeynodeApi::KnaMain {
public:
    MailFedService() : KnaMain(1) {}
    void Feed(TCKnmsMessage mail) { OnServiceMail(mail); }
};

TEST_F(PipelineServiceTest, DoorStatusMailsReachTheDoorInterfaceUntilTheKeynodesReload) {
    MailFedService api;
    TCKnmsMailMessage<Access::TCKnmsDoorStatusObject> status(Access::Knms_DoorStatusMail, KNMS_SIGNAL_DATA,
                                                             KNMS_MARKER_NOTICE);
    TCKnmsRecord& record = status.AddRecord();
    record.Field(Access::TCKnmsDoorStatusObject::DOOR_ID) = 7;
    record.Field(Access::TCKnmsDoorStatusObject::POSITION) = 1;
    api.Feed(status.Message());
    EXPECT_EQ(api.GetDoorInterface()->FindStatus(Accessories::TCRecordID(7)).Position, 1);
    // Without a door service to ask again, the door is unknown once the states were forgotten.
    api.ReloadKeynodes();
    EXPECT_EQ(api.GetDoorInterface()->FindStatus(Accessories::TCRecordID(7)).Position, 0);
}

// Records fit their classes only; peers are the own user or of the allowed primary group.
TEST(MailRecordTest, RecordTypesAndPeers) {
    TCKnmsMessage mail(Access::Knms_DoorStatusMail, KNMS_SIGNAL_DATA, KNMS_MARKER_NOTICE);
    mail.AddRecord(1).Field(0) = 3;
    mail.AddRecord(9);
    TCKnmsMailMessage<Access::TCKnmsDoorStatusObject> doors;
    doors.Copy(mail);
    EXPECT_EQ(doors.get(0).size(), size_t(Access::TCKnmsDoorStatusObject::FIELD_COUNT));
    EXPECT_EQ(doors.get(1).size(), size_t(Access::TCKnmsDoorStatusObject::FIELD_COUNT));
    EXPECT_EQ(doors.get(0).Field(0).get_AsInteger(), 3);
    TCKnmsMailMessage<KeynodeApi::TCKnmsWebApiRequestObject> api;
    EXPECT_THAT([&] { api.Copy(mail); },
                testing::ThrowsMessage<TCException>(
                    testing::EndsWith(": SignalType 1 and Signalname 3101 have no associated records")));

    const struct {
        uid_t uid;
        gid_t gid;
        long allowedGroup;
        bool allowed;
    } cases[] = {{1000, 1000, -1, true},
                 {1001, 1000, -1, false},
                 {0, 0, -1, false},
                 {1001, 50, 50, true},
                 {1001, 51, 50, false}};
    for (const auto& c : cases)
        EXPECT_EQ(TCKnmsRouter::IsPeerAllowed(c.uid, c.gid, 1000, c.allowedGroup), c.allowed)
            << c.uid << "/" << c.gid << " group " << c.allowedGroup;
}

class LoginThrottleTest : public testing::Test {
protected:
    int64_t m_Now = 1'000'000;
    KnaLoginThrottle m_Throttle{[this] { return m_Now; }};

    // Fails `count` times from the address; returns how many of them made the pair throttled.
    int Fail(int count, const std::string& address = "10.0.0.1", const std::string& user = "admin") {
        int became = 0;
        for (int i = 0; i < count; ++i)
            became += m_Throttle.RecordFailure(user, address);
        return became;
    }
};

TEST_F(LoginThrottleTest, TenFailuresThrottleThePairWithABackoffThatDoublesUpToFifteenMinutes) {
    // Failures further apart than the window do not add up.
    m_Throttle.Configure(3, 60);
    EXPECT_EQ(0, Fail(2, "10.0.0.9"));
    m_Now += 61'000;
    EXPECT_EQ(0, Fail(2, "10.0.0.9"));
    EXPECT_EQ(1, Fail(1, "10.0.0.9"));
    // Settings below 1 fall back to the defaults, which the rest runs with.
    m_Throttle.Configure(0, -5);
    EXPECT_EQ(0, Fail(9));
    EXPECT_FALSE(m_Throttle.IsThrottled("admin", "10.0.0.1"));
    EXPECT_EQ(1, Fail(1));
    EXPECT_EQ(KnaLoginThrottle::FIRST_BACKOFF_MS, m_Throttle.RemainingMs("admin", "10.0.0.1"));
    // Attempts while throttled neither count nor lengthen it; other pairs are not touched.
    EXPECT_EQ(0, Fail(50));
    EXPECT_EQ(KnaLoginThrottle::FIRST_BACKOFF_MS, m_Throttle.RemainingMs("admin", "10.0.0.1"));
    EXPECT_FALSE(m_Throttle.IsThrottled("admin", "10.0.0.2") || m_Throttle.IsThrottled("other", "10.0.0.1"));

    int64_t backoff = KnaLoginThrottle::FIRST_BACKOFF_MS;
    for (int round = 0; round < 8; ++round) {
        m_Now += backoff;
        EXPECT_FALSE(m_Throttle.IsThrottled("admin", "10.0.0.1"));
        EXPECT_EQ(1, Fail(10));
        backoff = std::min(backoff * 2, KnaLoginThrottle::MAX_BACKOFF_MS);
        EXPECT_EQ(backoff, m_Throttle.RemainingMs("admin", "10.0.0.1")) << "round " << round;
    }
    EXPECT_EQ(KnaLoginThrottle::MAX_BACKOFF_MS, backoff);

    // A success forgets the pair: the next throttling starts short again.
    m_Now += backoff;
    m_Throttle.RecordSuccess("admin", "10.0.0.1");
    EXPECT_EQ(1, Fail(10));
    EXPECT_EQ(KnaLoginThrottle::FIRST_BACKOFF_MS, m_Throttle.RemainingMs("admin", "10.0.0.1"));
    // A flood of pairs stays bounded and keeps the throttled one.
    for (int i = 0; i < int(KnaLoginThrottle::MAX_PAIRS) * 2; ++i)
        Fail(1, "192.0.2.1", "user" + std::to_string(i));
    EXPECT_LE(m_Throttle.PairCount(), KnaLoginThrottle::MAX_PAIRS);
    EXPECT_TRUE(m_Throttle.IsThrottled("admin", "10.0.0.1"));
}

// Clients writing week programs and access groups with their rights at once, served by four worker
// threads: every request must succeed (none may run into the database's write lock) and every write be
// stored.
constexpr int kClients = 4, kGroups = 40;

class ConcurrencyTest : public AdminApiTest {
protected:
    void SetUp() override {
        AddAllMethodsUser("admin", "pw");
        for (const char* name : {"east", "west"})
            m_Doors.push_back(Id(AddRow(Access::TCDBDoors(), {&Table_AccessDoors::NAME}, {name})));
        m_Server = std::make_unique<ApiTestServer>(std::make_shared<KeynodeApi::KnaMain>(1), "", 4);
        EnableApi();
    }

    // Each group refers to the client's week program, written just before by whichever worker got it.
    void RunClient(const std::string& tag, std::vector<std::string>& failures) {
        const auto post = [&](const std::string& path, const std::string& body) {
            const HttpReply reply = Call("POST", path, body);
            if (reply.Status != 200) failures.push_back(body + " -> " + reply.Body);
        };
        post("/config/weekprograms", R"({"id":{"extId":"wp-)" + tag + R"("},"name":"p","type":10})");
        std::string rights;
        for (const std::string& door : m_Doors)
            rights += (rights.empty() ? "" : ",") + std::string(R"({"doorID":{"id":)") + door +
                      R"(},"weekProgramID":{"extId":"wp-)" + tag + "\"}}";
        for (int group = 0; group < kGroups; ++group)
            post("/access/accessGroups", R"({"id":{"extId":"g-)" + tag + "-" + std::to_string(group) +
                                             R"("},"name":"g","accessRights":[)" + rights + "]}");
    }

    std::vector<std::string> m_Doors;
};

TEST_F(ConcurrencyTest, EveryConcurrentWriteSucceedsAndIsStored) {
    std::vector<std::vector<std::string>> failures(kClients);
    std::vector<std::thread> clients;
    for (int client = 0; client < kClients; ++client)
        clients.emplace_back(
            [this, client, &failures] { RunClient(std::to_string(client), failures[client]); });
    for (std::thread& client : clients)
        client.join();
    for (const auto& failed : failures)
        for (const std::string& failure : failed)
            ADD_FAILURE() << failure;

    // Every group, each with both its rights, as "external ID: number of rights".
    std::set<std::string> expected, stored;
    for (int client = 0; client < kClients; ++client)
        for (int group = 0; group < kGroups; ++group)
            expected.insert("g-" + std::to_string(client) + "-" + std::to_string(group) + ": 2");
    Access::TCDBAccessGroups groups;
    groups.SetEnableSelectExternalID(true);
    for (DB::TCDBIterator row = groups.SelectAll(); row.IsNotEnd(); row.Next())
        stored.insert(row.get_ExternalID().get_Value("<null>") + ": " +
                      std::to_string(Access::TCDBAccessGroupRights().SelectCount(
                          "*", Table_AccessGroupRights::ACCESSGROUP == row.get_ID())));
    EXPECT_EQ(expected, stored);
    EXPECT_EQ(kClients, System::TCDBWeekPrograms().SelectCount("*", DB::TCDBWhere()));
}

} // namespace
