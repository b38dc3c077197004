#pragma once
#include <string>

#pragma GCC visibility push(default)

namespace Web {

// Creates a self-signed EC P-256 certificate (CN=keynode, valid ten years) and its private key as PEM files
// unless both files already exist. The key file gets mode 0600. Returns true when it wrote new files.
// Throws std::runtime_error on failure.
bool ensureSelfSignedCertificate(const std::string& certificateFile, const std::string& privateKeyFile);

} // namespace Web

#pragma GCC visibility pop
