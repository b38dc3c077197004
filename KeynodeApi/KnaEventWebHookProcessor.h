#pragma once
#include <memory>
#include <string>

#include "Accessories/TCNullTypes.h"
#include "JsonTypes/Events/KnaJson_EventFilter.h"
#include "Property/TCPropertyChangeNotifier.h"
#include "Thread/TCThread.h"

typedef void CURL;

namespace KeynodeApi {

class KnaJson_Event;

// Pushes new event-log records to the configured URL as one JSON POST per pass and remembers the highest
// event ID delivered in a setting. A receiver that cannot be reached is retried along a schedule of
// widening delays; every failed attempt is logged.
class KnaEventWebHookProcessor {
public:
    static constexpr int AUTH_NONE = 0;
    static constexpr int AUTH_BASIC = 1;

    // An empty clock means the monotonic clock.
    explicit KnaEventWebHookProcessor(bool loadNow, TCTickCounter::Clock clock = {});
    KnaEventWebHookProcessor(const KnaEventWebHookProcessor&) = delete;
    KnaEventWebHookProcessor& operator=(const KnaEventWebHookProcessor&) = delete;

    // False when a setting could not be read; the fault is in the event log.
    bool LoadProperties();
    // Whether a change of this setting needs a reload. The processor's own progress setting does not.
    static bool IsRelatedProperty(const Property::TCCommonPropertyObject& property);
    void OnPropertyChanges(Property::TENotificationType type,
                           const Property::TCCommonPropertyObject& property);

    // Delivery is switched on and neither a retry wait nor the pause after a success holds it back.
    bool ConnectingEnabled();

    // One delivery pass of the events after the last delivered one.
    void Process();
    // Posts only this event, as a delivery of one; the stored progress is not touched.
    void Process_Test(const KnaJson_Event& event);

    // The last pass delivered a full page, so more events are probably waiting.
    bool IsBacklogPending() const { return m_BacklogPending; }

    int GetConnectState() const { return m_ConnectState; }
    int GetAttemptCounter() const { return m_AttemptCounter; }
    // Milliseconds left of the retry wait; 0 when none is running.
    int64_t GetRetryRemainingMs() const { return m_RetryTimer.Activated() ? m_RetryTimer.RemainingMs() : 0; }

    // "v1," and the Base64 HMAC-SHA256, keyed with the secret, of id + "." + timestamp + "." + body.
    static std::string SignDelivery(const std::string& secret, long long batchID, long long timestamp,
                                    const std::string& body);

    // A libcurl write callback appending the received bytes to the std::string at `userdata`.
    static size_t WriteCurlResponseToString(char* data, size_t size, size_t count, void* userdata);

private:
    struct CurlHandle;

    void DoLoadProperties();
    std::unique_ptr<CurlHandle> CreateCurlHandle() const;
    bool PerformCURL(CurlHandle& handle, const std::string& url, std::string& errorText);
    void LogConnectFailure(int curlCode, const std::string& url, long httpStatus) const;
    void OnConnFailed_UpdateConnectRetry(int curlCode, long httpStatus);
    void UpdateConnectPauseInterval();
    void DoProcess(const KnaJson_Event* testEvent);
    static void LogProcessingFailed(const std::string& errorText);
    // With a signing secret: the "webhook-id", "webhook-timestamp" and "webhook-signature" headers.
    void AddSignatureHeaders(CurlHandle& handle, long long batchID, const std::string& body) const;

    bool m_Enabled = false;
    std::string m_URL;
    KnaJson_EventFilter m_Filter;
    Accessories::TCNullTypes<std::string> m_UserName;
    Accessories::TCNullTypes<std::string> m_Password;
    int m_AuthType = AUTH_NONE;
    int m_RetryIntervalSeconds = 20;
    int m_RetryCount = 6;
    int m_FirstDelayMinutes = 5;
    int m_SecondDelayMinutes = 15;
    int m_ThirdDelayMinutes = 45;
    int m_PauseSeconds = 0;
    bool m_VerifyCertificate = true;
    std::string m_SigningSecret;
    int m_ConnectState = 0;
    TCTickCounter m_RetryTimer;
    int m_AttemptCounter = 0;
    TCTickCounter m_PauseTimer;
    TCCriticalSection m_Lock;
    bool m_BacklogPending = false;
};

} // namespace KeynodeApi
