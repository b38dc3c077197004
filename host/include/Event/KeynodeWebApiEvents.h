#pragma once
#include "Event/TCEventDefinition.h"

#pragma GCC visibility push(default)

// Events of the Web API service. Numbers are stored in the event log and must never be reused.
namespace KeynodeWebApi {

using Event::TCEventDetailID;
using Event::TCEventTypeID;

inline constexpr TCEventTypeID Type_RequestFailed{12000, "KeynodeWebApi.RequestFailed"};
inline constexpr TCEventTypeID Type_Unauthorized{12001, "KeynodeWebApi.Unauthorized"};
inline constexpr TCEventTypeID Type_InternalError{12002, "KeynodeWebApi.InternalError"};
inline constexpr TCEventTypeID Type_ConnectionFailed{12003, "KeynodeWebApi.ConnectionFailed"};
inline constexpr TCEventTypeID Type_Restored{12004, "KeynodeWebApi.Restored"};
inline constexpr TCEventTypeID Type_EventWebHookProcessingFailed{
    12005, "KeynodeWebApi.EventWebHookProcessingFailed"};
inline constexpr TCEventTypeID Type_ApiActionExecuted{12006, "KeynodeWebApi.ApiActionExecuted"};
inline constexpr TCEventTypeID Type_LoginThrottled{12007, "KeynodeWebApi.LoginThrottled"};

inline constexpr TCEventDetailID Member_UserErrorMessage{12100, "KeynodeWebApi.UserErrorMessage"};
inline constexpr TCEventDetailID Member_UserErrorCode{12101, "KeynodeWebApi.UserErrorCode"};
inline constexpr TCEventDetailID Member_HttpErrorCode{12102, "KeynodeWebApi.HttpErrorCode"};
inline constexpr TCEventDetailID Member_UserErrorDetails{12103, "KeynodeWebApi.UserErrorDetails"};
inline constexpr TCEventDetailID Member_InternalError{12104, "KeynodeWebApi.InternalError"};
inline constexpr TCEventDetailID Member_ConnectionDestinationUrl{12105,
                                                                 "KeynodeWebApi.ConnectionDestinationUrl"};
inline constexpr TCEventDetailID Member_ConnectionErrorCode{12106, "KeynodeWebApi.ConnectionErrorCode"};
inline constexpr TCEventDetailID Member_ConnectionErrorDescription{
    12107, "KeynodeWebApi.ConnectionErrorDescription"};
inline constexpr TCEventDetailID Member_ConnectionHttpErrorCode{12108,
                                                                "KeynodeWebApi.ConnectionHttpErrorCode"};

// The same detail numbers under their definition names.
inline constexpr int DefinitionDetail_UserErrorMessage_id = Member_UserErrorMessage.ID;
inline constexpr int DefinitionDetail_UserErrorCode_id = Member_UserErrorCode.ID;
inline constexpr int DefinitionDetail_HttpErrorCode_id = Member_HttpErrorCode.ID;
inline constexpr int DefinitionDetail_UserErrorDetails_id = Member_UserErrorDetails.ID;
inline constexpr int DefinitionDetail_InternalError_id = Member_InternalError.ID;
inline constexpr int DefinitionDetail_ConnectionDestinationUrl_id = Member_ConnectionDestinationUrl.ID;
inline constexpr int DefinitionDetail_ConnectionErrorCode_id = Member_ConnectionErrorCode.ID;
inline constexpr int DefinitionDetail_ConnectionErrorDescription_id = Member_ConnectionErrorDescription.ID;
inline constexpr int DefinitionDetail_ConnectionHttpErrorCode_id = Member_ConnectionHttpErrorCode.ID;

} // namespace KeynodeWebApi

#pragma GCC visibility pop
