// "/info/api" and "/keynodes" over HTTP, and the keynode JSON types against the keynode table.
#include <gtest/gtest.h>

#include "DB/Tables/SystemTables.h"
#include "JsonTypes/Config/KnaJson_Keynode.h"
#include "KnaUtil.h"
#include "Net/TCIPNetworkInterfaceSettings.h"
#include "support/ApiTestServer.h"

using namespace ApiTest;

namespace {

struct KeynodeRow {
    std::string Name;
    std::string IP;
    int Port;
    std::string MAC;
    Accessories::TCNullTypes<int> IsMaster;
};

Accessories::TCRecordID AddKeynode(const KeynodeRow& spec) {
    System::TCDBKeynodes keynodes;
    DB::TCDBAutoObject row;
    keynodes.CreateObject(row);
    row.Field(Table_SystemKeynodes::NAME).set_AsString(spec.Name);
    row.Field(Table_SystemKeynodes::IP).set_AsString(spec.IP);
    row.Field(Table_SystemKeynodes::PORT).set_AsInteger(spec.Port);
    row.Field(Table_SystemKeynodes::MAC).set_AsString(spec.MAC);
    row.Field(Table_SystemKeynodes::IS_MASTER).set_AsNullInt(spec.IsMaster);
    row.Save();
    return row.get_ID();
}

std::string KeynodeJson(const std::string& id, const std::string& name, const std::string& ip, int port,
                        const std::string& mac, bool isMaster, const std::string& version) {
    return "{\"id\":{\"id\":" + id + "},\"name\":\"" + name + "\",\"ipAddress\":\"" + ip +
           "\",\"port\":" + std::to_string(port) + ",\"macAddress\":\"" + mac +
           "\",\"isMaster\":" + (isMaster ? "true" : "false") +
           ",\"variantType\":2,\"variantName\":\"Complete\",\"version\":" + version + "}";
}

const std::string kOwnVersion = "{\"major\":2,\"minor\":12,\"revision\":7}";
const std::string kOtherVersion = "{\"major\":0,\"minor\":9,\"revision\":4}";

class KeynodesApiTest : public ApiHttpTest {
protected:
    void SetUp() override {
        AddWebUser({"viewer", "pw", {}, {}, {11002}});
        AddWebUser({"info", "pw", {}, {}, {11001}});
        StartServer();
        EnableApi();
    }
};

TEST_F(KeynodesApiTest, ApiInfoReportsTheInterfaceVersion) {
    const HttpReply reply = Get("/info/api", "info", "pw");
    EXPECT_EQ(200, reply.Status);
    EXPECT_EQ("{\"version\":" + kOtherVersion + "}", reply.Body);
    EXPECT_EQ(401, Get("/info/api", "viewer", "pw").Status);
}

TEST_F(KeynodesApiTest, WithoutRowsTheListHoldsTheRunningUnit) {
    const HttpReply reply = Get("/keynodes", "viewer", "pw");
    EXPECT_EQ(200, reply.Status);
    const std::string expected =
        "{\"records\":[" +
        KeynodeJson("null", TCIPNetworkInterfaceSettings::GetLocalHostname(),
                    TCIPNetworkInterfaceSettings::GetIPAddress("").get_AsString(), 29700,
                    TCIPNetworkInterfaceSettings::GetMACAddress("").get_AsString(':'), false, kOwnVersion) +
        "]}";
    EXPECT_EQ(expected, reply.Body);
}

TEST_F(KeynodesApiTest, ListsEveryRowAndOnlyTheOwnUnitCarriesItsSoftwareVersion) {
    const auto master = AddKeynode({"Entrance", "10.0.0.5", 29700, "00:11:22:33:44:55", 1});
    const auto own = AddKeynode({"Office", "10.0.0.6", 29701, "00:11:22:33:44:66", 2});
    const auto spare = AddKeynode({"Spare", "", 0, "", {}});
    System::TCDBKeynodes::set_OwnID(own);

    const HttpReply reply = Get("/keynodes", "viewer", "pw");
    EXPECT_EQ(200, reply.Status);
    const std::string expected =
        "{\"records\":[" +
        KeynodeJson(std::to_string(master.get_ID()), "Entrance", "10.0.0.5", 29700, "00:11:22:33:44:55", true,
                    kOtherVersion) +
        "," +
        KeynodeJson(std::to_string(own.get_ID()), "Office", "10.0.0.6", 29701, "00:11:22:33:44:66", false,
                    kOwnVersion) +
        "," + KeynodeJson(std::to_string(spare.get_ID()), "Spare", "", 0, "", false, kOtherVersion) + "]}";
    EXPECT_EQ(expected, reply.Body);
}

TEST_F(KeynodesApiTest, OwnUnitIsItsRowWhenThereIsOne) {
    AddKeynode({"Entrance", "10.0.0.5", 29700, "00:11:22:33:44:55", 1});
    const auto own = AddKeynode({"Office", "10.0.0.6", 29701, "00:11:22:33:44:66", 0});
    System::TCDBKeynodes::set_OwnID(own);
    const KeynodeApi::KnaJson_Keynode ownUnit;
    EXPECT_EQ(own, ownUnit.GetID().GetRecordID());
    EXPECT_EQ("Office", ownUnit.GetName());
    EXPECT_EQ(29701, ownUnit.GetPort());
    EXPECT_EQ(12, ownUnit.GetVersion().GetMinor());

    // A stored own ID whose row is gone falls back to the running system.
    System::TCDBKeynodes().DeleteWhere(Table_SystemKeynodes::ID == own);
    const KeynodeApi::KnaJson_Keynode fallback;
    EXPECT_TRUE(fallback.GetID().IsNull());
    EXPECT_EQ(29700, fallback.GetPort());
    EXPECT_EQ(TCIPNetworkInterfaceSettings::GetLocalHostname(), fallback.GetName());
}

TEST_F(KeynodesApiTest, ReloadingAnIteratorClearsTheRowFieldsButKeepsTheVersion) {
    const auto own = AddKeynode({"Office", "10.0.0.6", 29701, "00:11:22:33:44:66", 1});
    System::TCDBKeynodes::set_OwnID(own);
    System::TCDBKeynodes keynodes;
    DB::TCDBIterator row = keynodes.SelectAll();
    KeynodeApi::KnaJson_Keynode keynode(row);
    EXPECT_TRUE(keynode.IsMaster());
    EXPECT_EQ(2, keynode.GetVersion().GetMajor());
    row.Next();
    EXPECT_FALSE(keynode.LoadFromIterator(row));
    EXPECT_TRUE(keynode.GetID().IsNull());
    EXPECT_EQ("", keynode.GetName());
    EXPECT_EQ(-1, keynode.GetPort());
    EXPECT_FALSE(keynode.IsMaster());
    EXPECT_EQ(2, keynode.GetVersion().GetMajor());
}

} // namespace
