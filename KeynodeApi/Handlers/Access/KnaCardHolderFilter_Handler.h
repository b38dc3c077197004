#pragma once
#include "Handlers/KnaFilterHandler.h"

namespace KeynodeApi {

// POST "/access/cardHolders/filter": one page of the matching card holders and their total count.
class KnaCardHolderFilter_Handler : public KnaFilterHandler {
public:
    void GetSupportedClaims(std::set<int>& claims) const override;
    void POST(const KnaWebRequest& request, KnaWebResponse& response) override;
};

} // namespace KeynodeApi
