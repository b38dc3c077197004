#pragma once
#include "Accessories/TCBinaryStream.h"

#include <cstddef>
#include <string>

#pragma GCC visibility push(default)

// Base64 with the standard alphabet ('+', '/').
class TCBase64Coder {
public:
    // Padded output.
    static std::string Encode(const void* bytes, size_t length);
    // Accepts correctly padded text or text without any padding; spaces, tabs and line breaks are
    // skipped. Returns false (out left empty) on any other character, wrong padding or a dangling
    // final character.
    static bool Decode(const std::string& text, Accessories::TCBinaryStream& out);
};

#pragma GCC visibility pop
