#pragma once
#include "Handlers/KnaFilterHandler.h"

namespace KeynodeApi {

// POST "/events/filter": a page of the event log with the details of each event. The log is not limited
// by record rights.
class KnaEventFilter_Handler : public KnaFilterHandler {
public:
    void GetSupportedClaims(std::set<int>& claims) const override;
    void POST(const KnaWebRequest& request, KnaWebResponse& response) override;
};

} // namespace KeynodeApi
