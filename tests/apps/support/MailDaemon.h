#pragma once
#include <csignal>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "Mail/TCKnmsServiceProxy.h"
#include "Process.h"

// One API request as a mail.
struct ApiMail {
    std::string user, method, path, body = {};
};

// What came back: a reply (status, decoded body), or an error reply or nothing (status 0, error).
struct ApiMailAnswer {
    int status = 0;
    std::string body, error;
};

// The API's name on the router.
inline TCKnmsServiceName ApiService() {
    return TCKnmsServiceName::MakeLocalProcess("@keynodeweb.webapi", "");
}
TCKnmsMessage MakeApiMail(const ApiMail& request);
ApiMailAnswer ReadApiAnswer(const TCKnmsMessage& reply);
ApiMailAnswer SendApiMail(TCKnmsServiceProxy& proxy, const ApiMail& request, int timeoutMs = 10000);

// A connection to the router that sends whatever bytes it is given.
class RawMailSocket {
public:
    explicit RawMailSocket(const std::string& socketPath);
    ~RawMailSocket() { ::close(m_Fd); }
    bool connected() const { return m_Fd >= 0; }
    void write(const std::string& bytes) { ::send(m_Fd, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    // True when the router closed the connection within the time-out; what it sent before goes to `read`.
    bool closedWithin(int timeoutMs, std::string* read = nullptr);
    static std::string frame(const std::string& payload) {
        const uint32_t size = uint32_t(payload.size());
        return std::string{char(size >> 24), char(size >> 16), char(size >> 8), char(size)} + payload;
    }

private:
    int m_Fd = -1;
};

// keynoded on a fresh data directory with web users for the mail road, once its API has registered with
// the router (the constructor throws when it did not within 10 s):
//   "cloud"   cloud account with the all-endpoints right (4)
//   "limited" cloud account with rights 3, without that one
//   "plain"   claim 11001 only, the HTTP claim of GET /info/api
//   "claimed" claim 21001, its cloud claim
// The API stays disabled in the settings: the mail road does not depend on it.
class MailDaemon {
public:
    explicit MailDaemon(const std::vector<std::string>& extraArgs = {});

    const std::string& socketPath() const { return m_SocketPath; }
    ProgramResult ctl(const std::vector<std::string>& args) const { return Keynodectl(m_Data, args); }
    int stop() { return m_Daemon->stop(SIGTERM); }

private:
    TempDir m_Dir;
    std::string m_Data;
    std::string m_SocketPath;
    std::unique_ptr<DaemonProcess> m_Daemon;
};
