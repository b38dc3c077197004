#include "Handlers/Config/KnaHoliday_Handler.h"

#include "JsonTypes/Config/KnaJson_HolidayResult.h"
#include "KnaHandlerInfo.h"

namespace KeynodeApi {

void KnaHoliday_Handler::GetSupportedClaims(std::set<int>& claims) const {
    claims.insert(Holiday_Handler_Info_GET.GetEndpointNumber());
    claims.insert(Holiday_Handler_Info_POST.GetEndpointNumber());
    claims.insert(Holiday_Handler_Info_PUT.GetEndpointNumber());
    claims.insert(Holiday_Handler_Info_DELETE.GetEndpointNumber());
}

// Other parameters are ignored: without "id" every holiday is listed.
void KnaHoliday_Handler::GET(const KnaWebRequest& request, KnaWebResponse& response) {
    KnaJson_HolidayResult result;
    if (const auto identity = FindIdentityParam(request, m_IDParamName))
        result.SelectByCrossID(*identity);
    else
        result.SelectAll();
    WriteDocument(response, result);
}

void KnaHoliday_Handler::POST(const KnaWebRequest& request, KnaWebResponse& response) {
    KnaJson_Holiday holiday;
    ReadBody(request, holiday);
    RunInTransaction([&] { holiday.Database_Insert(); });
    WriteDocument(response, holiday);
}

void KnaHoliday_Handler::PUT(const KnaWebRequest& request, KnaWebResponse&) {
    KnaJson_Holiday holiday;
    ReadBody(request, holiday);
    RunInTransaction([&] { holiday.Database_Update(); });
}

void KnaHoliday_Handler::DELETE(const KnaWebRequest& request, KnaWebResponse&) {
    AssertSingleQueryParam(request);
    KnaJson_Holiday holiday(GetAssertIdentityParam(request, m_IDParamName), false);
    RunInTransaction([&] { holiday.Database_Delete(); });
}

} // namespace KeynodeApi
