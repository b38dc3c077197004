#pragma once
#include <vector>

#include "Interface/KnaJson_MailQueryParam.h"

namespace KeynodeApi {

// The query-parameter document of a mail request, {"params": [...]}, entries in document order.
class KnaJson_MailQueryParamArray : public KnaJson_BaseType {
public:
    const std::vector<KnaJson_MailQueryParam>& GetParams() const { return m_Params; }
    void Add(const KnaJson_MailQueryParam& param) { m_Params.push_back(param); }
    void Clear() { m_Params.clear(); }

    void Deserialize(const rapidjson::Document& doc) override;
    void Deserialize(const rapidjson::Value& value) override;

private:
    std::vector<KnaJson_MailQueryParam> m_Params;
};

} // namespace KeynodeApi
