// The mail road of the API between real processes: keynoded with its router, this test as the client.
#include <filesystem>
#include <grp.h>
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

const char* const kInfoBody = R"({"version":{"major":0,"minor":9,"revision":4})";

struct ServedCase {
    const char* what;
    ApiMail request;
    int status;
    const char* bodyPart;
};

struct ErrorReplyCase {
    const char* what;
    std::string rawParams;
    const char* textPart;
};

class MailRoadTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_Daemon.waitForService()); }
    MailDaemon m_Daemon{{"--mail-stall-timeout", "300"}};
};

TEST_F(MailRoadTest, RequestsAreServedThroughThePipelineWithTheMailRules) {
    using Param = std::pair<std::string, Accessories::TCNullTypes<std::string>>;
    const Accessories::TCNullTypes<std::string> none;
    const ServedCase cases[] = {
        // The settings leave the API disabled; the mail road is served all the same.
        {"cloud all-endpoints right", {"cloud", "GET", "/api/v1/info/api"}, 200, kInfoBody},
        {"cloud claim 10000 + endpoint", {"claimed", "GET", "/api/v1/info/api"}, 200, kInfoBody},
        {"HTTP claim is not enough",
         {"plain", "GET", "/api/v1/info/api"},
         401,
         "User plain is not allowed to perform requested operation"},
        {"unknown user", {"nobody", "GET", "/api/v1/info/api"}, 401, "Wrong username/password"},
        // Handlers accept one entry only, so which of two entries wins is checked beside the request type.
        {"entry with a value",
         {"cloud", "GET", "/api/v1/config/weekprograms", "", {Param{"type", std::string("10")}}},
         200,
         R"("records":[)"},
        {"entry without value is invisible",
         {"cloud", "GET", "/api/v1/config/weekprograms", "", {Param{"type", none}}},
         400,
         "Missing query parameter"},
        // The info body is 46 bytes, 64 in Base64: the limit counts the Base64 length.
        {"Base64 size at the limit",
         {"cloud", "GET", "/api/v1/info/api", "", {}, std::nullopt, 64},
         200,
         kInfoBody},
        {"Base64 size over the limit",
         {"cloud", "GET", "/api/v1/info/api", "", {}, std::nullopt, 63},
         403,
         "response size of 64 which exceeds maximum allowed size of 63"},
    };
    TCKnmsServiceProxy proxy(m_Daemon.socketPath());
    for (const ServedCase& c : cases) {
        const ApiMailAnswer answer = SendApiMail(proxy, c.request);
        ASSERT_TRUE(answer.replied) << c.what << ": " << answer.error;
        EXPECT_FALSE(answer.errorReply) << c.what;
        EXPECT_EQ(answer.status, c.status) << c.what;
        EXPECT_THAT(answer.body, HasSubstr(c.bodyPart)) << c.what;
    }
}

TEST_F(MailRoadTest, MalformedParameterDocumentsGetTheErrorReplyAndAnEvent) {
    const ErrorReplyCase cases[] = {
        {"not an object", "[1]", "Expected JSON object"},
        {"no params", R"({"other":[]})", "Expected params member"},
        {"params not an array", R"({"params":{}})", "Expected JSON array"},
        {"entry without name", R"({"params":[{"value_b64":"MQ=="}]})", "Expected name member"},
        {"not JSON", "type=10", "Could not parse input, error: "},
    };
    TCKnmsServiceProxy proxy(m_Daemon.socketPath());
    for (const ErrorReplyCase& c : cases) {
        ApiMail request{"cloud", "GET", "/api/v1/info/api"};
        request.rawParams = c.rawParams;
        const ApiMailAnswer answer = SendApiMail(proxy, request);
        ASSERT_TRUE(answer.replied) << c.what << ": " << answer.error;
        EXPECT_TRUE(answer.errorReply) << c.what;
        EXPECT_THAT(answer.errorText, HasSubstr(c.textPart)) << c.what;
    }
    // A request without record is not answered at all.
    TCKnmsMessage empty(KeynodeApi::Knms_WebApiRequestMail, KNMS_SIGNAL_DATA, KNMS_MARKER_REQUEST);
    std::string error;
    EXPECT_FALSE(
        proxy.SendAndWait(TCKnmsServiceName::MakeLocalProcess("@keynodeweb.webapi", ""), empty, 500, &error));
    EXPECT_THAT(error, HasSubstr("No reply"));

    const ProgramResult events = m_Daemon.ctl({"events"});
    size_t internalErrors = 0;
    for (size_t at = events.output.find("InternalError="); at != std::string::npos;
         at = events.output.find("InternalError=", at + 1))
        ++internalErrors;
    EXPECT_EQ(internalErrors, std::size(cases)) << events.output;
}

// A client recording the replies that reach its inbox.
class RecordingClient : public TCKnmsServiceProxy {
public:
    using TCKnmsServiceProxy::TCKnmsServiceProxy;
    std::vector<TCKnmsMessage> replies;

protected:
    void OnServiceMail(TCKnmsMessage& mail) override { replies.push_back(mail); }
};

TEST_F(MailRoadTest, MailsOfSeveralClientsAreServedOneAtATimeInOrder) {
    const int clients = 4, mailsEach = 6;
    std::vector<std::unique_ptr<RecordingClient>> proxies;
    for (int c = 0; c < clients; ++c)
        proxies.push_back(std::make_unique<RecordingClient>(m_Daemon.socketPath()));
    std::vector<std::thread> senders;
    for (int c = 0; c < clients; ++c) {
        senders.emplace_back([&, c] {
            for (int i = 0; i < mailsEach; ++i) {
                ApiMail request{"cloud", "POST", "/api/v1/config/holidays"};
                request.body = R"({"id":{"id":null},"name":"c)" + std::to_string(c) + "-" +
                               std::to_string(i) + R"(","isRepeated":true,"periods":[]})";
                TCKnmsMessage mail = MakeApiMail(request);
                proxies[c]->Send(TCKnmsServiceName::MakeLocalProcess("@keynodeweb.webapi", ""), mail);
            }
        });
    }
    for (auto& sender : senders)
        sender.join();
    for (int c = 0; c < clients; ++c) {
        auto& proxy = *proxies[c];
        for (int wait = 0; wait < 200 && int(proxy.replies.size()) < mailsEach; ++wait) {
            proxy.GetMailSignal().Wait(100);
            proxy.ProcessProxy(-1, false);
        }
        ASSERT_EQ(int(proxy.replies.size()), mailsEach) << "client " << c;
        long long lastID = 0;
        for (int i = 0; i < mailsEach; ++i) {
            const ApiMailAnswer answer = ReadApiAnswer(proxy.replies[i]);
            ASSERT_EQ(answer.status, 200) << answer.body;
            // Each reply answers the mail sent i-th, and the rows were made in sending order.
            EXPECT_THAT(answer.body, HasSubstr("\"c" + std::to_string(c) + "-" + std::to_string(i) + "\""));
            const size_t at = answer.body.find("\"id\":{\"id\":");
            ASSERT_NE(at, std::string::npos) << answer.body;
            const long long id = std::stoll(answer.body.substr(at + 11));
            EXPECT_GT(id, lastID);
            lastID = id;
        }
    }
}

TEST_F(MailRoadTest, ClientsThatVanishOrSendBadFramesLoseOnlyTheirConnection) {
    {
        // Gone before its reply: the reply has nowhere to go and is dropped.
        TCKnmsServiceProxy vanishing(m_Daemon.socketPath());
        TCKnmsMessage mail = MakeApiMail({"cloud", "GET", "/api/v1/keynodes"});
        vanishing.Send(TCKnmsServiceName::MakeLocalProcess("@keynodeweb.webapi", ""), mail);
    }
    std::string oversized = RawMailSocket::frame("");
    oversized[0] = char(0x00), oversized[1] = char(0x80), oversized[2] = char(0x00),
    oversized[3] = char(0x01);
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"frame over 8 MiB", oversized},
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
        RawMailSocket raw(m_Daemon.socketPath());
        ASSERT_TRUE(raw.connected()) << c.what;
        raw.write(c.bytes);
        EXPECT_TRUE(raw.closedWithin(3000)) << c.what;
        const ApiMailAnswer answer = SendApiMail(client, {"cloud", "GET", "/api/v1/info/api"});
        EXPECT_EQ(answer.status, 200) << c.what << ": " << answer.error;
    }
    // A client that leaves mid-frame.
    {
        RawMailSocket raw(m_Daemon.socketPath());
        raw.write(RawMailSocket::frame(R"({"op":"register","name":"half"})").substr(0, 10));
    }
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
    ASSERT_TRUE(daemon.waitForService());
    const std::string path = daemon.socketPath();
    // The temporary directories above the socket's own are the test's (0700); let the other users pass.
    for (std::filesystem::path dir = std::filesystem::path(path).parent_path().parent_path();
         dir.string().size() > std::filesystem::temp_directory_path().string().size();
         dir = dir.parent_path())
        std::filesystem::permissions(dir, std::filesystem::perms::others_exec,
                                     std::filesystem::perm_options::add);
    // 0: registered; 1: the router closed the connection; 2: no connection at all.
    auto tryRegister = [path] {
        RawMailSocket raw(path);
        if (!raw.connected()) return 2;
        raw.write(RawMailSocket::frame(R"({"op":"register","name":"peer-test"})"));
        return raw.readFrame(3000).find("\"registered\"") != std::string::npos ? 0 : 1;
    };
    // The file modes let a member of the group through; the credential check still wants it as the
    // primary group.
    EXPECT_EQ(AsOtherUser(allowed, allowed, 4444, tryRegister), 0);
    EXPECT_EQ(AsOtherUser(4343, allowed, 4444, tryRegister), 1);
    EXPECT_EQ(AsOtherUser(4343, 4343, 4444, tryRegister), 2);
    EXPECT_EQ(daemon.stop(), 0);
}

TEST(MailCtl, PrintsTheReplyAsOneJsonLine) {
    MailDaemon daemon;
    ASSERT_TRUE(daemon.waitForService());
    const struct {
        std::vector<std::string> args;
        int exitCode;
        const char* output;
    } cases[] = {
        {{"mail", "GET", "/api/v1/info/api", "--user", "cloud"},
         0,
         R"({"status":200,"body":{"version":{"major":0,"minor":9,"revision":4}}})"},
        {{"mail", "GET", "/api/v1/config/weekprograms", "--user", "cloud", "--param-null", "type"},
         0,
         R"({"status":400,"body":{"errors":[{"code":1,"msg":"Missing query parameter")"},
        {{"mail", "GET", "/api/v1/info/api", "--user", "cloud", "--raw-params", "[]"},
         0,
         R"({"errorCode":1,"errorText":")"},
        {{"mail", "GET", "/api/v1/info/api"}, 2, "--user NAME is required"},
        {{"mail", "GET", "--user", "cloud"}, 2, "mail METHOD PATH"},
        {{"mail", "GET", "/x", "--user", "cloud", "--param", "novalue"}, 2, "NAME=VALUE"},
        {{"mail", "GET", "/x", "--user", "cloud", "--timeout", "0"}, 2, "--timeout"},
    };
    for (const auto& c : cases) {
        const ProgramResult result = daemon.ctl(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
        // Answers are the whole first line; usage errors are named somewhere in the message.
        if (c.exitCode == 0)
            EXPECT_THAT(result.output, StartsWith(c.output));
        else
            EXPECT_THAT(result.output, HasSubstr(c.output));
    }
    EXPECT_EQ(daemon.stop(), 0);
    const ProgramResult noDaemon = daemon.ctl({"mail", "GET", "/api/v1/info/api", "--user", "cloud"});
    EXPECT_EQ(noDaemon.exitCode, 1);
    EXPECT_THAT(noDaemon.output, HasSubstr("no reply"));
}

} // namespace

namespace {

// Router and peers in this one process: broadcasts and names.
TEST(MailRouterRouting, BroadcastsReachSubscribersAndAServiceNameHasOneOwner) {
    TempDir dir;
    TCKnmsRouterConfig config;
    config.socketPath = dir.path() + "/mail/router.sock";
    config.log = [](const std::string&) {};
    TCKnmsRouter router(config);
    router.Start();

    RecordingClient subscriber(config.socketPath), other(config.socketPath), sender(config.socketPath);
    subscriber.ConnectService(Knms_ExternalRouterStatus, 3, false);
    subscriber.ExposeTask(TCKnmsServiceName::MakeLocalProcess("@test", "first"));
    for (int wait = 0; wait < 100 && !subscriber.IsRegistered(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(subscriber.IsRegistered());
    other.ExposeTask(TCKnmsServiceName::MakeLocalProcess("@test", "first")); // taken: refused
    for (int wait = 0; wait < 100 && !other.IsConnected(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

    TCKnmsMessage status(Knms_ExternalRouterStatus, KNMS_SIGNAL_DATA, KNMS_MARKER_NOTICE);
    status.AddRecord(2).Field(0) = 5;
    sender.Send(TCKnmsServiceName::MakeLocalProcess("*", ""), status);
    TCKnmsMessage unsubscribed(Access::Knms_DoorStatusMail, KNMS_SIGNAL_DATA, KNMS_MARKER_NOTICE);
    sender.Send(TCKnmsServiceName::MakeLocalProcess("*", ""), unsubscribed);
    TCKnmsMessage named(Access::Knms_DoorStatusMail, KNMS_SIGNAL_DATA, KNMS_MARKER_NOTICE);
    sender.Send(TCKnmsServiceName::MakeLocalProcess("@test", "first"), named);

    for (int wait = 0; wait < 50 && subscriber.replies.size() < 2; ++wait) {
        subscriber.GetMailSignal().Wait(100);
        subscriber.ProcessProxy(-1, false);
    }
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
