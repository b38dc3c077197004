#pragma once
#include "Property/TCCommonPropertyObject.h"
#include "Property/TCPropertyID.h"

// Reading the webhook's stored settings, shared by the delivery processor and the settings resource.
namespace KeynodeApi::WebHookSettings {

// Choices of GeneralWebApiSettings_EventWebHook_AuthType.
constexpr int CHOICE_AUTH_NONE = 1400;
constexpr int CHOICE_AUTH_BASIC = 1401;

// The system-wide value of the setting.
Property::TCCommonPropertyObject Read(const Property::TCPropertyID& id);
// Whether the stored authentication type is Basic; KnaException when it is neither of the two choices.
bool ReadIsBasicAuth();

} // namespace KeynodeApi::WebHookSettings
