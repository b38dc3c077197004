#pragma once
#include <memory>
#include <sstream>

#include "KnaWebResponse.h"

namespace KeynodeApi {

// The status and body of the reply mail.
struct TCWebApiResponseData {
    int Status = 0;
    std::string Body; // Base64
};

// The answer to a mail request, carried back in the reply mail.
class KnaWebResponse_MailRouter : public KnaWebResponse {
public:
    void setMimeType(const std::string&) override {}
    void setStatus(int status) override { m_Data.Status = status; }
    std::ostream& out() override { return *m_Out; }
    void addHeader(const std::string&, const std::string&) override {}
    // The size limit of a mail request counts the Base64 body, as the reply carries it.
    int GetResponseSizeBytes() override;
    void ClearOutput() override;

    // Encodes what was written so far into the response data.
    const TCWebApiResponseData& GetMailResponse();

private:
    TCWebApiResponseData m_Data;
    std::unique_ptr<std::ostringstream> m_Out = std::make_unique<std::ostringstream>();
};

} // namespace KeynodeApi
