#include "Event/TCEventDefinition.h"

#include "Event/HostEvents.h"
#include "Event/KeynodeWebApiEvents.h"

namespace Event {
namespace {

constexpr TCEventTypeID kEventTypes[] = {
    KeynodeWebApi::Type_RequestFailed,     KeynodeWebApi::Type_Unauthorized,
    KeynodeWebApi::Type_InternalError,     KeynodeWebApi::Type_ConnectionFailed,
    KeynodeWebApi::Type_Restored,          KeynodeWebApi::Type_EventWebHookProcessingFailed,
    KeynodeWebApi::Type_ApiActionExecuted, KeynodeWebApi::Type_LoginThrottled,
    AccessEvent::Type_DoorCommanded,       AccessEvent::Type_AccessGranted,
    AccessEvent::Type_AccessDenied,
};

constexpr TCEventDetailID kEventDetails[] = {
    KeynodeWebApi::Member_UserErrorMessage,
    KeynodeWebApi::Member_UserErrorCode,
    KeynodeWebApi::Member_HttpErrorCode,
    KeynodeWebApi::Member_UserErrorDetails,
    KeynodeWebApi::Member_InternalError,
    KeynodeWebApi::Member_ConnectionDestinationUrl,
    KeynodeWebApi::Member_ConnectionErrorCode,
    KeynodeWebApi::Member_ConnectionErrorDescription,
    KeynodeWebApi::Member_ConnectionHttpErrorCode,
    AccessEvent::Member_DoorID,
    AccessEvent::Member_ReaderID,
    AccessEvent::Member_CardNumber,
    AccessEvent::Member_ChipID,
    AccessEvent::Member_DenialReason,
    AccessEvent::Member_DoorCommand,
    SystemEvent::Member_Information,
    WebEvent::Member_OperatorID,
};

} // namespace

const char* FindEventTypeName(int typeID) {
    for (const TCEventTypeID& type : kEventTypes)
        if (type.ID == typeID) return type.Name;
    return nullptr;
}

const char* FindEventDetailName(int detailID) {
    for (const TCEventDetailID& detail : kEventDetails)
        if (detail.ID == detailID) return detail.Name;
    return nullptr;
}

} // namespace Event
