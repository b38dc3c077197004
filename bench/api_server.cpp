// A keynoded for load tests: a fresh data directory with one API user (also a cloud account with every
// right, for the mail road), the API service mounted at /api and, beside it on the same server, a bare
// resource at /bare that answers without any API work. The two together show what the request pipeline
// costs on top of the web server. The mail router runs too, for bench_mail_client.
#include <csignal>
#include <filesystem>
#include <iostream>

#include "Crypto/TCCryptoUtil.h"
#include "DB/Tables/WebTables.h"
#include "DataDir.h"
#include "KnaMain.h"
#include "Mail/TCKnmsRouter.h"
#include "Mail/TCKnmsServiceProxy.h"
#include "Property/AccessProp.h"
#include "Property/TCProperties.h"
#include "Web/Request.h"
#include "Web/Resource.h"
#include "Web/Response.h"
#include "Web/Server.h"

namespace {

class BareResource : public Web::Resource {
public:
    void handleRequest(const Web::Request&, Web::Response& response) override {
        response.setMimeType("application/json");
        response.out() << R"({"version":{"major":0,"minor":9,"revision":4}})";
    }
};

void addUser(const std::string& name, const std::string& password) {
    Web::TCDBWebUsers users;
    DB::TCDBAutoObject user;
    users.CreateObject(user);
    user.Field(Table_WebUsers::NAME).set_AsString(name);
    user.Field(Table_WebUsers::PASSWORD_HASH).set_AsString(TCCryptoUtil::DBWebUser_HashPassword(password));
    user.Field(Table_WebUsers::ALLOW_WEB_API_ACCESS).set_AsInteger(1);
    user.Field(Table_WebUsers::ALLOW_WEB_API_ACCESS_ALL_METHODS).set_AsInteger(1);
    user.Save(false);
    Web::TCDBWebCloudUsers cloudUsers;
    DB::TCDBAutoObject cloudUser;
    cloudUsers.CreateObject(cloudUser);
    cloudUser.Field(Table_WebCloudUsers::NAME).set_AsString(name + "-cloud");
    cloudUser.Field(Table_WebCloudUsers::WEB_USER_LINK)
        .set_AsRecordID(user.Field(Table_WebUsers::ID).get_AsRecordID());
    cloudUser.Field(Table_WebCloudUsers::AZURE_RIGHTS).set_AsInteger(4);
    cloudUser.Save(false);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: bench_api_server DATA_DIR WORKERS\n";
        return 2;
    }
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::filesystem::remove_all(argv[1]);
    keynode::DataDir dir(argv[1]);
    dir.open(true);
    addUser("bench", "bench-password");
    Property::SetProperty(AccessProp::GeneralWebApiSettings_Enabled, "1", {}, "bench");

    Web::ServerConfig config;
    config.workerThreads = unsigned(std::stoi(argv[2]));
    TCKnmsRouterConfig mailConfig;
    mailConfig.socketPath = TCKnmsServiceProxy::DefaultSocketPath();
    TCKnmsRouter mailRouter(mailConfig);
    mailRouter.Start();
    Web::Server server(config);
    auto api = std::make_shared<KeynodeApi::KnaMain>(1);
    server.addResource(api, "/api");
    server.addResource(std::make_shared<BareResource>(), "/bare");
    server.start();
    api->StartThread();
    while (!api->IsApiEnabled())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::cout << "http listening on 127.0.0.1:" << server.httpPort() << std::endl;
    std::cout << "mail router listening on " << mailConfig.socketPath << std::endl;

    int received = 0;
    sigwait(&signals, &received);
    server.stop();
    api->Stop();
    mailRouter.Stop();
    return 0;
}
