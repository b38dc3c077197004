#include "Thread/TCThread.h"

#include <algorithm>
#include <chrono>

int64_t GetTickCount64ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void TCTickCounter::SetTimeout(int64_t milliseconds) {
    m_Deadline = Now() + milliseconds;
    m_Active = true;
}

bool TCTickCounter::Expired() const {
    return m_Active && Now() >= m_Deadline;
}

bool TCTickCounter::Activated() const {
    return m_Active;
}

void TCTickCounter::Clear() {
    m_Active = false;
}

int64_t TCTickCounter::RemainingMs() const {
    if (!m_Active) return 0;
    return std::max<int64_t>(0, m_Deadline - Now());
}
