#include "Net/TCIPNetworkInterfaceSettings.h"

#include <gtest/gtest.h>

TEST(NetworkInterfaces, LoopbackIsReported) {
    EXPECT_EQ(TCIPNetworkInterfaceSettings::GetIPAddress("lo").get_AsString(), "127.0.0.1");
    const TCIPNetworkSettings settings = TCIPNetworkInterfaceSettings::GetInterfaceSettings("lo");
    EXPECT_EQ(settings.InterfaceName, "lo");
    EXPECT_EQ(settings.Netmask.get_AsString(), "255.0.0.0");
    EXPECT_TRUE(settings.MAC.IsNull());
    EXPECT_EQ(settings.Hostname, TCIPNetworkInterfaceSettings::GetLocalHostname());
    EXPECT_FALSE(settings.Hostname.empty());
}

TEST(NetworkInterfaces, DefaultInterfaceHasAnIPv4Address) {
    const TCIPNetworkSettings settings = TCIPNetworkInterfaceSettings::GetInterfaceSettings("");
    EXPECT_FALSE(settings.InterfaceName.empty());
    EXPECT_TRUE(settings.Address.IsIPv4()) << settings.InterfaceName;
    EXPECT_EQ(TCIPNetworkInterfaceSettings::GetIPAddress(""), settings.Address);
}

TEST(NetworkInterfaces, UnknownInterfaceHasNothing) {
    const TCIPNetworkSettings settings = TCIPNetworkInterfaceSettings::GetInterfaceSettings("nosuchif0");
    EXPECT_TRUE(settings.Address.IsNull());
    EXPECT_TRUE(settings.MAC.IsNull());
    TCMACAddress mac;
    mac.Parse("02:00:00:00:00:01");
    EXPECT_FALSE(mac.Own("nosuchif0"));
    EXPECT_TRUE(mac.IsNull());
    EXPECT_FALSE(mac.Own("../lo"));
}

TEST(MACAddress, ParsesAllSeparatorStyles) {
    const char* forms[] = {"00:1A:2b:3c:4D:ff", "00-1a-2B-3c-4d-FF", "001a2b3c4dff"};
    for (const char* text : forms) {
        TCMACAddress mac;
        ASSERT_TRUE(mac.Parse(text)) << text;
        EXPECT_EQ(mac.get_AsString(), "00:1a:2b:3c:4d:ff") << text;
        EXPECT_FALSE(mac.IsNull());
    }
    TCMACAddress mac;
    mac.Parse("00:1a:2b:3c:4d:ff");
    EXPECT_EQ(mac.get_AsString('-'), "00-1a-2b-3c-4d-ff");
    EXPECT_EQ(mac.get_AsString('\0'), "001a2b3c4dff");
}

TEST(MACAddress, RejectsMalformedTextAndKeepsValue) {
    const char* invalid[] = {"",
                             "00:1a:2b:3c:4d",
                             "00:1a:2b:3c:4d:ff:",
                             "00:1a-2b:3c:4d:ff",
                             "00:1a:2b:3c:4d:fg",
                             "001a2b3c4df",
                             "00.1a.2b.3c.4d.ff",
                             "0:1a:2b:3c:4d:ff0"};
    TCMACAddress mac;
    ASSERT_TRUE(mac.Parse("02:00:00:00:00:01"));
    for (const char* text : invalid) {
        EXPECT_FALSE(mac.Parse(text)) << text;
        EXPECT_EQ(mac.get_AsString(), "02:00:00:00:00:01") << text;
    }
    EXPECT_TRUE(TCMACAddress().IsNull());
}
