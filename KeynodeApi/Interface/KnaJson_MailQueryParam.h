#pragma once
#include <string>

#include "JsonTypes/KnaJson_BaseType.h"

namespace KeynodeApi {

// One query parameter of a mail request: {"name": "id", "value_b64": "<Base64 of the value>"}. An absent
// or null "value_b64" is a parameter without value.
class KnaJson_MailQueryParam : public KnaJson_BaseType {
public:
    KnaJson_MailQueryParam() = default;
    KnaJson_MailQueryParam(std::string name, Accessories::TCNullTypes<std::string> value)
        : m_Name(std::move(name)), m_Value(std::move(value)) {}

    const std::string& GetName() const { return m_Name; }
    // Decoded; null for a parameter without value.
    const Accessories::TCNullTypes<std::string>& GetValue() const { return m_Value; }

    void Deserialize(const rapidjson::Document& doc) override;
    void Deserialize(const rapidjson::Value& value) override;

private:
    std::string m_Name;
    Accessories::TCNullTypes<std::string> m_Value;
};

} // namespace KeynodeApi
