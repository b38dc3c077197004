#pragma once
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

// keynoded (or any program) started in the background with its stdout on a pipe. The destructor sends
// SIGKILL if the process still runs, so a failed test never leaves a daemon behind.
class DaemonProcess {
public:
    DaemonProcess(const std::string& program, const std::vector<std::string>& args);
    ~DaemonProcess();

    // The next stdout line, or "" when none arrives within the time-out or the pipe closed.
    std::string readLine(int timeoutMs = 10000);
    // Sends `signal` and waits up to `timeoutMs` for the exit; returns the exit code, or -1.
    int stop(int signal, int timeoutMs = 10000);

private:
    pid_t m_Pid = -1;
    int m_Out = -1;
    std::string m_Pending;
};
