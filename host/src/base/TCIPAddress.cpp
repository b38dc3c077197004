#include "Net/TCIPAddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

bool TCIPAddress::Parse(const std::string& text) {
    std::array<uint8_t, 16> bytes{};
    if (inet_pton(AF_INET, text.c_str(), bytes.data()) == 1) {
        m_Family = Family::IPv4;
    } else if (inet_pton(AF_INET6, text.c_str(), bytes.data()) == 1) {
        m_Family = Family::IPv6;
    } else {
        *this = TCIPAddress();
        return false;
    }
    m_Bytes = bytes;
    return true;
}

bool TCIPAddress::FromSockaddr(const struct sockaddr* address) {
    *this = TCIPAddress();
    if (address == nullptr) return false;
    if (address->sa_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
        std::memcpy(m_Bytes.data(), &v4->sin_addr, 4);
        m_Family = Family::IPv4;
        return true;
    }
    if (address->sa_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
        std::memcpy(m_Bytes.data(), &v6->sin6_addr, 16);
        m_Family = Family::IPv6;
        return true;
    }
    return false;
}

std::string TCIPAddress::get_AsString() const {
    if (m_Family == Family::None) return std::string();
    char text[INET6_ADDRSTRLEN] = {};
    const int family = m_Family == Family::IPv4 ? AF_INET : AF_INET6;
    if (inet_ntop(family, m_Bytes.data(), text, sizeof text) == nullptr) return std::string();
    return text;
}
