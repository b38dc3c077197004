// keynoded: serves the Web API of one data directory over HTTP and HTTPS until SIGINT or SIGTERM.
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include <systemd/sd-daemon.h>

#include "Access/TCDoorService.h"
#include "Config/TCHostPaths.h"
#include "DataDir.h"
#include "Debug/TCDebug.h"
#include "HealthResource.h"
#include "KnaMain.h"
#include "Log.h"
#include "Mail/TCKnmsRouter.h"
#include "Mail/TCKnmsServiceProxy.h"
#include "OpenApiResource.h"
#include "Options.h"
#include "RequestLog.h"
#include "SocketProbe.h"
#include "Web/SelfSignedCertificate.h"
#include "Web/Server.h"

using keynoded::logLine;
using keynoded::Priority;

namespace {

// Where the web server settings live on the unit; the API reads "https-port" from it.
const char* const kServerConfigPath = "/usr/caldrix/web/settings/server_config.txt";

// Records the HTTPS port where the API looks for it (it refuses plain HTTP from remote callers only
// when HTTPS is really there).
void writeServerConfig(int httpsPort) {
    std::string path = TCHostPaths::Resolve(kServerConfigPath);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::trunc);
    out << "# written by keynoded at start-up\n";
    out << "https-port = " << (httpsPort > 0 ? std::to_string(httpsPort) : std::string()) << "\n";
}

// KEYNODE_DEBUG wins over the configuration file.
void applyDebugSetting(const std::string& fromFile) {
    const char* debug = std::getenv("KEYNODE_DEBUG");
    SetDebugLevelsFromText(debug ? debug : fromFile);
}

} // namespace

int main(int argc, char** argv) {
    keynoded::Options options;
    if (!keynoded::parseOptions(argc, argv, options)) return 2;
    keynoded::routeDebugOutputToLog();
    applyDebugSetting(options.debug);

    // Signals are taken by sigwait below; block them before any thread starts so none of them gets one.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    try {
        logLine(Priority::Info,
                "starting on data directory " + options.dataDir +
                    (options.configFile.empty() ? "" : ", configuration " + options.configFile));
        keynode::DataDir dataDir(options.dataDir);
        dataDir.open(true);

        Web::ServerConfig config;
        config.workerThreads = options.workers;
        config.http = {options.httpPort >= 0, options.listen,
                       static_cast<uint16_t>(std::max(options.httpPort, 0))};
        config.https = {options.httpsPort >= 0, options.listen,
                        static_cast<uint16_t>(std::max(options.httpsPort, 0))};
        if (config.https.enabled) {
            config.certificateFile =
                options.certificate.empty() ? dataDir.certificateFile() : options.certificate;
            config.privateKeyFile =
                options.privateKey.empty() ? dataDir.privateKeyFile() : options.privateKey;
            if (options.certificate.empty() && options.privateKey.empty())
                Web::ensureSelfSignedCertificate(config.certificateFile, config.privateKeyFile);
        }
        config.errorLog = [](const std::string& text) { logLine(Priority::Error, text); };

        // The API registers with it as "@keynodeweb.webapi".
        TCKnmsRouterConfig mailConfig;
        mailConfig.socketPath = TCKnmsServiceProxy::DefaultSocketPath();
        mailConfig.stallTimeoutMs = options.mailStallTimeoutMs;
        mailConfig.allowedGroup = keynoded::groupID(options.mailAllowedGroup);
        mailConfig.log = [](const std::string& text) { logLine(Priority::Warning, text); };
        TCKnmsRouter mailRouter(mailConfig);

        Web::Server server(config);
        auto api = std::make_shared<KeynodeApi::KnaMain>(1);
        server.addResource(std::make_shared<keynoded::RequestLog>(api), "/api");
        server.addResource(std::make_shared<keynoded::OpenApiResource>(), "/openapi.json");
        const std::string databaseFile = dataDir.databaseFile(), mailSocket = mailConfig.socketPath;
        server.addResource(
            std::make_shared<keynoded::HealthResource>(
                std::vector<std::pair<std::string, keynoded::HealthResource::Check>>{
                    {"database", [databaseFile] { return keynoded::databaseAnswers(databaseFile); }},
                    {"serviceThread", [api] { return api->IsRunning(); }},
                    {"mailRouter", [mailSocket] { return keynode::socketAccepts(mailSocket); }}}),
            "/health");
        server.start();
        // After the listeners, so that a second daemon on the same data directory is told about its
        // port first. The API's proxy registers within moments of the router being up.
        mailRouter.Start();
        // The doors are reached only through the router, as the API reaches them.
        Access::TCDoorService doorService;
        doorService.Start();
        writeServerConfig(config.https.enabled ? server.httpsPort() : 0);
        // Settings are read here once more, so that the API is enabled when the listening lines are out
        // (the service thread reads them too, but a moment later).
        api->ReloadSettings();
        api->StartThread();

        std::vector<std::string> listeners;
        if (config.http.enabled)
            listeners.push_back("http listening on " + options.listen + ":" +
                                std::to_string(server.httpPort()));
        if (config.https.enabled)
            listeners.push_back("https listening on " + options.listen + ":" +
                                std::to_string(server.httpsPort()));
        listeners.push_back("mail router listening on " + mailConfig.socketPath);
        for (const auto& line : listeners) {
            std::cout << line << "\n";
            logLine(Priority::Info, line);
        }
        std::cout.flush();
        sd_notify(0, "READY=1");

        int received = 0;
        while (sigwait(&signals, &received) == 0 && received == SIGHUP) {
            applyDebugSetting(keynoded::readDebugSetting(options.configFile));
            logLine(Priority::Info, "SIGHUP, debug categories re-read");
        }
        sd_notify(0, "STOPPING=1");
        logLine(Priority::Info, std::string(received == SIGINT ? "SIGINT" : "SIGTERM") + ", stopping");
        server.stop(); // requests in flight finish first
        api->Stop();
        doorService.Stop();
        mailRouter.Stop();
        logLine(Priority::Info, "stopped");
        return 0;
    } catch (const std::exception& e) {
        logLine(Priority::Error, e.what());
        return 1;
    }
}
