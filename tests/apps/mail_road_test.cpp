// The mail road of the API between real processes: keynoded with its router, this test as the client.
#include <filesystem>
#include <functional>
#include <grp.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Mail/TCKnmsRecords.h"
#include "Mail/TCKnmsRouter.h"
#include "MailDaemon.h"

using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

// A client recording the mails that reach its inbox.
class RecordingClient : public TCKnmsServiceProxy {
public:
    using TCKnmsServiceProxy::TCKnmsServiceProxy;
    std::vector<TCKnmsMessage> replies;
    void await(size_t count) {
        for (int wait = 0; wait < 200 && replies.size() < count; ++wait) {
            GetMailSignal().Wait(100);
            ProcessProxy(-1, false);
        }
    }

protected:
    void OnServiceMail(TCKnmsMessage& mail) override { replies.push_back(mail); }
};

class MailRoadTest : public ::testing::Test {
protected:
    MailDaemon m_Daemon{{"--mail-stall-timeout", "300"}};
};

// keynodectl mail prints a reply as {"status":..,"body":..} and an error reply as {"errorCode":..,
// "errorText":..} in one line, or exits with 2 naming its bad use. A status of -1 means an error reply,
// 0 bad use. Every failed request leaves one event, an error reply one of type InternalError.
TEST_F(MailRoadTest, RequestsAreServedThroughThePipelineWithTheMailRules) {
    const std::string info = R"({"status":200,"body":{"version":{"major":0,"minor":9,"revision":4}}})"
                             "\n";
    const struct {
        std::string args;
        int status;
        std::string part;
    } cases[] = {
        // The settings leave the API disabled; the mail road is served all the same. "cloud" has the
        // all-endpoints right, "claimed" the cloud claim; cloud rights without that one ("limited") and
        // the HTTP claim of "plain" are not enough.
        {"GET /api/v1/info/api --user cloud", 200, info},
        {"GET /api/v1/info/api --user claimed", 200, info},
        {"GET /api/v1/info/api --user limited", 401,
         "User limited is not allowed to perform requested operation"},
        {"GET /api/v1/info/api --user plain", 401,
         "User plain is not allowed to perform requested operation"},
        {"GET /api/v1/info/api --user nobody", 401, "Wrong username/password"},
        // An entry without value, with or without the member, is invisible.
        {"GET /api/v1/config/weekprograms --user cloud --param type=10", 200, R"("body":{"records":[)"},
        {"GET /api/v1/config/weekprograms --user cloud --param-null type", 400, "Missing query parameter"},
        {R"(GET /api/v1/config/weekprograms --user cloud --raw-params {"params":[{"name":"type","value_b64":null}]})",
         400, "Missing query parameter"},
        // The info body is 46 bytes, 64 in Base64: the limit counts the Base64 length.
        {"GET /api/v1/info/api --user cloud --max-size 64", 200, info},
        {"GET /api/v1/info/api --user cloud --max-size 63", 403,
         "response size of 64 which exceeds maximum allowed size of 63"},
        {"GET /api/v1/info/api --user cloud --raw-params [1]", -1, "Expected JSON object"},
        {R"(GET /api/v1/info/api --user cloud --raw-params {"other":[]})", -1, "Expected params member"},
        {R"(GET /api/v1/info/api --user cloud --raw-params {"params":{}})", -1, "Expected JSON array"},
        {R"(GET /api/v1/info/api --user cloud --raw-params {"params":[{"value_b64":"MQ=="}]})", -1,
         "Expected name member"},
        {"GET /api/v1/info/api --user cloud --raw-params type=10", -1, "Could not parse input, error: "},
        {"GET /api/v1/info/api", 0, "--user NAME is required"},
        {"GET --user cloud", 0, "mail METHOD PATH"},
        {"GET /x --user cloud --param novalue", 0, "NAME=VALUE"},
        {"GET /x --user cloud --timeout 0", 0, "--timeout"},
    };
    size_t failed = 0, errorReplies = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        std::vector<std::string> args = Words(c.args);
        args.insert(args.begin(), "mail");
        const ProgramResult result = m_Daemon.ctl(args);
        EXPECT_EQ(result.exitCode, c.status == 0 ? 2 : 0) << result.output;
        const std::string head = c.status == -1 ? R"({"errorCode":1,"errorText":")"
                                 : c.status > 0 ? R"({"status":)" + std::to_string(c.status) + ","
                                                : "";
        EXPECT_THAT(result.output, StartsWith(head));
        EXPECT_THAT(result.output, HasSubstr(c.part));
        failed += c.status == -1 || c.status >= 400;
        errorReplies += c.status == -1;
    }
    // A request without record is not answered at all.
    TCKnmsServiceProxy proxy(m_Daemon.socketPath());
    TCKnmsMessage empty(KeynodeApi::Knms_WebApiRequestMail, KNMS_SIGNAL_DATA, KNMS_MARKER_REQUEST);
    std::string error;
    EXPECT_FALSE(proxy.SendAndWait(ApiService(), empty, 500, &error));
    EXPECT_THAT(error, HasSubstr("No reply"));

    const std::string events = m_Daemon.ctl({"events"}).output;
    std::istringstream lines(events);
    size_t lineCount = 0, internalErrors = 0;
    for (std::string line; std::getline(lines, line); ++lineCount)
        internalErrors += line.find("\tKeynodeWebApi.InternalError\t") != std::string::npos;
    EXPECT_EQ(lineCount, failed) << events;
    EXPECT_EQ(internalErrors, errorReplies) << events;

    EXPECT_EQ(m_Daemon.stop(), 0);
    const ProgramResult noDaemon = m_Daemon.ctl({"mail", "GET", "/api/v1/info/api", "--user", "cloud"});
    EXPECT_EQ(noDaemon.exitCode, 1);
    EXPECT_THAT(noDaemon.output, HasSubstr("no reply"));
}

TEST_F(MailRoadTest, MailsOfSeveralClientsAreServedOneAtATimeInOrder) {
    const int mailsEach = 6;
    std::vector<std::thread> clients;
    for (int c = 0; c < 4; ++c) {
        clients.emplace_back([&, c] {
            RecordingClient client(m_Daemon.socketPath());
            for (int i = 0; i < mailsEach; ++i) {
                TCKnmsMessage mail =
                    MakeApiMail({"cloud", "POST", "/api/v1/config/holidays",
                                 R"({"id":{"id":null},"name":"c)" + std::to_string(c) + "-" +
                                     std::to_string(i) + R"(","isRepeated":true,"periods":[]})"});
                client.Send(ApiService(), mail);
            }
            client.await(mailsEach);
            ASSERT_EQ(int(client.replies.size()), mailsEach) << "client " << c;
            long long lastID = 0;
            for (int i = 0; i < mailsEach; ++i) {
                const ApiMailAnswer answer = ReadApiAnswer(client.replies[i]);
                // Each reply answers the mail sent i-th, and the rows were made in sending order.
                EXPECT_THAT(answer.body,
                            HasSubstr("\"c" + std::to_string(c) + "-" + std::to_string(i) + "\""));
                const size_t at = answer.body.find("\"id\":{\"id\":");
                ASSERT_NE(at, std::string::npos) << answer.body << answer.error;
                const long long id = std::stoll(answer.body.substr(at + 11));
                EXPECT_GT(id, lastID);
                lastID = id;
            }
        });
    }
    for (auto& client : clients)
        client.join();
}

TEST_F(MailRoadTest, ClientsThatVanishOrSendBadFramesLoseOnlyTheirConnection) {
    {
        // Gone before its reply: the reply has nowhere to go and is dropped.
        TCKnmsServiceProxy vanishing(m_Daemon.socketPath());
        TCKnmsMessage mail = MakeApiMail({"cloud", "GET", "/api/v1/keynodes"});
        vanishing.Send(ApiService(), mail);
    }
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"frame over 8 MiB", std::string{'\x00', '\x80', '\x00', '\x01'}},
        {"not JSON", RawMailSocket::frame("hello")},
        {"JSON without op", RawMailSocket::frame(R"({"to":"x"})")},
        {"unknown op", RawMailSocket::frame(R"({"op":"shout"})")},
        {"mail without address", RawMailSocket::frame(R"({"op":"mail","mail":{}})")},
        {"mail with a bad field",
         RawMailSocket::frame(
             R"({"op":"mail","to":"@keynodeweb.webapi","mail":{"class":4201,"signal":1,"marker":1,"seq":1,"replyTo":0,"records":[[1.5]]}})")},
        {"stalled mid-frame", RawMailSocket::frame(R"({"op":"subscribe","mailClass":1})").substr(0, 9)},
    };
    TCKnmsServiceProxy client(m_Daemon.socketPath());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RawMailSocket raw(m_Daemon.socketPath());
        ASSERT_TRUE(raw.connected());
        raw.write(c.bytes);
        EXPECT_TRUE(raw.closedWithin(3000));
        const ApiMailAnswer answer = SendApiMail(client, {"cloud", "GET", "/api/v1/info/api"});
        EXPECT_EQ(answer.status, 200) << answer.error;
    }
    // A client that leaves mid-frame.
    RawMailSocket(m_Daemon.socketPath())
        .write(RawMailSocket::frame(R"({"op":"register","name":"half"})").substr(0, 10));
    EXPECT_EQ(SendApiMail(client, {"cloud", "GET", "/api/v1/info/api"}).status, 200);
    EXPECT_EQ(m_Daemon.stop(), 0);
}

// Runs `connect` in a child with the given credentials; returns the child's exit code.
int AsOtherUser(gid_t primaryGroup, gid_t supplementaryGroup, uid_t user,
                const std::function<int()>& connect) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgroups(1, &supplementaryGroup) != 0 || setgid(primaryGroup) != 0 || setuid(user) != 0)
            _exit(90);
        _exit(connect());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(MailRouterPeers, OnlyTheOwnUserAndTheAllowedGroupAreServed) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as other users";
    const gid_t allowed = 4242;
    MailDaemon daemon({"--mail-allowed-group", std::to_string(allowed)});
    const std::string path = daemon.socketPath();
    // The temporary directories above the socket's own are the test's (0700); let the other users pass.
    namespace fs = std::filesystem;
    for (fs::path dir = fs::path(path).parent_path().parent_path();
         dir.string().size() > fs::temp_directory_path().string().size(); dir = dir.parent_path())
        fs::permissions(dir, fs::perms::others_exec, fs::perm_options::add);
    // 0: registered; 1: the router closed the connection; 2: no connection at all.
    auto tryRegister = [path] {
        RawMailSocket raw(path);
        if (!raw.connected()) return 2;
        raw.write(RawMailSocket::frame(R"({"op":"register","name":"peer-test"})"));
        std::string read;
        return !raw.closedWithin(1000, &read) && read.find("\"registered\"") != std::string::npos ? 0 : 1;
    };
    // The file modes let a member of the group through; the credential check still wants it as the
    // primary group.
    EXPECT_EQ(AsOtherUser(allowed, allowed, 4444, tryRegister), 0);
    EXPECT_EQ(AsOtherUser(4343, allowed, 4444, tryRegister), 1);
    EXPECT_EQ(AsOtherUser(4343, 4343, 4444, tryRegister), 2);
    EXPECT_EQ(daemon.stop(), 0);
}

// Router and peers in this one process: broadcasts and names.
TEST(MailRouterRouting, BroadcastsReachSubscribersAndAServiceNameHasOneOwner) {
    TempDir dir;
    TCKnmsRouterConfig config;
    config.socketPath = dir / "mail/router.sock";
    config.log = [](const std::string&) {};
    TCKnmsRouter router(config);
    router.Start();

    RecordingClient subscriber(config.socketPath), other(config.socketPath), sender(config.socketPath);
    const auto first = TCKnmsServiceName::MakeLocalProcess("@test", "first");
    subscriber.ConnectService(Knms_ExternalRouterStatus, 3, false);
    subscriber.ExposeTask(first);
    for (int wait = 0; wait < 100 && !subscriber.IsRegistered(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(subscriber.IsRegistered());
    other.ExposeTask(first); // taken: refused
    for (int wait = 0; wait < 100 && !other.IsConnected(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

    const auto all = TCKnmsServiceName::MakeLocalProcess("*", "");
    TCKnmsMessage status(Knms_ExternalRouterStatus, KNMS_SIGNAL_DATA, KNMS_MARKER_NOTICE);
    status.AddRecord(2).Field(0) = 5;
    sender.Send(all, status);
    TCKnmsMessage unsubscribed(Access::Knms_DoorStatusMail, KNMS_SIGNAL_DATA, KNMS_MARKER_NOTICE);
    sender.Send(all, unsubscribed);
    TCKnmsMessage named(Access::Knms_DoorStatusMail, KNMS_SIGNAL_DATA, KNMS_MARKER_NOTICE);
    sender.Send(first, named);

    subscriber.await(2);
    other.ProcessProxy(-1, false);
    ASSERT_EQ(subscriber.replies.size(), 2u);
    EXPECT_EQ(subscriber.replies[0].get_MailClassID(), Knms_ExternalRouterStatus);
    EXPECT_EQ(subscriber.replies[0].get(0).Field(0).get_AsInteger(), 5);
    EXPECT_EQ(subscriber.replies[1].get_MailClassID(), Access::Knms_DoorStatusMail);
    EXPECT_TRUE(other.replies.empty());

    // A request to a name nobody holds fails at once rather than at the time-out.
    TCKnmsMessage request(Access::Knms_CardQueryMail, KNMS_SIGNAL_DATA, KNMS_MARKER_REQUEST);
    std::string error;
    EXPECT_FALSE(
        sender.SendAndWait(TCKnmsServiceName::MakeLocalProcess("@nobody", ""), request, 5000, &error));
    EXPECT_THAT(error, HasSubstr("No service @nobody"));
}

} // namespace
