#include "Handlers/Events/KnaEventWebHookTest_Handler.h"

#include "JsonTypes/Events/KnaJson_EventWebHookTest.h"
#include "KnaEventWebHookProcessor.h"
#include "KnaHandlerInfo.h"

namespace KeynodeApi {

void KnaEventWebHookTest_Handler::GetSupportedClaims(std::set<int>& claims) const {
    claims.insert(EventWebHookTest_Handler_Info_POST.GetEndpointNumber());
}

void KnaEventWebHookTest_Handler::POST(const KnaWebRequest& request, KnaWebResponse&) {
    KnaJson_EventWebHookTest test;
    ReadBody(request, test);
    KnaEventWebHookProcessor processor(false);
    processor.LoadProperties();
    processor.Process_Test(test.GetEvent());
}

} // namespace KeynodeApi
