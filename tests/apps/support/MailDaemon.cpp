#include "MailDaemon.h"

#include <chrono>
#include <fstream>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "Crypto/TCCryptoUtil.h"
#include "Mail/TCKnmsMailMessage.h"
#include "Mail/TCKnmsRecords.h"

using Record = KeynodeApi::TCKnmsWebApiRequestObject;

TCKnmsMessage MakeApiMail(const ApiMail& request) {
    TCKnmsMailMessage<Record> mail(KeynodeApi::Knms_WebApiRequestMail, KNMS_SIGNAL_DATA, KNMS_MARKER_REQUEST);
    TCKnmsRecord& record = mail.AddRecord();
    record.Field(Record::USER_NAME) = request.user;
    record.Field(Record::PATH) = request.path;
    record.Field(Record::METHOD) = request.method;
    record.Field(Record::BODY) = TCCryptoUtil::Base64Encode(request.body);
    // QUERY_PARAMS stays null, as a client without parameters may leave it.
    record.Field(Record::MAX_RESPONSE_SIZE) = 0;
    return mail.Message();
}

ApiMailAnswer ReadApiAnswer(const TCKnmsMessage& reply) {
    ApiMailAnswer answer;
    TCKnmsMailMessage<Record> mail;
    mail.Copy(reply);
    if (mail.get_RecordCount() == 0) {
        answer.error = "reply without record";
        return answer;
    }
    const TCKnmsRecord& record = mail.get(0);
    if (reply.get_Marker() == KNMS_MARKER_ERROR_REPLY) {
        answer.error = record.Field(Record::ERROR_TEXT).get_AsString();
        return answer;
    }
    answer.status = record.Field(Record::STATUS).get_AsInteger();
    answer.body = TCCryptoUtil::Base64Decode(record.Field(Record::RESPONSE_BODY).get_AsString());
    return answer;
}

ApiMailAnswer SendApiMail(TCKnmsServiceProxy& proxy, const ApiMail& request, int timeoutMs) {
    TCKnmsMessage mail = MakeApiMail(request);
    ApiMailAnswer answer;
    if (!proxy.SendAndWait(ApiService(), mail, timeoutMs, &answer.error)) return answer;
    return ReadApiAnswer(mail);
}

RawMailSocket::RawMailSocket(const std::string& socketPath) {
    m_Fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof(address.sun_path) - 1);
    if (m_Fd >= 0 && ::connect(m_Fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(m_Fd);
        m_Fd = -1;
    }
}

bool RawMailSocket::closedWithin(int timeoutMs, std::string* read) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{m_Fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const ssize_t n = ::recv(m_Fd, buffer, sizeof(buffer), 0);
        if (n <= 0) return true;
        if (read) read->append(buffer, size_t(n));
    }
    return false;
}

MailDaemon::MailDaemon(const std::vector<std::string>& extraArgs) : m_Data(m_Dir / "data") {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"init"},
          {"user", "add", "cloud", "--password", "x"},
          {"cloud-user", "add", "cloud-account", "--web-user", "cloud", "--rights", "4"},
          {"user", "add", "limited", "--password", "x"},
          {"cloud-user", "add", "limited-account", "--web-user", "limited", "--rights", "3"},
          {"user", "add", "plain", "--password", "x", "--claim", "11001"},
          {"user", "add", "claimed", "--password", "x", "--claim", "21001"}}) {
        const ProgramResult result = ctl(args);
        if (result.exitCode != 0) throw std::runtime_error("keynodectl failed: " + result.output);
    }
    // An empty configuration file of its own: nothing installed on the machine counts.
    const std::string config = m_Dir / "keynoded.conf";
    std::ofstream{config};
    std::vector<std::string> args{"--data-dir", m_Data,      "--http-port", "0",        "--https-port",
                                  "-1",         "--workers", "1",           "--config", config};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    m_Daemon = std::make_unique<DaemonProcess>(KEYNODED_BIN, args);
    const std::string prefix = "mail router listening on ";
    for (int line = 0; line < 3 && m_SocketPath.empty(); ++line) {
        const std::string text = m_Daemon->readLine();
        if (text.rfind(prefix, 0) == 0) m_SocketPath = text.substr(prefix.size());
    }
    if (m_SocketPath.empty()) throw std::runtime_error("keynoded did not start its mail router");
    TCKnmsServiceProxy proxy(m_SocketPath);
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (SendApiMail(proxy, {"cloud", "GET", "/api/v1/info/api"}, 2000).status == 200) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    throw std::runtime_error("the API did not register with the mail router");
}
