// keynoded as its operators run it: a real process on a fresh data directory, driven over loopback, with
// its options and configuration file, health answer, log lines, backups and readiness report.
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Process.h"
#include "TestClient.h"

using ::testing::HasSubstr;
using ::testing::Not;
namespace http = boost::beast::http;
namespace fs = std::filesystem;

namespace {

const std::string kAdmin = "YWRtaW46czNjcmV0"; // admin:s3cret

// "http listening on 127.0.0.1:PORT" and the like: the port, or 0.
uint16_t portFrom(const std::string& line, const std::string& scheme) {
    std::smatch m;
    if (!std::regex_match(line, m, std::regex(scheme + R"( listening on 127\.0\.0\.1:([0-9]+))"))) return 0;
    return uint16_t(std::stoi(m[1]));
}

// One request to keynoded, as the administrator unless given other credentials ("": none).
WebTest::Reply request(uint16_t port, const std::string& target, const std::string& credentials = kAdmin,
                       http::verb method = http::verb::get, const std::string& body = "", bool tls = false) {
    WebTest::TestClient client(port, tls);
    auto message = WebTest::makeRequest(method, target, body);
    message.set(http::field::content_type, "application/json");
    if (!credentials.empty()) message.set(http::field::authorization, "Basic " + credentials);
    return client.send(message);
}

class KeynodedTest : public ::testing::Test {
protected:
    // An empty configuration file of the test's own, so that nothing installed on the machine counts.
    KeynodedTest() { std::ofstream{m_Config}; }

    // HTTP on a port the system picks, HTTPS off unless given a port, the test's configuration file.
    std::vector<std::string> siteArgs(const std::string& dataDir, const std::string& httpsPort = "-1") const {
        return {"--data-dir", dataDir, "--http-port", "0", "--https-port", httpsPort, "--config", m_Config};
    }
    // keynoded with its stderr in m_Log, `env` set for it; `port` gets the port of its first line.
    std::unique_ptr<DaemonProcess> start(const std::vector<std::string>& args, uint16_t* port = nullptr,
                                         const std::string& env = "") {
        std::vector<std::string> shell{"-c", env + " exec \"$0\" \"$@\" 2>" + m_Log, KEYNODED_BIN};
        shell.insert(shell.end(), args.begin(), args.end());
        auto daemon = std::make_unique<DaemonProcess>("/bin/sh", shell);
        if (port) *port = portFrom(daemon->readLine(), "http");
        return daemon;
    }
    // keynodectl with the words of `command` on the test's data directory, unless given another.
    ProgramResult ctl(const std::string& command, const std::string& dataDir = "") {
        return Keynodectl(dataDir.empty() ? m_Data : dataDir, Words(command));
    }
    void ctlOk(const std::string& command, const std::string& dataDir = "") {
        const ProgramResult result = ctl(command, dataDir);
        ASSERT_EQ(result.exitCode, 0) << result.output;
    }

    TempDir m_Dir;
    std::string m_Data = m_Dir / "data";
    std::string m_Config = m_Dir / "keynoded.conf";
    std::string m_Log = m_Dir / "stderr.log";
};

TEST_F(KeynodedTest, FaultsOfTheCommandLineOrTheConfigurationFileStopTheStart) {
    const struct {
        std::vector<std::string> Args;
        std::string File, Message;
    } faults[] = {
        {{}, "", "'--data-dir' is required"},
        {{"--data-dir", m_Data, "--http-port", "70000"}, "", "ports are -1 to 65535"},
        {{"--data-dir", m_Data, "--workers", "0"}, "", "--workers must be 1 to 256"},
        {{"--config", m_Config}, "http-prot = 1\n", "http-prot"},
        {{"--config", m_Config}, "data-dir = " + m_Data + "\nworkers = 0\n", "--workers must be 1 to 256"},
        {{"--config", m_Config}, "http-port = 1\n", "--data-dir"},
        {{"--config", m_Dir / "missing.conf"}, "", "missing.conf"},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.Message);
        std::ofstream(m_Config) << fault.File;
        const ProgramResult result = RunProgram(KEYNODED_BIN, fault.Args);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_THAT(result.output, HasSubstr(fault.Message));
    }
    EXPECT_FALSE(fs::exists(m_Data));

    // The file sets what the command line leaves out; the command line wins.
    std::ofstream(m_Config) << "# test\ndata-dir = " << m_Data
                            << "\nlisten = 127.0.0.1\nhttp-port = 0\nhttps-port = -1\nworkers = 2\n";
    uint16_t port = 0;
    auto fromFile = start({"--config", m_Config}, &port);
    EXPECT_NE(port, 0);
    // HTTPS is off in the file, so the mail router is reported next.
    EXPECT_THAT(fromFile->readLine(), HasSubstr("mail router listening on " + m_Data));
    EXPECT_EQ(fromFile->stop(SIGTERM), 0);
    auto overridden = start({"--config", m_Config, "--https-port", "0", "--http-port", "-1"});
    EXPECT_NE(portFrom(overridden->readLine(), "https"), 0);
    EXPECT_EQ(overridden->stop(SIGTERM), 0);
}

// One daemon on a new data directory: both listeners, readiness for systemd once they are up, health that
// names the database when it cannot be opened, settings written by another process while it runs, a
// clean stop, and a log with start, listeners, failed requests and stop, each line with its priority and
// never a credential.
TEST_F(KeynodedTest, ServesReportsReadinessAndHealthFollowsSettingsAndLogs) {
    // systemd's side of sd_notify: a datagram socket whose messages the test reads.
    const std::string path = m_Dir / "notify";
    const int notify = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(notify, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    const auto receive = [notify] {
        pollfd ready{notify, POLLIN, 0};
        char buffer[512];
        const ssize_t size = ::poll(&ready, 1, 10000) == 1 ? ::recv(notify, buffer, sizeof(buffer), 0) : 0;
        return size > 0 ? std::string(buffer, size_t(size)) : "";
    };

    uint16_t port = 0;
    auto daemon = start(siteArgs(m_Data, "0"), &port, "NOTIFY_SOCKET=" + path);
    const uint16_t tlsPort = portFrom(daemon->readLine(), "https");
    ASSERT_NE(port, 0);
    ASSERT_NE(tlsPort, 0);
    EXPECT_EQ(receive(), "READY=1");
    EXPECT_TRUE(fs::exists(m_Data + "/tls/server.key"));
    const std::string up = R"({"status":"ok","database":"up","serviceThread":"up","mailRouter":"up"})";
    EXPECT_EQ(request(port, "/health", "").body(), up); // ready means answering
    EXPECT_EQ(request(port, "/health/more", "").result_int(), 404);

    // A new data directory has the API switched off: requests fail before the password is checked.
    const std::string wrongPassword = "YWRtaW46d3JvbmdQVw=="; // admin:wrongPW
    EXPECT_EQ(request(port, "/api/v1/keynodes", wrongPassword).result_int(), 503);
    const auto disabled = request(port, "/api/v1/info/api");
    EXPECT_EQ(disabled.result_int(), 503);
    EXPECT_EQ(disabled.body(), R"({"errors":[{"code":1,"msg":"API is disabled","msgDetails":""}]})");
    // The administrator adds a user and switches the API on from another process while the daemon runs;
    // the daemon sees the setting with its next pass over the properties.
    ctlOk("user add admin --password s3cret --all-methods");
    ctlOk("property set GeneralWebApiSettings_Enabled 1");
    WebTest::Reply info;
    for (int attempt = 0; attempt < 100 && (info = request(port, "/api/v1/info/api")).result_int() == 503;
         ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(info.result_int(), 200);
    const auto overTls = request(tlsPort, "/api/v1/keynodes", kAdmin, http::verb::get, "", true);
    EXPECT_EQ(overTls.result_int(), 200);
    EXPECT_THAT(overTls.body(), HasSubstr(R"("records":[{"id":{"id":null})"));
    EXPECT_EQ(request(port, "/api/v1/keynodes", "YWRtaW46d3Jvbmc=").result_int(), 401); // admin:wrong

    // A second daemon on the same port names it and leaves the first alone.
    const ProgramResult second = RunProgram(
        KEYNODED_BIN, {"--data-dir", m_Data, "--http-port", std::to_string(port), "--https-port", "-1"});
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_THAT(second.output, HasSubstr(std::to_string(port)));
    EXPECT_EQ(request(port, "/api/v1/info/api").result_int(), 200);

    // The daemon's own connections keep the moved file open; a monitor must still learn of it. Last, as
    // a connection a thread opens while the file is away would stay on a new file of its own.
    fs::rename(m_Data + "/keynode.db", m_Data + "/moved.db");
    const auto down = request(port, "/health", "");
    EXPECT_EQ(down.result_int(), 503);
    EXPECT_EQ(down.body(), R"({"status":"down","database":"down","serviceThread":"up","mailRouter":"up"})");
    fs::rename(m_Data + "/moved.db", m_Data + "/keynode.db");
    EXPECT_EQ(request(port, "/health", "").body(), up);
    EXPECT_EQ(daemon->stop(SIGINT), 0);
    EXPECT_EQ(receive(), "STOPPING=1");
    ::close(notify);
    // Every failed request left its record in the event log.
    const ProgramResult events = ctl("events");
    EXPECT_THAT(events.output, HasSubstr("API is disabled"));
    EXPECT_THAT(events.output, HasSubstr("Wrong username/password"));

    const std::string log(std::istreambuf_iterator<char>(std::ifstream(m_Log).rdbuf()), {});
    EXPECT_THAT(log, HasSubstr("<6>keynoded: starting on data directory " + m_Data + ", configuration " +
                               m_Config + "\n"));
    EXPECT_THAT(log, HasSubstr("<6>keynoded: http listening on 127.0.0.1:" + std::to_string(port) + "\n"));
    EXPECT_THAT(
        log,
        HasSubstr("<4>keynoded: request failed: GET /api/v1/keynodes 503 user=admin client=127.0.0.1\n"));
    EXPECT_THAT(log, HasSubstr("<6>keynoded: stopped\n"));
    // The health answers are not requests of the API: they are not logged.
    for (const std::string& secret :
         {std::string("wrongPW"), wrongPassword, std::string("YWRtaW46d3Jvbmc="), std::string("/health")})
        EXPECT_THAT(log, Not(HasSubstr(secret)));
    // Every line carries a priority, so journald keeps each at its level.
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        EXPECT_TRUE(std::regex_match(line, std::regex("<[0-7]>keynoded: .*"))) << line;
}

TEST_F(KeynodedTest, OnlineBackupRestoredIntoAFreshDirectoryAnswersLikeTheOriginal) {
    for (const char* command : {"init", "demo", "user add admin --password s3cret --all-methods",
                                "property set GeneralWebApiSettings_Enabled 1"})
        ctlOk(command);
    uint16_t port = 0;
    auto original = start(siteArgs(m_Data), &port);
    ASSERT_NE(port, 0);
    // A write of the daemon's, still in its write-ahead log, must be in the copy.
    ASSERT_EQ(
        request(port, "/api/v1/config/holidays", kAdmin, http::verb::post,
                R"({"id":{"extId":"B-1"},"name":"Backup day","isRepeated":true,)"
                R"("periods":[{"assumedWeekDay":6,"startMonth":5,"startDay":1,"endMonth":5,"endDay":1}]})")
            .result_int(),
        200);
    const std::string backup = m_Dir / "backup.db";
    ctlOk("backup " + backup);
    const ProgramResult refused = ctl("restore " + backup);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.output, HasSubstr("keynoded runs"));
    EXPECT_NE(ctl("restore " + m_Config).exitCode, 0);

    const std::string fresh = m_Dir / "fresh";
    ctlOk("restore " + backup, fresh);
    uint16_t restoredPort = 0;
    auto restored = start(siteArgs(fresh), &restoredPort);
    ASSERT_NE(restoredPort, 0);
    for (const std::string target :
         {"/api/v1/keynodes", "/api/v1/config/holidays", "/api/v1/access/accessGroups",
          "/api/v1/config/weekprograms?type=10", "/api/v1/access/cards?cardNumber=100001"}) {
        const WebTest::Reply mine = request(port, target);
        EXPECT_EQ(mine.result_int(), 200) << target;
        EXPECT_EQ(request(restoredPort, target).body(), mine.body()) << target;
    }

    // A new password takes effect at once in the running daemon; the backup keeps the old one.
    ctlOk("user passwd admin --password n3w");
    EXPECT_EQ(request(port, "/api/v1/info/api").result_int(), 401);
    EXPECT_EQ(request(port, "/api/v1/info/api", "YWRtaW46bjN3").result_int(), 200); // admin:n3w
    EXPECT_EQ(request(restoredPort, "/api/v1/info/api").result_int(), 200);
    EXPECT_EQ(restored->stop(SIGTERM), 0);
    EXPECT_EQ(original->stop(SIGTERM), 0);
}

} // namespace
