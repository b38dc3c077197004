#include "Debug/TCDebug.h"

#include <gtest/gtest.h>

#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

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
}

TEST_F(DebugOutputTest, OutOfRangeNumbersAreNeverOn) {
    const TCDebugCategory outside{256, "OUTSIDE"};
    const TCDebugCategory negative{-1, "NEGATIVE"};
    SetDebugLevelsFromText("all");
    SetDebugLevel(outside, true);
    EXPECT_FALSE(IsDebugLevel(outside));
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
