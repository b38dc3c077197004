#include "Handlers/Access/KnaCardHolder_Handler.h"

#include "JsonTypes/Access/KnaJson_CardHolderResult.h"
#include "KnaException.h"
#include "KnaHandlerInfo.h"

namespace KeynodeApi {

void KnaCardHolder_Handler::GetSupportedClaims(std::set<int>& claims) const {
    claims.insert(CardHolder_Handler_Info_DELETE.GetEndpointNumber());
    claims.insert(CardHolder_Handler_Info_GET.GetEndpointNumber());
    claims.insert(CardHolder_Handler_Info_POST.GetEndpointNumber());
    claims.insert(CardHolder_Handler_Info_PUT.GetEndpointNumber());
}

void KnaCardHolder_Handler::GET(const KnaWebRequest& request, KnaWebResponse& response) {
    AssertSingleQueryParam(request);
    const std::optional<KnaJson_CrossID> id = FindIdentityParam(request, m_IDParamName);
    if (!id) throw KnaException(__FILE__, __LINE__, "id").FormatOverride("Missing id query parameter");
    KnaJson_CardHolderResult result;
    result.SelectByCrossID(*id);
    WriteDocument(response, result);
}

void KnaCardHolder_Handler::POST(const KnaWebRequest& request, KnaWebResponse& response) {
    KnaJson_CardHolder holder;
    ReadBody(request, holder);
    RunInTransaction([&] { holder.Database_Insert(); });
    WriteDocument(response, holder);
}

void KnaCardHolder_Handler::PUT(const KnaWebRequest& request, KnaWebResponse&) {
    KnaJson_CardHolder holder;
    ReadBody(request, holder);
    RunInTransaction([&] { holder.Database_Update(); });
}

void KnaCardHolder_Handler::DELETE(const KnaWebRequest& request, KnaWebResponse&) {
    AssertSingleQueryParam(request);
    const std::optional<KnaJson_CrossID> id = FindIdentityParam(request, m_IDParamName);
    if (!id) throw KnaException(__FILE__, __LINE__, "id").FormatOverride("Missing identity parameter");
    KnaJson_CardHolder holder(*id, false);
    RunInTransaction([&] { holder.Database_Delete(); });
}

} // namespace KeynodeApi
