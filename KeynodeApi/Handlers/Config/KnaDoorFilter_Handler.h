#pragma once
#include "Handlers/KnaFilterHandler.h"

namespace KeynodeApi {

// POST "/config/doors/filter": one page of the doors the caller may see, with their total count.
class KnaDoorFilter_Handler : public KnaFilterHandler {
public:
    void GetSupportedClaims(std::set<int>& claims) const override;
    void POST(const KnaWebRequest& request, KnaWebResponse& response) override;
};

} // namespace KeynodeApi
