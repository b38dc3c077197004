#include "Handlers/Events/KnaEventWebHook_Handler.h"

#include "JsonTypes/Events/KnaJson_EventWebHook.h"
#include "KnaHandlerInfo.h"

namespace KeynodeApi {

void KnaEventWebHook_Handler::GetSupportedClaims(std::set<int>& claims) const {
    claims.insert(EventWebHook_Handler_Info_GET.GetEndpointNumber());
    claims.insert(EventWebHook_Handler_Info_POST.GetEndpointNumber());
    claims.insert(EventWebHook_Handler_Info_DELETE.GetEndpointNumber());
}

void KnaEventWebHook_Handler::GET(const KnaWebRequest&, KnaWebResponse& response) {
    WriteDocument(response, KnaJson_EventWebHook(true));
}

void KnaEventWebHook_Handler::POST(const KnaWebRequest& request, KnaWebResponse&) {
    KnaJson_EventWebHook webHook(false);
    ReadBody(request, webHook);
    webHook.UpdateSystemSettings();
}

void KnaEventWebHook_Handler::DELETE(const KnaWebRequest&, KnaWebResponse&) {
    KnaJson_EventWebHook webHook(false);
    webHook.Clear();
    webHook.UpdateSystemSettings();
}

} // namespace KeynodeApi
