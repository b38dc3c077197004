#include "Handlers/Access/KnaCardFilter_Handler.h"

#include "JsonTypes/Access/KnaJson_CardFilter.h"
#include "JsonTypes/Access/KnaJson_CardFilterResult.h"
#include "KnaHandlerInfo.h"

namespace KeynodeApi {

void KnaCardFilter_Handler::GetSupportedClaims(std::set<int>& claims) const {
    claims.insert(KnaCardFilter_Handler_Info_POST.GetEndpointNumber());
}

void KnaCardFilter_Handler::POST(const KnaWebRequest& request, KnaWebResponse& response) {
    KnaJson_CardFilter filter;
    KnaJson_CardFilterResult result;
    ServeFilter(request, response, filter, result);
}

} // namespace KeynodeApi
