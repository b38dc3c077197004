#pragma once
#include <map>
#include <string>

#include "Accessories/TCRecordID.h"
#include "Handlers/KnaResourceHandler.h"

class TCAccessDoorInterface;
class TCCriticalSection;

namespace KeynodeApi {

// POST "/management/doors": one door command to every door named. All doors are checked, and the unit that
// drives each found, before the first is commanded.
class KnaManagement_Door_Handler : public KnaResourceHandler {
public:
    using KeynodeMacMap = std::map<Accessories::TCRecordID, std::string>;

    // Nothing is owned. `mapLock`, when given, is the lock under which the map's owner rebuilds it.
    KnaManagement_Door_Handler(TCAccessDoorInterface* doorInterface, KeynodeMacMap* keynodeMacAddresses,
                               TCCriticalSection* mapLock = nullptr)
        : m_DoorInterface(doorInterface), m_KeynodeMacAddresses(keynodeMacAddresses), m_MapLock(mapLock) {}

    void GetSupportedClaims(std::set<int>& claims) const override;
    void POST(const KnaWebRequest& request, KnaWebResponse& response) override;

private:
    KeynodeMacMap CopyMacMap() const;

    TCAccessDoorInterface* m_DoorInterface;
    KeynodeMacMap* m_KeynodeMacAddresses;
    TCCriticalSection* m_MapLock;
};

} // namespace KeynodeApi
