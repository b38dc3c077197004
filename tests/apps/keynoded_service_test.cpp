// keynoded as its operators see it: configuration file, health answer and log lines.
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

#include "DaemonProcess.h"
#include "RunProgram.h"
#include "TestClient.h"

using ::testing::HasSubstr;
using ::testing::Not;
namespace http = boost::beast::http;
namespace fs = std::filesystem;

namespace {

// "http listening on 127.0.0.1:PORT" and the like: the port, or 0.
uint16_t portFrom(const std::string& line, const std::string& scheme) {
    std::smatch m;
    if (!std::regex_match(line, m, std::regex(scheme + R"( listening on 127\.0\.0\.1:([0-9]+))"))) return 0;
    return uint16_t(std::stoi(m[1]));
}

WebTest::Reply get(uint16_t port, const std::string& target, const std::string& credentials = "") {
    WebTest::TestClient client(port);
    auto request = WebTest::makeRequest(http::verb::get, target);
    request.set(http::field::content_type, "application/json");
    if (!credentials.empty()) request.set(http::field::authorization, "Basic " + credentials);
    return client.send(request);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class KeynodedServiceTest : public ::testing::Test {
protected:
    void writeConfig(const std::string& text) { std::ofstream(m_Config) << text; }
    void ctl(std::vector<std::string> args) {
        args.insert(args.begin(), {"--data-dir", m_Data});
        ASSERT_EQ(RunProgram(KEYNODECTL_BIN, args).exitCode, 0);
    }
    // keynoded with its stderr in m_Log.
    std::unique_ptr<DaemonProcess> start(const std::vector<std::string>& args, const std::string& env = "") {
        std::vector<std::string> shell{"-c", env + " exec \"$0\" \"$@\" 2>" + m_Log, KEYNODED_BIN};
        shell.insert(shell.end(), args.begin(), args.end());
        return std::make_unique<DaemonProcess>("/bin/sh", shell);
    }

    TempDir m_Dir;
    std::string m_Data = m_Dir.path() + "/data";
    std::string m_Config = m_Dir.path() + "/keynoded.conf";
    std::string m_Log = m_Dir.path() + "/stderr.log";
};

TEST_F(KeynodedServiceTest, ConfigurationFileSetsWhatTheCommandLineLeavesOut) {
    writeConfig("# test\ndata-dir = " + m_Data +
                "\nlisten = 127.0.0.1\nhttp-port = 0\nhttps-port = -1\n"
                "workers = 2\n");
    auto fromFile = start({"--config", m_Config});
    EXPECT_NE(portFrom(fromFile->readLine(), "http"), 0);
    // HTTPS is off in the file, so the mail router is reported next.
    EXPECT_THAT(fromFile->readLine(), HasSubstr("mail router listening on " + m_Data));
    EXPECT_EQ(fromFile->stop(SIGTERM), 0);

    auto overridden = start({"--config", m_Config, "--https-port", "0", "--http-port", "-1"});
    EXPECT_NE(portFrom(overridden->readLine(), "https"), 0);
    EXPECT_EQ(overridden->stop(SIGTERM), 0);

    // Faults of the file stop the start like faults of the command line.
    const struct {
        std::string Text;
        std::string Message;
    } faults[] = {{"http-prot = 1\n", "http-prot"},
                  {"data-dir = " + m_Data + "\nworkers = 0\n", "--workers must be 1 to 256"},
                  {"http-port = 1\n", "--data-dir"}};
    for (const auto& fault : faults) {
        writeConfig(fault.Text);
        ProgramResult result = RunProgram(KEYNODED_BIN, {"--config", m_Config});
        EXPECT_EQ(result.exitCode, 2) << fault.Text;
        EXPECT_THAT(result.output, HasSubstr(fault.Message)) << fault.Text;
    }
    EXPECT_EQ(RunProgram(KEYNODED_BIN, {"--config", m_Dir.path() + "/missing.conf"}).exitCode, 2);
}

TEST_F(KeynodedServiceTest, HealthAnswers503NamingTheDatabaseWhenItCannotBeOpened) {
    auto daemon =
        start({"--data-dir", m_Data, "--http-port", "0", "--https-port", "-1", "--config", "/dev/null"});
    const uint16_t port = portFrom(daemon->readLine(), "http");
    ASSERT_NE(port, 0);
    const std::string up = R"({"status":"ok","database":"up","serviceThread":"up","mailRouter":"up"})";
    WebTest::Reply health;
    for (int attempt = 0; attempt < 50; ++attempt) { // the service thread may still be starting
        health = get(port, "/health");
        if (health.result_int() == 200) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(health.result_int(), 200);
    EXPECT_EQ(health.body(), up);

    // The daemon's own connections keep the moved file open; a monitor must still learn of it.
    fs::rename(m_Data + "/keynode.db", m_Data + "/moved.db");
    health = get(port, "/health");
    EXPECT_EQ(health.result_int(), 503);
    EXPECT_EQ(health.body(), R"({"status":"down","database":"down","serviceThread":"up","mailRouter":"up"})");
    fs::rename(m_Data + "/moved.db", m_Data + "/keynode.db");
    EXPECT_EQ(get(port, "/health").body(), up);
    EXPECT_EQ(get(port, "/health/more").result_int(), 404);
    EXPECT_EQ(daemon->stop(SIGTERM), 0);
}

TEST_F(KeynodedServiceTest, LogsStartListenersFailedRequestsAndStopWithPrioritiesButNoCredentials) {
    auto daemon =
        start({"--data-dir", m_Data, "--http-port", "0", "--https-port", "-1", "--config", "/dev/null"});
    const uint16_t port = portFrom(daemon->readLine(), "http");
    ASSERT_NE(port, 0);
    const std::string wrongPassword = "YWRtaW46d3JvbmdQVw=="; // admin:wrongPW
    // A new data directory has the API switched off: the request fails before the password is checked.
    EXPECT_EQ(get(port, "/api/v1/keynodes", wrongPassword).result_int(), 503);
    EXPECT_EQ(get(port, "/health").result_int() / 100, 2); // successes are not logged
    EXPECT_EQ(daemon->stop(SIGTERM), 0);

    const std::string log = readFile(m_Log);
    EXPECT_THAT(
        log, HasSubstr("<6>keynoded: starting on data directory " + m_Data + ", configuration /dev/null\n"));
    EXPECT_THAT(log, HasSubstr("<6>keynoded: http listening on 127.0.0.1:" + std::to_string(port) + "\n"));
    EXPECT_THAT(
        log,
        HasSubstr("<4>keynoded: request failed: GET /api/v1/keynodes 503 user=admin client=127.0.0.1\n"));
    EXPECT_THAT(log, HasSubstr("<6>keynoded: stopped\n"));
    EXPECT_THAT(log, Not(HasSubstr("wrongPW")));
    EXPECT_THAT(log, Not(HasSubstr(wrongPassword)));
    EXPECT_THAT(log, Not(HasSubstr("/health")));
    // Every line carries a priority, so journald keeps each at its level.
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        EXPECT_TRUE(std::regex_match(line, std::regex("<[0-7]>keynoded: .*"))) << line;
}

} // namespace

namespace {

// Waits for the service thread to enable the API, then GETs.
WebTest::Reply getWhenUp(uint16_t port, const std::string& target, const std::string& credentials) {
    WebTest::Reply reply;
    for (int attempt = 0; attempt < 100; ++attempt) {
        reply = get(port, target, credentials);
        if (reply.result_int() != 503) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return reply;
}

TEST_F(KeynodedServiceTest, OnlineBackupRestoredIntoAFreshDirectoryAnswersLikeTheOriginal) {
    ctl({"init"});
    ctl({"demo"});
    ctl({"user", "add", "admin", "--password", "s3cret", "--all-methods"});
    ctl({"property", "set", "GeneralWebApiSettings_Enabled", "1"});
    const std::string admin = "YWRtaW46czNjcmV0"; // admin:s3cret
    const std::vector<std::string> args{"--http-port", "0", "--https-port", "-1", "--config", "/dev/null"};
    auto withData = [&](const std::string& dir) {
        std::vector<std::string> all{"--data-dir", dir};
        all.insert(all.end(), args.begin(), args.end());
        return all;
    };
    auto original = start(withData(m_Data));
    const uint16_t port = portFrom(original->readLine(), "http");
    ASSERT_NE(port, 0);
    ASSERT_EQ(getWhenUp(port, "/api/v1/info/api", admin).result_int(), 200);
    // A write of the daemon's, still in its write-ahead log, must be in the copy.
    {
        WebTest::TestClient client(port);
        auto request = WebTest::makeRequest(http::verb::post, "/api/v1/config/holidays",
                                            R"({"id":{"extId":"B-1"},"name":"Backup day","isRepeated":true,)"
                                            R"("periods":[{"assumedWeekDay":6,"startMonth":5,"startDay":1,)"
                                            R"("endMonth":5,"endDay":1}]})");
        request.set(http::field::content_type, "application/json");
        request.set(http::field::authorization, "Basic " + admin);
        ASSERT_EQ(client.send(request).result_int(), 200);
    }
    const std::string backup = m_Dir.path() + "/backup.db";
    ctl({"backup", backup});

    ProgramResult refused = RunProgram(KEYNODECTL_BIN, {"--data-dir", m_Data, "restore", backup});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.output, HasSubstr("keynoded runs"));
    ProgramResult notADatabase = RunProgram(KEYNODECTL_BIN, {"--data-dir", m_Data, "restore", m_Config});
    EXPECT_NE(notADatabase.exitCode, 0);

    const std::string fresh = m_Dir.path() + "/fresh";
    ASSERT_EQ(RunProgram(KEYNODECTL_BIN, {"--data-dir", fresh, "restore", backup}).exitCode, 0);
    m_Log = m_Dir.path() + "/fresh.log";
    auto restored = start(withData(fresh));
    const uint16_t restoredPort = portFrom(restored->readLine(), "http");
    ASSERT_NE(restoredPort, 0);
    for (const std::string target :
         {"/api/v1/keynodes", "/api/v1/config/holidays", "/api/v1/access/accessGroups",
          "/api/v1/config/weekprograms?type=10", "/api/v1/access/cards?cardNumber=100001"}) {
        const WebTest::Reply mine = getWhenUp(port, target, admin);
        EXPECT_EQ(mine.result_int(), 200) << target;
        EXPECT_EQ(getWhenUp(restoredPort, target, admin).body(), mine.body()) << target;
    }
    EXPECT_THAT(get(restoredPort, "/api/v1/config/holidays", admin).body(), HasSubstr("Backup day"));

    // A new password takes effect at once in the running daemon; the backup keeps the old one.
    ctl({"user", "passwd", "admin", "--password", "n3w"});
    EXPECT_EQ(get(port, "/api/v1/info/api", admin).result_int(), 401);
    EXPECT_EQ(get(port, "/api/v1/info/api", "YWRtaW46bjN3").result_int(), 200); // admin:n3w
    EXPECT_EQ(get(restoredPort, "/api/v1/info/api", admin).result_int(), 200);
    EXPECT_EQ(restored->stop(SIGTERM), 0);
    EXPECT_EQ(original->stop(SIGTERM), 0);
}

TEST_F(KeynodedServiceTest, UserCommandsListChangeAndRemoveUsers) {
    ctl({"init"});
    ctl({"user", "add", "admin", "--password", "pw", "--all-methods"});
    ctl({"user", "add", "reader", "--password", "pw", "--claim", "11036", "--claim", "11001"});
    EXPECT_EQ(RunProgram(KEYNODECTL_BIN, {"--data-dir", m_Data, "user", "claims", "reader"}).output,
              "11001\n11036\n");
    EXPECT_EQ(RunProgram(KEYNODECTL_BIN, {"--data-dir", m_Data, "user", "list", "--json"}).output,
              R"([{"name":"admin","id":1,"apiAccess":true,"allMethods":true,"claims":[]},)"
              R"({"name":"reader","id":2,"apiAccess":true,"allMethods":false,"claims":[11001,11036]}])"
              "\n");
    ctl({"user", "remove", "reader"});
    ProgramResult gone = RunProgram(KEYNODECTL_BIN, {"--data-dir", m_Data, "user", "claims", "reader"});
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_THAT(gone.output, HasSubstr("no user 'reader'"));
    EXPECT_EQ(RunProgram(KEYNODECTL_BIN, {"--data-dir", m_Data, "user", "remove", "reader"}).exitCode, 1);
    // The claims went with the user: one added again (with the freed highest ID) has none.
    ctl({"user", "add", "reader", "--password", "pw"});
    EXPECT_EQ(RunProgram(KEYNODECTL_BIN, {"--data-dir", m_Data, "user", "claims", "reader"}).output, "");
    EXPECT_EQ(
        RunProgram(KEYNODECTL_BIN, {"--data-dir", m_Data, "user", "passwd", "nobody", "--password", "x"})
            .exitCode,
        1);
}

// systemd's side of sd_notify: a datagram socket whose messages the test reads.
class NotifySocket {
public:
    explicit NotifySocket(const std::string& path) : m_Fd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof(address.sun_path) - 1);
        m_Bound = m_Fd >= 0 && ::bind(m_Fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    }
    ~NotifySocket() {
        if (m_Fd >= 0) ::close(m_Fd);
    }
    bool bound() const { return m_Bound; }
    // The next message, or "" after the time-out.
    std::string receive(int timeoutMs = 10000) {
        pollfd ready{m_Fd, POLLIN, 0};
        if (::poll(&ready, 1, timeoutMs) != 1) return "";
        char buffer[512];
        const ssize_t size = ::recv(m_Fd, buffer, sizeof(buffer), 0);
        return size > 0 ? std::string(buffer, size_t(size)) : "";
    }

private:
    int m_Fd;
    bool m_Bound = false;
};

TEST_F(KeynodedServiceTest, ReportsReadinessToSystemdOnceItsListenersAreUp) {
    const std::string path = m_Dir.path() + "/notify";
    NotifySocket systemd(path);
    ASSERT_TRUE(systemd.bound());
    auto daemon =
        start({"--data-dir", m_Data, "--http-port", "0", "--https-port", "-1", "--config", "/dev/null"},
              "NOTIFY_SOCKET=" + path);
    const uint16_t port = portFrom(daemon->readLine(), "http");
    ASSERT_NE(port, 0);
    EXPECT_EQ(systemd.receive(), "READY=1");
    EXPECT_EQ(get(port, "/health").result_int(), 200); // ready means answering
    daemon->stop(SIGTERM);
    EXPECT_EQ(systemd.receive(), "STOPPING=1");
}

} // namespace
