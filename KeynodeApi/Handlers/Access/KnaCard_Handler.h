#pragma once
#include <string>

#include "Handlers/KnaResourceHandler.h"

namespace KeynodeApi {

// "/access/cards": read, create, change and delete cards with their access-group links.
class KnaCard_Handler : public KnaResourceHandler {
public:
    void GetSupportedClaims(std::set<int>& claims) const override;
    // Exactly one of ?id={identity JSON} and ?cardNumber=text.
    void GET(const KnaWebRequest& request, KnaWebResponse& response) override;
    // Body: one card; answers {"card": {...}} as stored.
    void POST(const KnaWebRequest& request, KnaWebResponse& response) override;
    // Body: one card; no answer body.
    void PUT(const KnaWebRequest& request, KnaWebResponse& response) override;
    // ?id={identity JSON}; no answer body.
    void DELETE(const KnaWebRequest& request, KnaWebResponse& response) override;

private:
    const std::string m_IDParamName = "id";
    const std::string m_CardNumberParamName = "cardNumber";
};

} // namespace KeynodeApi
