#include "Accessories/TCUTCTime.h"
#include "Config/TCConfigurationFile.h"
#include "Config/TCHostPaths.h"
#include "Crypto/TCBase64Coder.h"
#include "Crypto/TCCryptoUtil.h"
#include "Debug/TCDebug.h"
#include "Host/TCConvert.h"
#include "Host/TCException.h"
#include "Net/TCIPNetworkInterfaceSettings.h"
#include "Text/TCTranslate.h"
#include "Thread/TCThread.h"
#include "host/base/support/TempDir.h"

#include <climits>
#include <ctime>
#include <fstream>
#include <gmock/gmock.h>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

TEST(ConfigurationFile, ParsesKeysValuesAndCommentsBelowTheHostRootAndNeedsAReadableFile) {
    TempDir root;
    TCHostPaths::SetRoot(root.get_Path());
    const char path[] = "/etc/keynode/settings/server_config.txt";
    fs::create_directories(TCHostPaths::Resolve("/etc/keynode/settings"));
    std::ofstream(TCHostPaths::Resolve(path), std::ios::binary)
        << "# leading comment\r\n  name =  front door  \r\n\nurl=https://host/path?a=b\nsecret = pa#ss\n"
           "   # indented comment = ignored\nno separator here\n = no key\nempty =\ndup = first\ndup = "
           "second\n";
    TCConfigurationFile config;
    ASSERT_TRUE(config.Load(path, true));
    EXPECT_EQ(config.Get("name"), "front door");
    EXPECT_EQ(config.Get("url"), "https://host/path?a=b");
    EXPECT_EQ(config.Get("secret"), "pa#ss");
    EXPECT_EQ(config.Get("empty", "default"), "");
    EXPECT_TRUE(config.Has("empty"));
    EXPECT_EQ(config.Get("dup"), "second");
    EXPECT_FALSE(config.Has("# indented comment"));
    EXPECT_EQ(config.Get("missing", "fallback"), "fallback");
    EXPECT_EQ(config.GetKeys(), (Strings{"dup", "empty", "name", "secret", "url"}));

    EXPECT_FALSE(config.Load("/etc/keynode/absent.txt", true)) << "a missing file fails only when required";
    EXPECT_TRUE(config.Load("/etc/keynode/absent.txt", false));
    EXPECT_FALSE(config.Has("name"));
    EXPECT_FALSE(config.Load("/etc/keynode/settings", false)) << "a directory is not readable";

    TCHostPaths::SetRoot("/tmp/unit-root/");
    EXPECT_EQ(TCHostPaths::GetRoot(), "/tmp/unit-root");
    EXPECT_EQ(TCHostPaths::Resolve("/etc/keynode/a.txt"), "/tmp/unit-root/etc/keynode/a.txt");
    EXPECT_EQ(TCHostPaths::Resolve("relative/a.txt"), "relative/a.txt");
    EXPECT_EQ(TCHostPaths::Resolve(""), "");
    TCHostPaths::SetRoot("");
    EXPECT_EQ(TCHostPaths::Resolve("/etc/keynode/a.txt"), "/etc/keynode/a.txt");
}

TEST(ToInt, AcceptsOnlyWholeDecimalNumbersInRange) {
    for (const auto& [text, value] : std::vector<std::pair<const char*, int>>{
             {"0", 0}, {"-0", 0}, {"+15", 15}, {"007", 7}, {"2147483647", INT_MAX}, {"-2147483648", INT_MIN}})
        EXPECT_EQ(ToInt(text, 9), value) << text;
    for (const char* text : {"", " 1", "1 ", "1a", "0x10", "1.0", "+-1", "-+1", "++1", "-", "+", "2147483648",
                             "-2147483649", "99999999999999999999"})
        EXPECT_EQ(ToInt(text, -7), -7) << '"' << text << '"';
}

constexpr auto Verify = TCCryptoUtil::DBWebUser_VerifyPassword;
std::string CheapHash(const std::string& password) {
    return TCCryptoUtil::DBWebUser_HashPassword(password, TCPasswordHashCost::Minimal());
}

TEST(PasswordHash, MalformedHashesFailAndTheCacheNeverServesAnotherPairing) {
    const std::string hash = CheapHash("secret");
    for (const std::string& bad :
         {std::string(), std::string("secret"), std::string("$argon2id$v=19$m=8,t=1,p=1$xx$yy"),
          hash.substr(0, hash.size() / 2), hash + std::string(1, '\0') + "tail", std::string(500, 'a')})
        EXPECT_NO_THROW(EXPECT_FALSE(Verify("secret", bad)) << bad);
    EXPECT_TRUE(Verify("secret", hash));
    EXPECT_TRUE(Verify("secret", hash)); // now from the cache
    EXPECT_FALSE(Verify("wrong", hash));
    // The password was changed: the old one must not pass against the new hash.
    const std::string changed = CheapHash("other");
    EXPECT_FALSE(Verify("secret", changed));
    EXPECT_TRUE(Verify("other", changed));
    EXPECT_TRUE(Verify("secret", hash));
    // Moving a character from the password's start to the hash's end keeps the concatenation the same.
    EXPECT_FALSE(Verify("ecret", hash + "s"));
    // Only hashes costlier than the stored cost need rehashing (the login test rehashes an older one).
    for (const std::string& stored : {hash, std::string(), std::string("$argon2id$v=19$m=x")})
        EXPECT_FALSE(TCCryptoUtil::DBWebUser_NeedsRehash(stored)) << stored;
}

TEST(Base64, KnownVectorsLenientInputBinaryRoundTripAndInvalidText) {
    // Plain, encoded, and an encoding without padding or with whitespace, which is accepted.
    const std::string vectors[][3] = {{"", "", "\n"},
                                      {"f", "Zg==", "Zg"},
                                      {"fo", "Zm8=", "Zm8"},
                                      {"foobar", "Zm9vYmFy", "Zm9v\r\nYmFy\n"},
                                      {"\xfb\xff", "+/8=", " +/8= "}};
    for (const auto& [plain, encoded, lenient] : vectors) {
        EXPECT_EQ(TCCryptoUtil::Base64Encode(plain), encoded);
        EXPECT_EQ(TCCryptoUtil::Base64Decode(encoded), plain);
        EXPECT_EQ(TCCryptoUtil::Base64Decode(lenient), plain) << lenient;
    }

    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<char>(i));
    bytes += std::string(3, '\0');
    for (size_t length = 0; length <= bytes.size(); length += 37)
        EXPECT_EQ(TCCryptoUtil::Base64Decode(TCCryptoUtil::Base64Encode(bytes.substr(0, length))),
                  bytes.substr(0, length));

    // Invalid text; streams are read from the start.
    for (const char* text : {"Zm9v!", "Z", "Zm8==", "Zg=", "Zm8=Zm8=", "=Zm8", "Zm-_"}) {
        EXPECT_THROW(TCCryptoUtil::Base64Decode(text), TCException) << text;
        Accessories::TCBinaryStream out(text, 2);
        EXPECT_FALSE(TCBase64Coder::Decode(text, out)) << text;
        EXPECT_TRUE(out.empty()) << text;
    }
    std::istringstream stream("first line\nsecond"), empty;
    std::string word;
    stream >> word;
    EXPECT_EQ(TCCryptoUtil::StreamToString(stream), "first line\nsecond") << "whatever was consumed";
    EXPECT_EQ(TCCryptoUtil::StreamToString(stream), "first line\nsecond") << "again at the end, eofbit set";
    EXPECT_EQ(TCCryptoUtil::StreamToString(empty), "");
}

namespace {

// Collects the debug lines (the output lock serialises the sink's calls); starts all off, ends on stderr.
class DebugOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetDebugLevelsFromText("");
        SetDebugSink([this](const std::string& line) { m_Lines.push_back(line); });
    }
    void TearDown() override {
        SetDebugSink({});
        SetDebugLevelsFromText("");
    }
    Strings m_Lines;
};

const TCDebugCategory kHighCategory{200, "HIGH"};

TEST_F(DebugOutputTest, LevelsSwitchOneByOneOrFromTextAndLinesAreWrittenWholeOnlyWhenOn) {
    SetDebugLevel(DEBUG_WEBAPI, true);
    EXPECT_TRUE(IsDebugLevel(DEBUG_WEBAPI));
    EXPECT_FALSE(IsDebugLevel(DEBUG_COMMON));
    SetDebugLevel(kHighCategory, true);
    SetDebugLevel(DEBUG_WEBAPI, false);
    EXPECT_FALSE(IsDebugLevel(DEBUG_WEBAPI));
    EXPECT_TRUE(IsDebugLevel(kHighCategory));

    SetDebugLevel(DEBUG_DB, true);
    SetDebugLevelsFromText(" common ,WEBAPI,unknown");
    EXPECT_TRUE(IsDebugLevel(DEBUG_COMMON));
    EXPECT_TRUE(IsDebugLevel(DEBUG_WEBAPI));
    EXPECT_FALSE(IsDebugLevel(DEBUG_DB)) << "levels not listed are switched off";
    EXPECT_FALSE(IsDebugLevel(kHighCategory));

    SetDebugLevelsFromText("All");
    EXPECT_TRUE(IsDebugLevel(DEBUG_HTTP));
    EXPECT_TRUE(IsDebugLevel(kHighCategory));
    const TCDebugCategory outside{256, "OUTSIDE"}, negative{-1, "NEGATIVE"};
    SetDebugLevel(outside, true);
    EXPECT_FALSE(IsDebugLevel(outside)) << "out of range numbers are never on";
    EXPECT_FALSE(IsDebugLevel(negative));
    SetDebugLevelsFromText("");

    SendDebugOutput(DEBUG_WEBAPI, "dropped %d", 1);
    EXPECT_TRUE(m_Lines.empty());
    SetDebugLevel(DEBUG_WEBAPI, true);
    SendDebugOutput(DEBUG_WEBAPI, "user %s has %d cards\n", "ann", 3);
    ASSERT_EQ(m_Lines.size(), 1u);
    const std::regex format(R"(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d{3}Z \[WEBAPI\] user ann has 3 cards)");
    EXPECT_TRUE(std::regex_match(m_Lines[0], format)) << m_Lines[0];

    SetDebugLevelsFromText("common");
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([t] {
            for (int i = 0; i < 200; ++i)
                SendDebugOutput(DEBUG_COMMON, "writer %d line %d", t, i);
        });
    for (std::thread& writer : writers)
        writer.join();
    ASSERT_EQ(m_Lines.size(), 1u + 4 * 200);
    for (size_t i = 1; i < m_Lines.size(); ++i)
        ASSERT_TRUE(std::regex_match(m_Lines[i], std::regex(R"(\S+ \[COMMON\] writer \d line \d+)")))
            << m_Lines[i];
}

TEST(Exception, TextNamesFileLineAndMessageAndAssertionsTheirExpression) {
    const TCException withMessage("/build/src/area/Thing.cpp", 42, "bad thing");
    EXPECT_STREQ(withMessage.what(), "Thing.cpp:42: bad thing");
    EXPECT_EQ(withMessage.GetHostMessage(), "bad thing");
    EXPECT_EQ(withMessage.GetLine(), 42);
    EXPECT_STREQ(TCException("Plain.cpp", 7).what(), "Plain.cpp:7");
    TCException error("/x/Thing.cpp", 3, "old");
    error.Format("%d of %s", 2, "doors");
    EXPECT_STREQ(error.what(), "Thing.cpp:3: 2 of doors");
    EXPECT_EQ(error.GetHostMessage(), "2 of doors");
    error.Format("%s", "");
    EXPECT_STREQ(error.what(), "Thing.cpp:3");

    try {
        const int count = 0;
        HOST_ASSERT(count > 0);
        FAIL() << "no exception";
    } catch (const TCAssertionException& e) {
        EXPECT_EQ(e.GetExpression(), "count > 0");
        EXPECT_EQ(e.GetHostMessage(), "Assertion failed: count > 0");
        EXPECT_EQ(std::string(e.what()).rfind("base_test.cpp:", 0), 0u) << e.what();
    }
    EXPECT_THAT([] { HOST_ASSERT_MSG(1 == 2, "numbers differ"); },
                testing::ThrowsMessage<TCException>(testing::EndsWith(": numbers differ")));
}

TEST(NetworkInterfaces, LoopbackDefaultUnknownInterfacesAndMACAddressTexts) {
    EXPECT_EQ(TCIPNetworkInterfaceSettings::GetIPAddress("lo").get_AsString(), "127.0.0.1");
    const TCIPNetworkSettings lo = TCIPNetworkInterfaceSettings::GetInterfaceSettings("lo");
    EXPECT_EQ(lo.InterfaceName, "lo");
    EXPECT_EQ(lo.Netmask.get_AsString(), "255.0.0.0");
    EXPECT_TRUE(lo.MAC.IsNull());
    EXPECT_EQ(lo.Hostname, TCIPNetworkInterfaceSettings::GetLocalHostname());
    EXPECT_FALSE(lo.Hostname.empty());

    const TCIPNetworkSettings standard = TCIPNetworkInterfaceSettings::GetInterfaceSettings("");
    EXPECT_FALSE(standard.InterfaceName.empty());
    EXPECT_TRUE(standard.Address.IsIPv4()) << standard.InterfaceName;
    EXPECT_EQ(TCIPNetworkInterfaceSettings::GetIPAddress(""), standard.Address);

    const TCIPNetworkSettings unknown = TCIPNetworkInterfaceSettings::GetInterfaceSettings("nosuchif0");
    EXPECT_TRUE(unknown.Address.IsNull());
    EXPECT_TRUE(unknown.MAC.IsNull());
    TCMACAddress mac;
    mac.Parse("02:00:00:00:00:01");
    EXPECT_FALSE(mac.Own("nosuchif0"));
    EXPECT_TRUE(mac.IsNull());
    EXPECT_FALSE(mac.Own("../lo"));

    // MAC addresses parse in all separator styles and keep their value on malformed text.
    for (const char* text : {"00:1A:2b:3c:4D:ff", "00-1a-2B-3c-4d-FF", "001a2b3c4dff"}) {
        ASSERT_TRUE(mac.Parse(text)) << text;
        EXPECT_EQ(mac.get_AsString(), "00:1a:2b:3c:4d:ff") << text;
    }
    EXPECT_EQ(mac.get_AsString('-'), "00-1a-2b-3c-4d-ff");
    EXPECT_EQ(mac.get_AsString('\0'), "001a2b3c4dff");
    for (const char* text : {"", "00:1a:2b:3c:4d", "00:1a:2b:3c:4d:ff:", "00:1a-2b:3c:4d:ff",
                             "00:1a:2b:3c:4d:fg", "001a2b3c4df", "00.1a.2b.3c.4d.ff", "0:1a:2b:3c:4d:ff0"}) {
        EXPECT_FALSE(mac.Parse(text)) << text;
        EXPECT_EQ(mac.get_AsString(), "00:1a:2b:3c:4d:ff") << text;
    }
}

// Execute waits once on the thread's events; Shutdown records that it ran. Log is read after Stop (a join).
class SingleWaitThread : public TCThread {
public:
    ~SingleWaitThread() override { Stop(); }
    TCSignalEventObject Wake, Waiting, Executed;
    Strings Log;

protected:
    int Execute() override {
        Waiting.Signal();
        Log.push_back("execute returned " + std::to_string(WaitObjects(-1)));
        Executed.Signal();
        return 0;
    }
    void Shutdown() override { Log.push_back("shutdown"); }
};

constexpr int kLongWaitMs = 30000; // only reached if a wake-up is lost

// WaitObjects driven from the test thread itself, without starting the thread.
TEST(Threads, WaitObjectsOrderAndUnregisterEventsWakeRunningThreadsSyncPrimitivesWork) {
    SingleWaitThread thread;
    TCSignalEventObject first, second;
    thread.AddWait(2, second);
    thread.AddWait(1, first);
    second.Signal();
    first.Signal();
    EXPECT_EQ(thread.WaitObjects(0), 1);
    EXPECT_FALSE(first.IsSignaled());
    EXPECT_TRUE(second.IsSignaled());
    EXPECT_EQ(thread.WaitObjects(0), 2);
    EXPECT_EQ(thread.WaitObjects(10), TCBasicThread::WAIT_TIMEOUT);

    TCSignalEventObject replacement;
    thread.AddWait(1, replacement);
    first.Signal();
    EXPECT_EQ(thread.WaitObjects(0), TCBasicThread::WAIT_TIMEOUT);
    {
        TCSignalEventObject shortLived;
        thread.AddWait(3, shortLived);
        shortLived.Signal();
    }
    replacement.Signal();
    EXPECT_EQ(thread.WaitObjects(0), 1);

    std::thread signaller([&] { second.Signal(); });
    EXPECT_EQ(thread.WaitObjects(kLongWaitMs), 2);
    signaller.join();

    thread.Stop();
    first.Signal();
    replacement.Signal();
    EXPECT_EQ(thread.WaitObjects(-1), TCBasicThread::WAIT_TIMEOUT) << "at once after Stop, signals pending";
    EXPECT_TRUE(thread.IsTerminated());

    // An event or Stop wakes the running thread; Shutdown follows Execute.
    for (const int index : {3, -1}) {
        SCOPED_TRACE(index);
        SingleWaitThread thread;
        thread.AddWait(3, thread.Wake);
        thread.CreateThread("wake-test");
        thread.Resume();
        EXPECT_TRUE(thread.IsRunning());
        ASSERT_TRUE(thread.Waiting.Wait(kLongWaitMs));
        if (index >= 0) {
            thread.Wake.Signal();
            ASSERT_TRUE(thread.Executed.Wait(kLongWaitMs));
        }
        thread.Stop();
        EXPECT_FALSE(thread.IsRunning());
        EXPECT_EQ(thread.Log, (Strings{"execute returned " + std::to_string(index), "shutdown"}));
    }
    SingleWaitThread restarted;
    restarted.CreateThread("restart-test");
    restarted.Resume();
    restarted.Stop();
    restarted.Resume();
    EXPECT_FALSE(restarted.IsTerminated());
    restarted.Stop();
    EXPECT_EQ(restarted.Log.size(), 4u);

    // Auto-reset event, recursive critical section, tick counter.
    TCSignalEventObject event;
    event.Signal();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.IsSignaled());
    event.Signal();
    event.Reset();
    EXPECT_FALSE(event.Wait(0));
    TCCriticalSection section;
    ASSERT_TRUE(section.Enter());
    ASSERT_TRUE(section.Enter(0)); // the owner enters again
    // Another thread gets in only once the owner left as often as it entered.
    for (const bool free : {false, false, true}) {
        bool enteredElsewhere = !free;
        std::thread([&] {
            enteredElsewhere = section.Enter(free ? kLongWaitMs : 10);
            if (enteredElsewhere) section.Leave();
        }).join();
        EXPECT_EQ(enteredElsewhere, free);
        if (!free) section.Leave();
    }
    TCTickCounter counter;
    EXPECT_FALSE(counter.Activated());
    EXPECT_FALSE(counter.Expired());
    counter.SetTimeout(0);
    EXPECT_TRUE(counter.Activated());
    EXPECT_TRUE(counter.Expired());
    EXPECT_EQ(counter.RemainingMs(), 0);
    counter.SetTimeout(3600 * 1000);
    EXPECT_FALSE(counter.Expired());
    EXPECT_GT(counter.RemainingMs(), 0);
    counter.Clear();
    EXPECT_FALSE(counter.Activated());
    EXPECT_FALSE(counter.Expired());
}

TEST(Translate, MarkersAndPlaceholders) {
    const struct {
        std::string text;
        Strings args;
        std::string expected;
    } cases[] = {
        {"_t_Door opened", {}, "Door opened"},
        {"Door _t_opened", {}, "Door _t_opened"},
        {"_t_", {}, ""},
        {"", {}, ""},
        {"_t_{%2} before {%1}, {%1} again", {"one", "two"}, "two before one, one again"},
        {"{%10}|{%1}", {"a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8", "a9", "a10"}, "a10|a1"},
        {"{%1} and {%3}", {"x"}, "x and {%3}"},
        {"{%0} {%} {%a} {%1", {"x"}, "{%0} {%} {%a} {%1"},
        {"{{%1}}", {"x"}, "{x}"},
        {"{%1}-{%2}", {"{%2}", "b"}, "{%2}-b"}, // inserted arguments are not expanded again
    };
    for (const auto& c : cases)
        EXPECT_EQ(DoTranslateText("test", __FILE__, c.text, c.args), c.expected) << c.text;
    EXPECT_EQ(DoTranslateText("test", __FILE__, "_t_{%1} of {%2} ({%3})", 3, "doors", 2.5),
              "3 of doors (2.5)");
}

TEST(UTCTime, KnownInstantsDaysBeforeTheEpochAndImpossibleDates) {
    const std::pair<TCUTCTime, int64_t> instants[] = {
        {TCUTCTime::FromYMDHMS(1970, 1, 1, 0, 0, 0), 0},
        {TCUTCTime::FromYMDHMS(2000, 2, 29, 12, 30, 15), 951827415},
        {TCUTCTime::FromYMDHMS(2038, 1, 19, 3, 14, 8), 2147483648LL},
        {TCUTCTime::FromYMDHMS(1969, 12, 31, 23, 59, 59), -1},
        {TCUTCTime::FromYMDHMS(1900, 1, 1, 0, 0, 0), -2208988800LL}};
    for (const auto& [time, seconds] : instants)
        EXPECT_EQ(time.get_Seconds(), seconds);
    EXPECT_EQ(TCUTCTime(-1).GetDate(), (TCDateData{1969, 12, 31}));
    EXPECT_EQ(TCUTCTime(-86400).GetDate(), (TCDateData{1969, 12, 31}));
    EXPECT_EQ(TCUTCTime(-86400 - 1).GetDate(), (TCDateData{1969, 12, 30}));

    const int64_t before = static_cast<int64_t>(std::time(nullptr));
    const int64_t now = TCUTCTime::Now().get_Seconds();
    EXPECT_LE(before, now);
    EXPECT_LE(now, static_cast<int64_t>(std::time(nullptr)));
    const int invalid[][6] = {{1900, 2, 29, 0, 0, 0}, {2023, 13, 1, 0, 0, 0}, {2023, 0, 1, 0, 0, 0},
                              {2023, 4, 31, 0, 0, 0}, {2023, 4, 1, 24, 0, 0}, {2023, 4, 1, 0, -1, 0}};
    for (const auto& t : invalid)
        EXPECT_THROW(TCUTCTime::FromYMDHMS(t[0], t[1], t[2], t[3], t[4], t[5]), TCException)
            << t[0] << '-' << t[1];
    EXPECT_NO_THROW(TCUTCTime::FromYMDHMS(2000, 2, 29, 23, 59, 59));
}

} // namespace
