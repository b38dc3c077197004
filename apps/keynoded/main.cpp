// keynoded: serves the Web API of one data directory over HTTP and HTTPS until SIGINT or SIGTERM.
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include <boost/program_options.hpp>
#include <grp.h>

#include "Access/TCDoorService.h"
#include "Config/TCHostPaths.h"
#include "DataDir.h"
#include "Debug/TCDebug.h"
#include "KnaMain.h"
#include "Mail/TCKnmsRouter.h"
#include "Mail/TCKnmsServiceProxy.h"
#include "Web/SelfSignedCertificate.h"
#include "Web/Server.h"

namespace po = boost::program_options;

namespace {

// Where the web server settings live on the unit; the API reads "https-port" from it.
const char* const kServerConfigPath = "/usr/caldrix/web/settings/server_config.txt";

struct Options {
    std::string dataDir;
    std::string listen = "127.0.0.1";
    int httpPort = 8080;
    int httpsPort = 8443;
    unsigned workers = 4;
    std::string certificate, privateKey;
    std::string mailAllowedGroup;
    int mailStallTimeoutMs = 5000;
};

// A group name or number; -1 for none. Throws po::error for an unknown group.
long groupID(const std::string& text) {
    if (text.empty()) return -1;
    if (text.find_first_not_of("0123456789") == std::string::npos) {
        if (text.size() > 9) throw po::error("group number out of range");
        return std::stol(text);
    }
    const struct group* found = ::getgrnam(text.c_str());
    if (found == nullptr) throw po::error("unknown group '" + text + "'");
    return static_cast<long>(found->gr_gid);
}

bool parseOptions(int argc, char** argv, Options& o) {
    po::options_description desc("Usage: keynoded --data-dir DIR [options]\nOptions");
    desc.add_options()("help,h", "show this help")("data-dir", po::value(&o.dataDir)->required(),
                                                   "data directory (made on first start)")(
        "listen", po::value(&o.listen)->default_value(o.listen), "address to listen on")(
        "http-port", po::value(&o.httpPort)->default_value(o.httpPort),
        "HTTP port, 0 picks a free one, -1 disables")("https-port",
                                                      po::value(&o.httpsPort)->default_value(o.httpsPort),
                                                      "HTTPS port, 0 picks a free one, -1 disables")(
        "workers", po::value(&o.workers)->default_value(o.workers), "worker threads of the web server")(
        "cert", po::value(&o.certificate),
        "PEM certificate (default: DIR/tls/server.crt, made when missing)")(
        "key", po::value(&o.privateKey), "PEM private key (default: DIR/tls/server.key)")(
        "mail-allowed-group", po::value(&o.mailAllowedGroup),
        "besides the daemon's own user, processes of this primary group may use the mail router")(
        "mail-stall-timeout", po::value(&o.mailStallTimeoutMs)->default_value(o.mailStallTimeoutMs),
        "ms a mail-router peer may take to finish a frame it started");
    po::variables_map vm;
    try {
        po::store(po::parse_command_line(argc, argv, desc), vm);
        if (vm.count("help")) {
            std::cout << desc << "\n";
            std::exit(0);
        }
        po::notify(vm);
        auto validPort = [](int p) { return p >= -1 && p <= 65535; };
        if (!validPort(o.httpPort) || !validPort(o.httpsPort)) throw po::error("ports are -1 to 65535");
        if (o.httpPort < 0 && o.httpsPort < 0)
            throw po::error("at least one of HTTP and HTTPS must be enabled");
        if (o.workers < 1 || o.workers > 256) throw po::error("--workers must be 1 to 256");
        if (o.mailStallTimeoutMs < 10 || o.mailStallTimeoutMs > 600000)
            throw po::error("--mail-stall-timeout must be 10 to 600000");
        groupID(o.mailAllowedGroup);
    } catch (const po::error& e) {
        std::cerr << "keynoded: " << e.what() << "\n" << desc << "\n";
        return false;
    }
    return true;
}

// Records the HTTPS port where the API looks for it (it refuses plain HTTP from remote callers only
// when HTTPS is really there).
void writeServerConfig(int httpsPort) {
    std::string path = TCHostPaths::Resolve(kServerConfigPath);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::trunc);
    out << "# written by keynoded at start-up\n";
    out << "https-port = " << (httpsPort > 0 ? std::to_string(httpsPort) : std::string()) << "\n";
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) return 2;
    if (const char* debug = std::getenv("KEYNODE_DEBUG")) SetDebugLevelsFromText(debug);

    // Signals are taken by sigwait below; block them before any thread starts so none of them gets one.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    try {
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
        config.errorLog = [](const std::string& text) { std::cerr << "keynoded: " << text << "\n"; };

        // The API registers with it as "@keynodeweb.webapi".
        TCKnmsRouterConfig mailConfig;
        mailConfig.socketPath = TCKnmsServiceProxy::DefaultSocketPath();
        mailConfig.stallTimeoutMs = options.mailStallTimeoutMs;
        mailConfig.allowedGroup = groupID(options.mailAllowedGroup);
        mailConfig.log = [](const std::string& text) { std::cerr << "keynoded: " << text << "\n"; };
        TCKnmsRouter mailRouter(mailConfig);

        Web::Server server(config);
        auto api = std::make_shared<KeynodeApi::KnaMain>(1);
        server.addResource(api, "/api");
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

        if (config.http.enabled)
            std::cout << "http listening on " << options.listen << ":" << server.httpPort() << "\n";
        if (config.https.enabled)
            std::cout << "https listening on " << options.listen << ":" << server.httpsPort() << "\n";
        std::cout << "mail router listening on " << mailConfig.socketPath << "\n";
        std::cout.flush();

        int received = 0;
        sigwait(&signals, &received);
        std::cerr << "keynoded: " << (received == SIGINT ? "SIGINT" : "SIGTERM") << ", stopping\n";
        server.stop(); // requests in flight finish first
        api->Stop();
        doorService.Stop();
        mailRouter.Stop();
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "keynoded: " << e.what() << "\n";
        return 1;
    }
}
