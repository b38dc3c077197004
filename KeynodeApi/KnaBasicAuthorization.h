#pragma once
#include <string>

namespace KeynodeApi {

struct KnaBasicCredentials {
    std::string UserName;
    std::string Password;
};

// Splits an Authorization header value of the Basic scheme and decodes its Base64 "user:password".
// Pure (no database, no state), so that it can be tested and fuzzed alone. An empty `error` means both
// parts are non-empty; otherwise `error` is the text the caller answers with, and the parts hold what was
// decoded before the check failed.
KnaBasicCredentials ParseBasicAuthorization(const std::string& header, std::string& error);

} // namespace KeynodeApi
