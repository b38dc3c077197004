// Building the service: handler map, major version, settings reload and the keynode MAC map.
#include <gtest/gtest.h>

#include "DB/TCDBRawSql.h"
#include "DB/Tables/SystemTables.h"
#include "Handlers/KnaBaseHandler.h"
#include "Host/TCException.h"
#include "KnaMain.h"
#include "Net/TCMACAddress.h"
#include "Property/AccessProp.h"
#include "Property/TCProperties.h"
#include "support/ApiTestData.h"
#include "support/FakeWebExchange.h"

using namespace ApiTest;
using KeynodeApi::KnaMain;

namespace {

class PipelineServiceTest : public testing::Test {
protected:
    TestDataDir m_Data;
};

TEST_F(PipelineServiceTest, MajorVersionMakesThePrefixAndReachesEveryHandler) {
    KnaMain api(2);
    EXPECT_EQ("/api/v2", api.GetApiPrefix());
    EXPECT_EQ(2, api.GetApiMajorVersion());
    const auto handlers = api.GetHandlers();
    ASSERT_TRUE(handlers);
    // One entry per endpoint number of each default handler, all entries of a handler sharing it.
    std::set<const KeynodeApi::KnaBaseHandler*> distinct;
    size_t endpoints = 0;
    for (const auto& entry : *handlers) {
        ASSERT_TRUE(entry.second) << entry.first;
        EXPECT_EQ(2, entry.second->GetApiMajorVersion()) << entry.first;
        std::set<int> claims;
        entry.second->GetSupportedClaims(claims);
        EXPECT_EQ(1u, claims.count(entry.first));
        if (distinct.insert(entry.second.get()).second) endpoints += claims.size();
    }
    EXPECT_EQ(endpoints, handlers->size());
    EXPECT_EQ(1u, handlers->count(11001));
    EXPECT_EQ(1u, handlers->count(11002));
}

TEST_F(PipelineServiceTest, RejectsMajorVersionsBelowOne) {
    EXPECT_THROW(KnaMain(0), TCAssertionException);
    EXPECT_THROW(KnaMain(-1), TCAssertionException);
}

class CountedHandler : public KeynodeApi::KnaBaseHandler {
public:
    CountedHandler(std::set<int> claims, int& alive) : m_Claims(std::move(claims)), m_Alive(alive) {
        ++m_Alive;
    }
    ~CountedHandler() override { --m_Alive; }
    void GetSupportedClaims(std::set<int>& claims) const override {
        claims.insert(m_Claims.begin(), m_Claims.end());
    }

private:
    std::set<int> m_Claims;
    int& m_Alive;
};

TEST_F(PipelineServiceTest, AddWebHandlerSharesOneHandlerOverItsEndpointsAndRefusesHandlersWithoutAny) {
    KnaMain api(3);
    int alive = 0;
    const auto handlers = api.GetHandlers();
    const size_t before = handlers->size();
    ASSERT_EQ(0u, handlers->count(90001) + handlers->count(90002));
    api.AddWebHandler(std::make_unique<CountedHandler>(std::set<int>{90001, 90002, 11002}, alive));
    EXPECT_EQ(before + 2, handlers->size());
    EXPECT_EQ(handlers->at(90001), handlers->at(90002));
    // The keynode handler's entry was replaced.
    EXPECT_EQ(handlers->at(90001), handlers->at(11002));
    EXPECT_EQ(3, handlers->at(90001)->GetApiMajorVersion());
    EXPECT_EQ(1, alive);

    try {
        api.AddWebHandler(std::make_unique<CountedHandler>(std::set<int>{}, alive));
        FAIL() << "a handler without endpoints was accepted";
    } catch (const TCAssertionException& e) {
        EXPECT_NE(std::string::npos,
                  std::string(e.what()).find("Web handler must have assigned at least one claim"));
    }
    EXPECT_EQ(1, alive);
    EXPECT_THROW(api.AddWebHandler(nullptr), TCAssertionException);
}

TEST_F(PipelineServiceTest, GivenHandlerMapIsUsedInsteadOfTheDefaults) {
    int alive = 0;
    auto handlers = std::make_shared<KnaMain::HandlerMap>();
    (*handlers)[11050] = std::make_shared<CountedHandler>(std::set<int>{11050}, alive);
    KnaMain api(4, nullptr, handlers);
    EXPECT_EQ(handlers, api.GetHandlers());
    EXPECT_EQ(1u, handlers->size());
    EXPECT_EQ(4, handlers->at(11050)->GetApiMajorVersion());
}

TEST_F(PipelineServiceTest, OnlyTheApiSettingsReloadTheService) {
    KnaMain api(1);
    ASSERT_FALSE(api.IsApiEnabled());
    SetBoolSetting(AccessProp::GeneralWebApiSettings_Enabled, true);

    const auto other = Property::GetProperty(AccessProp::GeneralWebApiSettings_EventWebHook_Enabled,
                                             Accessories::TCRecordID(), "api-test");
    api.OnPropertyChanges(Property::TENotificationType::Changed, other);
    EXPECT_FALSE(api.IsApiEnabled());

    const auto enabled = Property::GetProperty(AccessProp::GeneralWebApiSettings_Enabled,
                                               Accessories::TCRecordID(), "api-test");
    api.OnPropertyChanges(Property::TENotificationType::Changed, enabled);
    EXPECT_TRUE(api.IsApiEnabled());

    WriteServerConfig("8443");
    SetBoolSetting(AccessProp::GeneralWebApiSettings_HTTPSOnlyIfEnabled, true);
    const auto httpsOnly = Property::GetProperty(AccessProp::GeneralWebApiSettings_HTTPSOnlyIfEnabled,
                                                 Accessories::TCRecordID(), "api-test");
    api.OnPropertyChanges(Property::TENotificationType::Changed, httpsOnly);
    EXPECT_FALSE(api.IsPlainHttpAllowed());
}

TEST_F(PipelineServiceTest, UnsetOrUnreadableSettingsMeanDisabled) {
    KnaMain api(1);
    Property::SetProperty(AccessProp::GeneralWebApiSettings_Enabled, "maybe", Accessories::TCRecordID(),
                          "api-test");
    api.ReloadSettings();
    EXPECT_FALSE(api.IsApiEnabled());
    Property::SetProperty(AccessProp::GeneralWebApiSettings_Enabled, "true", Accessories::TCRecordID(),
                          "api-test");
    api.ReloadSettings();
    EXPECT_TRUE(api.IsApiEnabled());
    Property::DeleteProperty(AccessProp::GeneralWebApiSettings_Enabled, Accessories::TCRecordID(),
                             "api-test");
    api.ReloadSettings();
    EXPECT_FALSE(api.IsApiEnabled());
}

std::string OwnMac() {
    TCMACAddress mac;
    mac.Own("");
    return mac.get_AsString(':');
}

Accessories::TCRecordID AddKeynode(const std::string& mac,
                                   const Accessories::TCNullTypes<std::string>& guid) {
    System::TCDBKeynodes keynodes;
    DB::TCDBAutoObject row;
    keynodes.CreateObject(row);
    row.Field(Table_SystemKeynodes::NAME).set_AsString("unit");
    if (!mac.empty()) row.Field(Table_SystemKeynodes::MAC).set_AsString(mac);
    row.Field(Table_SystemKeynodes::GUID).set_AsNullString(guid);
    row.Save();
    return row.get_ID();
}

TEST_F(PipelineServiceTest, KeynodeMacMapHoldsTheOwnMacOutsideSlaveMode) {
    const auto own = AddKeynode("00:11:22:33:44:55", std::string("guid-1"));
    System::TCDBKeynodes::set_OwnID(own);
    KnaMain api(1);
    api.ReloadKeynodes();
    const KnaMain::KeynodeMacMap expected = {{Accessories::TCRecordID(), OwnMac()}};
    EXPECT_EQ(expected, api.GetKeynodeMacMap());
    EXPECT_EQ(api.GetDoorInterface()->GetProxy(), &api);
    EXPECT_FALSE(api.GetDoorInterface()->IsViaMaster());
}

TEST_F(PipelineServiceTest, KeynodeMacMapInSlaveModeListsTheRowsOfTheOwnGuid) {
    DB::ExecuteSql("INSERT OR REPLACE INTO SystemSettings (NAME, VALUE) VALUES ('MasterSlaveMode', '2')");
    const auto own = AddKeynode("00:11:22:33:44:55", std::string("guid-1"));
    const auto sameGuid = AddKeynode("00:11:22:33:44:66", std::string("guid-1"));
    AddKeynode("", std::string("guid-1"));
    AddKeynode("00:11:22:33:44:77", std::string("guid-2"));
    System::TCDBKeynodes::set_OwnID(own);
    KnaMain api(1);
    api.ReloadKeynodes();
    const KnaMain::KeynodeMacMap expected = {{own, "00:11:22:33:44:55"}, {sameGuid, "00:11:22:33:44:66"}};
    EXPECT_EQ(expected, api.GetKeynodeMacMap());
    // A slave reaches its doors through the master.
    EXPECT_EQ(api.GetDoorInterface()->GetProxy(), &api);
    EXPECT_TRUE(api.GetDoorInterface()->IsViaMaster());

    // Without a GUID on the own row the map falls back to the own MAC.
    System::TCDBKeynodes::set_OwnID(AddKeynode("00:11:22:33:44:88", Accessories::TCNullTypes<std::string>()));
    api.ReloadKeynodes();
    const KnaMain::KeynodeMacMap fallback = {{Accessories::TCRecordID(), OwnMac()}};
    EXPECT_EQ(fallback, api.GetKeynodeMacMap());
}

} // namespace
