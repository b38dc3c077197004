// The endpoint table, the handler base class and the HTTP request/response variants.
#include <gtest/gtest.h>

#include "Handlers/KnaBaseHandler.h"
#include "Interface/KnaWebRequest_Http.h"
#include "Interface/KnaWebResponse_Http.h"
#include "JsonTypes/KnaJson_ErrorResult.h"
#include "KnaException.h"
#include "KnaHandlerInfo.h"
#include "Web/Request.h"
#include "Web/Response.h"
#include "support/FakeWebExchange.h"

using namespace KeynodeApi;

namespace {

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

TEST(EndpointRegistryTest, PathsAreMatchedExactly) {
    const auto& registry = KnaHandlerInfo::GetInfoMapProtected();
    EXPECT_EQ(4u, registry.at("/access/cards")->size());
    EXPECT_EQ(1u, registry.at("/access/cards/filter")->size());
    EXPECT_EQ(3u, registry.at("/events/webhook")->size());
    EXPECT_EQ(0u, registry.count("/access/cards/"));
    EXPECT_EQ(0u, registry.count("/Access/Cards"));
    EXPECT_EQ(0u, registry.count(""));
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

} // namespace
