#include "Crypto/TCCryptoUtil.h"

#include "Crypto/TCBase64Coder.h"
#include "Host/TCException.h"
#include "base/SodiumInit.h"
#include "base/TCVerifiedPasswordCache.h"

#include <sodium.h>
#include <sstream>

namespace {

constexpr size_t kVerifiedPasswordCacheSize = 256;

TCVerifiedPasswordCache& VerifiedPasswords() {
    static TCVerifiedPasswordCache cache(kVerifiedPasswordCacheSize);
    return cache;
}

} // namespace

TCPasswordHashCost TCPasswordHashCost::Interactive() {
    return {crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE};
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
        if (crypto_pwhash_str_verify(storedHash.c_str(), password.data(), password.size()) != 0) return false;
        cache.Insert(storedHash, password);
        return true;
    } catch (const std::exception&) {
        return false; // e.g. out of memory: a check that cannot run is a failed check
    }
}

std::string TCCryptoUtil::DBWebUser_HashPassword(const std::string& password) {
    return DBWebUser_HashPassword(password, TCPasswordHashCost::Interactive());
}

std::string TCCryptoUtil::DBWebUser_HashPassword(const std::string& password,
                                                 const TCPasswordHashCost& cost) {
    EnsureSodiumInitialised();
    char hash[crypto_pwhash_STRBYTES];
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
