#pragma once
#include <map>
#include <set>
#include <string>

namespace KeynodeApi {

enum class KnaWebMethod : int { GET = 0, POST = 1, PUT = 2, DELETE = 3 };

// Describes one endpoint: a path below the API prefix served with one method. The endpoint number is
// also the claim a caller needs and the key of the handler in the service's handler map.
// Descriptors are namespace-scope constants; each enters itself into the process-wide registry.
class KnaHandlerInfo {
public:
    using InfoSet = std::set<const KnaHandlerInfo*>;
    // Path (compared bytewise) to the descriptors of that path.
    using InfoMap = std::map<std::string, InfoSet*>;

    KnaHandlerInfo(int endpointNumber, const std::string& path, KnaWebMethod method);
    KnaHandlerInfo(const KnaHandlerInfo&) = delete;
    KnaHandlerInfo& operator=(const KnaHandlerInfo&) = delete;

    int GetEndpointNumber() const { return m_EndpointNumber; }
    const std::string& GetPath() const { return m_Path; }
    KnaWebMethod GetMethod() const { return m_Method; }

    // The registry of all descriptors of the process. Made on the first call (safe against concurrent
    // first calls) and never destroyed, so descriptors may register during static initialisation in any
    // order and lookups stay valid until the process ends.
    static const InfoMap& GetInfoMapProtected();
    // "GET", "POST", "PUT", "DELETE"; empty for any other value.
    static std::string GetWebMethodName(KnaWebMethod method);

    // Endpoints the phone app may be granted: API info, keynode list, door filter, door status and command.
    static const std::set<int> CLAIMS_FOR_REMOTE_PHONE_APP;

private:
    int m_EndpointNumber;
    std::string m_Path;
    KnaWebMethod m_Method;
};

extern const KnaHandlerInfo KnaInfoApi_Handler_Info_GET;
extern const KnaHandlerInfo KnaKeynodes_Handler_Info_GET;
extern const KnaHandlerInfo EventWebHook_Handler_Info_GET;
extern const KnaHandlerInfo EventWebHook_Handler_Info_POST;
extern const KnaHandlerInfo EventWebHook_Handler_Info_DELETE;
extern const KnaHandlerInfo KnaEventFilter_Handler_Info_POST;
extern const KnaHandlerInfo EventWebHookTest_Handler_Info_POST;
extern const KnaHandlerInfo AccessGroup_Handler_Info_DELETE;
extern const KnaHandlerInfo AccessGroup_Handler_Info_GET;
extern const KnaHandlerInfo AccessGroup_Handler_Info_POST;
extern const KnaHandlerInfo AccessGroup_Handler_Info_PUT;
extern const KnaHandlerInfo Card_Handler_Info_GET;
extern const KnaHandlerInfo Card_Handler_Info_POST;
extern const KnaHandlerInfo Card_Handler_Info_PUT;
extern const KnaHandlerInfo Card_Handler_Info_DELETE;
extern const KnaHandlerInfo CardHolder_Handler_Info_GET;
extern const KnaHandlerInfo CardHolder_Handler_Info_POST;
extern const KnaHandlerInfo CardHolder_Handler_Info_PUT;
extern const KnaHandlerInfo CardHolder_Handler_Info_DELETE;
extern const KnaHandlerInfo KnaCardFilter_Handler_Info_POST;
extern const KnaHandlerInfo KnaCardHolderFilter_Handler_Info_POST;
extern const KnaHandlerInfo DoorFilter_Handler_Info_POST;
extern const KnaHandlerInfo Management_GetDoorStatus_Handler_Info_POST;
extern const KnaHandlerInfo Management_Door_Handler_Info_POST;
extern const KnaHandlerInfo Management_SimulateCardRead_Handler_Info_POST;
extern const KnaHandlerInfo WeekProgram_Handler_Info_GET;
extern const KnaHandlerInfo WeekProgram_Handler_Info_POST;
extern const KnaHandlerInfo WeekProgram_Handler_Info_PUT;
extern const KnaHandlerInfo WeekProgram_Handler_Info_DELETE;
extern const KnaHandlerInfo Holiday_Handler_Info_GET;
extern const KnaHandlerInfo Holiday_Handler_Info_POST;
extern const KnaHandlerInfo Holiday_Handler_Info_PUT;
extern const KnaHandlerInfo Holiday_Handler_Info_DELETE;

} // namespace KeynodeApi
