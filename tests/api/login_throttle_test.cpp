// The login throttle on a clock the test turns: when a pair becomes throttled, how long, the doubling
// back-off and its cap, the window, what a success clears, and the bound on its memory.
#include <gtest/gtest.h>

#include "KnaLoginThrottle.h"

using KeynodeApi::KnaLoginThrottle;

namespace {

class LoginThrottleTest : public testing::Test {
protected:
    int64_t m_Now = 1'000'000;
    KnaLoginThrottle m_Throttle{[this] { return m_Now; }};

    // Fails `count` times from the address; returns how many of them made the pair throttled.
    int Fail(int count, const std::string& address = "10.0.0.1", const std::string& user = "admin") {
        int became = 0;
        for (int i = 0; i < count; ++i)
            became += m_Throttle.RecordFailure(user, address);
        return became;
    }
};

TEST_F(LoginThrottleTest, TenFailuresThrottleThePairWithABackoffThatDoublesUpToFifteenMinutes) {
    EXPECT_EQ(0, Fail(9));
    EXPECT_FALSE(m_Throttle.IsThrottled("admin", "10.0.0.1"));
    EXPECT_EQ(1, Fail(1));
    EXPECT_EQ(KnaLoginThrottle::FIRST_BACKOFF_MS, m_Throttle.RemainingMs("admin", "10.0.0.1"));
    // Attempts while throttled neither count nor lengthen it; other pairs are not touched.
    EXPECT_EQ(0, Fail(50));
    EXPECT_EQ(KnaLoginThrottle::FIRST_BACKOFF_MS, m_Throttle.RemainingMs("admin", "10.0.0.1"));
    EXPECT_FALSE(m_Throttle.IsThrottled("admin", "10.0.0.2"));
    EXPECT_FALSE(m_Throttle.IsThrottled("other", "10.0.0.1"));

    int64_t backoff = KnaLoginThrottle::FIRST_BACKOFF_MS;
    for (int round = 0; round < 8; ++round) {
        m_Now += backoff;
        EXPECT_FALSE(m_Throttle.IsThrottled("admin", "10.0.0.1"));
        EXPECT_EQ(1, Fail(10));
        backoff = std::min(backoff * 2, KnaLoginThrottle::MAX_BACKOFF_MS);
        EXPECT_EQ(backoff, m_Throttle.RemainingMs("admin", "10.0.0.1")) << "round " << round;
    }
    EXPECT_EQ(KnaLoginThrottle::MAX_BACKOFF_MS, backoff);

    // A success forgets the pair: the next throttling starts short again.
    m_Now += backoff;
    m_Throttle.RecordSuccess("admin", "10.0.0.1");
    EXPECT_EQ(1, Fail(10));
    EXPECT_EQ(KnaLoginThrottle::FIRST_BACKOFF_MS, m_Throttle.RemainingMs("admin", "10.0.0.1"));
}

TEST_F(LoginThrottleTest, FailuresFurtherApartThanTheWindowDoNotAddUp) {
    m_Throttle.Configure(3, 60);
    EXPECT_EQ(0, Fail(2));
    m_Now += 61'000;
    EXPECT_EQ(0, Fail(2));
    EXPECT_EQ(1, Fail(1));
    // Settings below 1 fall back to the defaults.
    m_Throttle.Configure(0, -5);
    m_Now += KnaLoginThrottle::MAX_BACKOFF_MS;
    EXPECT_EQ(0, Fail(KnaLoginThrottle::DEFAULT_MAX_FAILURES - 1, "10.0.0.9"));
    EXPECT_EQ(1, Fail(1, "10.0.0.9"));
}

TEST_F(LoginThrottleTest, AFloodOfPairsStaysBoundedAndKeepsThrottledPairs) {
    EXPECT_EQ(1, Fail(10, "10.0.0.1"));
    for (int i = 0; i < int(KnaLoginThrottle::MAX_PAIRS) * 2; ++i)
        Fail(1, "192.0.2.1", "user" + std::to_string(i));
    EXPECT_LE(m_Throttle.PairCount(), KnaLoginThrottle::MAX_PAIRS);
    EXPECT_TRUE(m_Throttle.IsThrottled("admin", "10.0.0.1"));
}

} // namespace
