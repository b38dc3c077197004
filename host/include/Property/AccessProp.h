#pragma once
#include "Property/TCPropertyChoiceID.h"
#include "Property/TCPropertyID.h"

#pragma GCC visibility push(default)

// Settings of the Web API service. Numbers are the stored keys and must never be reused.
namespace AccessProp {

using Property::TCPropertyID;
using Property::TEPropertyType;

inline constexpr TCPropertyID GeneralWebApiSettings_Enabled{3700, "GeneralWebApiSettings_Enabled",
                                                            TEPropertyType::Bool};
inline constexpr TCPropertyID GeneralWebApiSettings_HTTPSOnlyIfEnabled{
    3701, "GeneralWebApiSettings_HTTPSOnlyIfEnabled", TEPropertyType::Bool};
// Failed Basic authentications of one user name from one client address within the window (seconds)
// after which that pair is throttled; unset or below 1: 10 within 60 s.
inline constexpr TCPropertyID GeneralWebApiSettings_LoginThrottle_MaxFailures{
    3702, "GeneralWebApiSettings_LoginThrottle_MaxFailures", TEPropertyType::Integer};
inline constexpr TCPropertyID GeneralWebApiSettings_LoginThrottle_WindowSeconds{
    3703, "GeneralWebApiSettings_LoginThrottle_WindowSeconds", TEPropertyType::Integer};

inline constexpr TCPropertyID GeneralWebApiSettings_EventWebHook_Enabled{
    3710, "GeneralWebApiSettings_EventWebHook_Enabled", TEPropertyType::Bool};
inline constexpr TCPropertyID GeneralWebApiSettings_EventWebHook_URL{
    3711, "GeneralWebApiSettings_EventWebHook_URL", TEPropertyType::Text};
inline constexpr TCPropertyID GeneralWebApiSettings_EventWebHook_UserName{
    3712, "GeneralWebApiSettings_EventWebHook_UserName", TEPropertyType::Text};
inline constexpr TCPropertyID GeneralWebApiSettings_EventWebHook_Password{
    3713, "GeneralWebApiSettings_EventWebHook_Password", TEPropertyType::Text};
inline constexpr TCPropertyID GeneralWebApiSettings_EventWebHook_AuthType{
    3714, "GeneralWebApiSettings_EventWebHook_AuthType", TEPropertyType::Choice};
inline constexpr TCPropertyID GeneralWebApiSettings_EventWebHook_JsonFilter{
    3715, "GeneralWebApiSettings_EventWebHook_JsonFilter", TEPropertyType::Text};
inline constexpr TCPropertyID GeneralWebApiSettings_EventWebHook_ConnectRetryIntervalSeconds{
    3716, "GeneralWebApiSettings_EventWebHook_ConnectRetryIntervalSeconds", TEPropertyType::Integer};
inline constexpr TCPropertyID GeneralWebApiSettings_EventWebHook_ConnectRetryCount{
    3717, "GeneralWebApiSettings_EventWebHook_ConnectRetryCount", TEPropertyType::Integer};
inline constexpr TCPropertyID GeneralWebApiSettings_EventWebHook_ConnectFirstDelayMinutesAfterRetries{
    3718, "GeneralWebApiSettings_EventWebHook_ConnectFirstDelayMinutesAfterRetries", TEPropertyType::Integer};
inline constexpr TCPropertyID GeneralWebApiSettings_EventWebHook_ConnectSecondDelayMinutesAfterFirstDelay{
    3719, "GeneralWebApiSettings_EventWebHook_ConnectSecondDelayMinutesAfterFirstDelay",
    TEPropertyType::Integer};
// "Thrid" is the established name of this setting; kept so stored configurations stay readable.
inline constexpr TCPropertyID GeneralWebApiSettings_EventWebHook_ConnectThridDelayMinutesAfterFirstDelay{
    3720, "GeneralWebApiSettings_EventWebHook_ConnectThridDelayMinutesAfterFirstDelay",
    TEPropertyType::Integer};
inline constexpr TCPropertyID
    GeneralWebApiSettings_EventWebHook_PauseIntervalBetweenSuccessfulConnectionsSeconds{
        3721, "GeneralWebApiSettings_EventWebHook_PauseIntervalBetweenSuccessfulConnectionsSeconds",
        TEPropertyType::Integer};
inline constexpr TCPropertyID GeneralWebApiSettings_EventWebHook_VerifySSLCertIfUsed{
    3722, "GeneralWebApiSettings_EventWebHook_VerifySSLCertIfUsed", TEPropertyType::Bool};
inline constexpr TCPropertyID GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID{
    3723, "GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID", TEPropertyType::BigInt};
// Key of the deliveries' signature; empty (the default) sends them unsigned.
inline constexpr TCPropertyID GeneralWebApiSettings_EventWebHook_SigningSecret{
    3724, "GeneralWebApiSettings_EventWebHook_SigningSecret", TEPropertyType::Text};

// Choices of GeneralWebApiSettings_EventWebHook_AuthType.
inline constexpr Property::TCPropertyChoiceID Choice_EventWebHookAuthType_None{1400};
inline constexpr Property::TCPropertyChoiceID Choice_EventWebHookAuthType_Basic{1401};

} // namespace AccessProp

#pragma GCC visibility pop
