// The request core driven directly, for what a loopback HTTP client cannot produce: remote client
// addresses, callers that come through the mail router, response-size limits and every kind of failure
// a handler can raise.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "Crypto/TCCryptoUtil.h"
#include "DB/Tables/WebTables.h"
#include "Event/KeynodeWebApiEvents.h"
#include "Handlers/KnaBaseHandler.h"
#include "JsonTypes/KnaJson_Error.h"
#include "KnaException.h"
#include "KnaLoginThrottle.h"
#include "KnaMain.h"
#include "Net/TCIPNetworkInterfaceSettings.h"
#include "Property/AccessProp.h"
#include "Property/TCProperties.h"
#include "support/ApiTestData.h"
#include "support/FakeWebExchange.h"
#include "Json/TCJsonParsingException.h"

using namespace ApiTest;
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
    EXPECT_NE(std::string::npos, details[3].find("pipeline_core_test.cpp"));
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

} // namespace

namespace {

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

} // namespace
