#include "Handlers/KnaResourceHandler.h"

#include "Crypto/TCCryptoUtil.h"
#include "KnaUtil.h"

namespace KeynodeApi {

void KnaResourceHandler::ReadBody(const KnaWebRequest& request, TCJson::TCJsonBase& object) {
    object.DeserializeString(TCCryptoUtil::StreamToString(request.in()));
}

void KnaResourceHandler::WriteDocument(KnaWebResponse& response, const KnaJson_BaseType& object) {
    response.out() << KnaUtil::SerializeToCompactString(object);
}

std::optional<KnaJson_CrossID> KnaResourceHandler::FindIdentityParam(const KnaWebRequest& request,
                                                                     const std::string& name) {
    const std::string* text = request.getParameter(name);
    if (text == nullptr) return std::nullopt;
    KnaJson_CrossID identity;
    identity.DeserializeString(*text);
    return identity;
}

KnaJson_CrossID KnaResourceHandler::GetAssertIdentityParam(const KnaWebRequest& request,
                                                           const std::string& name) {
    KnaJson_CrossID identity;
    identity.DeserializeString(GetAssertQueryParam(request, name));
    return identity;
}

void KnaResourceHandler::RollbackQuietly(DB::TCDBTransaction& transaction) noexcept {
    try {
        transaction.Rollback();
    } catch (...) {
        // The transaction's destructor tries once more; the request reports the fault that caused this.
    }
}

} // namespace KeynodeApi
