#pragma once
#include <cstddef>
#include <istream>
#include <string>

#pragma GCC visibility push(default)

// Work factors of an argon2id password hash.
struct TCPasswordHashCost {
    unsigned long long OpsLimit;
    size_t MemLimit;
    // The cost of new stored user passwords, sized for a 512 MB board: 19 MiB and 2 passes (see
    // docs/passwords.md).
    static TCPasswordHashCost Stored();
    // The cheapest cost libsodium allows; for tests only, never for real accounts.
    static TCPasswordHashCost Minimal();
};

class TCCryptoUtil {
public:
    // Checks a password against an argon2 hash string, with the parameters the hash carries. Malformed
    // hashes give false; never throws. Successful checks are remembered (keyed by hash and password
    // together) so that repeated requests of one user do not each pay a full argon2 run; failures are
    // always recomputed. The process runs one argon2 computation at a time, so that a burst of logins
    // holds the memory of one, not of each.
    static bool DBWebUser_VerifyPassword(const std::string& password, const std::string& storedHash);
    // True when the hash needs more memory to verify than TCPasswordHashCost::Stored(): it should be
    // replaced with a new hash of the same password once that password verified.
    static bool DBWebUser_NeedsRehash(const std::string& storedHash);
    // An argon2id hash string with a fresh random salt, at the stored-password cost.
    static std::string DBWebUser_HashPassword(const std::string& password);
    static std::string DBWebUser_HashPassword(const std::string& password, const TCPasswordHashCost& cost);

    // Standard Base64 alphabet; see TCBase64Coder::Decode for what is accepted. Throws TCException
    // on invalid input.
    static std::string Base64Decode(const std::string& text);
    static std::string Base64Encode(const std::string& bytes);

    // The whole content of the stream from its start, whatever was read from it before.
    static std::string StreamToString(std::istream& stream);
};

#pragma GCC visibility pop
