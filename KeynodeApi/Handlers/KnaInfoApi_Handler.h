#pragma once
#include "Handlers/KnaBaseHandler.h"

namespace KeynodeApi {

// GET "/info/api": the version of this interface.
class KnaInfoApi_Handler : public KnaBaseHandler {
public:
    void GetSupportedClaims(std::set<int>& claims) const override;
    void GET(const KnaWebRequest& request, KnaWebResponse& response) override;
};

} // namespace KeynodeApi
