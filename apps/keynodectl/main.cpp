// keynodectl: administration of a keynoded data directory from the shell.
#include <cstring>
#include <iostream>

#include "Command.h"

namespace {

const char* const kUsage = R"(Usage: keynodectl --data-dir DIR COMMAND ...
Commands:
  init                                  create the data directory and its database
  user add NAME --password PW [--all-methods] [--claim N]... [--no-api-access]
  user list [--json]
  user grant NAME TABLE RECORD_ID LEVEL grant a record right (LEVEL 1 see, 2 change)
  user passwd NAME [--password PW]      new password (without --password: the first line of stdin)
  user remove NAME                      the user with its claims, rights and cloud accounts
  user claims NAME                      the user's claims, one a line
  backup FILE                           a consistent copy of the database, also while keynoded runs
  restore FILE                          replace the database with a backup; refused while keynoded runs
  property set NAME VALUE               e.g. property set GeneralWebApiSettings_Enabled 1
  property get NAME
  events [--after ID] [--json]          the event log, oldest first
  demo [--cards N]                      fill the database with a small demo site; --cards adds N
                                        generated cards, each with its own holder
  cloud-user add NAME --web-user USER [--rights N]
                                        a cloud account acting as USER (N: rights bits, 4 every endpoint)
  system set NAME VALUE                 NAME: OwnKeynodeID, MasterSlaveMode (0, 1, 2) or OwnGUID
  system get NAME
  mail METHOD PATH --user NAME [--param NAME=VALUE]... [--param-null NAME]... [--body JSON]
       [--max-size N] [--raw-params TEXT] [--timeout S]
                                        one API request to the running keynoded over the mail router;
                                        prints {"status":N,"body":B} or {"errorCode":N,"errorText":T}
)";

} // namespace

namespace keynodectl {

long long parseNumber(const std::string& text, const char* what, long long min, long long max) {
    try {
        size_t used = 0;
        long long value = std::stoll(text, &used, 10);
        if (used == text.size() && value >= min && value <= max) return value;
    } catch (const std::exception&) {
    }
    throw UsageError(std::string(what) + " must be a number from " + std::to_string(min) + " to " +
                     std::to_string(max) + ", not '" + text + "'");
}

} // namespace keynodectl

int main(int argc, char** argv) {
    using namespace keynodectl;
    Args words(argv + 1, argv + argc);
    std::string dataDir;
    if (words.size() >= 2 && words[0] == "--data-dir") {
        dataDir = words[1];
        words.erase(words.begin(), words.begin() + 2);
    } else if (!words.empty() && words[0].rfind("--data-dir=", 0) == 0) {
        dataDir = words[0].substr(std::strlen("--data-dir="));
        words.erase(words.begin());
    }
    if (!words.empty() && (words[0] == "--help" || words[0] == "-h" || words[0] == "help")) {
        std::cout << kUsage;
        return 0;
    }
    try {
        if (dataDir.empty()) throw UsageError("--data-dir DIR is required");
        if (words.empty()) throw UsageError("a command is required");
        keynode::DataDir dir(dataDir);
        const std::string command = words[0];
        Args rest(words.begin() + 1, words.end());
        if (command == "init") return runInit(dir, rest);
        if (command == "user") return runUser(dir, rest);
        if (command == "property") return runProperty(dir, rest);
        if (command == "events") return runEvents(dir, rest);
        if (command == "demo") return runDemo(dir, rest);
        if (command == "mail") return runMail(dir, rest);
        if (command == "cloud-user") return runCloudUser(dir, rest);
        if (command == "system") return runSystem(dir, rest);
        if (command == "backup") return runBackup(dir, rest);
        if (command == "restore") return runRestore(dir, rest);
        throw UsageError("unknown command '" + command + "'");
    } catch (const UsageError& e) {
        std::cerr << "keynodectl: " << e.what() << "\n" << kUsage;
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "keynodectl: " << e.what() << "\n";
        return 1;
    }
}
