#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>

namespace KeynodeApi {

// Failed password checks per user name and client address. After too many within a window the pair is
// throttled: its attempts are refused without a password check until a back-off has passed, which doubles
// each time the pair is throttled again. A successful login forgets the pair. Memory is bounded: when
// full, pairs that are not throttled are forgotten first, the least recently seen before others.
// All members may be called from any thread.
class KnaLoginThrottle {
public:
    static constexpr int DEFAULT_MAX_FAILURES = 10;
    static constexpr int DEFAULT_WINDOW_SECONDS = 60;
    static constexpr int64_t FIRST_BACKOFF_MS = 30'000;
    static constexpr int64_t MAX_BACKOFF_MS = 15 * 60'000;
    static constexpr size_t MAX_PAIRS = 4096;

    // Milliseconds of a monotonic clock; empty: the system's.
    using Clock = std::function<int64_t()>;
    explicit KnaLoginThrottle(Clock clock = {});

    // Values below 1 take the defaults.
    void Configure(int maxFailures, int windowSeconds);

    bool IsThrottled(const std::string& userName, const std::string& clientAddress);
    // Counts a failed check; true when the pair became throttled with it.
    bool RecordFailure(const std::string& userName, const std::string& clientAddress);
    void RecordSuccess(const std::string& userName, const std::string& clientAddress);
    // How long the pair stays throttled, in ms; 0 when it is not.
    int64_t RemainingMs(const std::string& userName, const std::string& clientAddress);
    size_t PairCount() const;

private:
    struct Pair {
        int Failures = 0;
        int64_t WindowStartMs = 0;
        int64_t ThrottledUntilMs = 0;
        int64_t BackoffMs = 0; // of the last throttling; 0 before the first
        int64_t LastSeenMs = 0;
    };
    static std::string Key(const std::string& userName, const std::string& clientAddress);
    int64_t Now() const;
    void MakeRoom(int64_t now);

    Clock m_Clock;
    mutable std::mutex m_Mutex;
    int m_MaxFailures = DEFAULT_MAX_FAILURES;
    int64_t m_WindowMs = DEFAULT_WINDOW_SECONDS * 1000;
    std::unordered_map<std::string, Pair> m_Pairs;
};

} // namespace KeynodeApi
