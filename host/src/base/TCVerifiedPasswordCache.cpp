#include "base/TCVerifiedPasswordCache.h"

#include "base/SodiumInit.h"

#include <cstdint>
#include <sodium.h>

namespace {

// Each part is preceded by its length so that no two (hash, password) pairs hash the same input.
void AddLengthPrefixed(crypto_generichash_state& state, const std::string& part) {
    unsigned char length[8];
    uint64_t size = part.size();
    for (unsigned char& byte : length) {
        byte = static_cast<unsigned char>(size & 0xFF);
        size >>= 8;
    }
    crypto_generichash_update(&state, length, sizeof length);
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(part.data()), part.size());
}

} // namespace

TCVerifiedPasswordCache::TCVerifiedPasswordCache(size_t capacity) : m_Capacity(capacity) {
    EnsureSodiumInitialised();
    m_Key.resize(crypto_generichash_KEYBYTES);
    randombytes_buf(m_Key.data(), m_Key.size());
}

std::string TCVerifiedPasswordCache::Digest(const std::string& storedHash,
                                            const std::string& password) const {
    crypto_generichash_state state;
    crypto_generichash_init(&state, reinterpret_cast<const unsigned char*>(m_Key.data()), m_Key.size(),
                            crypto_generichash_BYTES);
    AddLengthPrefixed(state, storedHash);
    AddLengthPrefixed(state, password);
    std::string digest(crypto_generichash_BYTES, '\0');
    crypto_generichash_final(&state, reinterpret_cast<unsigned char*>(digest.data()), digest.size());
    return digest;
}

bool TCVerifiedPasswordCache::Contains(const std::string& storedHash, const std::string& password) {
    const std::string digest = Digest(storedHash, password);
    std::lock_guard<std::mutex> lock(m_Mutex);
    const auto found = m_Index.find(digest);
    if (found == m_Index.end()) return false;
    m_Recent.splice(m_Recent.begin(), m_Recent, found->second);
    return true;
}

void TCVerifiedPasswordCache::Insert(const std::string& storedHash, const std::string& password) {
    if (m_Capacity == 0) return;
    std::string digest = Digest(storedHash, password);
    std::lock_guard<std::mutex> lock(m_Mutex);
    const auto found = m_Index.find(digest);
    if (found != m_Index.end()) {
        m_Recent.splice(m_Recent.begin(), m_Recent, found->second);
        return;
    }
    if (m_Index.size() >= m_Capacity) {
        m_Index.erase(m_Recent.back());
        m_Recent.pop_back();
    }
    m_Recent.push_front(std::move(digest));
    m_Index.emplace(m_Recent.front(), m_Recent.begin());
}
