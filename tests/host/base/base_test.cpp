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

#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A fresh directory under the system's temporary directory, removed with everything in it.
class TemporaryDirectory {
public:
    TemporaryDirectory() {
        std::string pattern = (fs::temp_directory_path() / "host-base-config-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        m_Path = pattern;
    }
    ~TemporaryDirectory() {
        std::error_code ignored;
        fs::remove_all(m_Path, ignored);
    }
    const fs::path& Path() const { return m_Path; }

private:
    fs::path m_Path;
};

// Every test runs with the host root in its own temporary directory.
class ConfigurationFileTest : public ::testing::Test {
protected:
    void SetUp() override { TCHostPaths::SetRoot(m_Root.Path().string()); }
    void TearDown() override { TCHostPaths::SetRoot(""); }

    void WriteHostFile(const std::string& absolutePath, const std::string& content) {
        const fs::path file = TCHostPaths::Resolve(absolutePath);
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
    }

    TemporaryDirectory m_Root;
};

const char kSettingsPath[] = "/etc/keynode/settings/server_config.txt";

} // namespace

TEST_F(ConfigurationFileTest, ParsesKeysValuesAndComments) {
    WriteHostFile(kSettingsPath, "# leading comment\r\n"
                                 "  name =  front door  \r\n"
                                 "\n"
                                 "url=https://host/path?a=b\n"
                                 "secret = pa#ss\n"
                                 "   # indented comment = ignored\n"
                                 "no separator here\n"
                                 " = no key\n"
                                 "empty =\n"
                                 "dup = first\n"
                                 "dup = second\n");
    TCConfigurationFile config;
    ASSERT_TRUE(config.Load(kSettingsPath, true));
    EXPECT_EQ(config.Get("name"), "front door");
    EXPECT_EQ(config.Get("url"), "https://host/path?a=b");
    EXPECT_EQ(config.Get("secret"), "pa#ss");
    EXPECT_EQ(config.Get("empty", "default"), "");
    EXPECT_TRUE(config.Has("empty"));
    EXPECT_EQ(config.Get("dup"), "second");
    EXPECT_FALSE(config.Has("# indented comment"));
    EXPECT_EQ(config.Get("missing", "fallback"), "fallback");
    EXPECT_EQ(config.GetKeys(), (std::vector<std::string>{"dup", "empty", "name", "secret", "url"}));
}

TEST_F(ConfigurationFileTest, MissingFileFailsOnlyWhenRequired) {
    TCConfigurationFile config;
    config.Parse("stale = yes");
    EXPECT_FALSE(config.Load("/etc/keynode/absent.txt", true));
    EXPECT_TRUE(config.Load("/etc/keynode/absent.txt", false));
    EXPECT_FALSE(config.Has("stale"));
    fs::create_directories(TCHostPaths::Resolve("/etc/keynode/dir"));
    EXPECT_FALSE(config.Load("/etc/keynode/dir", false)) << "a directory is not readable";
}

TEST(HostPaths, ResolvesAbsolutePathsBelowTheRoot) {
    TCHostPaths::SetRoot("/tmp/unit-root/");
    EXPECT_EQ(TCHostPaths::GetRoot(), "/tmp/unit-root");
    EXPECT_EQ(TCHostPaths::Resolve("/etc/keynode/a.txt"), "/tmp/unit-root/etc/keynode/a.txt");
    EXPECT_EQ(TCHostPaths::Resolve("relative/a.txt"), "relative/a.txt");
    EXPECT_EQ(TCHostPaths::Resolve(""), "");

    TCHostPaths::SetRoot("");
    EXPECT_EQ(TCHostPaths::Resolve("/etc/keynode/a.txt"), "/etc/keynode/a.txt");
}

TEST(ToInt, AcceptsWholeDecimalNumbers) {
    EXPECT_EQ(ToInt("0"), 0);
    EXPECT_EQ(ToInt("-0", 9), 0);
    EXPECT_EQ(ToInt("+15"), 15);
    EXPECT_EQ(ToInt("007"), 7);
    EXPECT_EQ(ToInt("2147483647"), INT_MAX);
    EXPECT_EQ(ToInt("-2147483648"), INT_MIN);
}

TEST(ToInt, GivesDefaultForAnythingElse) {
    const char* invalid[] = {"",    " 1",  "1 ", "1a", "0x10",       "1.0",         "+-1",
                             "-+1", "++1", "-",  "+",  "2147483648", "-2147483649", "99999999999999999999"};
    for (const char* text : invalid)
        EXPECT_EQ(ToInt(text, -7), -7) << '"' << text << '"';
}

namespace {

std::string CheapHash(const std::string& password) {
    return TCCryptoUtil::DBWebUser_HashPassword(password, TCPasswordHashCost::Minimal());
}

} // namespace

TEST(PasswordHash, StoredCostIsArgon2idAndVerifies) {
    const std::string hash = TCCryptoUtil::DBWebUser_HashPassword("correct horse");
    EXPECT_EQ(hash.rfind("$argon2id$", 0), 0u) << hash;
    EXPECT_NE(hash.find("m=19456,t=2"), std::string::npos) << hash;
    EXPECT_TRUE(TCCryptoUtil::DBWebUser_VerifyPassword("correct horse", hash));
    EXPECT_FALSE(TCCryptoUtil::DBWebUser_VerifyPassword("correct horse ", hash));
}

TEST(PasswordHash, OnlyHashesCostlierThanTheStoredCostNeedRehashing) {
    // Older releases stored hashes at 64 MiB; those keep verifying with their own parameters.
    const std::string older = TCCryptoUtil::DBWebUser_HashPassword("pw", {2, 64 * 1024 * 1024});
    EXPECT_TRUE(TCCryptoUtil::DBWebUser_VerifyPassword("pw", older));
    const struct {
        std::string hash;
        bool needsRehash;
    } cases[] = {
        {older, true},
        {TCCryptoUtil::DBWebUser_HashPassword("pw"), false},
        {CheapHash("pw"), false},
        {"", false},
        {"$argon2id$v=19$m=x", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TCCryptoUtil::DBWebUser_NeedsRehash(c.hash), c.needsRehash) << c.hash;
}

TEST(PasswordHash, MalformedHashesFailWithoutThrowing) {
    const std::string valid = CheapHash("secret");
    const std::string malformed[] = {
        "",
        "secret",
        "$argon2id$v=19$m=8,t=1,p=1$xx$yy",
        valid.substr(0, valid.size() / 2),
        valid + std::string(1, '\0') + "tail",
        std::string(500, 'a'),
    };
    for (const std::string& hash : malformed) {
        EXPECT_NO_THROW(EXPECT_FALSE(TCCryptoUtil::DBWebUser_VerifyPassword("secret", hash)) << hash);
    }
}

TEST(PasswordHash, VerificationCacheNeverServesAnotherPairing) {
    const std::string hash = CheapHash("secret");
    EXPECT_TRUE(TCCryptoUtil::DBWebUser_VerifyPassword("secret", hash));
    EXPECT_TRUE(TCCryptoUtil::DBWebUser_VerifyPassword("secret", hash)); // now from the cache
    EXPECT_FALSE(TCCryptoUtil::DBWebUser_VerifyPassword("wrong", hash));

    // The password was changed: the old one must not pass against the new hash.
    const std::string changed = CheapHash("other");
    EXPECT_FALSE(TCCryptoUtil::DBWebUser_VerifyPassword("secret", changed));
    EXPECT_TRUE(TCCryptoUtil::DBWebUser_VerifyPassword("other", changed));
    EXPECT_TRUE(TCCryptoUtil::DBWebUser_VerifyPassword("secret", hash));
    // Moving a character from the password's start to the hash's end keeps the concatenation the same.
    EXPECT_FALSE(TCCryptoUtil::DBWebUser_VerifyPassword("ecret", hash + "s"));
}

TEST(Base64, KnownVectors) {
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foobar", "Zm9vYmFy"}, {"\xfb\xff", "+/8="}};
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(TCCryptoUtil::Base64Encode(plain), encoded);
        EXPECT_EQ(TCCryptoUtil::Base64Decode(encoded), plain);
    }
    // Missing padding and whitespace are accepted.
    const std::pair<std::string, std::string> lenient[] = {
        {"Zm8", "fo"}, {"Zg", "f"}, {"Zm9v\r\nYmFy\n", "foobar"}, {" Zm8= ", "fo"}};
    for (const auto& [encoded, plain] : lenient)
        EXPECT_EQ(TCCryptoUtil::Base64Decode(encoded), plain) << encoded;
}

TEST(Base64, BinaryRoundTripKeepsZeroBytes) {
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<char>(i));
    bytes += std::string(3, '\0');
    for (size_t length = 0; length <= bytes.size(); length += 37) {
        const std::string part = bytes.substr(0, length);
        EXPECT_EQ(TCCryptoUtil::Base64Decode(TCCryptoUtil::Base64Encode(part)), part) << length;
    }
    Accessories::TCBinaryStream out;
    ASSERT_TRUE(TCBase64Coder::Decode(TCBase64Coder::Encode(bytes.data(), bytes.size()), out));
    EXPECT_EQ(out.size(), bytes.size());
    EXPECT_EQ(out.AsString(), bytes);
}

TEST(Base64, RejectsInvalidText) {
    const char* invalid[] = {"Zm9v!", "Z", "Zm8==", "Zg=", "Zm8=Zm8=", "=Zm8", "Zm-_"};
    for (const char* text : invalid) {
        EXPECT_THROW(TCCryptoUtil::Base64Decode(text), TCException) << text;
        Accessories::TCBinaryStream out(text, 2);
        EXPECT_FALSE(TCBase64Coder::Decode(text, out)) << text;
        EXPECT_TRUE(out.empty()) << text;
    }
}

TEST(StreamToString, ReadsFromTheStartWhateverWasConsumed) {
    std::istringstream stream("first line\nsecond");
    std::string word;
    stream >> word;
    EXPECT_EQ(TCCryptoUtil::StreamToString(stream), "first line\nsecond");
    // Now at the end with eofbit set: still the whole content.
    EXPECT_EQ(TCCryptoUtil::StreamToString(stream), "first line\nsecond");

    std::istringstream empty;
    EXPECT_EQ(TCCryptoUtil::StreamToString(empty), "");
}

namespace {

// Collects the debug lines; each test starts with everything off and ends back on stderr.
class DebugOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetDebugLevelsFromText("");
        SetDebugSink([this](const std::string& line) {
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_Lines.push_back(line);
        });
    }
    void TearDown() override {
        SetDebugSink({});
        SetDebugLevelsFromText("");
    }
    std::vector<std::string> Lines() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Lines;
    }

private:
    std::mutex m_Mutex;
    std::vector<std::string> m_Lines;
};

const TCDebugCategory kHighCategory{200, "HIGH"};

} // namespace

TEST_F(DebugOutputTest, LevelsSwitchIndependently) {
    EXPECT_FALSE(IsDebugLevel(DEBUG_WEBAPI));
    SetDebugLevel(DEBUG_WEBAPI, true);
    EXPECT_TRUE(IsDebugLevel(DEBUG_WEBAPI));
    EXPECT_FALSE(IsDebugLevel(DEBUG_COMMON));
    SetDebugLevel(kHighCategory, true);
    EXPECT_TRUE(IsDebugLevel(kHighCategory));
    SetDebugLevel(DEBUG_WEBAPI, false);
    EXPECT_FALSE(IsDebugLevel(DEBUG_WEBAPI));
    EXPECT_TRUE(IsDebugLevel(kHighCategory));

    const TCDebugCategory outside{256, "OUTSIDE"}, negative{-1, "NEGATIVE"};
    SetDebugLevelsFromText("all");
    SetDebugLevel(outside, true);
    EXPECT_FALSE(IsDebugLevel(outside)) << "out of range numbers are never on";
    EXPECT_FALSE(IsDebugLevel(negative));
}

TEST_F(DebugOutputTest, LevelsFromText) {
    SetDebugLevel(DEBUG_DB, true);
    SetDebugLevelsFromText(" common ,WEBAPI,unknown");
    EXPECT_TRUE(IsDebugLevel(DEBUG_COMMON));
    EXPECT_TRUE(IsDebugLevel(DEBUG_WEBAPI));
    EXPECT_FALSE(IsDebugLevel(DEBUG_DB)) << "levels not listed are switched off";

    SetDebugLevelsFromText("All");
    EXPECT_TRUE(IsDebugLevel(DEBUG_DB));
    EXPECT_TRUE(IsDebugLevel(DEBUG_HTTP));
    EXPECT_TRUE(IsDebugLevel(kHighCategory));

    SetDebugLevelsFromText("");
    EXPECT_FALSE(IsDebugLevel(DEBUG_COMMON));
    EXPECT_FALSE(IsDebugLevel(kHighCategory));
}

TEST_F(DebugOutputTest, WritesFormattedLineOnlyWhenOn) {
    SendDebugOutput(DEBUG_WEBAPI, "dropped %d", 1);
    EXPECT_TRUE(Lines().empty());

    SetDebugLevel(DEBUG_WEBAPI, true);
    SendDebugOutput(DEBUG_WEBAPI, "user %s has %d cards\n", "ann", 3);
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    const std::regex format(R"(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d{3}Z \[WEBAPI\] user ann has 3 cards)");
    EXPECT_TRUE(std::regex_match(lines[0], format)) << lines[0];
}

TEST_F(DebugOutputTest, LinesFromManyThreadsStayWhole) {
    SetDebugLevel(DEBUG_COMMON, true);
    constexpr int kThreads = 4;
    constexpr int kLinesEach = 200;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < kLinesEach; ++i)
                SendDebugOutput(DEBUG_COMMON, "writer %d line %d", t, i);
        });
    }
    for (std::thread& writer : writers)
        writer.join();
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLinesEach));
    const std::regex format(R"(\S+ \[COMMON\] writer \d line \d+)");
    for (const std::string& line : lines)
        ASSERT_TRUE(std::regex_match(line, format)) << line;
}

TEST(Exception, TextNamesFileLineAndMessage) {
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
}

TEST(Exception, AssertionUsesExpressionUnlessMessageGiven) {
    try {
        const int count = 0;
        HOST_ASSERT(count > 0);
        FAIL() << "no exception";
    } catch (const TCAssertionException& e) {
        EXPECT_EQ(e.GetExpression(), "count > 0");
        EXPECT_EQ(e.GetHostMessage(), "Assertion failed: count > 0");
        EXPECT_EQ(std::string(e.what()).rfind("base_test.cpp:", 0), 0u) << e.what();
    }
    try {
        HOST_ASSERT_MSG(1 == 2, "numbers differ");
        FAIL() << "no exception";
    } catch (const TCException& e) {
        EXPECT_EQ(e.GetHostMessage(), "numbers differ");
    }
}

TEST(NetworkInterfaces, LoopbackIsReported) {
    EXPECT_EQ(TCIPNetworkInterfaceSettings::GetIPAddress("lo").get_AsString(), "127.0.0.1");
    const TCIPNetworkSettings settings = TCIPNetworkInterfaceSettings::GetInterfaceSettings("lo");
    EXPECT_EQ(settings.InterfaceName, "lo");
    EXPECT_EQ(settings.Netmask.get_AsString(), "255.0.0.0");
    EXPECT_TRUE(settings.MAC.IsNull());
    EXPECT_EQ(settings.Hostname, TCIPNetworkInterfaceSettings::GetLocalHostname());
    EXPECT_FALSE(settings.Hostname.empty());
}

TEST(NetworkInterfaces, DefaultInterfaceHasAnIPv4Address) {
    const TCIPNetworkSettings settings = TCIPNetworkInterfaceSettings::GetInterfaceSettings("");
    EXPECT_FALSE(settings.InterfaceName.empty());
    EXPECT_TRUE(settings.Address.IsIPv4()) << settings.InterfaceName;
    EXPECT_EQ(TCIPNetworkInterfaceSettings::GetIPAddress(""), settings.Address);
}

TEST(NetworkInterfaces, UnknownInterfaceHasNothing) {
    const TCIPNetworkSettings settings = TCIPNetworkInterfaceSettings::GetInterfaceSettings("nosuchif0");
    EXPECT_TRUE(settings.Address.IsNull());
    EXPECT_TRUE(settings.MAC.IsNull());
    TCMACAddress mac;
    mac.Parse("02:00:00:00:00:01");
    EXPECT_FALSE(mac.Own("nosuchif0"));
    EXPECT_TRUE(mac.IsNull());
    EXPECT_FALSE(mac.Own("../lo"));
}

TEST(MACAddress, ParsesAllSeparatorStyles) {
    const char* forms[] = {"00:1A:2b:3c:4D:ff", "00-1a-2B-3c-4d-FF", "001a2b3c4dff"};
    for (const char* text : forms) {
        TCMACAddress mac;
        ASSERT_TRUE(mac.Parse(text)) << text;
        EXPECT_EQ(mac.get_AsString(), "00:1a:2b:3c:4d:ff") << text;
        EXPECT_FALSE(mac.IsNull());
    }
    TCMACAddress mac;
    mac.Parse("00:1a:2b:3c:4d:ff");
    EXPECT_EQ(mac.get_AsString('-'), "00-1a-2b-3c-4d-ff");
    EXPECT_EQ(mac.get_AsString('\0'), "001a2b3c4dff");
}

TEST(MACAddress, RejectsMalformedTextAndKeepsValue) {
    const char* invalid[] = {"",
                             "00:1a:2b:3c:4d",
                             "00:1a:2b:3c:4d:ff:",
                             "00:1a-2b:3c:4d:ff",
                             "00:1a:2b:3c:4d:fg",
                             "001a2b3c4df",
                             "00.1a.2b.3c.4d.ff",
                             "0:1a:2b:3c:4d:ff0"};
    TCMACAddress mac;
    ASSERT_TRUE(mac.Parse("02:00:00:00:00:01"));
    for (const char* text : invalid) {
        EXPECT_FALSE(mac.Parse(text)) << text;
        EXPECT_EQ(mac.get_AsString(), "02:00:00:00:00:01") << text;
    }
    EXPECT_TRUE(TCMACAddress().IsNull());
}

namespace {

// A thread whose Execute waits once on its events and whose Shutdown records that it ran.
class SingleWaitThread : public TCThread {
public:
    ~SingleWaitThread() override { Stop(); }

    TCSignalEventObject Wake;
    TCSignalEventObject Waiting;
    TCSignalEventObject Executed;

    std::vector<std::string> Log() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Log;
    }

protected:
    int Execute() override {
        Waiting.Signal();
        const int result = WaitObjects(-1);
        Append("execute returned " + std::to_string(result));
        Executed.Signal();
        return 0;
    }
    void Shutdown() override { Append("shutdown"); }

private:
    void Append(const std::string& entry) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Log.push_back(entry);
    }
    std::mutex m_Mutex;
    std::vector<std::string> m_Log;
};

// WaitObjects can be driven from the test thread itself, without starting the thread.
class IdleThread : public TCThread {
public:
    ~IdleThread() override { Stop(); }

protected:
    int Execute() override { return 0; }
};

constexpr int kLongWaitMs = 30000; // only reached if a wake-up is lost

} // namespace

TEST(SignalEventObject, IsAutoReset) {
    TCSignalEventObject event;
    EXPECT_FALSE(event.IsSignaled());
    event.Signal();
    EXPECT_TRUE(event.IsSignaled());
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.IsSignaled());
    EXPECT_FALSE(event.Wait(0));

    event.Signal();
    event.Reset();
    EXPECT_FALSE(event.Wait(0));
}

TEST(WaitObjects, ReturnsLowestSignalledIndexAndConsumesIt) {
    IdleThread thread;
    TCSignalEventObject first, second;
    thread.AddWait(2, second);
    thread.AddWait(1, first);

    second.Signal();
    first.Signal();
    EXPECT_EQ(thread.WaitObjects(0), 1);
    EXPECT_FALSE(first.IsSignaled());
    EXPECT_TRUE(second.IsSignaled());
    EXPECT_EQ(thread.WaitObjects(0), 2);
    EXPECT_EQ(thread.WaitObjects(0), TCBasicThread::WAIT_TIMEOUT);
    EXPECT_EQ(thread.WaitObjects(10), TCBasicThread::WAIT_TIMEOUT);
}

TEST(WaitObjects, WokenBySignalFromAnotherThread) {
    IdleThread thread;
    TCSignalEventObject event;
    thread.AddWait(5, event);
    std::thread signaller([&] { event.Signal(); });
    EXPECT_EQ(thread.WaitObjects(kLongWaitMs), 5);
    signaller.join();
}

TEST(WaitObjects, ReturnsAtOnceAfterStopEvenWithSignalPending) {
    IdleThread thread;
    TCSignalEventObject event;
    thread.AddWait(0, event);
    thread.Stop();
    event.Signal();
    EXPECT_EQ(thread.WaitObjects(-1), TCBasicThread::WAIT_TIMEOUT);
    EXPECT_TRUE(thread.IsTerminated());
}

TEST(WaitObjects, ReusedIndexReplacesEarlierEvent) {
    IdleThread thread;
    TCSignalEventObject old, replacement;
    thread.AddWait(1, old);
    thread.AddWait(1, replacement);
    old.Signal();
    EXPECT_EQ(thread.WaitObjects(0), TCBasicThread::WAIT_TIMEOUT);
    replacement.Signal();
    EXPECT_EQ(thread.WaitObjects(0), 1);
    TCSignalEventObject survivor;
    thread.AddWait(2, survivor);
    {
        TCSignalEventObject shortLived; // unregisters itself when destroyed
        thread.AddWait(3, shortLived);
        shortLived.Signal();
    }
    survivor.Signal();
    EXPECT_EQ(thread.WaitObjects(0), 2);
}

TEST(BasicThread, EventSignalWakesRunningThread) {
    SingleWaitThread thread;
    thread.AddWait(3, thread.Wake);
    thread.CreateThread("wake-test");
    thread.Resume();
    ASSERT_TRUE(thread.Waiting.Wait(kLongWaitMs));
    thread.Wake.Signal();
    ASSERT_TRUE(thread.Executed.Wait(kLongWaitMs));
    thread.Stop();
    EXPECT_EQ(thread.Log(), (std::vector<std::string>{"execute returned 3", "shutdown"}));
}

TEST(BasicThread, StopWakesWaitAndRunsShutdownAfterExecute) {
    SingleWaitThread thread;
    thread.AddWait(0, thread.Wake);
    thread.CreateThread("stop-test");
    thread.Resume();
    EXPECT_TRUE(thread.IsRunning());
    ASSERT_TRUE(thread.Waiting.Wait(kLongWaitMs));
    thread.Stop();
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(thread.Log(), (std::vector<std::string>{"execute returned -1", "shutdown"}));
}

TEST(BasicThread, CanBeResumedAfterStop) {
    SingleWaitThread thread;
    thread.CreateThread("restart-test");
    thread.Resume();
    thread.Stop();
    thread.Resume();
    EXPECT_FALSE(thread.IsTerminated());
    thread.Stop();
    EXPECT_EQ(thread.Log().size(), 4u);
}

TEST(CriticalSection, IsRecursiveAndExcludesOtherThreads) {
    TCCriticalSection section;
    ASSERT_TRUE(section.Enter());
    ASSERT_TRUE(section.Enter(0)); // the owner enters again
    bool enteredElsewhere = true;
    std::thread([&] { enteredElsewhere = section.Enter(10); }).join();
    EXPECT_FALSE(enteredElsewhere);

    section.Leave();
    std::thread([&] { enteredElsewhere = section.Enter(10); }).join();
    EXPECT_FALSE(enteredElsewhere) << "still held once";

    section.Leave();
    std::thread([&] {
        enteredElsewhere = section.Enter(kLongWaitMs);
        if (enteredElsewhere) section.Leave();
    }).join();
    EXPECT_TRUE(enteredElsewhere);
}

TEST(TickCounter, TracksActivationAndExpiry) {
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

namespace {

std::string Translate(const std::string& text, const std::vector<std::string>& args = {}) {
    return DoTranslateText("test", __FILE__, text, args);
}

} // namespace

TEST(Translate, MarkersAndPlaceholders) {
    std::vector<std::string> ten;
    for (int i = 1; i <= 10; ++i)
        ten.push_back("a" + std::to_string(i));
    const struct {
        std::string text;
        std::vector<std::string> args;
        std::string expected;
    } cases[] = {
        {"_t_Door opened", {}, "Door opened"},
        {"Door _t_opened", {}, "Door _t_opened"},
        {"_t_", {}, ""},
        {"", {}, ""},
        {"_t_{%2} before {%1}, {%1} again", {"one", "two"}, "two before one, one again"},
        {"{%10}|{%1}", ten, "a10|a1"},
        {"{%1} and {%3}", {"x"}, "x and {%3}"},
        {"{%0} {%} {%a} {%1", {"x"}, "{%0} {%} {%a} {%1"},
        {"{{%1}}", {"x"}, "{x}"},
        {"{%1}-{%2}", {"{%2}", "b"}, "{%2}-b"}, // inserted arguments are not expanded again
    };
    for (const auto& c : cases)
        EXPECT_EQ(Translate(c.text, c.args), c.expected) << c.text;
    EXPECT_EQ(DoTranslateText("test", __FILE__, "_t_{%1} of {%2} ({%3})", 3, "doors", 2.5),
              "3 of doors (2.5)");
}

namespace {

constexpr int64_t kDay = 86400;

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

} // namespace

TEST(UTCTime, KnownInstants) {
    EXPECT_EQ(TCUTCTime::FromYMDHMS(1970, 1, 1, 0, 0, 0).get_Seconds(), 0);
    EXPECT_EQ(TCUTCTime::FromYMDHMS(2000, 2, 29, 12, 30, 15).get_Seconds(), 951827415);
    EXPECT_EQ(TCUTCTime::FromYMDHMS(2038, 1, 19, 3, 14, 8).get_Seconds(), 2147483648LL);
    EXPECT_EQ(TCUTCTime::FromYMDHMS(1969, 12, 31, 23, 59, 59).get_Seconds(), -1);
    EXPECT_EQ(TCUTCTime::FromYMDHMS(1900, 1, 1, 0, 0, 0).get_Seconds(), -2208988800LL);
}

TEST(UTCTime, BeforeEpochSplitsIntoThePreviousDay) {
    int year = 0, month = 0, day = 0;
    TCUTCTime(-1).GetYMD(year, month, day);
    EXPECT_EQ(year, 1969);
    EXPECT_EQ(month, 12);
    EXPECT_EQ(day, 31);
    EXPECT_EQ(TCUTCTime(-kDay).GetDate(), (TCDateData{1969, 12, 31}));
    EXPECT_EQ(TCUTCTime(-kDay - 1).GetDate(), (TCDateData{1969, 12, 30}));
}

TEST(UTCTime, EveryDayRoundTripsAcrossCenturies) {
    // Walking day by day checks month lengths and leap days against the plain Gregorian rule.
    TCUTCTime midnight = TCUTCTime::FromYMDHMS(1899, 12, 31, 0, 0, 0);
    TCDateData previous = midnight.GetDate();
    for (int64_t seconds = midnight.get_Seconds() + kDay;
         seconds < TCUTCTime::FromYMDHMS(2101, 1, 1, 0, 0, 0).get_Seconds(); seconds += kDay) {
        const TCDateData date = TCUTCTime(seconds + kDay - 1).GetDate();
        ASSERT_EQ(TCUTCTime::FromDate(date).get_Seconds(), seconds);
        const bool newMonth = date.Day == 1;
        if (newMonth) {
            ASSERT_EQ(date.Month, previous.Month % 12 + 1);
            if (previous.Month == 2) {
                ASSERT_EQ(previous.Day, IsLeap(previous.Year) ? 29 : 28) << previous.Year;
            }
        } else {
            ASSERT_EQ(date.Day, previous.Day + 1);
        }
        previous = date;
    }
    EXPECT_EQ(previous, (TCDateData{2100, 12, 31}));
}

TEST(UTCTime, RejectsImpossibleDatesAndTimes) {
    const int invalid[][6] = {{1900, 2, 29, 0, 0, 0}, {2023, 13, 1, 0, 0, 0}, {2023, 0, 1, 0, 0, 0},
                              {2023, 4, 31, 0, 0, 0}, {2023, 4, 1, 24, 0, 0}, {2023, 4, 1, 0, -1, 0}};
    for (const auto& t : invalid)
        EXPECT_THROW(TCUTCTime::FromYMDHMS(t[0], t[1], t[2], t[3], t[4], t[5]), TCException)
            << t[0] << '-' << t[1];
    EXPECT_NO_THROW(TCUTCTime::FromYMDHMS(2000, 2, 29, 23, 59, 59));
}

TEST(UTCTime, NowMatchesSystemClock) {
    const int64_t before = static_cast<int64_t>(std::time(nullptr));
    const int64_t now = TCUTCTime::Now().get_Seconds();
    const int64_t after = static_cast<int64_t>(std::time(nullptr));
    EXPECT_LE(before, now);
    EXPECT_LE(now, after);
}
