#include "Handlers/Access/KnaCardHolderFilter_Handler.h"

#include "JsonTypes/Access/KnaJson_CardHolderFilter.h"
#include "JsonTypes/Access/KnaJson_CardHolderFilterResult.h"
#include "KnaHandlerInfo.h"

namespace KeynodeApi {

void KnaCardHolderFilter_Handler::GetSupportedClaims(std::set<int>& claims) const {
    claims.insert(KnaCardHolderFilter_Handler_Info_POST.GetEndpointNumber());
}

void KnaCardHolderFilter_Handler::POST(const KnaWebRequest& request, KnaWebResponse& response) {
    KnaJson_CardHolderFilter filter;
    KnaJson_CardHolderFilterResult result;
    ServeFilter(request, response, filter, result);
}

} // namespace KeynodeApi
