#include "Handlers/KnaKeynodes_Handler.h"

#include "JsonTypes/Config/KnaJson_KeynodeResult.h"
#include "KnaHandlerInfo.h"
#include "KnaUtil.h"

namespace KeynodeApi {

void KnaKeynodes_Handler::GetSupportedClaims(std::set<int>& claims) const {
    claims.insert(KnaKeynodes_Handler_Info_GET.GetEndpointNumber());
}

void KnaKeynodes_Handler::GET(const KnaWebRequest&, KnaWebResponse& response) {
    response.out() << KnaUtil::SerializeToCompactString(KnaJson_KeynodeResult());
}

} // namespace KeynodeApi
