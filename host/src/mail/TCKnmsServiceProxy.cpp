#include "Mail/TCKnmsServiceProxy.h"

#include <chrono>

#include "Config/TCHostPaths.h"
#include "Debug/TCDebug.h"
#include "Host/TCException.h"
#include "mail/KnmsConnection.h"

namespace {
const char* const kRouterSocketPath = "/run/keynode/mail/router.sock";
}

std::string TCKnmsServiceProxy::DefaultSocketPath() {
    return TCHostPaths::Resolve(kRouterSocketPath);
}

TCKnmsServiceProxy::TCKnmsServiceProxy() : TCKnmsServiceProxy(DefaultSocketPath()) {}

TCKnmsServiceProxy::TCKnmsServiceProxy(const std::string& socketPath)
    : m_SocketPath(socketPath), m_Inbox(std::make_shared<TCKnmsInbox>()),
      m_Keeper(std::make_unique<TCKnmsKeeper>(socketPath, m_Inbox)) {}

TCKnmsServiceProxy::~TCKnmsServiceProxy() = default;

void TCKnmsServiceProxy::ExposeTask(const TCKnmsServiceName& name) {
    m_Keeper->Expose(name.get_AsString());
}

void TCKnmsServiceProxy::ConnectService(int mailClassID, int, bool) {
    m_Keeper->Subscribe(mailClassID);
}

TCSignalEventObject& TCKnmsServiceProxy::GetMailSignal() {
    return m_Inbox->signal;
}

int TCKnmsServiceProxy::ProcessProxy(int maxMails, bool) {
    int handled = 0;
    while (maxMails < 0 || handled < maxMails) {
        TCKnmsMessage mail;
        {
            std::lock_guard<std::mutex> lock(m_Inbox->mutex);
            if (m_Inbox->mails.empty()) break;
            mail = std::move(m_Inbox->mails.front());
            m_Inbox->mails.pop_front();
        }
        ++handled;
        try {
            OnServiceMail(mail);
        } catch (const std::exception& e) {
            // One bad mail must not hold up the ones behind it.
            if (IsDebugLevel(DEBUG_COMMON))
                SendDebugOutput(DEBUG_COMMON, "OnServiceMail failed: %s", e.what());
        }
    }
    return handled;
}

void TCKnmsServiceProxy::Send(const TCKnmsServiceName& to, TCKnmsMessage& message) {
    std::string error;
    const auto connection = m_Keeper->Current(error);
    if (!connection) throw TCException(__FILE__, __LINE__, error);
    message.set_Sequence(m_Inbox->nextSequence.fetch_add(1));
    connection->SendMail(to.get_AsString(), message);
}

bool TCKnmsServiceProxy::SendAndWait(const TCKnmsServiceName& to, TCKnmsMessage& message, int timeoutMs,
                                     std::string* error) {
    if (timeoutMs < 0) timeoutMs = DEFAULT_REPLY_TIMEOUT_MS;
    std::string reason;
    const auto connection = m_Keeper->Current(reason);
    if (!connection) {
        if (error) *error = reason;
        return false;
    }
    const uint64_t sequence = m_Inbox->nextSequence.fetch_add(1);
    message.set_Sequence(sequence);
    auto pending = std::make_shared<TCKnmsInbox::Pending>();
    {
        std::lock_guard<std::mutex> lock(m_Inbox->mutex);
        m_Inbox->waiting[sequence] = pending;
    }
    try {
        connection->SendMail(to.get_AsString(), message);
    } catch (const TCException& e) {
        m_Inbox->Fail(sequence, e.GetHostMessage());
    }
    std::unique_lock<std::mutex> lock(m_Inbox->mutex);
    const bool finished =
        m_Inbox->replied.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return pending->done; });
    if (!finished) {
        m_Inbox->waiting.erase(sequence);
        if (error) *error = "No reply within " + std::to_string(timeoutMs) + " ms";
        return false;
    }
    if (!pending->ok) {
        if (error) *error = pending->error;
        return false;
    }
    message = std::move(pending->reply);
    return true;
}

bool TCKnmsServiceProxy::IsConnected() const {
    return m_Keeper->IsConnected();
}

bool TCKnmsServiceProxy::IsRegistered() const {
    return m_Keeper->IsRegistered();
}
