#pragma once
#include <memory>
#include <string>

#include "Mail/TCKnmsMessage.h"
#include "Thread/TCThread.h"

#pragma GCC visibility push(default)

struct TCKnmsInbox;
class TCKnmsKeeper;

// A service's or client's end of the mail router. Mails addressed to the exposed task, and mails of
// subscribed classes, wait in the proxy's inbox until the owner's thread calls ProcessProxy; the mail
// signal tells that thread there is something to do. The router is reached over its Unix-domain socket
// (DefaultSocketPath unless told otherwise).
class TCKnmsServiceProxy {
public:
    TCKnmsServiceProxy();
    explicit TCKnmsServiceProxy(const std::string& socketPath);
    virtual ~TCKnmsServiceProxy();
    TCKnmsServiceProxy(const TCKnmsServiceProxy&) = delete;
    TCKnmsServiceProxy& operator=(const TCKnmsServiceProxy&) = delete;

    static constexpr int DEFAULT_REPLY_TIMEOUT_MS = 5000;

    // "/run/keynode/mail/router.sock" below the host's path root.
    static std::string DefaultSocketPath();

    // Registers the service under its name and keeps the registration: the proxy connects in the
    // background and connects again whenever the router goes away.
    void ExposeTask(const TCKnmsServiceName& name);
    // Also delivers broadcast mails of the class. The int and bool are reserved (pass 3, false).
    void ConnectService(int mailClassID, int, bool);

    // Signalled whenever a mail arrived in the inbox.
    TCSignalEventObject& GetMailSignal();
    // Hands waiting mails, oldest first, to OnServiceMail on the calling thread: at most maxMails of
    // them (negative: all). The bool is reserved. Returns how many were handed on.
    int ProcessProxy(int maxMails, bool);

    // Sends a request and waits up to timeoutMs (negative: DEFAULT_REPLY_TIMEOUT_MS) for its reply, which
    // then replaces `message`. False (with the reason in `error` when given) when the router cannot be
    // reached, the service is unknown, or no reply came in time.
    bool SendAndWait(const TCKnmsServiceName& to, TCKnmsMessage& message, int timeoutMs,
                     std::string* error = nullptr);

    // Sends without waiting; a reply will arrive in the inbox. Throws TCException when the router
    // cannot be reached.
    void Send(const TCKnmsServiceName& to, TCKnmsMessage& message);

    bool IsConnected() const;
    // The router has confirmed the exposed name (and the subscriptions made before it).
    bool IsRegistered() const;
    const std::string& GetSocketPath() const { return m_SocketPath; }

protected:
    virtual void OnServiceMail(TCKnmsMessage&) {}

private:
    std::string m_SocketPath;
    std::shared_ptr<TCKnmsInbox> m_Inbox;
    std::unique_ptr<TCKnmsKeeper> m_Keeper;
};

#pragma GCC visibility pop
