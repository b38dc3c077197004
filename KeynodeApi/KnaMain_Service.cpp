#include "KnaMain.h"

#include "Config/TCConfigurationFile.h"
#include "DB/TCDBBasicTable.h"
#include "DB/TCDBTransaction.h"
#include "DB/Tables/SystemTables.h"
#include "Debug/TCDebug.h"
#include "KnaEventWebHookProcessor.h"
#include "KnaLoginThrottle.h"
#include "Property/AccessProp.h"
#include "Property/TCProperties.h"
#include "Property/TCPropertyCollection.h"

namespace KeynodeApi {

namespace {

// The web server's settings; its "https-port" tells whether HTTPS is really offered.
const char* const kServerConfigPath = "/usr/caldrix/web/settings/server_config.txt";

std::string OwnMacAddressText() {
    TCMACAddress mac;
    mac.Own("");
    return mac.get_AsString(':');
}

bool ReadBoolSetting(const Property::TCPropertyID& id) {
    return Property::GetProperty(id, Accessories::TCRecordID(), "")
        .get_AsBool(Accessories::TCNullTypes<bool>())
        .get_Value(false);
}

int ReadIntSetting(const Property::TCPropertyID& id) {
    return Property::GetProperty(id, Accessories::TCRecordID(), "").get_AsInteger(0);
}

} // namespace

int64_t KnaMain::GetSessionNumber() const {
    return static_cast<int64_t>(reinterpret_cast<intptr_t>(this));
}

void KnaMain::StartThread() {
    TCCriticalSectionLock lock(m_CriticalSection);
    Property::TCPropertyCollection::SetCurrentSession(GetSessionNumber(), OwnMacAddressText());
    Resume();
}

int KnaMain::Execute() {
    if (IsDebugLevel(DEBUG_WEBAPI)) SendDebugOutput(DEBUG_WEBAPI, "KeynodeApi thread starting..");
    ReloadSettings();
    m_WebHookProcessor->LoadProperties();
    if (IsDebugLevel(DEBUG_WEBAPI))
        SendDebugOutput(DEBUG_WEBAPI,
                        "KeynodeApi thread started; Is Web API enabled (internal is always enabled): %d",
                        IsApiEnabled() ? 1 : 0);

    int waitMs = 1000;
    while (!IsTerminated()) {
        const int signalled = WaitObjects(waitMs);
        // One failed pass (a busy database, say) must not end the service.
        try {
            switch (signalled) {
            case WAIT_DB_CHANGES: {
                DB::TCDBTransaction transaction(-1);
                m_DBNotifier.Drain();
                break;
            }
            case WAIT_PROPERTY_CHANGES:
                m_PropertyNotifier.Process();
                break;
            case WAIT_MAIL:
                ProcessProxy(-1, false);
                break;
            default: // time-out
                break;
            }
        } catch (const std::exception& e) {
            if (IsDebugLevel(DEBUG_COMMON)) SendDebugOutput(DEBUG_COMMON, "KeynodeApi thread: %s", e.what());
        }

        // Webhook: one delivery every pass; after a full page the next pass starts at once.
        m_WebHookProcessor->Process();
        waitMs = m_WebHookProcessor->IsBacklogPending() ? 0 : 1000;
    }
    return 0;
}

void KnaMain::Shutdown() {
    Property::TCPropertyCollection::DeleteSession(GetSessionNumber());
    if (IsDebugLevel(DEBUG_WEBAPI)) SendDebugOutput(DEBUG_WEBAPI, "KeynodeApi thread stopped");
}

void KnaMain::ReloadSettings() {
    TCCriticalSectionLock lock(m_CriticalSection);
    m_ApiEnabled = ReadBoolSetting(AccessProp::GeneralWebApiSettings_Enabled);

    // Refusing plain HTTP only makes sense when the server really offers HTTPS.
    bool plainHttpAllowed = true;
    if (ReadBoolSetting(AccessProp::GeneralWebApiSettings_HTTPSOnlyIfEnabled)) {
        TCConfigurationFile serverConfig;
        if (serverConfig.Load(kServerConfigPath, false))
            plainHttpAllowed = serverConfig.Get("https-port", "").empty();
    }
    m_PlainHttpAllowed = plainHttpAllowed;
    m_LoginThrottle->Configure(ReadIntSetting(AccessProp::GeneralWebApiSettings_LoginThrottle_MaxFailures),
                               ReadIntSetting(AccessProp::GeneralWebApiSettings_LoginThrottle_WindowSeconds));
    ReloadKeynodes();
}

void KnaMain::ReloadKeynodes() {
    TCCriticalSectionLock lock(m_CriticalSection);
    // Filled in place: the door handlers share this map.
    KeynodeMacMap& macMap = *m_KeynodeMacMap;
    macMap.clear();
    if (DB::TCDBBasicTable::get_MasterSlaveMode() == MASTER_SLAVE_MODE_SLAVE) {
        const std::string ownGuid = System::TCDBKeynodes::get_OwnGUID();
        if (!ownGuid.empty()) {
            System::TCDBKeynodes keynodes;
            for (auto row = keynodes.Select("*", Table_SystemKeynodes::GUID.IsNotNull() &&
                                                     Table_SystemKeynodes::GUID == ownGuid);
                 row.IsNotEnd(); row.Next()) {
                if (!row.Field(Table_SystemKeynodes::MAC).IsNull())
                    macMap[row.Field(Table_SystemKeynodes::ID).get_AsRecordID()] =
                        row.Field(Table_SystemKeynodes::MAC).get_AsString();
            }
        }
    }
    if (macMap.empty()) macMap[Accessories::TCRecordID()] = OwnMacAddressText();
    m_DoorInterface->Initialize();
}

void KnaMain::RefreshDoorStatus() {
    m_DoorInterface->Refresh();
}

KnaMain::KeynodeMacMap KnaMain::GetKeynodeMacMap() {
    TCCriticalSectionLock lock(m_CriticalSection);
    return *m_KeynodeMacMap;
}

void KnaMain::OnPropertyChanges(Property::TENotificationType type,
                                const Property::TCCommonPropertyObject& property) {
    m_WebHookProcessor->OnPropertyChanges(type, property);
    if (property.get_ID() == AccessProp::GeneralWebApiSettings_Enabled ||
        property.get_ID() == AccessProp::GeneralWebApiSettings_HTTPSOnlyIfEnabled ||
        property.get_ID() == AccessProp::GeneralWebApiSettings_LoginThrottle_MaxFailures ||
        property.get_ID() == AccessProp::GeneralWebApiSettings_LoginThrottle_WindowSeconds) {
        ReloadSettings();
        if (IsDebugLevel(DEBUG_WEBAPI))
            SendDebugOutput(DEBUG_WEBAPI, "KeynodeApi thread property change event");
    }
}

// Changes are drained only to keep the notifier's queue from growing.
void KnaMain::OnDBChanges(const DB::TCDBChange&) {}

} // namespace KeynodeApi
