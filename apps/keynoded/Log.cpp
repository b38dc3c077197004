#include "Log.h"

#include <cstdio>
#include <mutex>

#include "Debug/TCDebug.h"

namespace keynoded {

void logLine(Priority priority, const std::string& text) {
    static std::mutex lock;
    std::string line = "<" + std::to_string(static_cast<int>(priority)) + ">keynoded: ";
    // A line break inside the text would start an entry without a priority.
    for (char c : text)
        line += (c == '\n' || c == '\r') ? ' ' : c;
    line += '\n';
    std::lock_guard guard(lock);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void routeDebugOutputToLog() {
    SetDebugSink([](const std::string& text) { logLine(Priority::Debug, text); });
}

} // namespace keynoded
