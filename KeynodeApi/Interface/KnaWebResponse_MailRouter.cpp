#include "Interface/KnaWebResponse_MailRouter.h"

#include "Crypto/TCBase64Coder.h"

namespace KeynodeApi {

int KnaWebResponse_MailRouter::GetResponseSizeBytes() {
    return static_cast<int>(GetMailResponse().Body.size());
}

void KnaWebResponse_MailRouter::ClearOutput() {
    m_Out = std::make_unique<std::ostringstream>();
}

const TCWebApiResponseData& KnaWebResponse_MailRouter::GetMailResponse() {
    const std::string text = m_Out->str();
    m_Data.Body = TCBase64Coder::Encode(text.data(), text.size());
    return m_Data;
}

} // namespace KeynodeApi
