#pragma once
#include <stdexcept>
#include <string>
#include <vector>

#include "Accessories/TCRecordID.h"
#include "DataDir.h"

namespace keynodectl {

// Bad use of the command line: printed with the usage, exit code 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using Args = std::vector<std::string>;

// Each command group takes the words after its name. Returns the exit code.
int runInit(const keynode::DataDir& dir, const Args& args);
int runUser(const keynode::DataDir& dir, const Args& args);
int runProperty(const keynode::DataDir& dir, const Args& args);
int runEvents(const keynode::DataDir& dir, const Args& args);
int runDemo(const keynode::DataDir& dir, const Args& args);
int runMail(const keynode::DataDir& dir, const Args& args);
int runCloudUser(const keynode::DataDir& dir, const Args& args);
int runSystem(const keynode::DataDir& dir, const Args& args);
int runBackup(const keynode::DataDir& dir, const Args& args);
int runRestore(const keynode::DataDir& dir, const Args& args);

// The `user` commands of UserAdminCommand.cpp.
int changePassword(const keynode::DataDir& dir, const Args& args);
int removeUser(const keynode::DataDir& dir, const Args& args);
int listClaims(const keynode::DataDir& dir, const Args& args);

// Parses a whole decimal number in [min, max] or throws UsageError naming `what`.
long long parseNumber(const std::string& text, const char* what, long long min, long long max);
// The record ID of the web user of that name; throws std::runtime_error "no user 'NAME'".
Accessories::TCRecordID findUser(const std::string& name);

} // namespace keynodectl
