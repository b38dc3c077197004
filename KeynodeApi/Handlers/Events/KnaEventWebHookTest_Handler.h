#pragma once
#include "Handlers/KnaResourceHandler.h"

namespace KeynodeApi {

// POST "/events/webhook/test": posts the event of the body to the configured receiver with a processor
// of its own. The outcome shows only in the event log.
class KnaEventWebHookTest_Handler : public KnaResourceHandler {
public:
    void GetSupportedClaims(std::set<int>& claims) const override;
    void POST(const KnaWebRequest& request, KnaWebResponse& response) override;
};

} // namespace KeynodeApi
