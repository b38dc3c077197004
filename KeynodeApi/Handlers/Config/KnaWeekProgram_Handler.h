#pragma once
#include <string>

#include "Handlers/KnaResourceHandler.h"

namespace KeynodeApi {

// "/config/weekprograms": lists programs by identity or type, creates, changes and deletes them.
class KnaWeekProgram_Handler : public KnaResourceHandler {
public:
    KnaWeekProgram_Handler() : m_IDParamName("id"), m_TypeParamName("type") {}

    void GetSupportedClaims(std::set<int>& claims) const override;
    void GET(const KnaWebRequest& request, KnaWebResponse& response) override;
    void POST(const KnaWebRequest& request, KnaWebResponse& response) override;
    void PUT(const KnaWebRequest& request, KnaWebResponse& response) override;
    void DELETE(const KnaWebRequest& request, KnaWebResponse& response) override;

private:
    const std::string m_IDParamName;
    const std::string m_TypeParamName;
};

} // namespace KeynodeApi
