#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#pragma GCC visibility push(default)

namespace Accessories {

// A growable buffer of raw bytes (may contain zero bytes).
class TCBinaryStream {
public:
    TCBinaryStream() = default;
    TCBinaryStream(const void* bytes, size_t length) { Append(bytes, length); }

    const uint8_t* data() const { return m_Bytes.data(); }
    uint8_t* data() { return m_Bytes.data(); }
    size_t size() const { return m_Bytes.size(); }
    bool empty() const { return m_Bytes.empty(); }

    void Clear() { m_Bytes.clear(); }
    void Resize(size_t length) { m_Bytes.resize(length); }
    void Append(const void* bytes, size_t length) {
        if (length == 0) return;
        const size_t offset = m_Bytes.size();
        m_Bytes.resize(offset + length);
        std::memcpy(m_Bytes.data() + offset, bytes, length);
    }
    // The bytes as they are, not text-converted.
    std::string AsString() const { return std::string(m_Bytes.begin(), m_Bytes.end()); }
    const std::vector<uint8_t>& Bytes() const { return m_Bytes; }

private:
    std::vector<uint8_t> m_Bytes;
};

} // namespace Accessories

#pragma GCC visibility pop
