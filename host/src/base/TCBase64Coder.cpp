#include "Crypto/TCBase64Coder.h"

#include "base/SodiumInit.h"

#include <sodium.h>

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::string TCBase64Coder::Encode(const void* bytes, size_t length) {
    EnsureSodiumInitialised();
    const size_t capacity = sodium_base64_ENCODED_LEN(length, sodium_base64_VARIANT_ORIGINAL);
    std::string text(capacity, '\0');
    sodium_bin2base64(text.data(), capacity, static_cast<const unsigned char*>(bytes), length,
                      sodium_base64_VARIANT_ORIGINAL);
    text.resize(capacity - 1); // drop the terminating NUL
    return text;
}

bool TCBase64Coder::Decode(const std::string& text, Accessories::TCBinaryStream& out) {
    EnsureSodiumInitialised();
    out.Clear();
    std::string compact;
    compact.reserve(text.size());
    for (char c : text) {
        if (!IsSpace(c)) compact.push_back(c);
    }
    // libsodium takes either padded or unpadded text, not both; the presence of '=' decides.
    const int variant = compact.find('=') != std::string::npos ? sodium_base64_VARIANT_ORIGINAL
                                                               : sodium_base64_VARIANT_ORIGINAL_NO_PADDING;
    out.Resize(compact.size() / 4 * 3 + 3);
    size_t length = 0;
    // Without an end pointer libsodium fails unless it consumed the whole text.
    if (sodium_base642bin(out.data(), out.size(), compact.data(), compact.size(), nullptr, &length, nullptr,
                          variant) != 0) {
        out.Clear();
        return false;
    }
    out.Resize(length);
    return true;
}
