#include "Interface/KnaJson_MailQueryParamArray.h"

#include "JsonTypes/KnaJsonMembers.h"
#include "Json/TCJsonParsingException.h"

namespace KeynodeApi {

void KnaJson_MailQueryParamArray::Deserialize(const rapidjson::Document& doc) {
    Deserialize(static_cast<const rapidjson::Value&>(doc));
}

void KnaJson_MailQueryParamArray::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);
    const rapidjson::Value* params = FindOptionalMember(value, "params");
    if (params == nullptr)
        throw TCJson::TCJsonParsingException(__FILE__, __LINE__, "value.HasMember(\"params\")")
            .FormatOverride("Expected %s member", "params");
    AssertJsonArray(*params);
    for (const rapidjson::Value& element : params->GetArray()) {
        KnaJson_MailQueryParam param;
        param.Deserialize(element);
        m_Params.push_back(param);
    }
}

} // namespace KeynodeApi
