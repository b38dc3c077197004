#include "Handlers/Events/KnaEventFilter_Handler.h"

#include "JsonTypes/Events/KnaJson_EventFilter.h"
#include "JsonTypes/Events/KnaJson_EventFilterResult.h"
#include "KnaHandlerInfo.h"

namespace KeynodeApi {

void KnaEventFilter_Handler::GetSupportedClaims(std::set<int>& claims) const {
    claims.insert(KnaEventFilter_Handler_Info_POST.GetEndpointNumber());
}

void KnaEventFilter_Handler::POST(const KnaWebRequest& request, KnaWebResponse& response) {
    KnaJson_EventFilter filter;
    ReadBody(request, filter);
    KnaJson_EventFilterResult result;
    result.set_Count(filter.ApplyFilter_SelectCount());
    if (result.get_Count() > 0) result.AddPage(filter, Accessories::TCRecordID());
    WriteDocument(response, result);
}

} // namespace KeynodeApi
