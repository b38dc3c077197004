#include "Interface/KnaJson_MailQueryParam.h"

#include "Crypto/TCCryptoUtil.h"
#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

void KnaJson_MailQueryParam::Deserialize(const rapidjson::Document& doc) {
    Deserialize(static_cast<const rapidjson::Value&>(doc));
}

void KnaJson_MailQueryParam::Deserialize(const rapidjson::Value& value) {
    m_Name.clear();
    m_Value.SetNull();
    AssertJsonObject(value);
    const rapidjson::Value& name = GetRequiredNotNullMember(value, "name");
    m_Name.assign(name.GetString(), name.GetStringLength());
    const rapidjson::Value* encoded = FindOptionalMember(value, "value_b64");
    if (encoded != nullptr && !encoded->IsNull())
        m_Value = TCCryptoUtil::Base64Decode(std::string(encoded->GetString(), encoded->GetStringLength()));
}

} // namespace KeynodeApi
