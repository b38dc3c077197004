#include "JsonTypes/Events/KnaJson_EventWebHook.h"

#include "JsonTypes/KnaJsonMembers.h"
#include "KnaException.h"
#include "KnaUtil.h"
#include "KnaWebHookSettings.h"
#include "Property/AccessProp.h"
#include "Property/TCProperties.h"

namespace KeynodeApi {

namespace {

using WebHookSettings::CHOICE_AUTH_BASIC;
using WebHookSettings::CHOICE_AUTH_NONE;
using WebHookSettings::Read;

template <class Value> void Write(const Property::TCPropertyID& id, const Value& value) {
    Property::SetProperty(id, value, Accessories::TCRecordID(), "");
}

} // namespace

const std::string KnaJson_EventWebHook::AUTH_TYPE_NONE = "None";
const std::string KnaJson_EventWebHook::AUTH_TYPE_BASIC = "Basic";

KnaJson_EventWebHook::KnaJson_EventWebHook(bool loadFromSettings) {
    if (loadFromSettings) LoadFromSettings();
}

void KnaJson_EventWebHook::LoadFromSettings() {
    if (!Read(AccessProp::GeneralWebApiSettings_EventWebHook_Enabled)
             .get_AsBool(Accessories::TCNullTypes<bool>())
             .get_Value(false))
        return;
    m_URL = Read(AccessProp::GeneralWebApiSettings_EventWebHook_URL).get_AsString(std::string());
    m_UserName = Read(AccessProp::GeneralWebApiSettings_EventWebHook_UserName)
                     .get_AsString(Accessories::TCNullTypes<std::string>());
    m_Password = Read(AccessProp::GeneralWebApiSettings_EventWebHook_Password)
                     .get_AsString(Accessories::TCNullTypes<std::string>());
    m_AuthType.set_Value(WebHookSettings::ReadIsBasicAuth() ? AUTH_TYPE_BASIC : AUTH_TYPE_NONE);
    const std::string filterText =
        Read(AccessProp::GeneralWebApiSettings_EventWebHook_JsonFilter).get_AsString(std::string());
    if (!filterText.empty()) m_Filter.DeserializeString(filterText);
}

void KnaJson_EventWebHook::Clear() {
    m_URL.clear();
    m_Filter.Clear();
    m_UserName.SetNull();
    m_Password.SetNull();
    m_AuthType.SetNull();
}

void KnaJson_EventWebHook::SerializeToDoc(rapidjson::Document& doc) const {
    AddWrappedMember(doc, "eventWebHook", *this);
}

bool KnaJson_EventWebHook::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    rapidjson::Value filter;
    m_Filter.SerializeToValue(allocator, filter);
    value.SetObject();
    value.AddMember("url", ToJsonValue(m_URL, allocator), allocator);
    value.AddMember("eventFilter", filter, allocator);
    if (m_UserName.IsNotNull()) value.AddMember("userName", ToJsonValue(m_UserName, allocator), allocator);
    if (m_Password.IsNotNull()) value.AddMember("password", ToJsonValue(m_Password, allocator), allocator);
    if (m_AuthType.IsNotNull()) value.AddMember("authType", ToJsonValue(m_AuthType, allocator), allocator);
    return true;
}

void KnaJson_EventWebHook::Deserialize(const rapidjson::Document& doc) {
    AssertJsonObject(doc);
    Deserialize(static_cast<const rapidjson::Value&>(GetRequiredMember(doc, "eventWebHook")));
}

void KnaJson_EventWebHook::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);
    const rapidjson::Value& url = GetRequiredMember(value, "url");
    const rapidjson::Value& filter = GetRequiredMember(value, "eventFilter");
    if (!url.IsNull()) m_URL.assign(url.GetString(), url.GetStringLength());
    if (!filter.IsNull()) m_Filter.Deserialize(filter);
    ReadOptionalMember(value, "userName", m_UserName);
    ReadOptionalMember(value, "password", m_Password);
    ReadOptionalMember(value, "authType", m_AuthType);
}

void KnaJson_EventWebHook::UpdateSystemSettings() const {
    Write(AccessProp::GeneralWebApiSettings_EventWebHook_Enabled, m_URL.empty() ? 0 : 1);
    Write(AccessProp::GeneralWebApiSettings_EventWebHook_URL, m_URL);
    Write(AccessProp::GeneralWebApiSettings_EventWebHook_UserName, m_UserName.get_Value(std::string()));
    Write(AccessProp::GeneralWebApiSettings_EventWebHook_Password, m_Password.get_Value(std::string()));
    // Any other text leaves the stored type as it is: the comparison is exact.
    if (m_AuthType.IsNull() || m_AuthType.get_Value() == AUTH_TYPE_NONE)
        Write(AccessProp::GeneralWebApiSettings_EventWebHook_AuthType,
              Property::TCPropertyChoiceID::Find(CHOICE_AUTH_NONE));
    else if (m_AuthType.get_Value() == AUTH_TYPE_BASIC)
        Write(AccessProp::GeneralWebApiSettings_EventWebHook_AuthType,
              Property::TCPropertyChoiceID::Find(CHOICE_AUTH_BASIC));
    rapidjson::Document filter(rapidjson::kObjectType);
    m_Filter.SerializeToDoc(filter);
    Write(AccessProp::GeneralWebApiSettings_EventWebHook_JsonFilter, KnaUtil::WriteCompact(filter));
}

} // namespace KeynodeApi
