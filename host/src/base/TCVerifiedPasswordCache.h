#pragma once
#include <cstddef>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

// Remembers (stored hash, password) pairs that verified, least recently used dropped first.
// Entries are keyed BLAKE2b digests under a random per-process key, so the cache holds neither
// passwords nor anything an attacker could test guesses against offline.
class TCVerifiedPasswordCache {
public:
    explicit TCVerifiedPasswordCache(size_t capacity);

    bool Contains(const std::string& storedHash, const std::string& password);
    void Insert(const std::string& storedHash, const std::string& password);

private:
    std::string Digest(const std::string& storedHash, const std::string& password) const;

    const size_t m_Capacity;
    std::string m_Key;
    std::mutex m_Mutex;
    std::list<std::string> m_Recent; // most recently used first
    std::unordered_map<std::string, std::list<std::string>::iterator> m_Index;
};
