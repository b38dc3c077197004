#pragma once
#include "Handlers/KnaResourceHandler.h"

class TCKnmsServiceProxy;

namespace KeynodeApi {

// POST "/management/simulatecardread": has the door service look up a card as if it had been presented at
// a reader, then hands it the read to decide on, and logs the action. Access is the door service's call.
class KnaManagement_SimulateCardRead_Handler : public KnaResourceHandler {
public:
    // The proxy is not owned.
    explicit KnaManagement_SimulateCardRead_Handler(TCKnmsServiceProxy* serviceProxy)
        : m_ServiceProxy(serviceProxy) {}

    void GetSupportedClaims(std::set<int>& claims) const override;
    void POST(const KnaWebRequest& request, KnaWebResponse& response) override;

private:
    TCKnmsServiceProxy* m_ServiceProxy;
};

} // namespace KeynodeApi
