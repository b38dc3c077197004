#include "KnaBasicAuthorization.h"

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>
#include <cstring>
#include <vector>

#include "Accessories/TCBinaryStream.h"
#include "Crypto/TCBase64Coder.h"

namespace KeynodeApi {

KnaBasicCredentials ParseBasicAuthorization(const std::string& header, std::string& error) {
    KnaBasicCredentials credentials;
    error.clear();
    if (header.empty()) {
        error = "Missing Authorization header";
        return credentials;
    }
    std::vector<std::string> pieces;
    boost::split(pieces, header, boost::is_any_of(" "));
    if (pieces.size() < 2) {
        error = "Invalid authorization header";
        return credentials;
    }
    if (pieces[0] != "Basic") {
        error = "Basic authorization is required";
        return credentials;
    }

    // Text that is not Base64 decodes to nothing and so fails the colon check below.
    Accessories::TCBinaryStream decoded;
    TCBase64Coder::Decode(pieces[1], decoded);
    const std::string bytes = decoded.AsString();
    // The credentials end at the first zero byte, as a C string would.
    const std::string text = bytes.substr(0, std::strlen(bytes.c_str()));

    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        error = "Invalid authorization header, username:password expected";
        return credentials;
    }
    credentials.UserName = text.substr(0, colon);
    credentials.Password = text.substr(colon + 1);
    if (credentials.UserName.empty() || credentials.Password.empty())
        error = "User name/password can't be empty";
    return credentials;
}

} // namespace KeynodeApi
