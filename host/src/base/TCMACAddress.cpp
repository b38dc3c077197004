#include "Net/TCMACAddress.h"

#include "Net/TCIPNetworkInterfaceSettings.h"

#include <algorithm>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

bool TCMACAddress::Own(const std::string& ifname) {
    *this = TCIPNetworkInterfaceSettings::GetMACAddress(ifname);
    return !IsNull();
}

bool TCMACAddress::Parse(const std::string& text) {
    size_t step = 0; // characters per byte, separator included
    char separator = '\0';
    if (text.size() == 12) {
        step = 2;
    } else if (text.size() == 17 && (text[2] == ':' || text[2] == '-')) {
        step = 3;
        separator = text[2];
    } else {
        return false;
    }
    std::array<uint8_t, 6> bytes{};
    for (size_t i = 0; i < bytes.size(); ++i) {
        const size_t at = i * step;
        const int high = HexValue(text[at]);
        const int low = HexValue(text[at + 1]);
        if (high < 0 || low < 0) return false;
        if (separator != '\0' && i + 1 < bytes.size() && text[at + 2] != separator) return false;
        bytes[i] = static_cast<uint8_t>(high * 16 + low);
    }
    m_Bytes = bytes;
    return true;
}

std::string TCMACAddress::get_AsString(char separator) const {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < m_Bytes.size(); ++i) {
        if (i > 0 && separator != '\0') text.push_back(separator);
        text.push_back(digits[m_Bytes[i] >> 4]);
        text.push_back(digits[m_Bytes[i] & 0x0F]);
    }
    return text;
}

bool TCMACAddress::IsNull() const {
    return std::all_of(m_Bytes.begin(), m_Bytes.end(), [](uint8_t b) { return b == 0; });
}
