#pragma once
#include <array>
#include <cstdint>
#include <string>

#pragma GCC visibility push(default)

struct sockaddr;

// An IPv4 or IPv6 address; null until set.
class TCIPAddress {
public:
    TCIPAddress() = default;

    // Dotted IPv4 or textual IPv6; false (and null) for anything else.
    bool Parse(const std::string& text);
    // Takes the address of an AF_INET or AF_INET6 socket address; false for other families or null.
    bool FromSockaddr(const struct sockaddr* address);

    bool IsNull() const { return m_Family == Family::None; }
    bool IsIPv4() const { return m_Family == Family::IPv4; }
    bool IsIPv6() const { return m_Family == Family::IPv6; }
    // "" when null.
    std::string get_AsString() const;

    bool operator==(const TCIPAddress& o) const { return m_Family == o.m_Family && m_Bytes == o.m_Bytes; }
    bool operator!=(const TCIPAddress& o) const { return !(*this == o); }

private:
    enum class Family { None, IPv4, IPv6 };
    Family m_Family = Family::None;
    std::array<uint8_t, 16> m_Bytes{}; // network order; IPv4 uses the first four
};

#pragma GCC visibility pop
