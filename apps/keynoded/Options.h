#pragma once
#include <string>

namespace keynoded {

// keynoded's settings: from the command line, then from the configuration file for what the command line
// left out, then the defaults.
struct Options {
    std::string configFile;
    std::string dataDir;
    std::string listen = "127.0.0.1";
    int httpPort = 8080;
    int httpsPort = 8443;
    unsigned workers = 4;
    std::string certificate, privateKey;
    std::string mailAllowedGroup;
    int mailStallTimeoutMs = 5000;
    // Debug categories, as KEYNODE_DEBUG takes them; re-read from the file on SIGHUP.
    std::string debug;
};

// Where the configuration file is looked for when --config is not given; a missing default file is no
// error, a missing --config file is.
const char* defaultConfigFile();

// Parses and checks the options. Prints help or the problem and returns false on failure (exit 2);
// exits 0 after --help.
bool parseOptions(int argc, char** argv, Options& options);

// The "debug" setting of the configuration file now, for a reload at run time; empty when the file has
// none or cannot be read.
std::string readDebugSetting(const std::string& configFile);

// A group name or number; -1 for none. Throws std::invalid_argument for an unknown group.
long groupID(const std::string& text);

} // namespace keynoded
