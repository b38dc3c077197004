#pragma once
#include "Handlers/KnaBaseHandler.h"

namespace KeynodeApi {

// GET "/keynodes": the controller units of the installation.
class KnaKeynodes_Handler : public KnaBaseHandler {
public:
    void GetSupportedClaims(std::set<int>& claims) const override;
    void GET(const KnaWebRequest& request, KnaWebResponse& response) override;
};

} // namespace KeynodeApi
