#include "Handlers/Access/KnaCard_Handler.h"

#include "JsonTypes/Access/KnaJson_CardResult.h"
#include "KnaException.h"
#include "KnaHandlerInfo.h"

namespace KeynodeApi {

void KnaCard_Handler::GetSupportedClaims(std::set<int>& claims) const {
    claims.insert(Card_Handler_Info_DELETE.GetEndpointNumber());
    claims.insert(Card_Handler_Info_GET.GetEndpointNumber());
    claims.insert(Card_Handler_Info_POST.GetEndpointNumber());
    claims.insert(Card_Handler_Info_PUT.GetEndpointNumber());
}

void KnaCard_Handler::GET(const KnaWebRequest& request, KnaWebResponse& response) {
    AssertSingleQueryParam(request);
    KnaJson_CardResult result;
    if (const std::optional<KnaJson_CrossID> id = FindIdentityParam(request, m_IDParamName))
        result.SelectByCrossID(*id);
    else if (const std::string* number = request.getParameter(m_CardNumberParamName))
        result.SelectByCardNumber(*number);
    else
        throw KnaException(__FILE__, __LINE__, "id || cardNumber").FormatOverride("Missing query parameter");
    WriteDocument(response, result);
}

void KnaCard_Handler::POST(const KnaWebRequest& request, KnaWebResponse& response) {
    KnaJson_Card card;
    ReadBody(request, card);
    RunInTransaction([&] { card.Database_Insert(); });
    WriteDocument(response, card);
}

void KnaCard_Handler::PUT(const KnaWebRequest& request, KnaWebResponse&) {
    KnaJson_Card card;
    ReadBody(request, card);
    RunInTransaction([&] { card.Database_Update(); });
}

void KnaCard_Handler::DELETE(const KnaWebRequest& request, KnaWebResponse&) {
    AssertSingleQueryParam(request);
    const std::optional<KnaJson_CrossID> id = FindIdentityParam(request, m_IDParamName);
    if (!id) throw KnaException(__FILE__, __LINE__, "id").FormatOverride("Missing identity parameter");
    KnaJson_Card card(*id, false);
    RunInTransaction([&] { card.Database_Delete(); });
}

} // namespace KeynodeApi
