#include "KnaEventWebHookProcessor.h"

#include <curl/curl.h>
#include <sodium.h>

#include "Debug/TCDebug.h"
#include "Event/KeynodeWebApiEvents.h"
#include "Event/TCClientEvent.h"
#include "JsonTypes/Events/KnaJson_EventFilterResult.h"
#include "KnaException.h"
#include "KnaUtil.h"
#include "KnaWebHookSettings.h"
#include "Property/AccessProp.h"
#include "Property/TCProperties.h"
#include "Text/TCTranslate.h"
#include "Json/TCJsonParsingException.h"

namespace KeynodeApi {

namespace {

const char* const kCaFile = "/etc/ssl/certs/ca-certificates.crt";
constexpr long kConnectTimeoutSeconds = 8;
constexpr long kTransferTimeoutSeconds = 20;

using WebHookSettings::Read;

int ReadInt(const Property::TCPropertyID& id, int negativeGives) {
    const Accessories::TCNullTypes<int> value = Read(id).get_AsInteger(Accessories::TCNullTypes<int>());
    return value.IsNull() || value.get_Value() < 0 ? negativeGives : value.get_Value();
}

bool IsFree(const TCTickCounter& timer) {
    return !timer.Activated() || timer.Expired();
}

// The message of a caught exception, as the event log gets it.
std::string ExceptionText(const char* unknownText) {
    try {
        throw;
    } catch (const KnaException& e) {
        return e.GetMessage();
    } catch (const TCJson::TCJsonParsingException& e) {
        return e.GetMessage();
    } catch (const TCException& e) {
        return e.GetHostMessage().empty() ? e.GetText() : e.GetHostMessage();
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return DoTranslateText("KeynodeApi", __FILE__, unknownText);
    }
}

// Debug lines must not show credentials given in the URL itself.
std::string WithoutUserInfo(const std::string& url) {
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos) return url;
    const size_t authorityEnd = url.find_first_of("/?#", scheme + 3);
    const size_t at = url.rfind('@', authorityEnd == std::string::npos ? url.size() : authorityEnd);
    if (at == std::string::npos || at < scheme + 3) return url;
    return url.substr(0, scheme + 3) + "***@" + url.substr(at + 1);
}

size_t DiscardResponse(char*, size_t size, size_t count, void*) {
    return size * count;
}

Event::TCClientEventDetails Detail(int definitionID) {
    return Event::TCClientEventDetails(definitionID, Accessories::TCNullTypes<int>(),
                                       Accessories::TCRecordID(), Accessories::TCNullTypes<std::string>());
}

} // namespace

// The easy handle with the header list it uses; both are released together.
struct KnaEventWebHookProcessor::CurlHandle {
    CURL* Handle = nullptr;
    curl_slist* Headers = nullptr;

    CurlHandle() = default;
    CurlHandle(const CurlHandle&) = delete;
    CurlHandle& operator=(const CurlHandle&) = delete;
    ~CurlHandle() {
        if (Handle != nullptr) curl_easy_cleanup(Handle);
        if (Headers != nullptr) curl_slist_free_all(Headers);
    }
};

KnaEventWebHookProcessor::KnaEventWebHookProcessor(bool loadNow, TCTickCounter::Clock clock)
    : m_RetryTimer(clock), m_PauseTimer(clock) {
    if (loadNow) LoadProperties();
}

bool KnaEventWebHookProcessor::LoadProperties() {
    TCCriticalSectionLock lock(m_Lock);
    try {
        DoLoadProperties();
        return true;
    } catch (...) {
        LogProcessingFailed(
            ExceptionText("_t_Unknown exception in KnaEventWebHookProcessor::LoadProperties"));
        return false;
    }
}

void KnaEventWebHookProcessor::DoLoadProperties() {
    const bool enabled = Read(AccessProp::GeneralWebApiSettings_EventWebHook_Enabled)
                             .get_AsBool(Accessories::TCNullTypes<bool>())
                             .get_Value(false);
    const std::string url =
        Read(AccessProp::GeneralWebApiSettings_EventWebHook_URL).get_AsString(std::string());
    if (!enabled || url.empty()) {
        m_Enabled = false;
        return;
    }
    m_Enabled = true;
    m_URL = url;
    m_UserName = Read(AccessProp::GeneralWebApiSettings_EventWebHook_UserName)
                     .get_AsString(Accessories::TCNullTypes<std::string>());
    m_Password = Read(AccessProp::GeneralWebApiSettings_EventWebHook_Password)
                     .get_AsString(Accessories::TCNullTypes<std::string>());

    m_AuthType = WebHookSettings::ReadIsBasicAuth() ? AUTH_BASIC : AUTH_NONE;

    const std::string filterText =
        Read(AccessProp::GeneralWebApiSettings_EventWebHook_JsonFilter).get_AsString(std::string());
    if (filterText.empty())
        m_Filter = KnaJson_EventFilter();
    else
        m_Filter.DeserializeString(filterText);

    m_RetryIntervalSeconds =
        ReadInt(AccessProp::GeneralWebApiSettings_EventWebHook_ConnectRetryIntervalSeconds, 20);
    m_RetryCount = ReadInt(AccessProp::GeneralWebApiSettings_EventWebHook_ConnectRetryCount, 6);

    const int first =
        ReadInt(AccessProp::GeneralWebApiSettings_EventWebHook_ConnectFirstDelayMinutesAfterRetries, 5);
    const int second =
        ReadInt(AccessProp::GeneralWebApiSettings_EventWebHook_ConnectSecondDelayMinutesAfterFirstDelay, 15);
    const int third =
        ReadInt(AccessProp::GeneralWebApiSettings_EventWebHook_ConnectThridDelayMinutesAfterFirstDelay, 45);
    // New delays restart the schedule with the next failure; the wait already running is kept.
    if ((first != m_FirstDelayMinutes || second != m_SecondDelayMinutes || third != m_ThirdDelayMinutes) &&
        m_ConnectState != 0)
        m_ConnectState = 0;
    m_FirstDelayMinutes = first;
    m_SecondDelayMinutes = second;
    m_ThirdDelayMinutes = third;

    m_PauseSeconds = ReadInt(
        AccessProp::GeneralWebApiSettings_EventWebHook_PauseIntervalBetweenSuccessfulConnectionsSeconds, 0);
    UpdateConnectPauseInterval();

    // Never set means verify: an unchecked certificate must be asked for.
    m_VerifyCertificate = Read(AccessProp::GeneralWebApiSettings_EventWebHook_VerifySSLCertIfUsed)
                              .get_AsBool(Accessories::TCNullTypes<bool>())
                              .get_Value(true);
    m_SigningSecret =
        Read(AccessProp::GeneralWebApiSettings_EventWebHook_SigningSecret).get_AsString(std::string());
}

bool KnaEventWebHookProcessor::IsRelatedProperty(const Property::TCCommonPropertyObject& property) {
    // Every webhook setting but the delivery progress, which the processor writes itself.
    static const std::string prefix = "GeneralWebApiSettings_EventWebHook_";
    const Property::TCPropertyID& id = property.get_ID();
    return std::string(id.get_Name()).compare(0, prefix.size(), prefix) == 0 &&
           id != AccessProp::GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID;
}

void KnaEventWebHookProcessor::OnPropertyChanges(Property::TENotificationType,
                                                 const Property::TCCommonPropertyObject& property) {
    if (IsRelatedProperty(property)) LoadProperties();
}

void KnaEventWebHookProcessor::UpdateConnectPauseInterval() {
    if (m_PauseSeconds < 1)
        m_PauseTimer.Clear();
    else
        m_PauseTimer.SetTimeout(static_cast<int64_t>(m_PauseSeconds) * 1000);
}

bool KnaEventWebHookProcessor::ConnectingEnabled() {
    if (!m_Enabled) return false;
    if (m_ConnectState == 0) return IsFree(m_PauseTimer) || IsFree(m_RetryTimer);
    return IsFree(m_RetryTimer);
}

std::unique_ptr<KnaEventWebHookProcessor::CurlHandle> KnaEventWebHookProcessor::CreateCurlHandle() const {
    auto handle = std::make_unique<CurlHandle>();
    handle->Handle = curl_easy_init();
    if (handle->Handle == nullptr) throw KnaException(__FILE__, __LINE__, "curl_easy_init failed");
    CURL* curl = handle->Handle;
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    handle->Headers = curl_slist_append(nullptr, "Content-Type: application/json");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, handle->Headers);
    if (m_AuthType == AUTH_BASIC) {
        const std::string userPassword = m_UserName.get_Value("") + ":" + m_Password.get_Value("");
        curl_easy_setopt(curl, CURLOPT_USERPWD, userPassword.c_str());
    }
    if (m_VerifyCertificate)
        curl_easy_setopt(curl, CURLOPT_CAINFO, kCaFile);
    else
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, kTransferTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // The URL comes from a setting: no other scheme (file, smtp, ...) and no redirect to one.
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    // The answer is not used; without a callback libcurl would copy it to stdout.
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &DiscardResponse);
    return handle;
}

bool KnaEventWebHookProcessor::PerformCURL(CurlHandle& handle, const std::string& url,
                                           std::string& errorText) {
    errorText.clear();
    curl_easy_setopt(handle.Handle, CURLOPT_URL, url.c_str());
    const CURLcode result = curl_easy_perform(handle.Handle);
    long httpStatus = 0;
    if (curl_easy_getinfo(handle.Handle, CURLINFO_RESPONSE_CODE, &httpStatus) != CURLE_OK) httpStatus = 0;

    if (result == CURLE_OK && httpStatus == 200) {
        if (m_ConnectState != 0) {
            m_ConnectState = 0;
            m_RetryTimer.Clear();
            Event::TCClientEvent restored(KeynodeWebApi::Type_Restored);
            restored << Detail(KeynodeWebApi::DefinitionDetail_ConnectionDestinationUrl_id)
                            .set_Value(KnaUtil::GetEvenlogFriendlyErrorString(url));
        }
        UpdateConnectPauseInterval();
        return true;
    }

    LogConnectFailure(result, url, httpStatus);
    OnConnFailed_UpdateConnectRetry(result, httpStatus);
    errorText = DoTranslateText("KeynodeApi", "KnaEventWebHookProcessor",
                                "_t_Failed to connect to [{%1}]. HTTP result code: {%2}.",
                                WithoutUserInfo(url), httpStatus);
    if (IsDebugLevel(DEBUG_WEBAPI)) SendDebugOutput(DEBUG_WEBAPI, "%s", errorText.c_str());
    return false;
}

void KnaEventWebHookProcessor::LogConnectFailure(int curlCode, const std::string& url,
                                                 long httpStatus) const {
    Event::TCClientEvent failed(KeynodeWebApi::Type_ConnectionFailed);
    failed << Detail(KeynodeWebApi::DefinitionDetail_ConnectionDestinationUrl_id)
                  .set_Value(KnaUtil::GetEvenlogFriendlyErrorString(url))
           << Detail(KeynodeWebApi::DefinitionDetail_ConnectionErrorCode_id).set_Value(curlCode)
           << Detail(KeynodeWebApi::DefinitionDetail_ConnectionErrorDescription_id)
                  .set_Value(std::string(curl_easy_strerror(static_cast<CURLcode>(curlCode))))
           << Detail(KeynodeWebApi::DefinitionDetail_ConnectionHttpErrorCode_id)
                  .set_Value(static_cast<int>(httpStatus));
}

void KnaEventWebHookProcessor::OnConnFailed_UpdateConnectRetry(int, long) {
    const int64_t retryMs = static_cast<int64_t>(m_RetryIntervalSeconds) * 1000;
    auto minutes = [](int value) { return static_cast<int64_t>(value) * 60000; };
    int64_t waitMs = retryMs;
    switch (m_ConnectState) {
    case 0:
        m_AttemptCounter = 0;
        m_ConnectState = 1;
        break;
    case 1:
    case 2:
    case 3: {
        const int64_t stageDelay[] = {minutes(m_FirstDelayMinutes), minutes(m_SecondDelayMinutes),
                                      minutes(m_ThirdDelayMinutes)};
        if (++m_AttemptCounter >= m_RetryCount) {
            waitMs = stageDelay[m_ConnectState - 1];
            ++m_ConnectState;
            m_AttemptCounter = 0;
        }
        break;
    }
    default:
        if (++m_AttemptCounter >= m_RetryCount) waitMs = minutes(m_ThirdDelayMinutes);
        break;
    }
    m_RetryTimer.SetTimeout(waitMs);
}

void KnaEventWebHookProcessor::Process() {
    DoProcess(nullptr);
}

void KnaEventWebHookProcessor::Process_Test(const KnaJson_Event& event) {
    DoProcess(&event);
}

void KnaEventWebHookProcessor::DoProcess(const KnaJson_Event* testEvent) {
    TCCriticalSectionLock lock(m_Lock);
    m_BacklogPending = false;
    if (!ConnectingEnabled()) return;
    std::string errorText;
    long long previousID = 0;
    try {
        KnaJson_EventFilterResult result;
        if (testEvent != nullptr) {
            result.Add(*testEvent);
            result.set_Count(1);
        } else {
            const Accessories::TCNullTypes<long long> last =
                Read(AccessProp::GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID)
                    .get_AsBigInt(Accessories::TCNullTypes<long long>());
            const Accessories::TCRecordID lowerBound =
                last.IsNull() ? Accessories::TCRecordID() : Accessories::TCRecordID(last.get_Value());
            previousID = last.get_Value(0);
            const int64_t count = m_Filter.ApplyFilter_SelectCount(lowerBound);
            if (count <= 0) return;
            result.set_Count(count);
            result.AddPage(m_Filter, lowerBound);
        }
        const std::string body = KnaUtil::SerializeToCompactString(result);

        const std::unique_ptr<CurlHandle> handle = CreateCurlHandle();
        if (IsDebugLevel(DEBUG_WEBAPI))
            SendDebugOutput(DEBUG_WEBAPI, "KnaEventWebHookProcessor POST %d events to URL: %s",
                            static_cast<int>(result.GetRecords().size()), WithoutUserInfo(m_URL).c_str());
        curl_easy_setopt(handle->Handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(handle->Handle, CURLOPT_POSTFIELDS, body.c_str());
        if (!m_SigningSecret.empty())
            AddSignatureHeaders(
                *handle, testEvent != nullptr ? testEvent->GetID().GetID() : result.GetHighestEventID(),
                body);
        if (PerformCURL(*handle, m_URL, errorText) && testEvent == nullptr) {
            Property::SetProperty(AccessProp::GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID,
                                  static_cast<long long>(result.GetHighestEventID()),
                                  Accessories::TCRecordID(), "");
            // Only progress counts: a filter that ignores the bound sends the same page every pass and
            // must not do so in a tight loop.
            m_BacklogPending = result.GetRecords().size() >= m_Filter.get_LimitCount() &&
                               result.GetHighestEventID() > previousID;
        }
    } catch (...) {
        LogProcessingFailed(ExceptionText("_t_Unknown exception in KnaEventWebHookProcessor::Process"));
    }
}

void KnaEventWebHookProcessor::LogProcessingFailed(const std::string& errorText) {
    try {
        Event::TCClientEvent failed(KeynodeWebApi::Type_EventWebHookProcessingFailed);
        failed << Detail(KeynodeWebApi::DefinitionDetail_ConnectionErrorDescription_id)
                      .set_Value(KnaUtil::GetEvenlogFriendlyErrorString(errorText));
    } catch (...) {
        // Composing the event failed; its own write reports on stderr.
    }
}

void KnaEventWebHookProcessor::AddSignatureHeaders(CurlHandle& handle, long long batchID,
                                                   const std::string& body) const {
    const long long timestamp = TCUTCTime::Now().get_Seconds();
    for (const std::string& header :
         {"webhook-id: " + std::to_string(batchID), "webhook-timestamp: " + std::to_string(timestamp),
          "webhook-signature: " + SignDelivery(m_SigningSecret, batchID, timestamp, body)})
        handle.Headers = curl_slist_append(handle.Headers, header.c_str());
    curl_easy_setopt(handle.Handle, CURLOPT_HTTPHEADER, handle.Headers);
}

std::string KnaEventWebHookProcessor::SignDelivery(const std::string& secret, long long batchID,
                                                   long long timestamp, const std::string& body) {
    if (sodium_init() < 0) throw KnaException(__FILE__, __LINE__, "sodium_init failed");
    const std::string prefix = std::to_string(batchID) + "." + std::to_string(timestamp) + ".";
    crypto_auth_hmacsha256_state state;
    crypto_auth_hmacsha256_init(&state, reinterpret_cast<const unsigned char*>(secret.data()), secret.size());
    crypto_auth_hmacsha256_update(&state, reinterpret_cast<const unsigned char*>(prefix.data()),
                                  prefix.size());
    crypto_auth_hmacsha256_update(&state, reinterpret_cast<const unsigned char*>(body.data()), body.size());
    unsigned char mac[crypto_auth_hmacsha256_BYTES];
    crypto_auth_hmacsha256_final(&state, mac);
    sodium_memzero(&state, sizeof state);

    char base64[sodium_base64_ENCODED_LEN(crypto_auth_hmacsha256_BYTES, sodium_base64_VARIANT_ORIGINAL)];
    sodium_bin2base64(base64, sizeof base64, mac, sizeof mac, sodium_base64_VARIANT_ORIGINAL);
    return std::string("v1,") + base64;
}

size_t KnaEventWebHookProcessor::WriteCurlResponseToString(char* data, size_t size, size_t count,
                                                           void* userdata) {
    static_cast<std::string*>(userdata)->append(data, size * count);
    return size * count;
}

} // namespace KeynodeApi
