#include "KnaLoginThrottle.h"

#include <algorithm>

#include "Thread/TCThread.h"

namespace KeynodeApi {

KnaLoginThrottle::KnaLoginThrottle(Clock clock) : m_Clock(std::move(clock)) {}

void KnaLoginThrottle::Configure(int maxFailures, int windowSeconds) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_MaxFailures = maxFailures > 0 ? maxFailures : DEFAULT_MAX_FAILURES;
    m_WindowMs = int64_t(windowSeconds > 0 ? windowSeconds : DEFAULT_WINDOW_SECONDS) * 1000;
}

std::string KnaLoginThrottle::Key(const std::string& userName, const std::string& clientAddress) {
    // The address cannot hold a NUL, so the key is unambiguous.
    return clientAddress + '\0' + userName;
}

int64_t KnaLoginThrottle::Now() const {
    return m_Clock ? m_Clock() : GetTickCount64ms();
}

bool KnaLoginThrottle::IsThrottled(const std::string& userName, const std::string& clientAddress) {
    return RemainingMs(userName, clientAddress) > 0;
}

int64_t KnaLoginThrottle::RemainingMs(const std::string& userName, const std::string& clientAddress) {
    const int64_t now = Now();
    std::lock_guard<std::mutex> lock(m_Mutex);
    const auto found = m_Pairs.find(Key(userName, clientAddress));
    if (found == m_Pairs.end()) return 0;
    return std::max<int64_t>(found->second.ThrottledUntilMs - now, 0);
}

bool KnaLoginThrottle::RecordFailure(const std::string& userName, const std::string& clientAddress) {
    const int64_t now = Now();
    std::lock_guard<std::mutex> lock(m_Mutex);
    const std::string key = Key(userName, clientAddress);
    if (m_Pairs.find(key) == m_Pairs.end()) MakeRoom(now);
    Pair& pair = m_Pairs[key];
    pair.LastSeenMs = now;
    if (pair.ThrottledUntilMs > now) return false;
    if (pair.Failures == 0 || now - pair.WindowStartMs > m_WindowMs) {
        pair.Failures = 0;
        pair.WindowStartMs = now;
    }
    if (++pair.Failures < m_MaxFailures) return false;
    pair.BackoffMs = pair.BackoffMs == 0 ? FIRST_BACKOFF_MS : std::min(pair.BackoffMs * 2, MAX_BACKOFF_MS);
    pair.ThrottledUntilMs = now + pair.BackoffMs;
    pair.Failures = 0;
    return true;
}

void KnaLoginThrottle::RecordSuccess(const std::string& userName, const std::string& clientAddress) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Pairs.erase(Key(userName, clientAddress));
}

size_t KnaLoginThrottle::PairCount() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Pairs.size();
}

void KnaLoginThrottle::MakeRoom(int64_t now) {
    if (m_Pairs.size() < MAX_PAIRS) return;
    // Pairs that no longer count: neither throttled nor within a window of failures.
    for (auto it = m_Pairs.begin(); it != m_Pairs.end();)
        if (it->second.ThrottledUntilMs <= now && now - it->second.WindowStartMs > m_WindowMs)
            it = m_Pairs.erase(it);
        else
            ++it;
    if (m_Pairs.size() < MAX_PAIRS) return;
    // Still full (a flood of names from many addresses): the least recently seen pair that is not
    // throttled goes, else the least recently seen of all.
    auto victim = m_Pairs.end();
    for (auto it = m_Pairs.begin(); it != m_Pairs.end(); ++it) {
        const bool throttled = it->second.ThrottledUntilMs > now;
        if (victim == m_Pairs.end()) {
            victim = it;
            continue;
        }
        const bool victimThrottled = victim->second.ThrottledUntilMs > now;
        if (throttled != victimThrottled ? !throttled : it->second.LastSeenMs < victim->second.LastSeenMs)
            victim = it;
    }
    m_Pairs.erase(victim);
}

} // namespace KeynodeApi
