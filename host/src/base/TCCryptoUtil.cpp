#include "Crypto/TCCryptoUtil.h"

#include "Crypto/TCBase64Coder.h"
#include "Host/TCException.h"
#include "base/SodiumInit.h"
#include "base/TCVerifiedPasswordCache.h"

#include <cstdlib>
#include <mutex>
#include <sodium.h>
#include <sstream>

namespace {

constexpr size_t kVerifiedPasswordCacheSize = 256;
constexpr unsigned long long kStoredOpsLimit = 2;
constexpr size_t kStoredMemLimit = 19 * 1024 * 1024;

TCVerifiedPasswordCache& VerifiedPasswords() {
    static TCVerifiedPasswordCache cache(kVerifiedPasswordCacheSize);
    return cache;
}

// Held for every argon2 run. The memory of a run is what a small board runs short of, and its single
// core finishes queued runs no later than parallel ones.
std::mutex& Argon2Turn() {
    static std::mutex turn;
    return turn;
}

// The memory cost in bytes written in an argon2 hash string ("...$m=19456,t=2,p=1$..." in KiB), 0 when
// there is none.
size_t HashMemory(const std::string& hash) {
    const size_t at = hash.find("$m=");
    if (at == std::string::npos) return 0;
    return size_t(std::strtoull(hash.c_str() + at + 3, nullptr, 10)) * 1024;
}

} // namespace

TCPasswordHashCost TCPasswordHashCost::Stored() {
    return {kStoredOpsLimit, kStoredMemLimit};
}

TCPasswordHashCost TCPasswordHashCost::Minimal() {
    return {crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN};
}

bool TCCryptoUtil::DBWebUser_VerifyPassword(const std::string& password, const std::string& storedHash) {
    // libsodium reads the hash as a C string of bounded length: reject what it would misread.
    if (storedHash.empty() || storedHash.size() >= crypto_pwhash_STRBYTES ||
        storedHash.find('\0') != std::string::npos)
        return false;
    try {
        EnsureSodiumInitialised();
        TCVerifiedPasswordCache& cache = VerifiedPasswords();
        if (cache.Contains(storedHash, password)) return true;
        {
            std::lock_guard<std::mutex> turn(Argon2Turn());
            if (crypto_pwhash_str_verify(storedHash.c_str(), password.data(), password.size()) != 0)
                return false;
        }
        cache.Insert(storedHash, password);
        return true;
    } catch (const std::exception&) {
        return false; // e.g. out of memory: a check that cannot run is a failed check
    }
}

bool TCCryptoUtil::DBWebUser_NeedsRehash(const std::string& storedHash) {
    // Only what costs the board more memory than new hashes do is replaced; cheaper hashes (made by
    // tests and tools) verify within its budget already.
    return HashMemory(storedHash) > kStoredMemLimit;
}

std::string TCCryptoUtil::DBWebUser_HashPassword(const std::string& password) {
    return DBWebUser_HashPassword(password, TCPasswordHashCost::Stored());
}

std::string TCCryptoUtil::DBWebUser_HashPassword(const std::string& password,
                                                 const TCPasswordHashCost& cost) {
    EnsureSodiumInitialised();
    char hash[crypto_pwhash_STRBYTES];
    std::lock_guard<std::mutex> turn(Argon2Turn());
    if (crypto_pwhash_str_alg(hash, password.data(), password.size(), cost.OpsLimit, cost.MemLimit,
                              crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw TCException(__FILE__, __LINE__, "password hashing failed (out of memory?)");
    return std::string(hash);
}

std::string TCCryptoUtil::Base64Decode(const std::string& text) {
    Accessories::TCBinaryStream bytes;
    if (!TCBase64Coder::Decode(text, bytes)) throw TCException(__FILE__, __LINE__, "invalid Base64 text");
    return bytes.AsString();
}

std::string TCCryptoUtil::Base64Encode(const std::string& bytes) {
    return TCBase64Coder::Encode(bytes.data(), bytes.size());
}

std::string TCCryptoUtil::StreamToString(std::istream& stream) {
    stream.clear();
    // A pipe cannot rewind; what is left of it is then all there is.
    if (!stream.seekg(0, std::ios::beg)) stream.clear();
    std::ostringstream content;
    if (stream.peek() != std::char_traits<char>::eof()) content << stream.rdbuf();
    stream.clear(); // reading to the end set eofbit; leave the stream usable
    return content.str();
}
