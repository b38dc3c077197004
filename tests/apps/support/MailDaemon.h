#pragma once
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Accessories/TCNullTypes.h"
#include "DaemonProcess.h"
#include "Mail/TCKnmsServiceProxy.h"
#include "RunProgram.h"

// One API request as a mail; params in the order sent, a null value meaning an entry without value.
struct ApiMail {
    using Params = std::vector<std::pair<std::string, Accessories::TCNullTypes<std::string>>>;
    ApiMail(std::string user, std::string method, std::string path, std::string body = "", Params params = {},
            std::optional<std::string> rawParams = std::nullopt, int maxSize = 0)
        : user(std::move(user)), method(std::move(method)), path(std::move(path)), body(std::move(body)),
          params(std::move(params)), rawParams(std::move(rawParams)), maxSize(maxSize) {}

    std::string user;
    std::string method;
    std::string path;
    std::string body;
    Params params;
    std::optional<std::string> rawParams; // sent as the decoded parameter document instead of params
    int maxSize = 0;
};

// What came back: a reply (status, decoded body), an error reply (errorText) or nothing (error).
struct ApiMailAnswer {
    bool replied = false;
    bool errorReply = false;
    int status = 0;
    std::string body;
    std::string errorText;
    std::string error;
};

TCKnmsMessage MakeApiMail(const ApiMail& request);
ApiMailAnswer ReadApiAnswer(const TCKnmsMessage& reply);
ApiMailAnswer SendApiMail(TCKnmsServiceProxy& proxy, const ApiMail& request, int timeoutMs = 10000);

// A connection to the router that sends whatever bytes it is given.
class RawMailSocket {
public:
    explicit RawMailSocket(const std::string& socketPath);
    ~RawMailSocket();
    bool connected() const { return m_Fd >= 0; }
    void write(const std::string& bytes);
    // True when the router closed the connection within the time-out.
    bool closedWithin(int timeoutMs);
    // The next whole frame's payload, or "" on time-out or close.
    std::string readFrame(int timeoutMs);
    static std::string frame(const std::string& payload);

private:
    int m_Fd = -1;
};

// keynoded on a fresh data directory with web users for the mail road:
//   "cloud"   cloud account with the all-endpoints right (4)
//   "plain"   claim 11001 only, the HTTP claim of GET /info/api
//   "claimed" claim 21001, its cloud claim
// The API stays disabled in the settings: the mail road does not depend on it.
class MailDaemon {
public:
    explicit MailDaemon(const std::vector<std::string>& extraArgs = {});
    ~MailDaemon();

    const std::string& dataDir() const { return m_Data; }
    const std::string& socketPath() const { return m_SocketPath; }
    ProgramResult ctl(std::vector<std::string> args) const;
    // Waits until the API has registered with the router; false when it did not within 10 s.
    bool waitForService();
    int stop();

private:
    TempDir m_Dir;
    std::string m_Data;
    std::string m_SocketPath;
    std::unique_ptr<DaemonProcess> m_Daemon;
};
