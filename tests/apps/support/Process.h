#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

#include "host/base/support/TempDir.h"

// A program started in the background with its stdout (and stderr, when asked) on a pipe. The destructor
// sends SIGKILL if the process still runs, so a failed test never leaves a daemon behind.
class DaemonProcess {
public:
    DaemonProcess(const std::string& program, const std::vector<std::string>& args, bool withStderr = false);
    ~DaemonProcess();

    // The next line, or "" when none arrives within the time-out or the pipe closed.
    std::string readLine(int timeoutMs = 10000);
    // Everything until the pipe closes.
    std::string readToEnd();
    // Sends `signal` (0: none) and waits up to `timeoutMs` for the exit; returns the exit code, or -1.
    int stop(int signal, int timeoutMs = 10000);

private:
    pid_t m_Pid = -1;
    int m_Out = -1;
    std::string m_Pending;
};

struct ProgramResult {
    int exitCode = -1;
    std::string output; // stdout and stderr
};

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args);
// keynodectl with `args` on the data directory `dataDir`.
ProgramResult Keynodectl(const std::string& dataDir, std::vector<std::string> args);
// The words of a command line, split at spaces.
std::vector<std::string> Words(const std::string& line);
