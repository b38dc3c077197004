#include "Handlers/Config/KnaDoorFilter_Handler.h"

#include "DB/TCDBUserRights.h"
#include "JsonTypes/Config/KnaJson_DoorFilter.h"
#include "JsonTypes/Config/KnaJson_DoorFilterResult.h"
#include "KnaHandlerInfo.h"

namespace KeynodeApi {

void KnaDoorFilter_Handler::GetSupportedClaims(std::set<int>& claims) const {
    claims.insert(DoorFilter_Handler_Info_POST.GetEndpointNumber());
}

void KnaDoorFilter_Handler::POST(const KnaWebRequest& request, KnaWebResponse& response) {
    KnaJson_DoorFilter filter;
    ReadBody(request, filter);
    if (request.EnforceRecordRights() && request.GetUserID().IsNotNull())
        filter.SetUserRights(request.GetUserID(), DB::RECORD_RIGHT_SEE);
    KnaJson_DoorFilterResult result;
    // The mask tells every caller what it may change, whether or not the road enforces record rights.
    result.SetLoading(request.GetUserID(), filter.IsIncludeAccessRights());
    AnswerFilter(response, filter, result);
}

} // namespace KeynodeApi
