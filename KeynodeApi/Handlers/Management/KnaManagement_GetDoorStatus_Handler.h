#pragma once
#include "Handlers/KnaFilterHandler.h"

class TCAccessDoorInterface;

namespace KeynodeApi {

// POST "/management/doors/status": the live state of the doors a door filter selects.
class KnaManagement_GetDoorStatus_Handler : public KnaFilterHandler {
public:
    // The door interface is not owned.
    explicit KnaManagement_GetDoorStatus_Handler(TCAccessDoorInterface* doorInterface)
        : m_DoorInterface(doorInterface) {}

    void GetSupportedClaims(std::set<int>& claims) const override;
    void POST(const KnaWebRequest& request, KnaWebResponse& response) override;

private:
    TCAccessDoorInterface* m_DoorInterface;
};

} // namespace KeynodeApi
