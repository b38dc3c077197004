#pragma once
#include <array>
#include <cstdint>
#include <string>

#pragma GCC visibility push(default)

// A 48-bit Ethernet address. All zeros (also the state after construction) counts as null.
class TCMACAddress {
public:
    TCMACAddress() = default;

    // Loads this unit's own address of the interface; "" = the default interface's
    // (TCIPNetworkInterfaceSettings). False, and null, when the interface has none.
    bool Own(const std::string& ifname);
    // "aa:bb:cc:dd:ee:ff", "aa-bb-cc-dd-ee-ff" or "aabbccddeeff", either case. False, and unchanged,
    // on anything else.
    bool Parse(const std::string& text);
    // Lower-case hex; separator '\0' gives twelve digits without separators.
    std::string get_AsString(char separator = ':') const;
    bool IsNull() const;

    const std::array<uint8_t, 6>& Bytes() const { return m_Bytes; }
    void SetBytes(const std::array<uint8_t, 6>& bytes) { m_Bytes = bytes; }

    bool operator==(const TCMACAddress& o) const { return m_Bytes == o.m_Bytes; }
    bool operator!=(const TCMACAddress& o) const { return !(*this == o); }

private:
    std::array<uint8_t, 6> m_Bytes{};
};

#pragma GCC visibility pop
