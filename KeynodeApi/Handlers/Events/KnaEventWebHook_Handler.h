#pragma once
#include "Handlers/KnaResourceHandler.h"

namespace KeynodeApi {

// "/events/webhook": shows, replaces and clears the webhook settings. The running delivery picks the
// changes up through the settings' change notification.
class KnaEventWebHook_Handler : public KnaResourceHandler {
public:
    void GetSupportedClaims(std::set<int>& claims) const override;
    void GET(const KnaWebRequest& request, KnaWebResponse& response) override;
    void POST(const KnaWebRequest& request, KnaWebResponse& response) override;
    void DELETE(const KnaWebRequest& request, KnaWebResponse& response) override;
};

} // namespace KeynodeApi
