#include "KnaWebHookSettings.h"

#include "KnaException.h"
#include "Property/AccessProp.h"
#include "Property/TCProperties.h"

namespace KeynodeApi::WebHookSettings {

Property::TCCommonPropertyObject Read(const Property::TCPropertyID& id) {
    return Property::GetProperty(id, Accessories::TCRecordID(), "");
}

bool ReadIsBasicAuth() {
    const Accessories::TCNullTypes<int> authType =
        Read(AccessProp::GeneralWebApiSettings_EventWebHook_AuthType)
            .get_ChoiceID(Accessories::TCNullTypes<int>());
    if (authType.IsNotNull() && authType.get_Value() == CHOICE_AUTH_NONE) return false;
    if (authType.IsNotNull() && authType.get_Value() == CHOICE_AUTH_BASIC) return true;
    throw KnaException(__FILE__, __LINE__, "Unknown value of GeneralWebApiSettings_EventWebHook_AuthType");
}

} // namespace KeynodeApi::WebHookSettings
