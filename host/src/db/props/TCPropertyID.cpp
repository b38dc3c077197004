#include "Host/TCException.h"
#include "Property/AccessProp.h"

namespace Property {

const std::vector<const TCPropertyID*>& TCPropertyID::All() {
    static const std::vector<const TCPropertyID*> all = {
        &AccessProp::GeneralWebApiSettings_Enabled,
        &AccessProp::GeneralWebApiSettings_HTTPSOnlyIfEnabled,
        &AccessProp::GeneralWebApiSettings_LoginThrottle_MaxFailures,
        &AccessProp::GeneralWebApiSettings_LoginThrottle_WindowSeconds,
        &AccessProp::GeneralWebApiSettings_EventWebHook_Enabled,
        &AccessProp::GeneralWebApiSettings_EventWebHook_URL,
        &AccessProp::GeneralWebApiSettings_EventWebHook_UserName,
        &AccessProp::GeneralWebApiSettings_EventWebHook_Password,
        &AccessProp::GeneralWebApiSettings_EventWebHook_AuthType,
        &AccessProp::GeneralWebApiSettings_EventWebHook_JsonFilter,
        &AccessProp::GeneralWebApiSettings_EventWebHook_ConnectRetryIntervalSeconds,
        &AccessProp::GeneralWebApiSettings_EventWebHook_ConnectRetryCount,
        &AccessProp::GeneralWebApiSettings_EventWebHook_ConnectFirstDelayMinutesAfterRetries,
        &AccessProp::GeneralWebApiSettings_EventWebHook_ConnectSecondDelayMinutesAfterFirstDelay,
        &AccessProp::GeneralWebApiSettings_EventWebHook_ConnectThridDelayMinutesAfterFirstDelay,
        &AccessProp::GeneralWebApiSettings_EventWebHook_PauseIntervalBetweenSuccessfulConnectionsSeconds,
        &AccessProp::GeneralWebApiSettings_EventWebHook_VerifySSLCertIfUsed,
        &AccessProp::GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID,
        &AccessProp::GeneralWebApiSettings_EventWebHook_SigningSecret,
    };
    return all;
}

const TCPropertyID* TCPropertyID::FindByName(const std::string& name) {
    for (const TCPropertyID* id : All())
        if (name == id->get_Name()) return id;
    return nullptr;
}

const TCPropertyID* TCPropertyID::FindByNumber(int number) {
    for (const TCPropertyID* id : All())
        if (id->get_Number() == number) return id;
    return nullptr;
}

bool TCPropertyChoiceID::IsKnown(int id) {
    return id == AccessProp::Choice_EventWebHookAuthType_None.get_ID() ||
           id == AccessProp::Choice_EventWebHookAuthType_Basic.get_ID();
}

TCPropertyChoiceID TCPropertyChoiceID::Find(int id) {
    if (!IsKnown(id)) throw TCException(__FILE__, __LINE__).Format("Unknown property choice %d", id);
    return TCPropertyChoiceID(id);
}

} // namespace Property
