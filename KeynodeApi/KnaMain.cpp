#include "KnaMain.h"

#include "DB/TCDBBasicTable.h"
#include "Handlers/Access/KnaAccessGroup_Handler.h"
#include "Handlers/Access/KnaCardFilter_Handler.h"
#include "Handlers/Access/KnaCardHolderFilter_Handler.h"
#include "Handlers/Access/KnaCardHolder_Handler.h"
#include "Handlers/Access/KnaCard_Handler.h"
#include "Handlers/Config/KnaDoorFilter_Handler.h"
#include "Handlers/Config/KnaHoliday_Handler.h"
#include "Handlers/Config/KnaWeekProgram_Handler.h"
#include "Handlers/Events/KnaEventFilter_Handler.h"
#include "Handlers/Events/KnaEventWebHookTest_Handler.h"
#include "Handlers/Events/KnaEventWebHook_Handler.h"
#include "Handlers/KnaInfoApi_Handler.h"
#include "Handlers/KnaKeynodes_Handler.h"
#include "Handlers/Management/KnaManagement_Door_Handler.h"
#include "Handlers/Management/KnaManagement_GetDoorStatus_Handler.h"
#include "Handlers/Management/KnaManagement_SimulateCardRead_Handler.h"
#include "Host/TCException.h"
#include "Interface/KnaWebRequest_Http.h"
#include "Interface/KnaWebResponse_Http.h"
#include "KnaEventWebHookProcessor.h"
#include "KnaLoginThrottle.h"
#include "KnaStatic.h"
#include "Mail/TCKnmsRecords.h"
#include "Property/AccessProp.h"

namespace KeynodeApi {

TCKnmsServiceName KnaMain::GetServiceName() {
    return TCKnmsServiceName::MakeLocalProcess("@keynodeweb.webapi", "");
}

KnaMain::KnaMain(int majorVersion, const KnaHandlerInfo::InfoMap* endpointRegistry,
                 std::shared_ptr<HandlerMap> handlers)
    : m_EndpointRegistry(endpointRegistry), m_Handlers(std::move(handlers)),
      m_DoorInterface(std::make_shared<TCAccessDoorInterface>()),
      m_KeynodeMacMap(std::make_shared<KeynodeMacMap>()),
      m_PropertyNotifier(this, &KnaMain::OnPropertyChanges), m_DBNotifier(this, &KnaMain::OnDBChanges),
      m_WebHookProcessor(std::make_unique<KnaEventWebHookProcessor>(false)),
      m_LoginThrottle(std::make_unique<KnaLoginThrottle>()) {
    HOST_ASSERT(majorVersion > 0);
    m_ApiMajorVersion = majorVersion;
    m_ApiPrefix = "/api/v" + std::to_string(majorVersion);
    KnaStatic::Init();

    ExposeTask(GetServiceName());

    AddWait(WAIT_MAIL, GetMailSignal());
    AddWait(WAIT_PROPERTY_CHANGES, m_PropertyNotifier.GetSignalEvent());
    AddWait(WAIT_DB_CHANGES, m_DBNotifier.GetSignalEvent());

    // Every setting, not only the API's own: the event webhook follows its settings through this notifier.
    m_PropertyNotifier.InsertAll();
    m_PropertyNotifier.Enable();

    m_NetworkSettings = TCIPNetworkInterfaceSettings::GetInterfaceSettings("");

    // A slave reaches its doors through the master and must hear when that link comes and goes.
    if (DB::TCDBBasicTable::get_MasterSlaveMode() == MASTER_SLAVE_MODE_SLAVE) {
        m_DoorInterface->SetProxy(this, true);
        ConnectService(Knms_ExternalRouterStatus, 3, false);
    } else {
        m_DoorInterface->SetProxy(this, false);
    }

    if (m_EndpointRegistry == nullptr) m_EndpointRegistry = &KnaHandlerInfo::GetInfoMapProtected();
    if (!m_Handlers) CreateDefaultWebHandlers();
    // Handlers handed in were made for whatever version their maker chose; they serve this one.
    for (auto& entry : *m_Handlers)
        if (entry.second) entry.second->SetApiMajorVersion(majorVersion);
    PrepareWebHandlers();
    CreateThread("KeynodeApi", -1);
}

// The thread must be finished before the members it uses go away.
KnaMain::~KnaMain() {
    Stop();
}

void KnaMain::CreateDefaultWebHandlers() {
    m_Handlers = std::make_shared<HandlerMap>();
    AddWebHandler(std::make_unique<KnaInfoApi_Handler>());
    AddWebHandler(std::make_unique<KnaKeynodes_Handler>());
    AddWebHandler(std::make_unique<KnaEventFilter_Handler>());
    AddWebHandler(std::make_unique<KnaEventWebHook_Handler>());
    AddWebHandler(std::make_unique<KnaEventWebHookTest_Handler>());
    AddWebHandler(std::make_unique<KnaAccessGroup_Handler>());
    AddWebHandler(std::make_unique<KnaCard_Handler>());
    AddWebHandler(std::make_unique<KnaCardHolder_Handler>());
    AddWebHandler(std::make_unique<KnaCardFilter_Handler>());
    AddWebHandler(std::make_unique<KnaCardHolderFilter_Handler>());
    AddWebHandler(std::make_unique<KnaDoorFilter_Handler>());
    AddWebHandler(std::make_unique<KnaWeekProgram_Handler>());
    AddWebHandler(std::make_unique<KnaHoliday_Handler>());
    AddWebHandler(std::make_unique<KnaManagement_GetDoorStatus_Handler>(m_DoorInterface.get()));
    // The MAC map is rebuilt in place under m_CriticalSection; the handler reads it under the same lock.
    AddWebHandler(std::make_unique<KnaManagement_Door_Handler>(m_DoorInterface.get(), m_KeynodeMacMap.get(),
                                                               &m_CriticalSection));
    AddWebHandler(std::make_unique<KnaManagement_SimulateCardRead_Handler>(this));
}

void KnaMain::AddWebHandler(std::unique_ptr<KnaBaseHandler> handler) {
    HOST_ASSERT(handler != nullptr);
    std::set<int> supportedClaims;
    handler->GetSupportedClaims(supportedClaims);
    HOST_ASSERT_MSG(supportedClaims.size() > 0, "Web handler must have assigned at least one claim");
    handler->SetApiMajorVersion(m_ApiMajorVersion);
    std::shared_ptr<KnaBaseHandler> shared(std::move(handler));
    if (!m_Handlers) m_Handlers = std::make_shared<HandlerMap>();
    for (int claim : supportedClaims)
        (*m_Handlers)[claim] = shared;
}

void KnaMain::handleRequest(const Web::Request& request, Web::Response& response) {
    KnaWebRequest_Http webRequest(request);
    KnaWebResponse_Http webResponse(response);
    HandleRequest(webRequest, webResponse);
}

} // namespace KeynodeApi
