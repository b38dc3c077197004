// The request core driven directly, for what a loopback HTTP client cannot produce (remote client
// addresses, callers through the mail router, response-size limits, every kind of handler failure), and
// the service around it: handler map, settings, keynodes, endpoint table, mail requests, login throttle.
#include <gtest/gtest.h>

#include "Crypto/TCCryptoUtil.h"
#include "DB/TCDBRawSql.h"
#include "DB/Tables/SystemTables.h"
#include "DB/Tables/WebTables.h"
#include "Event/KeynodeWebApiEvents.h"
#include "Handlers/KnaBaseHandler.h"
#include "Host/TCException.h"
#include "Interface/KnaWebRequest_Http.h"
#include "Interface/KnaWebRequest_MailRouter.h"
#include "Interface/KnaWebResponse_Http.h"
#include "Interface/KnaWebResponse_MailRouter.h"
#include "JsonTypes/KnaJson_Error.h"
#include "JsonTypes/KnaJson_ErrorResult.h"
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
#include "support/ApiTestData.h"
#include "support/FakeWebExchange.h"
#include "Json/TCJsonParsingException.h"
#include <functional>
#include <stdexcept>

using namespace ApiTest;
using namespace KeynodeApi;
using KeynodeApi::KnaMain;

namespace {

const std::string kApiInfoBody = "{\"version\":{\"major\":0,\"minor\":9,\"revision\":4}}";

std::string ErrorBody(int code, const std::string& msg, const std::string& details = "") {
    return "{\"errors\":[{\"code\":" + std::to_string(code) + ",\"msg\":\"" + msg + "\",\"msgDetails\":\"" +
           details + "\"}]}";
}

std::string Detail(int detailID, const std::string& value) {
    return std::to_string(detailID) + "=" + value;
}

class PipelineCoreTest : public testing::Test {
protected:
    void SetUp() override { AddAllMethodsUser("admin", "secret"); }

    static FakeWebRequest HttpRequest(const std::string& path) {
        FakeWebRequest request;
        request.Path = path;
        request.Authorization = "Basic " + TCCryptoUtil::Base64Encode("admin:secret");
        return request;
    }

    static FakeWebResponse Run(KnaMain& api, FakeWebRequest& request) {
        FakeWebResponse response;
        api.HandleRequest(request, response);
        return response;
    }

    TestDataDir m_Data;
};

TEST_F(PipelineCoreTest, HttpsOnlyRefusesPlainHttpFromRemoteAddressesOnly) {
    WriteServerConfig("8443");
    SetBoolSetting(AccessProp::GeneralWebApiSettings_Enabled, true);
    SetBoolSetting(AccessProp::GeneralWebApiSettings_HTTPSOnlyIfEnabled, true);
    KnaMain api(1);
    api.ReloadSettings();
    ASSERT_FALSE(api.IsPlainHttpAllowed());

    FakeWebRequest remote = HttpRequest("/api/v1/info/api");
    remote.ClientAddress = "10.1.2.3";
    const int64_t before = LastEventID();
    FakeWebResponse refused = Run(api, remote);
    EXPECT_EQ(503, refused.Status);
    EXPECT_EQ(ErrorBody(1, "Unsecured http is not supported on local network. Use secure https."),
              refused.Body());
    EXPECT_EQ(1u, EventsAfter(before).size());

    remote.Scheme = "https";
    EXPECT_EQ(200, Run(api, remote).Status);
    // Only the exact lower-case scheme counts as plain HTTP.
    remote.Scheme = "HTTP";
    EXPECT_EQ(200, Run(api, remote).Status);

    std::vector<std::string> local = {"127.0.0.1", "0.0.0.0"};
    const std::string own = TCIPNetworkInterfaceSettings::GetInterfaceSettings("").Address.get_AsString();
    if (!own.empty()) local.push_back(own);
    for (const std::string& address : local) {
        FakeWebRequest request = HttpRequest("/api/v1/info/api");
        request.ClientAddress = address;
        FakeWebResponse response = Run(api, request);
        EXPECT_EQ(200, response.Status) << address;
        EXPECT_EQ(kApiInfoBody, response.Body());
    }
}

// A hash from the days of the costlier setting is replaced at the first login that proves the password,
// and the new one verifies from then on.
TEST_F(PipelineCoreTest, ASuccessfulLoginRehashesAPasswordOfTheOlderCost) {
    SetBoolSetting(AccessProp::GeneralWebApiSettings_Enabled, true);
    const auto storedHash = [] {
        Web::TCDBWebUsers users;
        return users.Select("*", Table_WebUsers::NAME == "admin")
            .Field(Table_WebUsers::PASSWORD_HASH)
            .get_AsString();
    };
    {
        Web::TCDBWebUsers users;
        auto admin = users.Select("*", Table_WebUsers::NAME == "admin");
        admin.Field(Table_WebUsers::PASSWORD_HASH)
            .set_AsString(TCCryptoUtil::DBWebUser_HashPassword("secret", {2, 64 * 1024 * 1024}));
        admin.Save();
    }
    const std::string older = storedHash();
    KnaMain api(1);
    api.ReloadSettings();

    FakeWebRequest wrong = HttpRequest("/api/v1/info/api");
    wrong.Authorization = "Basic " + TCCryptoUtil::Base64Encode("admin:wrong");
    EXPECT_EQ(401, Run(api, wrong).Status);
    EXPECT_EQ(older, storedHash());

    FakeWebRequest right = HttpRequest("/api/v1/info/api");
    EXPECT_EQ(200, Run(api, right).Status);
    const std::string rehashed = storedHash();
    EXPECT_NE(rehashed.find("$m=19456,t=2,"), std::string::npos) << rehashed;
    EXPECT_TRUE(TCCryptoUtil::DBWebUser_VerifyPassword("secret", rehashed));
    EXPECT_EQ(200, Run(api, right).Status);
    EXPECT_EQ(rehashed, storedHash());
}

TEST_F(PipelineCoreTest, PlainHttpStaysAllowedWithoutARealHttpsPort) {
    SetBoolSetting(AccessProp::GeneralWebApiSettings_Enabled, true);
    SetBoolSetting(AccessProp::GeneralWebApiSettings_HTTPSOnlyIfEnabled, true);
    KnaMain api(1);
    FakeWebRequest remote = HttpRequest("/api/v1/info/api");
    remote.ClientAddress = "10.1.2.3";

    // No settings file at all.
    api.ReloadSettings();
    EXPECT_EQ(200, Run(api, remote).Status);

    WriteServerConfig("");
    api.ReloadSettings();
    EXPECT_EQ(200, Run(api, remote).Status);

    // A port, but the HTTPS-only setting off.
    WriteServerConfig("8443");
    SetBoolSetting(AccessProp::GeneralWebApiSettings_HTTPSOnlyIfEnabled, false);
    api.ReloadSettings();
    EXPECT_EQ(200, Run(api, remote).Status);
}

TEST_F(PipelineCoreTest, MailRouterRequestsIgnoreTheHttpChecksButNeedCloudClaims) {
    AddWebUser({"plain", "pw", 1, 1, {11001}});
    AddWebUser({"cloud", "pw", {}, {}, {11001 + 10000}});
    const auto granted = AddWebUser({"granted", "pw", {}, {}, {}});
    AddCloudUser(granted, 4 | 1);
    const auto limited = AddWebUser({"limited", "pw", {}, {}, {}});
    AddCloudUser(limited, 3);
    KnaMain api(1); // API disabled: never reloaded

    FakeWebRequest request = FakeWebRequest::OverMailRouter("/api/v1/info/api", "cloud");
    FakeWebResponse served = Run(api, request);
    EXPECT_EQ(200, served.Status);
    EXPECT_EQ(kApiInfoBody, served.Body());

    // The web-user flags grant nothing to cloud callers, nor does a claim without the 10000 offset.
    request = FakeWebRequest::OverMailRouter("/api/v1/info/api", "plain");
    FakeWebResponse refused = Run(api, request);
    EXPECT_EQ(401, refused.Status);
    EXPECT_EQ(ErrorBody(1, "User plain is not allowed to perform requested operation"), refused.Body());

    request = FakeWebRequest::OverMailRouter("/api/v1/keynodes", "granted");
    EXPECT_EQ(200, Run(api, request).Status);
    request = FakeWebRequest::OverMailRouter("/api/v1/keynodes", "limited");
    EXPECT_EQ(401, Run(api, request).Status);

    request = FakeWebRequest::OverMailRouter("/api/v1/info/api", "nobody");
    FakeWebResponse unknown = Run(api, request);
    EXPECT_EQ(401, unknown.Status);
    EXPECT_EQ(ErrorBody(1, "Wrong username/password or API access not allowed"), unknown.Body());
}

TEST_F(PipelineCoreTest, ResponseSizeLimitAppliesToNonHttpCallers) {
    const auto granted = AddWebUser({"granted", "pw", {}, {}, {}});
    AddCloudUser(granted, 4);
    KnaMain api(1);
    const int size = static_cast<int>(kApiInfoBody.size());

    FakeWebRequest exact = FakeWebRequest::OverMailRouter("/api/v1/info/api", "granted");
    exact.MaxResponseSize = size;
    FakeWebResponse fits = Run(api, exact);
    EXPECT_EQ(200, fits.Status);
    EXPECT_EQ(kApiInfoBody, fits.Body());
    EXPECT_EQ(0, fits.ClearCount);

    FakeWebRequest tooSmall = FakeWebRequest::OverMailRouter("/api/v1/info/api", "granted");
    tooSmall.MaxResponseSize = size - 1;
    const int64_t before = LastEventID();
    FakeWebResponse refused = Run(api, tooSmall);
    EXPECT_EQ(403, refused.Status);
    EXPECT_EQ(1, refused.ClearCount);
    const std::string message = "Executed API call is resulting in response size of " + std::to_string(size) +
                                " which exceeds maximum allowed size of " + std::to_string(size - 1) +
                                " bytes. Please try again with query resulting in more narrow response.";
    EXPECT_EQ(ErrorBody(1, message), refused.Body());
    const auto events = EventsAfter(before);
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(KeynodeWebApi::Type_RequestFailed, events[0].Type);

    // HTTP callers have no limit, whatever the request claims.
    SetBoolSetting(AccessProp::GeneralWebApiSettings_Enabled, true);
    api.ReloadSettings();
    FakeWebRequest http = HttpRequest("/api/v1/info/api");
    http.MaxResponseSize = 1;
    FakeWebResponse unlimited = Run(api, http);
    EXPECT_EQ(200, unlimited.Status);
    EXPECT_EQ(0, unlimited.ClearCount);
}

// Runs a function in place of the API info endpoint.
class ScriptedHandler : public KeynodeApi::KnaBaseHandler {
public:
    explicit ScriptedHandler(std::function<void(KeynodeApi::KnaWebResponse&)> script)
        : m_Script(std::move(script)) {}
    void GetSupportedClaims(std::set<int>& claims) const override { claims.insert(11001); }
    void GET(const KeynodeApi::KnaWebRequest&, KeynodeApi::KnaWebResponse& response) override {
        m_Script(response);
    }

private:
    std::function<void(KeynodeApi::KnaWebResponse&)> m_Script;
};

class PipelineFailureTest : public PipelineCoreTest {
protected:
    struct Outcome {
        FakeWebResponse Response;
        std::vector<Event::TCEventRecord> Events;
    };

    Outcome RunWith(std::function<void(KeynodeApi::KnaWebResponse&)> script) {
        auto handlers = std::make_shared<KnaMain::HandlerMap>();
        (*handlers)[11001] = std::make_shared<ScriptedHandler>(std::move(script));
        KnaMain api(1, nullptr, handlers);
        SetBoolSetting(AccessProp::GeneralWebApiSettings_Enabled, true);
        api.ReloadSettings();
        FakeWebRequest request = HttpRequest("/api/v1/info/api");
        const int64_t before = LastEventID();
        Outcome outcome{Run(api, request), {}};
        outcome.Events = EventsAfter(before);
        return outcome;
    }
};

TEST_F(PipelineFailureTest, HandlerStatusIsReplacedBy200OnSuccess) {
    Outcome outcome = RunWith([](KeynodeApi::KnaWebResponse& response) {
        response.setStatus(201);
        response.out() << "{}";
    });
    EXPECT_EQ(200, outcome.Response.Status);
    EXPECT_EQ("{}", outcome.Response.Body());
    EXPECT_EQ("application/json", outcome.Response.MimeType);
    EXPECT_TRUE(outcome.Events.empty());
}

TEST_F(PipelineFailureTest, RuleViolationsAndParsingErrorsAnswer400) {
    Outcome rule = RunWith([](KeynodeApi::KnaWebResponse&) {
        throw KeynodeApi::KnaException(__FILE__, __LINE__, "Card id is required");
    });
    EXPECT_EQ(400, rule.Response.Status);
    EXPECT_EQ(ErrorBody(1, "Card id is required"), rule.Response.Body());

    Outcome formatted = RunWith([](KeynodeApi::KnaWebResponse&) {
        throw KeynodeApi::KnaException(__FILE__, __LINE__).FormatOverride("Missing parameter %s", "id");
    });
    EXPECT_EQ(ErrorBody(1, "Missing parameter id"), formatted.Response.Body());

    Outcome parsing = RunWith([](KeynodeApi::KnaWebResponse&) {
        throw KeynodeApi::KnaParsingException(__FILE__, __LINE__, "Expected JSON object");
    });
    EXPECT_EQ(400, parsing.Response.Status);
    EXPECT_EQ(ErrorBody(2, "Parsing error:Expected JSON object"), parsing.Response.Body());

    Outcome hostParsing = RunWith([](KeynodeApi::KnaWebResponse&) {
        throw TCJson::TCJsonParsingException(__FILE__, __LINE__, "Could not parse input, error: 1");
    });
    EXPECT_EQ(400, hostParsing.Response.Status);
    EXPECT_EQ(ErrorBody(2, "Parsing error:Could not parse input, error: 1"), hostParsing.Response.Body());

    for (const Outcome* outcome : {&rule, &formatted, &parsing, &hostParsing}) {
        ASSERT_EQ(1u, outcome->Events.size());
        EXPECT_EQ(KeynodeWebApi::Type_RequestFailed, outcome->Events[0].Type);
    }
    // The exception's full text (with its source location) goes to the event, never to the body.
    const auto details = DetailTexts(parsing.Events[0]);
    ASSERT_EQ(4u, details.size());
    EXPECT_EQ(Detail(KeynodeWebApi::Member_UserErrorCode, "2"), details[1]);
    EXPECT_EQ(Detail(KeynodeWebApi::Member_HttpErrorCode, "400"), details[2]);
    EXPECT_NE(std::string::npos, details[3].find("pipeline_test.cpp"));
}

TEST_F(PipelineFailureTest, CarriedErrorsChooseCodeAndStatusButNotTheEventType) {
    Outcome notFound = RunWith([](KeynodeApi::KnaWebResponse&) {
        throw KeynodeApi::KnaJsonErrorException(
            __FILE__, __LINE__,
            std::make_shared<KeynodeApi::KnaJson_Error>(3, "Records not found", "card 7"));
    });
    EXPECT_EQ(400, notFound.Response.Status);
    EXPECT_EQ(ErrorBody(3, "Records not found", "card 7"), notFound.Response.Body());
    ASSERT_EQ(1u, notFound.Events.size());
    EXPECT_EQ(KeynodeWebApi::Type_RequestFailed, notFound.Events[0].Type);
    const auto details = DetailTexts(notFound.Events[0]);
    ASSERT_EQ(5u, details.size());
    EXPECT_EQ(Detail(KeynodeWebApi::Member_UserErrorMessage, "Records not found"), details[0]);
    EXPECT_EQ(Detail(KeynodeWebApi::Member_UserErrorCode, "3"), details[1]);
    EXPECT_EQ(Detail(KeynodeWebApi::Member_HttpErrorCode, "400"), details[2]);
    EXPECT_EQ(Detail(KeynodeWebApi::Member_UserErrorDetails, "card 7"), details[3]);
    EXPECT_EQ(0u, details[4].find(std::to_string(KeynodeWebApi::Member_InternalError) + "="));

    Outcome general = RunWith([](KeynodeApi::KnaWebResponse&) {
        throw KeynodeApi::KnaJsonErrorException(
            __FILE__, __LINE__, std::make_shared<KeynodeApi::KnaJson_Error>(1, "general", ""));
    });
    EXPECT_EQ(500, general.Response.Status);
    ASSERT_EQ(1u, general.Events.size());
    EXPECT_EQ(KeynodeWebApi::Type_RequestFailed, general.Events[0].Type);
    EXPECT_EQ(Detail(KeynodeWebApi::Member_HttpErrorCode, "500"), DetailTexts(general.Events[0]).at(2));

    Outcome empty = RunWith([](KeynodeApi::KnaWebResponse&) {
        throw KeynodeApi::KnaJsonErrorException(__FILE__, __LINE__,
                                                std::shared_ptr<KeynodeApi::KnaJson_Error>());
    });
    EXPECT_EQ(500, empty.Response.Status);
    EXPECT_EQ(ErrorBody(1, "Internal error. Please notify vendor."), empty.Response.Body());
}

TEST_F(PipelineFailureTest, UnexpectedFailuresAreInternalErrors) {
    Outcome host =
        RunWith([](KeynodeApi::KnaWebResponse&) { throw TCException(__FILE__, __LINE__, "disk full"); });
    Outcome standard = RunWith([](KeynodeApi::KnaWebResponse&) { throw std::runtime_error("bad alloc"); });
    Outcome unknown = RunWith([](KeynodeApi::KnaWebResponse&) { throw 42; });

    const std::vector<std::pair<const Outcome*, std::string>> cases = {
        {&host, "disk full"}, {&standard, "bad alloc"}, {&unknown, "Unknown exception"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.second);
        EXPECT_EQ(500, c.first->Response.Status);
        EXPECT_EQ(ErrorBody(1, "Internal error. Please notify vendor."), c.first->Response.Body());
        ASSERT_EQ(1u, c.first->Events.size());
        EXPECT_EQ(KeynodeWebApi::Type_InternalError, c.first->Events[0].Type);
        const auto details = DetailTexts(c.first->Events[0]);
        ASSERT_EQ(4u, details.size());
        EXPECT_EQ(0u, details[3].find(std::to_string(KeynodeWebApi::Member_InternalError) + "="));
        EXPECT_NE(std::string::npos, details[3].find(c.second));
    }
}

TEST_F(PipelineFailureTest, LongMessagesAreWholeInTheBodyAndCutInTheEvent) {
    const std::string message(3000, 'm');
    Outcome outcome = RunWith(
        [&](KeynodeApi::KnaWebResponse&) { throw KeynodeApi::KnaException(__FILE__, __LINE__, message); });
    EXPECT_EQ(ErrorBody(1, message), outcome.Response.Body());
    ASSERT_EQ(1u, outcome.Events.size());
    EXPECT_EQ(message.substr(0, 1024), outcome.Events[0].Details.at(0).Value.get_Value());
}

TEST_F(PipelineFailureTest, MethodsAHandlerLacksFailAsNotImplemented) {
    class ClaimsOnly : public KeynodeApi::KnaBaseHandler {
    public:
        void GetSupportedClaims(std::set<int>& claims) const override { claims.insert(11001); }
    };
    auto handlers = std::make_shared<KnaMain::HandlerMap>();
    (*handlers)[11001] = std::make_shared<ClaimsOnly>();
    KnaMain api(1, nullptr, handlers);
    SetBoolSetting(AccessProp::GeneralWebApiSettings_Enabled, true);
    api.ReloadSettings();
    FakeWebRequest request = HttpRequest("/api/v1/info/api");
    FakeWebResponse response = Run(api, request);
    EXPECT_EQ(400, response.Status);
    EXPECT_EQ(ErrorBody(1, "Method GET not implemented"), response.Body());
}

TEST_F(PipelineCoreTest, EveryFailedCheckWritesExactlyOneEvent) {
    KnaMain api(1);
    FakeWebRequest request = HttpRequest("/api/v1/info/api");
    const int64_t before = LastEventID();
    FakeWebResponse response = Run(api, request); // disabled
    EXPECT_EQ(503, response.Status);
    const auto events = EventsAfter(before);
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ((std::vector<std::string>{Detail(KeynodeWebApi::Member_UserErrorMessage, "API is disabled"),
                                        Detail(KeynodeWebApi::Member_UserErrorCode, "1"),
                                        Detail(KeynodeWebApi::Member_HttpErrorCode, "503")}),
              DetailTexts(events[0]));
    EXPECT_TRUE(response.Headers.empty());
}

TEST_F(PipelineCoreTest, RepeatedWrongPasswordsThrottleThatUserFromThatAddressOnly) {
    SetBoolSetting(AccessProp::GeneralWebApiSettings_Enabled, true);
    Property::SetProperty(AccessProp::GeneralWebApiSettings_LoginThrottle_MaxFailures, "3",
                          Accessories::TCRecordID(), "api-test");
    KnaMain api(1);
    api.ReloadSettings();
    auto login = [&](const std::string& password, const std::string& address) {
        FakeWebRequest request = HttpRequest("/api/v1/info/api");
        request.Authorization = "Basic " + TCCryptoUtil::Base64Encode("admin:" + password);
        request.ClientAddress = address;
        return Run(api, request);
    };
    const int64_t before = LastEventID();
    for (int attempt = 0; attempt < 3; ++attempt)
        EXPECT_EQ(401, login("guess", "10.0.0.7").Status);
    // Now even the right password is refused from there, with the usual answer.
    const FakeWebResponse refused = login("secret", "10.0.0.7");
    EXPECT_EQ(401, refused.Status);
    EXPECT_EQ(ErrorBody(1, "Wrong username/password or API access not allowed"), refused.Body());
    EXPECT_EQ(200, login("secret", "10.0.0.8").Status);

    int throttled = 0;
    for (const Event::TCEventRecord& event : EventsAfter(before))
        throttled += event.Type == KeynodeWebApi::Type_LoginThrottled;
    EXPECT_EQ(1, throttled);
    EXPECT_GT(api.GetLoginThrottle().RemainingMs("admin", "10.0.0.7"), 0);
}

class PipelineServiceTest : public testing::Test {
protected:
    TestDataDir m_Data;
};

TEST_F(PipelineServiceTest, MajorVersionMakesThePrefixAndReachesEveryHandler) {
    KnaMain api(2);
    EXPECT_EQ("/api/v2", api.GetApiPrefix());
    EXPECT_EQ(2, api.GetApiMajorVersion());
    const auto handlers = api.GetHandlers();
    ASSERT_TRUE(handlers);
    // One entry per endpoint number of each default handler, all entries of a handler sharing it.
    std::set<const KeynodeApi::KnaBaseHandler*> distinct;
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
    EXPECT_EQ(1u, handlers->count(11001));
    EXPECT_EQ(1u, handlers->count(11002));
    EXPECT_THROW(KnaMain(0), TCAssertionException);
    EXPECT_THROW(KnaMain(-1), TCAssertionException);
}

class CountedHandler : public KeynodeApi::KnaBaseHandler {
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
    KnaMain api(3);
    int alive = 0;
    const auto handlers = api.GetHandlers();
    const size_t before = handlers->size();
    ASSERT_EQ(0u, handlers->count(90001) + handlers->count(90002));
    api.AddWebHandler(std::make_unique<CountedHandler>(std::set<int>{90001, 90002, 11002}, alive));
    EXPECT_EQ(before + 2, handlers->size());
    EXPECT_EQ(handlers->at(90001), handlers->at(90002));
    // The keynode handler's entry was replaced.
    EXPECT_EQ(handlers->at(90001), handlers->at(11002));
    EXPECT_EQ(3, handlers->at(90001)->GetApiMajorVersion());
    EXPECT_EQ(1, alive);

    try {
        api.AddWebHandler(std::make_unique<CountedHandler>(std::set<int>{}, alive));
        FAIL() << "a handler without endpoints was accepted";
    } catch (const TCAssertionException& e) {
        EXPECT_NE(std::string::npos,
                  std::string(e.what()).find("Web handler must have assigned at least one claim"));
    }
    EXPECT_EQ(1, alive);
    EXPECT_THROW(api.AddWebHandler(nullptr), TCAssertionException);
}

TEST_F(PipelineServiceTest, GivenHandlerMapIsUsedInsteadOfTheDefaults) {
    int alive = 0;
    auto handlers = std::make_shared<KnaMain::HandlerMap>();
    (*handlers)[11050] = std::make_shared<CountedHandler>(std::set<int>{11050}, alive);
    KnaMain api(4, nullptr, handlers);
    EXPECT_EQ(handlers, api.GetHandlers());
    EXPECT_EQ(1u, handlers->size());
    EXPECT_EQ(4, handlers->at(11050)->GetApiMajorVersion());
}

TEST_F(PipelineServiceTest, OnlyTheApiSettingsReloadTheService) {
    KnaMain api(1);
    ASSERT_FALSE(api.IsApiEnabled());
    SetBoolSetting(AccessProp::GeneralWebApiSettings_Enabled, true);

    const auto other = Property::GetProperty(AccessProp::GeneralWebApiSettings_EventWebHook_Enabled,
                                             Accessories::TCRecordID(), "api-test");
    api.OnPropertyChanges(Property::TENotificationType::Changed, other);
    EXPECT_FALSE(api.IsApiEnabled());

    const auto enabled = Property::GetProperty(AccessProp::GeneralWebApiSettings_Enabled,
                                               Accessories::TCRecordID(), "api-test");
    api.OnPropertyChanges(Property::TENotificationType::Changed, enabled);
    EXPECT_TRUE(api.IsApiEnabled());

    WriteServerConfig("8443");
    SetBoolSetting(AccessProp::GeneralWebApiSettings_HTTPSOnlyIfEnabled, true);
    const auto httpsOnly = Property::GetProperty(AccessProp::GeneralWebApiSettings_HTTPSOnlyIfEnabled,
                                                 Accessories::TCRecordID(), "api-test");
    api.OnPropertyChanges(Property::TENotificationType::Changed, httpsOnly);
    EXPECT_FALSE(api.IsPlainHttpAllowed());
}

TEST_F(PipelineServiceTest, UnsetOrUnreadableSettingsMeanDisabled) {
    KnaMain api(1);
    Property::SetProperty(AccessProp::GeneralWebApiSettings_Enabled, "maybe", Accessories::TCRecordID(),
                          "api-test");
    api.ReloadSettings();
    EXPECT_FALSE(api.IsApiEnabled());
    Property::SetProperty(AccessProp::GeneralWebApiSettings_Enabled, "true", Accessories::TCRecordID(),
                          "api-test");
    api.ReloadSettings();
    EXPECT_TRUE(api.IsApiEnabled());
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

Accessories::TCRecordID AddKeynode(const std::string& mac,
                                   const Accessories::TCNullTypes<std::string>& guid) {
    System::TCDBKeynodes keynodes;
    DB::TCDBAutoObject row;
    keynodes.CreateObject(row);
    row.Field(Table_SystemKeynodes::NAME).set_AsString("unit");
    if (!mac.empty()) row.Field(Table_SystemKeynodes::MAC).set_AsString(mac);
    row.Field(Table_SystemKeynodes::GUID).set_AsNullString(guid);
    row.Save();
    return row.get_ID();
}

TEST_F(PipelineServiceTest, KeynodeMacMapHoldsTheOwnMacOutsideSlaveMode) {
    const auto own = AddKeynode("00:11:22:33:44:55", std::string("guid-1"));
    System::TCDBKeynodes::set_OwnID(own);
    KnaMain api(1);
    api.ReloadKeynodes();
    const KnaMain::KeynodeMacMap expected = {{Accessories::TCRecordID(), OwnMac()}};
    EXPECT_EQ(expected, api.GetKeynodeMacMap());
    EXPECT_EQ(api.GetDoorInterface()->GetProxy(), &api);
    EXPECT_FALSE(api.GetDoorInterface()->IsViaMaster());
}

TEST_F(PipelineServiceTest, KeynodeMacMapInSlaveModeListsTheRowsOfTheOwnGuid) {
    DB::ExecuteSql("INSERT OR REPLACE INTO SystemSettings (NAME, VALUE) VALUES ('MasterSlaveMode', '2')");
    const auto own = AddKeynode("00:11:22:33:44:55", std::string("guid-1"));
    const auto sameGuid = AddKeynode("00:11:22:33:44:66", std::string("guid-1"));
    AddKeynode("", std::string("guid-1"));
    AddKeynode("00:11:22:33:44:77", std::string("guid-2"));
    System::TCDBKeynodes::set_OwnID(own);
    KnaMain api(1);
    api.ReloadKeynodes();
    const KnaMain::KeynodeMacMap expected = {{own, "00:11:22:33:44:55"}, {sameGuid, "00:11:22:33:44:66"}};
    EXPECT_EQ(expected, api.GetKeynodeMacMap());
    // A slave reaches its doors through the master.
    EXPECT_EQ(api.GetDoorInterface()->GetProxy(), &api);
    EXPECT_TRUE(api.GetDoorInterface()->IsViaMaster());

    // Without a GUID on the own row the map falls back to the own MAC.
    System::TCDBKeynodes::set_OwnID(AddKeynode("00:11:22:33:44:88", Accessories::TCNullTypes<std::string>()));
    api.ReloadKeynodes();
    const KnaMain::KeynodeMacMap fallback = {{Accessories::TCRecordID(), OwnMac()}};
    EXPECT_EQ(fallback, api.GetKeynodeMacMap());
}

struct Row {
    const KnaHandlerInfo* Info;
    int Number;
    const char* Path;
    KnaWebMethod Method;
};

const std::vector<Row>& EndpointTable() {
    static const std::vector<Row> rows = {
        {&KnaInfoApi_Handler_Info_GET, 11001, "/info/api", KnaWebMethod::GET},
        {&KnaKeynodes_Handler_Info_GET, 11002, "/keynodes", KnaWebMethod::GET},
        {&EventWebHook_Handler_Info_GET, 11020, "/events/webhook", KnaWebMethod::GET},
        {&EventWebHook_Handler_Info_POST, 11021, "/events/webhook", KnaWebMethod::POST},
        {&EventWebHook_Handler_Info_DELETE, 11022, "/events/webhook", KnaWebMethod::DELETE},
        {&KnaEventFilter_Handler_Info_POST, 11025, "/events/filter", KnaWebMethod::POST},
        {&EventWebHookTest_Handler_Info_POST, 11029, "/events/webhook/test", KnaWebMethod::POST},
        {&AccessGroup_Handler_Info_DELETE, 11032, "/access/accessGroups", KnaWebMethod::DELETE},
        {&AccessGroup_Handler_Info_GET, 11033, "/access/accessGroups", KnaWebMethod::GET},
        {&AccessGroup_Handler_Info_POST, 11034, "/access/accessGroups", KnaWebMethod::POST},
        {&AccessGroup_Handler_Info_PUT, 11035, "/access/accessGroups", KnaWebMethod::PUT},
        {&Card_Handler_Info_GET, 11036, "/access/cards", KnaWebMethod::GET},
        {&Card_Handler_Info_POST, 11037, "/access/cards", KnaWebMethod::POST},
        {&Card_Handler_Info_PUT, 11038, "/access/cards", KnaWebMethod::PUT},
        {&Card_Handler_Info_DELETE, 11039, "/access/cards", KnaWebMethod::DELETE},
        {&CardHolder_Handler_Info_GET, 11040, "/access/cardHolders", KnaWebMethod::GET},
        {&CardHolder_Handler_Info_POST, 11041, "/access/cardHolders", KnaWebMethod::POST},
        {&CardHolder_Handler_Info_PUT, 11042, "/access/cardHolders", KnaWebMethod::PUT},
        {&CardHolder_Handler_Info_DELETE, 11043, "/access/cardHolders", KnaWebMethod::DELETE},
        {&KnaCardFilter_Handler_Info_POST, 11044, "/access/cards/filter", KnaWebMethod::POST},
        {&KnaCardHolderFilter_Handler_Info_POST, 11048, "/access/cardHolders/filter", KnaWebMethod::POST},
        {&DoorFilter_Handler_Info_POST, 11049, "/config/doors/filter", KnaWebMethod::POST},
        {&Management_GetDoorStatus_Handler_Info_POST, 11050, "/management/doors/status", KnaWebMethod::POST},
        {&Management_Door_Handler_Info_POST, 11051, "/management/doors", KnaWebMethod::POST},
        {&Management_SimulateCardRead_Handler_Info_POST, 11052, "/management/simulatecardread",
         KnaWebMethod::POST},
        {&WeekProgram_Handler_Info_GET, 11055, "/config/weekprograms", KnaWebMethod::GET},
        {&WeekProgram_Handler_Info_POST, 11056, "/config/weekprograms", KnaWebMethod::POST},
        {&WeekProgram_Handler_Info_PUT, 11057, "/config/weekprograms", KnaWebMethod::PUT},
        {&WeekProgram_Handler_Info_DELETE, 11058, "/config/weekprograms", KnaWebMethod::DELETE},
        {&Holiday_Handler_Info_GET, 11059, "/config/holidays", KnaWebMethod::GET},
        {&Holiday_Handler_Info_POST, 11060, "/config/holidays", KnaWebMethod::POST},
        {&Holiday_Handler_Info_PUT, 11061, "/config/holidays", KnaWebMethod::PUT},
        {&Holiday_Handler_Info_DELETE, 11062, "/config/holidays", KnaWebMethod::DELETE},
    };
    return rows;
}

TEST(EndpointRegistryTest, HoldsExactlyTheEndpointTable) {
    const auto& registry = KnaHandlerInfo::GetInfoMapProtected();
    size_t registered = 0;
    for (const auto& entry : registry) {
        ASSERT_NE(nullptr, entry.second);
        registered += entry.second->size();
        for (const KnaHandlerInfo* info : *entry.second)
            EXPECT_EQ(entry.first, info->GetPath());
    }
    EXPECT_EQ(EndpointTable().size(), registered);

    for (const Row& row : EndpointTable()) {
        SCOPED_TRACE(row.Number);
        EXPECT_EQ(row.Number, row.Info->GetEndpointNumber());
        EXPECT_EQ(row.Path, row.Info->GetPath());
        EXPECT_EQ(row.Method, row.Info->GetMethod());
        const auto found = registry.find(row.Path);
        ASSERT_NE(registry.end(), found);
        EXPECT_EQ(1u, found->second->count(row.Info));
    }
}

TEST(EndpointRegistryTest, MethodNamesAndPhoneAppClaims) {
    EXPECT_EQ("GET", KnaHandlerInfo::GetWebMethodName(KnaWebMethod::GET));
    EXPECT_EQ("POST", KnaHandlerInfo::GetWebMethodName(KnaWebMethod::POST));
    EXPECT_EQ("PUT", KnaHandlerInfo::GetWebMethodName(KnaWebMethod::PUT));
    EXPECT_EQ("DELETE", KnaHandlerInfo::GetWebMethodName(KnaWebMethod::DELETE));
    EXPECT_EQ("", KnaHandlerInfo::GetWebMethodName(static_cast<KnaWebMethod>(4)));
    EXPECT_EQ("", KnaHandlerInfo::GetWebMethodName(static_cast<KnaWebMethod>(-1)));
    EXPECT_EQ((std::set<int>{11001, 11002, 11049, 11050, 11051}),
              KnaHandlerInfo::CLAIMS_FOR_REMOTE_PHONE_APP);
}

Web::Request MakeWebRequest(const std::string& query) {
    Web::Request request;
    request.setPath("/api", "/v1/access/cards");
    request.setMethod("DELETE");
    request.setUrlScheme("https");
    request.setQueryString(query);
    request.addHeader("authorization", "Basic abc");
    request.addHeader("Content-Type", "application/json");
    request.setClientAddress("192.0.2.7");
    request.setBody("{\"a\":1}");
    return request;
}

std::string ExceptionMessage(const std::function<void()>& action) {
    try {
        action();
    } catch (const KnaException& e) {
        return e.GetMessage();
    }
    return "<no exception>";
}

TEST(HttpRequestTest, ForwardsTheServerRequestWithTheFullPath) {
    const Web::Request webRequest = MakeWebRequest("id=3&name=x%20y");
    KnaWebRequest_Http request(webRequest);
    EXPECT_EQ("/api/v1/access/cards", request.path());
    EXPECT_EQ("DELETE", request.method());
    EXPECT_EQ("https", request.urlScheme());
    EXPECT_EQ("id=3&name=x%20y", request.queryString());
    EXPECT_EQ("Basic abc", request.authorizationHeaderValue());
    EXPECT_EQ("application/json", request.contentType());
    EXPECT_EQ("192.0.2.7", request.clientAddress());
    EXPECT_EQ(2u, request.getParameterCount());
    ASSERT_NE(nullptr, request.getParameter("name"));
    EXPECT_EQ("x y", *request.getParameter("name"));
    EXPECT_EQ(nullptr, request.getParameter("other"));
    std::string body;
    std::getline(request.in(), body);
    EXPECT_EQ("{\"a\":1}", body);

    EXPECT_TRUE(request.IsOverHttp());
    EXPECT_FALSE(request.IsOverMailRouter());
    EXPECT_TRUE(request.MustVerifyPassword());
    EXPECT_FALSE(request.VerifyCloudWebApiRights());
    EXPECT_FALSE(request.EnforceRecordRights());
    EXPECT_EQ(0, request.GetMaxAcceptableResponseSizeBytes());
    EXPECT_EQ("Web API", request.GetSourceModule());

    EXPECT_TRUE(request.GetUserID().IsNull());
    request.SetUserID(Accessories::TCRecordID(9));
    request.SetUserName("admin");
    EXPECT_EQ(Accessories::TCRecordID(9), request.GetUserID());
    EXPECT_EQ("admin", request.GetUserName());
}

TEST(HttpResponseTest, ForwardsToTheServerResponseAndCannotBeCleared) {
    Web::Response webResponse;
    KnaWebResponse_Http response(webResponse);
    response.setStatus(418);
    response.setMimeType("application/json");
    response.addHeader("X-One", "1");
    response.out() << "12345";
    EXPECT_EQ(418, webResponse.status());
    EXPECT_EQ("application/json", webResponse.mimeType());
    EXPECT_EQ((Web::Response::Headers{{"X-One", "1"}}), webResponse.headers());
    EXPECT_EQ(5, response.GetResponseSizeBytes());
    EXPECT_EQ("This method should never be called - not implemented",
              ExceptionMessage([&] { response.ClearOutput(); }));
    EXPECT_EQ("12345", webResponse.body());
}

TEST(BaseHandlerTest, QueryParameterAssertions) {
    const Web::Request repeated = MakeWebRequest("id=1&id=2");
    const Web::Request two = MakeWebRequest("id=1&name=x");
    const Web::Request none = MakeWebRequest("");
    KnaWebRequest_Http repeatedRequest(repeated), twoRequest(two), noneRequest(none);

    // A repeated name is one parameter.
    EXPECT_EQ(1u, KnaBaseHandler::AssertMaxOneQueryParam(repeatedRequest));
    EXPECT_NO_THROW(KnaBaseHandler::AssertSingleQueryParam(repeatedRequest));
    EXPECT_EQ("1", KnaBaseHandler::GetAssertQueryParam(repeatedRequest, "id"));

    EXPECT_EQ("Maximum one parameter is allowed",
              ExceptionMessage([&] { KnaBaseHandler::AssertMaxOneQueryParam(twoRequest); }));
    EXPECT_EQ("Expected single parameter",
              ExceptionMessage([&] { KnaBaseHandler::AssertSingleQueryParam(twoRequest); }));

    EXPECT_EQ(0u, KnaBaseHandler::AssertMaxOneQueryParam(noneRequest));
    EXPECT_EQ("Expected single parameter",
              ExceptionMessage([&] { KnaBaseHandler::AssertSingleQueryParam(noneRequest); }));
    EXPECT_EQ("Missing parameter id",
              ExceptionMessage([&] { KnaBaseHandler::GetAssertQueryParam(noneRequest, "id"); }));
}

class NoMethods : public KnaBaseHandler {
public:
    void GetSupportedClaims(std::set<int>& claims) const override { claims.insert(1); }
};

TEST(BaseHandlerTest, MethodsNotOverriddenFailWithTheirName) {
    NoMethods handler;
    ApiTest::FakeWebRequest request;
    ApiTest::FakeWebResponse response;
    EXPECT_EQ("Method GET not implemented",
              ExceptionMessage([&] { KnaBaseHandler::Handle_GET(handler, request, response); }));
    EXPECT_EQ("Method POST not implemented",
              ExceptionMessage([&] { KnaBaseHandler::Handle_POST(handler, request, response); }));
    EXPECT_EQ("Method PUT not implemented",
              ExceptionMessage([&] { KnaBaseHandler::Handle_PUT(handler, request, response); }));
    EXPECT_EQ("Method DELETE not implemented",
              ExceptionMessage([&] { KnaBaseHandler::Handle_DELETE(handler, request, response); }));
    EXPECT_EQ(1, handler.GetApiMajorVersion());
}

TEST(BaseHandlerTest, ResponseHelpersWriteStatusHeaderAndErrorBody) {
    ApiTest::FakeWebResponse unauthorized;
    KnaBaseHandler::SetResponseHeader_Unauthorized(unauthorized);
    ASSERT_EQ(1u, unauthorized.Headers.size());
    EXPECT_EQ("WWW-Authenticate", unauthorized.Headers[0].first);
    EXPECT_EQ("Basic realm=KeynodeApi charset=UTF-8", unauthorized.Headers[0].second);

    ApiTest::FakeWebResponse byDefault;
    KnaBaseHandler::SetResponseError(byDefault, KnaJson_Error(), 500);
    EXPECT_EQ(500, byDefault.Status);
    EXPECT_EQ("{\"errors\":[{\"code\":1,\"msg\":\"Unspecified\",\"msgDetails\":\"\"}]}", byDefault.Body());

    ApiTest::FakeWebResponse empty;
    KnaBaseHandler::SetResponseError(empty, KnaJson_ErrorResult(), 400);
    EXPECT_EQ(400, empty.Status);
    EXPECT_EQ("{\"errors\":[]}", empty.Body());

    ApiTest::FakeWebResponse shared;
    KnaBaseHandler::SetResponseError(shared, std::make_shared<KnaJson_Error>(2, "a\"b", "d"), 400);
    EXPECT_EQ("{\"errors\":[{\"code\":2,\"msg\":\"a\\\"b\",\"msgDetails\":\"d\"}]}", shared.Body());
}

struct ParamCase {
    const char* what;
    std::string document; // decoded; "" sends an empty field
    unsigned count;
    const char* id; // expected getParameter("id"); nullptr for none
};

TEST(MailRequestTest, QueryParametersFollowTheFirstEntryWithAValue) {
    const std::string one = TCCryptoUtil::Base64Encode("1"), two = TCCryptoUtil::Base64Encode("2");
    const ParamCase cases[] = {
        {"empty field", "", 0, nullptr},
        {"empty list", R"({"params":[]})", 0, nullptr},
        {"value decoded", R"({"params":[{"name":"id","value_b64":")" + one + R"("}]})", 1, "1"},
        {"null value is invisible", R"({"params":[{"name":"id","value_b64":null}]})", 1, nullptr},
        {"absent value is invisible", R"({"params":[{"name":"id"}]})", 1, nullptr},
        {"first with a value wins",
         R"({"params":[{"name":"id"},{"name":"id","value_b64":")" + one + R"("},{"name":"id","value_b64":")" +
             two + R"("}]})",
         3, "1"},
        {"names match exactly", R"({"params":[{"name":"ID","value_b64":")" + one + R"("}]})", 1, nullptr},
    };
    for (const ParamCase& c : cases) {
        TCWebApiRequestData data;
        data.QueryParams = c.document.empty() ? "" : TCCryptoUtil::Base64Encode(c.document);
        const KnaWebRequest_MailRouter request(data);
        EXPECT_EQ(request.getParameterCount(), c.count) << c.what;
        const std::string* id = request.getParameter("id");
        EXPECT_EQ(id ? *id : std::string("<none>"), c.id ? c.id : "<none>") << c.what;
    }
}

TEST(MailRequestTest, ResponseSizeIsTheBase64Length) {
    KeynodeApi::KnaWebResponse_MailRouter response;
    response.out() << std::string(30, 'x');
    EXPECT_EQ(response.GetResponseSizeBytes(), 40);
    response.ClearOutput();
    EXPECT_EQ(response.GetResponseSizeBytes(), 0);
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

TEST(MailRecordTest, RecordTypesFitTheirClassesOnly) {
    TCKnmsMessage mail(Access::Knms_DoorStatusMail, KNMS_SIGNAL_DATA, KNMS_MARKER_NOTICE);
    mail.AddRecord(1).Field(0) = 3;
    mail.AddRecord(9);
    TCKnmsMailMessage<Access::TCKnmsDoorStatusObject> doors;
    doors.Copy(mail);
    EXPECT_EQ(doors.get(0).size(), size_t(Access::TCKnmsDoorStatusObject::FIELD_COUNT));
    EXPECT_EQ(doors.get(1).size(), size_t(Access::TCKnmsDoorStatusObject::FIELD_COUNT));
    EXPECT_EQ(doors.get(0).Field(0).get_AsInteger(), 3);

    TCKnmsMailMessage<KeynodeApi::TCKnmsWebApiRequestObject> api;
    try {
        api.Copy(mail);
        ADD_FAILURE() << "no exception";
    } catch (const TCException& e) {
        EXPECT_EQ(e.GetHostMessage(), "SignalType 1 and Signalname 3101 have no associated records");
    }
}

TEST(MailRecordTest, PeersAreTheOwnUserOrOfTheAllowedPrimaryGroup) {
    const struct {
        uid_t uid;
        gid_t gid;
        long allowedGroup;
        bool allowed;
    } cases[] = {
        {1000, 1000, -1, true}, {1001, 1000, -1, false}, {0, 0, -1, false},
        {1001, 50, 50, true},   {1001, 51, 50, false},
    };
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
    EXPECT_EQ(0, Fail(9));
    EXPECT_FALSE(m_Throttle.IsThrottled("admin", "10.0.0.1"));
    EXPECT_EQ(1, Fail(1));
    EXPECT_EQ(KnaLoginThrottle::FIRST_BACKOFF_MS, m_Throttle.RemainingMs("admin", "10.0.0.1"));
    // Attempts while throttled neither count nor lengthen it; other pairs are not touched.
    EXPECT_EQ(0, Fail(50));
    EXPECT_EQ(KnaLoginThrottle::FIRST_BACKOFF_MS, m_Throttle.RemainingMs("admin", "10.0.0.1"));
    EXPECT_FALSE(m_Throttle.IsThrottled("admin", "10.0.0.2"));
    EXPECT_FALSE(m_Throttle.IsThrottled("other", "10.0.0.1"));

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
}

TEST_F(LoginThrottleTest, FailuresFurtherApartThanTheWindowDoNotAddUp) {
    m_Throttle.Configure(3, 60);
    EXPECT_EQ(0, Fail(2));
    m_Now += 61'000;
    EXPECT_EQ(0, Fail(2));
    EXPECT_EQ(1, Fail(1));
    // Settings below 1 fall back to the defaults.
    m_Throttle.Configure(0, -5);
    m_Now += KnaLoginThrottle::MAX_BACKOFF_MS;
    EXPECT_EQ(0, Fail(KnaLoginThrottle::DEFAULT_MAX_FAILURES - 1, "10.0.0.9"));
    EXPECT_EQ(1, Fail(1, "10.0.0.9"));
}

TEST_F(LoginThrottleTest, AFloodOfPairsStaysBoundedAndKeepsThrottledPairs) {
    EXPECT_EQ(1, Fail(10, "10.0.0.1"));
    for (int i = 0; i < int(KnaLoginThrottle::MAX_PAIRS) * 2; ++i)
        Fail(1, "192.0.2.1", "user" + std::to_string(i));
    EXPECT_LE(m_Throttle.PairCount(), KnaLoginThrottle::MAX_PAIRS);
    EXPECT_TRUE(m_Throttle.IsThrottled("admin", "10.0.0.1"));
}

} // namespace
