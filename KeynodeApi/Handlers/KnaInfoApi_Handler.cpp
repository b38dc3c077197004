#include "Handlers/KnaInfoApi_Handler.h"

#include "JsonTypes/Config/KnaJson_InfoApi.h"
#include "KnaHandlerInfo.h"
#include "KnaUtil.h"

namespace KeynodeApi {

void KnaInfoApi_Handler::GetSupportedClaims(std::set<int>& claims) const {
    claims.insert(KnaInfoApi_Handler_Info_GET.GetEndpointNumber());
}

void KnaInfoApi_Handler::GET(const KnaWebRequest&, KnaWebResponse& response) {
    response.out() << KnaUtil::SerializeToCompactString(KnaJson_InfoApi());
}

} // namespace KeynodeApi
