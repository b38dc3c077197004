#include "support/ApiTestServer.h"

#include "ApiExpectations.h"

#include "DB/Tables/SystemTables.h"
#include "Property/AccessProp.h"
#include "Web/SelfSignedCertificate.h"

namespace ApiTest {

ApiTestServer::ApiTestServer(std::shared_ptr<KeynodeApi::KnaMain> api, const std::string& certificateDir,
                             int workerThreads)
    : m_Api(std::move(api)) {
    Web::ServerConfig config;
    config.http = {true, "127.0.0.1", 0};
    config.workerThreads = workerThreads;
    if (!certificateDir.empty()) {
        config.https = {true, "127.0.0.1", 0};
        config.certificateFile = certificateDir + "/server.crt";
        config.privateKeyFile = certificateDir + "/server.key";
        Web::ensureSelfSignedCertificate(config.certificateFile, config.privateKeyFile);
    }
    m_Server = std::make_unique<Web::Server>(config);
    m_Server->addResource(m_Api, "/api");
    m_Server->start();
}

ApiTestServer::~ApiTestServer() {
    m_Server->stop();
    m_Api->Stop();
}

Accessories::TCRecordID AddWeekProgramRow(const std::string& name, int type, int isSystem,
                                          const std::vector<Period>& periods, const std::string& externalID) {
    namespace WP = Table_CommonWeekPrograms;
    namespace P = Table_CommonWeekProgramPeriods;
    const Accessories::TCRecordID id =
        AddRow(System::TCDBWeekPrograms(), {&WP::NAME, &WP::TYPE, &WP::IS_SYSTEM}, {name, type, isSystem},
               externalID);
    for (const auto& [day, second, function] : periods)
        AddRow(System::TCDBWeekProgramPeriods(), {&P::LINKTO, &P::DAYNO, &P::STARTSEC, &P::FUNCTION},
               {id, day, second, function});
    return id;
}

void ApiHttpTest::StartServer(std::shared_ptr<KeynodeApi::KnaMain> api) {
    if (!api) api = std::make_shared<KeynodeApi::KnaMain>(1);
    m_Server = std::make_unique<ApiTestServer>(std::move(api));
}

void ApiHttpTest::EnableApi() {
    SetBoolSetting(AccessProp::GeneralWebApiSettings_Enabled, true);
    m_Server->Api().ReloadSettings();
}

HttpReply ApiHttpTest::Send(const HttpCall& call) {
    return SendHttp(m_Server->HttpPort(), call);
}

void AdminApiTest::SetUp() {
    m_Admin = AddAllMethodsUser("admin", "pw");
    StartServer();
    EnableApi();
}

HttpReply AdminApiTest::Call(const std::string& method, const std::string& path, const std::string& body,
                             const std::string& user) {
    return Send({method, "/api/v1" + path, "application/json", BasicAuthorization(user, "pw"), body});
}

int64_t AdminApiTest::Create(const std::string& path, const std::string& body) {
    const HttpReply reply = Call("POST", path, body);
    EXPECT_EQ(200, reply.Status) << body << " -> " << reply.Body;
    const size_t id = reply.Body.find("{\"id\":");
    return id == std::string::npos ? 0 : std::stoll(reply.Body.substr(reply.Body.find(':', id + 6) + 1));
}

void AdminApiTest::Succeeds(const std::string& method, const std::string& path, const std::string& body) {
    const HttpReply reply = Call(method, path, body);
    EXPECT_EQ(200, reply.Status) << method << " " << path << " " << body << " -> " << reply.Body;
    EXPECT_EQ("", reply.Body) << method << " " << path << " " << body;
}

std::string AdminApiTest::Stored(const std::string& path, const std::string& identity) {
    return Call("GET", path + "?id=" + UrlEncode(identity)).Body;
}

void AdminApiTest::ExpectRejected(const std::vector<Rejection>& cases,
                                  const std::function<std::string()>& state) {
    const std::string before = state();
    for (const Rejection& c : cases) {
        SCOPED_TRACE(c.Method + " " + c.Path + " " + c.Body);
        const HttpReply reply = Call(c.Method, c.Path, c.Body);
        EXPECT_EQ(c.Status, reply.Status);
        EXPECT_EQ(c.Expected, reply.Body);
        EXPECT_EQ(before, state());
    }
}

} // namespace ApiTest
