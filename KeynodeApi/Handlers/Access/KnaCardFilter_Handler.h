#pragma once
#include "Handlers/KnaFilterHandler.h"

namespace KeynodeApi {

// POST "/access/cards/filter": one page of the matching cards and their total count.
class KnaCardFilter_Handler : public KnaFilterHandler {
public:
    void GetSupportedClaims(std::set<int>& claims) const override;
    void POST(const KnaWebRequest& request, KnaWebResponse& response) override;
};

} // namespace KeynodeApi
