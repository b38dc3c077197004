#pragma once
#include <string>

#include "Handlers/KnaResourceHandler.h"

namespace KeynodeApi {

// "/config/holidays": lists holidays (all, or one by identity), creates, changes and deletes them.
class KnaHoliday_Handler : public KnaResourceHandler {
public:
    KnaHoliday_Handler() : m_IDParamName("id") {}

    void GetSupportedClaims(std::set<int>& claims) const override;
    void GET(const KnaWebRequest& request, KnaWebResponse& response) override;
    void POST(const KnaWebRequest& request, KnaWebResponse& response) override;
    void PUT(const KnaWebRequest& request, KnaWebResponse& response) override;
    void DELETE(const KnaWebRequest& request, KnaWebResponse& response) override;

private:
    const std::string m_IDParamName;
};

} // namespace KeynodeApi
