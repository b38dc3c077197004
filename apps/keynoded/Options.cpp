#include "Options.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include <boost/program_options.hpp>
#include <grp.h>

namespace po = boost::program_options;

namespace keynoded {

const char* defaultConfigFile() {
    return KEYNODED_DEFAULT_CONFIG;
}

long groupID(const std::string& text) {
    if (text.empty()) return -1;
    if (text.find_first_not_of("0123456789") == std::string::npos) {
        if (text.size() > 9) throw std::invalid_argument("group number out of range");
        return std::stol(text);
    }
    const struct group* found = ::getgrnam(text.c_str());
    if (found == nullptr) throw std::invalid_argument("unknown group '" + text + "'");
    return static_cast<long>(found->gr_gid);
}

namespace {

po::options_description settingsDescription(Options& o) {
    po::options_description desc("Settings (command line or configuration file)");
    auto add = desc.add_options();
    add("data-dir", po::value(&o.dataDir), "data directory (made on first start)");
    add("listen", po::value(&o.listen)->default_value(o.listen), "address to listen on");
    add("http-port", po::value(&o.httpPort)->default_value(o.httpPort),
        "HTTP port, 0 picks a free one, -1 disables");
    add("https-port", po::value(&o.httpsPort)->default_value(o.httpsPort),
        "HTTPS port, 0 picks a free one, -1 disables");
    add("workers", po::value(&o.workers)->default_value(o.workers), "worker threads of the web server");
    add("cert", po::value(&o.certificate),
        "PEM certificate (default: DIR/tls/server.crt, made when missing)");
    add("key", po::value(&o.privateKey), "PEM private key (default: DIR/tls/server.key)");
    add("mail-allowed-group", po::value(&o.mailAllowedGroup),
        "besides the daemon's own user, processes of this primary group may use the mail router");
    add("mail-stall-timeout", po::value(&o.mailStallTimeoutMs)->default_value(o.mailStallTimeoutMs),
        "ms a mail-router peer may take to finish a frame it started");
    add("debug", po::value(&o.debug),
        "debug categories, e.g. \"webapi,common\" or \"all\" (KEYNODE_DEBUG wins; re-read on SIGHUP)");
    return desc;
}

void check(const Options& o) {
    if (o.dataDir.empty()) throw po::error("the option '--data-dir' is required but missing");
    auto validPort = [](int p) { return p >= -1 && p <= 65535; };
    if (!validPort(o.httpPort) || !validPort(o.httpsPort)) throw po::error("ports are -1 to 65535");
    if (o.httpPort < 0 && o.httpsPort < 0) throw po::error("at least one of HTTP and HTTPS must be enabled");
    if (o.workers < 1 || o.workers > 256) throw po::error("--workers must be 1 to 256");
    if (o.mailStallTimeoutMs < 10 || o.mailStallTimeoutMs > 600000)
        throw po::error("--mail-stall-timeout must be 10 to 600000");
    try {
        groupID(o.mailAllowedGroup);
    } catch (const std::invalid_argument& e) {
        throw po::error(e.what());
    }
}

} // namespace

bool parseOptions(int argc, char** argv, Options& o) {
    po::options_description settings = settingsDescription(o);
    po::options_description desc("Usage: keynoded --data-dir DIR [options]\nOptions");
    desc.add_options()("help,h", "show this help")(
        "config", po::value(&o.configFile),
        (std::string("configuration file (default: ") + defaultConfigFile() + " when it exists)").c_str());
    desc.add(settings);
    po::variables_map vm;
    try {
        // The first value stored wins: the command line before the file.
        po::store(po::parse_command_line(argc, argv, desc), vm);
        if (vm.count("help")) {
            std::cout << desc << "\n";
            std::exit(0);
        }
        const bool explicitFile = vm.count("config") > 0;
        const std::string file = explicitFile ? vm["config"].as<std::string>() : defaultConfigFile();
        std::ifstream in(file);
        if (in) {
            po::store(po::parse_config_file(in, settings), vm);
        } else if (explicitFile) {
            throw po::error("cannot read configuration file '" + file + "'");
        }
        po::notify(vm);
        if (!explicitFile && in) o.configFile = file;
        check(o);
    } catch (const po::error& e) {
        std::cerr << "keynoded: " << e.what() << "\n" << desc << "\n";
        return false;
    }
    return true;
}

std::string readDebugSetting(const std::string& configFile) {
    Options ignored;
    po::options_description settings = settingsDescription(ignored);
    std::ifstream in(configFile);
    if (configFile.empty() || !in) return {};
    try {
        po::variables_map vm;
        po::store(po::parse_config_file(in, settings), vm);
        po::notify(vm);
    } catch (const po::error&) {
        return {};
    }
    return ignored.debug;
}

} // namespace keynoded
