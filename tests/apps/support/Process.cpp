#include "Process.h"

#include <chrono>
#include <csignal>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

DaemonProcess::DaemonProcess(const std::string& program, const std::vector<std::string>& args,
                             bool withStderr) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    m_Pid = fork();
    if (m_Pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        if (withStderr) dup2(fds[1], STDERR_FILENO);
        close(fds[0]);
        close(fds[1]);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(fds[1]);
    m_Out = fds[0];
    if (m_Pid < 0) throw std::runtime_error("fork failed");
}

DaemonProcess::~DaemonProcess() {
    if (m_Pid > 0) {
        kill(m_Pid, SIGKILL);
        waitpid(m_Pid, nullptr, 0);
    }
    close(m_Out);
}

std::string DaemonProcess::readLine(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (auto eol = m_Pending.find('\n'); eol != std::string::npos) {
            std::string line = m_Pending.substr(0, eol);
            m_Pending.erase(0, eol + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{m_Out, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, int(left.count())) <= 0) return "";
        char buffer[512];
        ssize_t n = read(m_Out, buffer, sizeof buffer);
        if (n <= 0) return "";
        m_Pending.append(buffer, size_t(n));
    }
}

std::string DaemonProcess::readToEnd() {
    char buffer[4096];
    for (ssize_t n; (n = read(m_Out, buffer, sizeof buffer)) > 0;)
        m_Pending.append(buffer, size_t(n));
    return std::move(m_Pending);
}

int DaemonProcess::stop(int signal, int timeoutMs) {
    if (m_Pid <= 0) return -1;
    if (signal != 0) kill(m_Pid, signal);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(m_Pid, &status, WNOHANG) == m_Pid) {
            m_Pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
    DaemonProcess process(program, args, true);
    ProgramResult result;
    result.output = process.readToEnd();
    result.exitCode = process.stop(0, 120000);
    return result;
}

ProgramResult Keynodectl(const std::string& dataDir, std::vector<std::string> args) {
    args.insert(args.begin(), {"--data-dir", dataDir});
    return RunProgram(KEYNODECTL_BIN, args);
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}
