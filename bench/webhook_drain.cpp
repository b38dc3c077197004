// Webhook drain and idle latency. A receiver on 127.0.0.1 runs in a child process (so that its work is not
// counted); this process holds the API service as keynoded does. Prints how long the service takes to
// deliver a backlog of events once the webhook is switched on, its CPU time for that, and the time from a
// new event to its arrival at the receiver while idle.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "DB/TCDBTransaction.h"
#include "DB/Tables/EventTables.h"
#include "DataDir.h"
#include "Event/TCClientEvent.h"
#include "KnaMain.h"
#include "Property/AccessProp.h"
#include "Property/TCProperties.h"

namespace {

int64_t MonotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The child: a minimal blocking HTTP receiver, so that the figures show the service rather than a
// receiver's overhead. One connection at a time (the service posts one page at a time), each answered
// with 200 and closed; every request is reported as "<arrival ns> <body bytes>" on `report`. Serves until
// the control pipe closes.
[[noreturn]] void RunReceiver(int control, int report) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 16) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        _exit(1);
    const std::string hello = "port " + std::to_string(ntohs(address.sin_port)) + "\n";
    if (write(report, hello.data(), hello.size()) < 0) _exit(1);

    std::vector<char> buffer(1 << 20);
    for (;;) {
        pollfd fds[2] = {{listener, POLLIN, 0}, {control, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents != 0) _exit(0); // the parent closed the control pipe
        const int connection = accept(listener, nullptr, nullptr);
        if (connection < 0) continue;
        timeval timeout{10, 0};
        setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        std::string head;
        size_t bodyLength = 0, received = 0;
        bool headDone = false;
        for (ssize_t n; (n = read(connection, buffer.data(), buffer.size())) > 0;) {
            if (!headDone) {
                head.append(buffer.data(), size_t(n));
                const size_t end = head.find("\r\n\r\n");
                if (end == std::string::npos) continue;
                headDone = true;
                std::string lower(head, 0, end);
                std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
                const size_t field = lower.find("content-length:");
                if (field != std::string::npos) bodyLength = std::stoul(lower.substr(field + 15));
                if (lower.find("expect: 100-continue") != std::string::npos) {
                    const char cont[] = "HTTP/1.1 100 Continue\r\n\r\n";
                    if (write(connection, cont, sizeof cont - 1) < 0) break;
                }
                received = head.size() - end - 4;
            } else {
                received += size_t(n);
            }
            if (received >= bodyLength) break;
        }
        const std::string line = std::to_string(MonotonicNs()) + " " + std::to_string(received) + "\n";
        const char answer[] = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        if (write(connection, answer, sizeof answer - 1) < 0) std::perror("receiver answer");
        close(connection);
        if (write(report, line.data(), line.size()) < 0) _exit(1);
    }
}

// Lines from the receiver, read on a thread of their own.
class ReportReader {
public:
    explicit ReportReader(int in) : m_In(in), m_Thread([this] { Run(); }) {}
    ~ReportReader() { m_Thread.join(); }

    bool Next(std::string& line, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(m_Mutex);
        if (!m_Ready.wait_for(lock, timeout, [this] { return !m_Lines.empty() || m_Closed; })) return false;
        if (m_Lines.empty()) return false;
        line = m_Lines.front();
        m_Lines.pop_front();
        return true;
    }
    size_t Drop() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        const size_t dropped = m_Lines.size();
        m_Lines.clear();
        return dropped;
    }

private:
    void Run() {
        std::string pending;
        char buffer[4096];
        for (ssize_t n; (n = read(m_In, buffer, sizeof buffer)) > 0;) {
            pending.append(buffer, size_t(n));
            for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
                std::lock_guard<std::mutex> lock(m_Mutex);
                m_Lines.push_back(pending.substr(0, end));
                m_Ready.notify_all();
            }
        }
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Closed = true;
        m_Ready.notify_all();
    }

    int m_In;
    std::mutex m_Mutex;
    std::condition_variable m_Ready;
    std::deque<std::string> m_Lines;
    bool m_Closed = false;
    std::thread m_Thread;
};

void Set(const Property::TCPropertyID& id, const std::string& value) {
    Property::SetProperty(id, value, Accessories::TCRecordID(), "bench");
}

long long StoredLastID() {
    return Property::GetProperty(AccessProp::GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID,
                                 Accessories::TCRecordID(), "")
        .get_AsBigInt(0LL);
}

// `count` events with three text details each, in one transaction; returns the last event ID.
long long AddEvents(int count) {
    DB::TCDBTransaction transaction(-1);
    transaction.Begin(1, false);
    Event::TCDBEventLog events;
    Event::TCDBEventLogDetails details;
    long long last = 0;
    for (int i = 0; i < count; ++i) {
        DB::TCDBAutoObject row;
        events.CreateObject(row);
        row.Field(Table_EventLog::TYPE_LINK).set_AsInteger(12000);
        row.Field(Table_EventLog::EVENT_TIME).set_AsDateTime(TCUTCTime::Now());
        row.Save();
        last = row.get_ID().get_ID();
        for (int d = 0; d < 3; ++d) {
            DB::TCDBAutoObject detail;
            details.CreateObject(detail);
            detail.Field(Table_EventLogDetails::EVENT_LINK).set_AsRecordID(row.get_ID());
            detail.Field(Table_EventLogDetails::TYPE_LINK).set_AsInteger(12100 + d);
            detail.Field(Table_EventLogDetails::VALUE)
                .set_AsString("Benchmark detail text " + std::to_string(d));
            detail.Save();
        }
    }
    transaction.Commit();
    return last;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p / 100.0 * double(values.size() - 1) + 0.5));
    return values[index];
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: bench_webhook_drain DATA_DIR [EVENTS=100000] [LATENCY_SAMPLES=50]\n";
        return 2;
    }
    const int eventCount = argc > 2 ? std::stoi(argv[2]) : 100000;
    const int samples = argc > 3 ? std::stoi(argv[3]) : 50;
    std::signal(SIGPIPE, SIG_IGN);

    // Fork before any thread exists.
    int control[2], report[2];
    if (pipe(control) != 0 || pipe(report) != 0) return 1;
    const pid_t child = fork();
    if (child == 0) {
        close(control[1]);
        close(report[0]);
        RunReceiver(control[0], report[1]);
    }
    close(control[0]);
    close(report[1]);
    int exitCode = 0;
    {
        ReportReader reader(report[0]);
        std::string line;
        if (!reader.Next(line, std::chrono::seconds(10)) || line.rfind("port ", 0) != 0) {
            std::cerr << "receiver did not start\n";
            return 1;
        }
        const std::string url = "http://127.0.0.1:" + line.substr(5) + "/hook";

        std::filesystem::remove_all(argv[1]);
        keynode::DataDir dir(argv[1]);
        dir.open(true);
        const long long lastID = AddEvents(eventCount);
        Set(AccessProp::GeneralWebApiSettings_EventWebHook_URL, url);
        Set(AccessProp::GeneralWebApiSettings_EventWebHook_AuthType, "1400");

        auto api = std::make_shared<KeynodeApi::KnaMain>(1);
        api->StartThread();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));

        const double cpuBefore = CpuSeconds();
        const int64_t start = MonotonicNs();
        Set(AccessProp::GeneralWebApiSettings_EventWebHook_Enabled, "1");
        while (StoredLastID() < lastID)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const double seconds = double(MonotonicNs() - start) / 1e9;
        const double cpu = CpuSeconds() - cpuBefore;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const size_t posts = reader.Drop();
        std::printf(
            "drain: %d events (3 details each) in %zu posts, %.3f s, %.0f events/s, service CPU %.3f s\n",
            eventCount, posts, seconds, double(eventCount) / seconds, cpu);

        std::mt19937 random(7);
        std::uniform_int_distribution<int> pauseMs(100, 1100);
        std::vector<double> latencies;
        for (int i = 0; i < samples; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs(random)));
            reader.Drop();
            const int64_t written = MonotonicNs();
            Event::TCClientEvent(12006).Write();
            if (!reader.Next(line, std::chrono::seconds(10))) {
                std::cerr << "event " << i << " did not arrive\n";
                exitCode = 1;
                break;
            }
            latencies.push_back(double(std::stoll(line.substr(0, line.find(' '))) - written) / 1e6);
        }
        if (!latencies.empty())
            std::printf("idle latency over %zu events: p50 %.1f ms, p99 %.1f ms, max %.1f ms\n",
                        latencies.size(), Percentile(latencies, 50), Percentile(latencies, 99),
                        Percentile(latencies, 100));
        api->Stop();
        close(control[1]);
        waitpid(child, nullptr, 0);
    }
    return exitCode;
}
