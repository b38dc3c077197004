#pragma once
#include "Net/TCIPAddress.h"
#include "Net/TCMACAddress.h"

#include <string>

#pragma GCC visibility push(default)

// What the machine reports for one network interface. Address and Netmask are IPv4.
struct TCIPNetworkSettings {
    std::string InterfaceName;
    TCIPAddress Address;
    TCIPAddress Netmask;
    TCMACAddress MAC;
    std::string Hostname;
};

// Reads the live interface configuration of this machine (getifaddrs); nothing is cached.
class TCIPNetworkInterfaceSettings {
public:
    // ifname "" picks the default interface: the first one that is up, not loopback and has an IPv4
    // address; failing that the loopback interface. An unknown name gives null Address/Netmask/MAC.
    static TCIPNetworkSettings GetInterfaceSettings(const std::string& ifname);
    static TCIPAddress GetIPAddress(const std::string& ifname);
    static TCMACAddress GetMACAddress(const std::string& ifname);
    static std::string GetLocalHostname();
};

#pragma GCC visibility pop
