#include "Access/TCCardData.h"

#include <cstdio>

namespace Access {

void TCChipID::load(bool masked, uint64_t number, uint32_t bitLength) {
    m_BitLength = bitLength > MAX_BITS ? MAX_BITS : bitLength;
    m_Number = masked && m_BitLength < 64 ? number & ((uint64_t(1) << m_BitLength) - 1) : number;
}

Accessories::TCNullTypes<std::string> TCChipID::get_AsString() const {
    if (IsNull()) return {};
    char text[24];
    std::snprintf(text, sizeof text, "%0*llX", int((m_BitLength + 3) / 4),
                  static_cast<unsigned long long>(m_Number));
    return std::string(text);
}

} // namespace Access
