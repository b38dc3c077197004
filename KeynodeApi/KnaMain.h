#pragma once
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "Access/TCAccessDoorInterface.h"
#include "Accessories/TCRecordID.h"
#include "DB/TCDBChangeNotifier.h"
#include "Handlers/KnaBaseHandler.h"
#include "KnaHandlerInfo.h"
#include "KnaWebRequest.h"
#include "KnaWebResponse.h"
#include "Mail/TCKnmsServiceProxy.h"
#include "Net/TCIPNetworkInterfaceSettings.h"
#include "Property/TCPropertyChangeNotifier.h"
#include "Thread/TCThread.h"
#include "Web/Resource.h"

namespace KeynodeApi {

class KnaEventWebHookProcessor;
class KnaJson_Error;
class KnaLoginThrottle;

// The Web API service: the web server's resource for "/api/v<major>", the mail service
// "@keynodeweb.webapi" and a thread that serves the mails and keeps the settings current. Every request,
// whatever its transport, goes through HandleRequest.
class KnaMain : public Web::Resource, public TCKnmsServiceProxy, public TCThread {
public:
    using HandlerMap = std::map<int, std::shared_ptr<KnaBaseHandler>>;
    // Keynode record ID to MAC address text.
    using KeynodeMacMap = std::map<Accessories::TCRecordID, std::string>;

    // A null registry means the process-wide one; an empty handler map means the default handlers.
    // Throws TCAssertionException for a major version below 1.
    explicit KnaMain(int majorVersion, const KnaHandlerInfo::InfoMap* endpointRegistry = nullptr,
                     std::shared_ptr<HandlerMap> handlers = nullptr);
    ~KnaMain() override;
    KnaMain(const KnaMain&) = delete;
    KnaMain& operator=(const KnaMain&) = delete;

    // The web server's entry point.
    void handleRequest(const Web::Request& request, Web::Response& response) override;
    // The one road of every API call; the outcome is in the response.
    void HandleRequest(KnaWebRequest& request, KnaWebResponse& response);
    // A request mail: served and answered with a reply mail; other mails are ignored.
    void HandleRequest(const TCKnmsMessage& mail);

    // Opens the settings session and starts the service thread.
    void StartThread();
    void ReloadSettings();
    void ReloadKeynodes();
    void OnPropertyChanges(Property::TENotificationType type,
                           const Property::TCCommonPropertyObject& property);
    void OnDBChanges(const DB::TCDBChange& change);
    void RefreshDoorStatus();

    void CreateDefaultWebHandlers();
    // Enters the handler under every endpoint number it serves. Throws TCAssertionException for a null
    // handler or one that serves no endpoint (the handler is then released).
    void AddWebHandler(std::unique_ptr<KnaBaseHandler> handler);
    // Hook after the handlers were made.
    virtual void PrepareWebHandlers() {}

    // Writes the error body and, when asked, one event-log record. A negative status takes the error's
    // own HTTP code. `details` goes to the event only.
    void EndRequestWithError(KnaWebResponse& response, const std::string& message, int code,
                             const std::string& messageDetails, int status, const std::string& details,
                             bool writeEvent);
    void EndRequestWithError(KnaWebResponse& response, const std::shared_ptr<KnaJson_Error>& error,
                             int status, const std::string& details, bool writeEvent);

    // An empty error means the caller is authenticated.
    void AuthenticateRequest(KnaWebRequest& request, std::string& error, Accessories::TCRecordID& userID,
                             std::string& userName, std::set<int>& claims, bool& allMethods) const;
    KnaLoginThrottle& GetLoginThrottle() const { return *m_LoginThrottle; }
    static std::string GetRequestDetails(const KnaWebRequest& request);
    static std::string GetResponseDetails(const KnaWebResponse& response);
    void OnRequestFinished(const KnaWebRequest& request, const KnaWebResponse& response, bool success);

    int GetApiMajorVersion() const { return m_ApiMajorVersion; }
    const std::string& GetApiPrefix() const { return m_ApiPrefix; }
    bool IsApiEnabled() const { return m_ApiEnabled.load(); }
    bool IsPlainHttpAllowed() const { return m_PlainHttpAllowed.load(); }
    std::shared_ptr<const HandlerMap> GetHandlers() const { return m_Handlers; }
    KeynodeMacMap GetKeynodeMacMap();
    std::shared_ptr<TCAccessDoorInterface> GetDoorInterface() const { return m_DoorInterface; }
    static TCKnmsServiceName GetServiceName();

protected:
    int Execute() override;
    void Shutdown() override;
    // Runs on the service thread, from ProcessProxy.
    void OnServiceMail(TCKnmsMessage& mail) override;

private:
    // Steps of HandleRequest up to the dispatch. False with message and status set when a check failed.
    bool ProcessRequest(KnaWebRequest& request, KnaWebResponse& response, std::string& errorMessage,
                        int& status);
    bool IsPlainHttpAcceptedFrom(const std::string& clientAddress) const;
    const KnaHandlerInfo* FindEndpoint(const std::string& subpath, KnaWebMethod method,
                                       bool& pathKnown) const;
    int64_t GetSessionNumber() const;

    // The database's master/slave mode of a slave unit.
    static constexpr int MASTER_SLAVE_MODE_SLAVE = 2;
    static constexpr int WAIT_MAIL = 2;
    static constexpr int WAIT_DB_CHANGES = 5;
    static constexpr int WAIT_PROPERTY_CHANGES = 6;

    int m_ApiMajorVersion = 1;
    std::string m_ApiPrefix = "/api/v1";
    const KnaHandlerInfo::InfoMap* m_EndpointRegistry = nullptr;
    std::shared_ptr<HandlerMap> m_Handlers;
    // Written under m_CriticalSection by ReloadSettings, read by request threads without it.
    std::atomic<bool> m_PlainHttpAllowed{true};
    const bool m_PlainHttpAllowedFromLocal = true;
    TCIPNetworkSettings m_NetworkSettings;
    TCCriticalSection m_CriticalSection;
    std::shared_ptr<TCAccessDoorInterface> m_DoorInterface;
    std::shared_ptr<KeynodeMacMap> m_KeynodeMacMap;
    Property::TCPropertyNotifyFunction<KnaMain> m_PropertyNotifier;
    DB::TCDatabaseNotificationFunction<KnaMain> m_DBNotifier;
    std::atomic<bool> m_ApiEnabled{false};
    // Used by the service thread only.
    std::unique_ptr<KnaEventWebHookProcessor> m_WebHookProcessor;
    // Shared by the request threads; locks itself.
    std::unique_ptr<KnaLoginThrottle> m_LoginThrottle;
};

} // namespace KeynodeApi
