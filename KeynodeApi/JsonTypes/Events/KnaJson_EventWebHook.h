#pragma once
#include <string>

#include "JsonTypes/Events/KnaJson_EventFilter.h"

namespace KeynodeApi {

// The webhook settings as the API shows and changes them: {"eventWebHook": {"url", "eventFilter",
// "userName", "password", "authType"}}. Everything lives in the host's settings, nothing in tables.
class KnaJson_EventWebHook : public KnaJson_BaseType {
public:
    static const std::string AUTH_TYPE_NONE;
    static const std::string AUTH_TYPE_BASIC;

    explicit KnaJson_EventWebHook(bool loadFromSettings);

    void Clear();
    void SerializeToDoc(rapidjson::Document& doc) const override;
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    void Deserialize(const rapidjson::Document& doc) override;
    void Deserialize(const rapidjson::Value& value) override;

    // Writes every member into its setting, one after the other; Enabled follows from the URL.
    void UpdateSystemSettings() const;

private:
    void LoadFromSettings();

    std::string m_URL;
    KnaJson_EventFilter m_Filter;
    Accessories::TCNullTypes<std::string> m_UserName;
    Accessories::TCNullTypes<std::string> m_Password;
    Accessories::TCNullTypes<std::string> m_AuthType;
};

} // namespace KeynodeApi
