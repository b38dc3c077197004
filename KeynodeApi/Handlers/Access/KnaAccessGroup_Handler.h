#pragma once
#include <string>

#include "Handlers/KnaResourceHandler.h"

namespace KeynodeApi {

// "/access/accessGroups": list, create, change and delete access groups with their door rights.
class KnaAccessGroup_Handler : public KnaResourceHandler {
public:
    KnaAccessGroup_Handler(std::string idParamName = "id", std::string nameParamName = "name")
        : m_IDParamName(std::move(idParamName)), m_NameParamName(std::move(nameParamName)) {}

    void GetSupportedClaims(std::set<int>& claims) const override;
    // At most one of ?id={identity JSON} and ?name=text; neither lists every group.
    void GET(const KnaWebRequest& request, KnaWebResponse& response) override;
    // Body: one group; answers {"accessGroup": {...}} as stored.
    void POST(const KnaWebRequest& request, KnaWebResponse& response) override;
    // Body: one group; no answer body.
    void PUT(const KnaWebRequest& request, KnaWebResponse& response) override;
    // ?id={identity JSON}; no answer body.
    void DELETE(const KnaWebRequest& request, KnaWebResponse& response) override;

private:
    const std::string m_IDParamName;
    const std::string m_NameParamName;
};

} // namespace KeynodeApi
