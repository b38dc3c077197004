#include "Handlers/Management/KnaManagement_Door_Handler.h"

#include "Access/TCAccessDoorInterface.h"
#include "DB/TCDBUserRights.h"
#include "DB/Tables/AccessTables.h"
#include "JsonTypes/Management/KnaJson_DoorCommand.h"
#include "KnaException.h"
#include "KnaHandlerInfo.h"
#include "Net/TCMACAddress.h"
#include "Thread/TCThread.h"

namespace KeynodeApi {
namespace {
std::string RecordIDText(const Accessories::TCRecordID& id) {
    return id.IsNull() ? "null" : std::to_string(id.get_ID());
}
} // namespace

void KnaManagement_Door_Handler::GetSupportedClaims(std::set<int>& claims) const {
    claims.insert(Management_Door_Handler_Info_POST.GetEndpointNumber());
}

KnaManagement_Door_Handler::KeynodeMacMap KnaManagement_Door_Handler::CopyMacMap() const {
    if (m_MapLock == nullptr) return *m_KeynodeMacAddresses;
    TCCriticalSectionLock lock(*m_MapLock);
    return *m_KeynodeMacAddresses;
}

void KnaManagement_Door_Handler::POST(const KnaWebRequest& request, KnaWebResponse&) {
    if (m_DoorInterface == nullptr || m_KeynodeMacAddresses == nullptr)
        throw KnaException(__FILE__, __LINE__, "m_DoorInterface != __null && m_KeynodeMacAddresses != __null")
            .FormatOverride("Door management interface not initialized");
    KnaJson_DoorCommand command;
    ReadBody(request, command);

    const KeynodeMacMap macMap = CopyMacMap();
    // A single unit drives every door itself.
    std::string ownMac;
    if (macMap.size() <= 1) {
        TCMACAddress own;
        own.Own("");
        ownMac = own.get_AsString(':');
    }

    Access::TCDBDoors doors;
    if (request.EnforceRecordRights() && request.GetUserID().IsNotNull())
        doors.SetFilterByUserRights(request.GetUserID(), DB::RECORD_RIGHT_CHANGE);

    std::map<Accessories::TCRecordID, std::string> doorMacs;
    for (const KnaJson_ID& id : command.GetDoorIDs().GetIDs()) {
        const Accessories::TCRecordID doorID = id.GetRecordID();
        DB::TCDBIterator door = doors.SelectPrimary(doorID);
        if (!door.IsNotEnd())
            throw KnaException(__FILE__, __LINE__, "door.IsNotEnd()")
                .FormatOverride("Door ID %s not found in database or access not allowed",
                                RecordIDText(doorID).c_str());
        if (macMap.size() <= 1) {
            doorMacs[doorID] = ownMac;
            continue;
        }
        const auto mac = macMap.find(door.Field(Table_AccessDoors::KEYNODE).get_AsRecordID());
        if (mac == macMap.end())
            throw KnaException(__FILE__, __LINE__, "mac != macMap.end()")
                .FormatOverride("Keynode MAC not found for Door ID %s", RecordIDText(doorID).c_str());
        doorMacs[doorID] = mac->second;
    }

    const auto newState = static_cast<Access::eDoorControl>(command.GetNewDoorState());
    for (const KnaJson_ID& id : command.GetDoorIDs().GetIDs())
        m_DoorInterface->ChangeState(doorMacs.at(id.GetRecordID()), id.GetRecordID(), newState,
                                     request.GetUserID(), request.GetSourceModule());
}

} // namespace KeynodeApi
