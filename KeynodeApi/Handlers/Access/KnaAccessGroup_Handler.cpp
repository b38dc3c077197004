#include "Handlers/Access/KnaAccessGroup_Handler.h"

#include "JsonTypes/Access/KnaJson_AccessGroupResult.h"
#include "KnaException.h"
#include "KnaHandlerInfo.h"

namespace KeynodeApi {

void KnaAccessGroup_Handler::GetSupportedClaims(std::set<int>& claims) const {
    claims.insert(AccessGroup_Handler_Info_DELETE.GetEndpointNumber());
    claims.insert(AccessGroup_Handler_Info_GET.GetEndpointNumber());
    claims.insert(AccessGroup_Handler_Info_POST.GetEndpointNumber());
    claims.insert(AccessGroup_Handler_Info_PUT.GetEndpointNumber());
}

void KnaAccessGroup_Handler::GET(const KnaWebRequest& request, KnaWebResponse& response) {
    AssertMaxOneQueryParam(request);
    const std::string* name = request.getParameter(m_NameParamName);
    const std::optional<KnaJson_CrossID> id = FindIdentityParam(request, m_IDParamName);
    if (id && name != nullptr)
        throw KnaException(__FILE__, __LINE__, "!(id && name)")
            .FormatOverride("Multiple query parameters are not allowed at the same time");

    KnaJson_AccessGroupResult result;
    if (id)
        result.SelectByCrossID(*id);
    else if (name != nullptr)
        result.SelectByName(*name);
    else
        result.SelectAll();
    WriteDocument(response, result);
}

void KnaAccessGroup_Handler::POST(const KnaWebRequest& request, KnaWebResponse& response) {
    KnaJson_AccessGroup group;
    ReadBody(request, group);
    RunInTransaction([&] { group.Database_Insert(); });
    WriteDocument(response, group);
}

void KnaAccessGroup_Handler::PUT(const KnaWebRequest& request, KnaWebResponse&) {
    KnaJson_AccessGroup group;
    ReadBody(request, group);
    RunInTransaction([&] { group.Database_Update(); });
}

void KnaAccessGroup_Handler::DELETE(const KnaWebRequest& request, KnaWebResponse&) {
    const std::optional<KnaJson_CrossID> id = FindIdentityParam(request, m_IDParamName);
    if (!id) throw KnaException(__FILE__, __LINE__, "id").FormatOverride("Missing identity parameter");
    KnaJson_AccessGroup group(*id, Accessories::TCNullTypes<std::string>(),
                              Accessories::TCNullTypes<std::string>());
    RunInTransaction([&] { group.Database_Delete(); });
}

} // namespace KeynodeApi
