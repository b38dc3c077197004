#include "KnaMain.h"

#include "Event/KeynodeWebApiEvents.h"
#include "Event/TCClientEvent.h"
#include "JsonTypes/KnaJson_Error.h"
#include "KnaUtil.h"

namespace KeynodeApi {

namespace {

// The event type follows the status the caller asked for, not the one derived from the error.
int EventTypeForStatus(int requestedStatus) {
    if (requestedStatus == 401) return KeynodeWebApi::Type_Unauthorized;
    if (requestedStatus == 500) return KeynodeWebApi::Type_InternalError;
    return KeynodeWebApi::Type_RequestFailed;
}

Event::TCClientEventDetails TextDetail(int detailID, const std::string& text) {
    Event::TCClientEventDetails detail(detailID);
    detail.set_Value(KnaUtil::GetEvenlogFriendlyErrorString(text));
    return detail;
}

Event::TCClientEventDetails IntDetail(int detailID, int value) {
    Event::TCClientEventDetails detail(detailID);
    detail.set_Value(value);
    return detail;
}

} // namespace

void KnaMain::EndRequestWithError(KnaWebResponse& response, const std::string& message, int code,
                                  const std::string& messageDetails, int status, const std::string& details,
                                  bool writeEvent) {
    EndRequestWithError(response, std::make_shared<KnaJson_Error>(code, message, messageDetails), status,
                        details, writeEvent);
}

void KnaMain::EndRequestWithError(KnaWebResponse& response, const std::shared_ptr<KnaJson_Error>& error,
                                  int status, const std::string& details, bool writeEvent) {
    int effectiveStatus = status >= 0 ? status : error->GetHTTPCode();
    if (effectiveStatus < 0) effectiveStatus = 500;

    if (writeEvent) {
        Event::TCClientEvent event(EventTypeForStatus(status));
        event << TextDetail(KeynodeWebApi::Member_UserErrorMessage, error->GetMsg());
        event << IntDetail(KeynodeWebApi::Member_UserErrorCode, error->GetCode());
        event << IntDetail(KeynodeWebApi::Member_HttpErrorCode, effectiveStatus);
        if (!error->GetMsgDetails().empty())
            event << TextDetail(KeynodeWebApi::Member_UserErrorDetails, error->GetMsgDetails());
        if (!details.empty()) event << TextDetail(KeynodeWebApi::Member_InternalError, details);
    }
    KnaBaseHandler::SetResponseError(response, error, effectiveStatus);
}

} // namespace KeynodeApi
