#include "Handlers/Config/KnaWeekProgram_Handler.h"

#include "Host/TCConvert.h"
#include "JsonTypes/Config/KnaJson_WeekProgramResult.h"
#include "KnaException.h"
#include "KnaHandlerInfo.h"

namespace KeynodeApi {

void KnaWeekProgram_Handler::GetSupportedClaims(std::set<int>& claims) const {
    claims.insert(WeekProgram_Handler_Info_GET.GetEndpointNumber());
    claims.insert(WeekProgram_Handler_Info_POST.GetEndpointNumber());
    claims.insert(WeekProgram_Handler_Info_PUT.GetEndpointNumber());
    claims.insert(WeekProgram_Handler_Info_DELETE.GetEndpointNumber());
}

void KnaWeekProgram_Handler::GET(const KnaWebRequest& request, KnaWebResponse& response) {
    AssertSingleQueryParam(request);
    KnaJson_WeekProgramResult result;
    if (const auto identity = FindIdentityParam(request, m_IDParamName)) {
        result.SelectByCrossID(*identity);
    } else if (const std::string* type = request.getParameter(m_TypeParamName)) {
        result.SelectByType(ToInt(*type));
    } else {
        throw KnaException(__FILE__, __LINE__, "Missing query parameter");
    }
    WriteDocument(response, result);
}

void KnaWeekProgram_Handler::POST(const KnaWebRequest& request, KnaWebResponse& response) {
    KnaJson_WeekProgram weekProgram;
    ReadBody(request, weekProgram);
    RunInTransaction([&] { weekProgram.Database_Insert(); });
    WriteDocument(response, weekProgram);
}

void KnaWeekProgram_Handler::PUT(const KnaWebRequest& request, KnaWebResponse&) {
    KnaJson_WeekProgram weekProgram;
    ReadBody(request, weekProgram);
    RunInTransaction([&] { weekProgram.Database_Update(); });
}

void KnaWeekProgram_Handler::DELETE(const KnaWebRequest& request, KnaWebResponse&) {
    AssertSingleQueryParam(request);
    KnaJson_WeekProgram weekProgram(GetAssertIdentityParam(request, m_IDParamName), false);
    RunInTransaction([&] { weekProgram.Database_Delete(); });
}

} // namespace KeynodeApi
