// The Authorization header path of a request over HTTP, without the database: the header is split and
// its Base64 credentials decoded by ParseBasicAuthorization, which AuthenticateRequest calls first.
// Each input is used three ways: as the header value itself, as Base64 text for TCCryptoUtil, and as the
// raw "user:password" a client would encode, whose header must give the same parts back.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Crypto/TCCryptoUtil.h"
#include "Host/TCException.h"
#include "KnaBasicAuthorization.h"

namespace {

using KeynodeApi::KnaBasicCredentials;
using KeynodeApi::ParseBasicAuthorization;

[[noreturn]] void Fail(const char* what, const std::string& header) {
    std::fprintf(stderr, "%s\n  header (%zu bytes): %s\n", what, header.size(), header.c_str());
    std::abort();
}

bool IsKnownError(const std::string& error) {
    static const char* const known[] = {
        "Missing Authorization header", "Invalid authorization header", "Basic authorization is required",
        "Invalid authorization header, username:password expected", "User name/password can't be empty"};
    for (const char* text : known)
        if (error == text) return true;
    return false;
}

void CheckHeader(const std::string& header) {
    std::string error = "stale";
    const KnaBasicCredentials credentials = ParseBasicAuthorization(header, error);
    if (!error.empty()) {
        if (!IsKnownError(error)) Fail("unknown error text", header);
        return;
    }
    if (credentials.UserName.empty() || credentials.Password.empty()) Fail("accepted an empty part", header);
    if (credentials.UserName.find(':') != std::string::npos) Fail("user name holds a colon", header);
    if (credentials.UserName.find('\0') != std::string::npos ||
        credentials.Password.find('\0') != std::string::npos)
        Fail("a part holds a zero byte", header);
}

void CheckBase64(const std::string& text) {
    std::string bytes;
    try {
        bytes = TCCryptoUtil::Base64Decode(text);
    } catch (const TCException&) {
        return; // not Base64, refused as documented
    }
    const std::string encoded = TCCryptoUtil::Base64Encode(bytes);
    std::string decodedAgain;
    try {
        decodedAgain = TCCryptoUtil::Base64Decode(encoded);
    } catch (const TCException&) {
        Fail("own Base64 output refused", text);
    }
    if (decodedAgain != bytes) Fail("Base64 round trip changed the bytes", text);
}

// What a client sends for the raw credentials must come back as the same user and password.
void CheckEncodedCredentials(const std::string& raw) {
    const std::string header = "Basic " + TCCryptoUtil::Base64Encode(raw);
    std::string error;
    const KnaBasicCredentials credentials = ParseBasicAuthorization(header, error);

    const std::string text = raw.substr(0, std::strlen(raw.c_str()));
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        if (error != "Invalid authorization header, username:password expected")
            Fail("missing colon not reported", header);
        return;
    }
    const std::string user = text.substr(0, colon);
    const std::string password = text.substr(colon + 1);
    if (user.empty() || password.empty()) {
        if (error != "User name/password can't be empty") Fail("empty part not reported", header);
        return;
    }
    if (!error.empty()) Fail("well-formed credentials refused", header);
    if (credentials.UserName != user || credentials.Password != password)
        Fail("credentials changed on the way", header);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    CheckHeader(input);
    CheckBase64(input);
    CheckEncodedCredentials(input);
    return 0;
}
