#pragma once
#include <cstddef>
#include <istream>
#include <string>

// Work factors of an argon2id password hash.
struct TCPasswordHashCost {
    unsigned long long OpsLimit;
    size_t MemLimit;
    // The cost for stored user passwords (libsodium's "interactive" level).
    static TCPasswordHashCost Interactive();
    // The cheapest cost libsodium allows; for tests only, never for real accounts.
    static TCPasswordHashCost Minimal();
};

class TCCryptoUtil {
public:
    // Checks a password against an argon2 hash string. Malformed hashes give false; never throws.
    // Successful checks are remembered (keyed by hash and password together) so that repeated requests
    // of one user do not each pay a full argon2 run; failures are always recomputed.
    static bool DBWebUser_VerifyPassword(const std::string& password, const std::string& storedHash);
    // An argon2id hash string with a fresh random salt, at the interactive cost.
    static std::string DBWebUser_HashPassword(const std::string& password);
    static std::string DBWebUser_HashPassword(const std::string& password, const TCPasswordHashCost& cost);

    // Standard Base64 alphabet; see TCBase64Coder::Decode for what is accepted. Throws TCException
    // on invalid input.
    static std::string Base64Decode(const std::string& text);
    static std::string Base64Encode(const std::string& bytes);

    // The whole content of the stream from its start, whatever was read from it before.
    static std::string StreamToString(std::istream& stream);
};
