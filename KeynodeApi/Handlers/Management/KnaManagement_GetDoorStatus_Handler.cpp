#include "Handlers/Management/KnaManagement_GetDoorStatus_Handler.h"

#include "DB/TCDBUserRights.h"
#include "JsonTypes/Config/KnaJson_DoorFilter.h"
#include "JsonTypes/Management/KnaJson_DoorStatus.h"
#include "KnaException.h"
#include "KnaHandlerInfo.h"

namespace KeynodeApi {

void KnaManagement_GetDoorStatus_Handler::GetSupportedClaims(std::set<int>& claims) const {
    claims.insert(Management_GetDoorStatus_Handler_Info_POST.GetEndpointNumber());
}

void KnaManagement_GetDoorStatus_Handler::POST(const KnaWebRequest& request, KnaWebResponse& response) {
    if (m_DoorInterface == nullptr)
        throw KnaException(__FILE__, __LINE__, "m_DoorInterface != __null")
            .FormatOverride("Door management interface not initialized");
    KnaJson_DoorFilter filter;
    ReadBody(request, filter);
    if (request.EnforceRecordRights() && request.GetUserID().IsNotNull())
        filter.SetUserRights(request.GetUserID(), DB::RECORD_RIGHT_SEE);
    KnaJson_DoorStatusResult result(*m_DoorInterface);
    AnswerFilter(response, filter, result);
}

} // namespace KeynodeApi
