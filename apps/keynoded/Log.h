#pragma once
#include <string>

namespace keynoded {

// One line per event on stderr, with the syslog priority prefix ("<6>") that journald turns into the
// entry's priority. Lines of different threads never interleave.
enum class Priority { Error = 3, Warning = 4, Notice = 5, Info = 6, Debug = 7 };

void logLine(Priority priority, const std::string& text);

// Sends the host's debug output through logLine at debug priority.
void routeDebugOutputToLog();

} // namespace keynoded
