#include "Net/TCIPNetworkInterfaceSettings.h"

#include <algorithm>
#include <fstream>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <memory>
#include <net/if.h>
#include <unistd.h>
#include <vector>

namespace {

struct InterfaceInfo {
    std::string Name;
    unsigned Flags = 0;
    TCIPAddress Address;
    TCIPAddress Netmask;
    TCMACAddress MAC;
};

struct IfAddrsDeleter {
    void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

InterfaceInfo& Entry(std::vector<InterfaceInfo>& interfaces, const std::string& name) {
    for (InterfaceInfo& info : interfaces) {
        if (info.Name == name) return info;
    }
    interfaces.push_back(InterfaceInfo{name, 0, {}, {}, {}});
    return interfaces.back();
}

// The interfaces in the order the kernel lists them, each with its first IPv4 address.
std::vector<InterfaceInfo> ReadInterfaces() {
    std::vector<InterfaceInfo> interfaces;
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0) return interfaces;
    const std::unique_ptr<ifaddrs, IfAddrsDeleter> list(raw);
    for (const ifaddrs* item = list.get(); item != nullptr; item = item->ifa_next) {
        if (item->ifa_name == nullptr) continue;
        InterfaceInfo& info = Entry(interfaces, item->ifa_name);
        info.Flags |= item->ifa_flags;
        if (item->ifa_addr == nullptr) continue;
        if (item->ifa_addr->sa_family == AF_INET && info.Address.IsNull()) {
            info.Address.FromSockaddr(item->ifa_addr);
            info.Netmask.FromSockaddr(item->ifa_netmask);
        } else if (item->ifa_addr->sa_family == AF_PACKET) {
            const auto* link = reinterpret_cast<const sockaddr_ll*>(item->ifa_addr);
            if (link->sll_halen == 6) {
                std::array<uint8_t, 6> bytes{};
                std::copy(link->sll_addr, link->sll_addr + 6, bytes.begin());
                info.MAC.SetBytes(bytes);
            }
        }
    }
    return interfaces;
}

std::string DefaultInterfaceName(const std::vector<InterfaceInfo>& interfaces) {
    for (const InterfaceInfo& info : interfaces) {
        if ((info.Flags & IFF_UP) && !(info.Flags & IFF_LOOPBACK) && !info.Address.IsNull()) return info.Name;
    }
    for (const InterfaceInfo& info : interfaces) {
        if (info.Flags & IFF_LOOPBACK) return info.Name;
    }
    return "lo";
}

// Some interfaces (e.g. inside containers) report no AF_PACKET entry; sysfs still knows the address.
TCMACAddress MACFromSysfs(const std::string& ifname) {
    TCMACAddress mac;
    if (ifname.empty() || ifname.find('/') != std::string::npos || ifname == "." || ifname == "..")
        return mac;
    std::ifstream file("/sys/class/net/" + ifname + "/address");
    std::string text;
    if (file >> text) mac.Parse(text);
    return mac;
}

} // namespace

TCIPNetworkSettings TCIPNetworkInterfaceSettings::GetInterfaceSettings(const std::string& ifname) {
    const std::vector<InterfaceInfo> interfaces = ReadInterfaces();
    TCIPNetworkSettings settings;
    settings.InterfaceName = ifname.empty() ? DefaultInterfaceName(interfaces) : ifname;
    settings.Hostname = GetLocalHostname();
    for (const InterfaceInfo& info : interfaces) {
        if (info.Name != settings.InterfaceName) continue;
        settings.Address = info.Address;
        settings.Netmask = info.Netmask;
        settings.MAC = info.MAC;
        break;
    }
    if (settings.MAC.IsNull()) settings.MAC = MACFromSysfs(settings.InterfaceName);
    return settings;
}

TCIPAddress TCIPNetworkInterfaceSettings::GetIPAddress(const std::string& ifname) {
    return GetInterfaceSettings(ifname).Address;
}

TCMACAddress TCIPNetworkInterfaceSettings::GetMACAddress(const std::string& ifname) {
    return GetInterfaceSettings(ifname).MAC;
}

std::string TCIPNetworkInterfaceSettings::GetLocalHostname() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return std::string();
    return name;
}
