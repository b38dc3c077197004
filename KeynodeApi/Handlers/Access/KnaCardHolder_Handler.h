#pragma once
#include <string>

#include "Handlers/KnaResourceHandler.h"

namespace KeynodeApi {

// "/access/cardHolders": read, create, change and delete card holders with their card lists.
class KnaCardHolder_Handler : public KnaResourceHandler {
public:
    void GetSupportedClaims(std::set<int>& claims) const override;
    // ?id={identity JSON}, the only parameter.
    void GET(const KnaWebRequest& request, KnaWebResponse& response) override;
    // Body: one card holder; answers {"cardHolder": {...}} as stored.
    void POST(const KnaWebRequest& request, KnaWebResponse& response) override;
    // Body: one card holder; no answer body.
    void PUT(const KnaWebRequest& request, KnaWebResponse& response) override;
    // ?id={identity JSON}; no answer body.
    void DELETE(const KnaWebRequest& request, KnaWebResponse& response) override;

private:
    const std::string m_IDParamName = "id";
};

} // namespace KeynodeApi
