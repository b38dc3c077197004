// Loads GET /api/v1/info/api over the mail road: CLIENTS threads, each with its own connection to the
// router, send one request mail after another for SECONDS and wait for each reply. Prints
// "<requests per second> <p99 in microseconds> <failed>".
#include <algorithm>
#include <atomic>
#include <chrono>
#include <iostream>
#include <thread>
#include <vector>

#include "Crypto/TCCryptoUtil.h"
#include "Mail/TCKnmsMailMessage.h"
#include "Mail/TCKnmsRecords.h"
#include "Mail/TCKnmsServiceProxy.h"

namespace {

using Record = KeynodeApi::TCKnmsWebApiRequestObject;
using Clock = std::chrono::steady_clock;

TCKnmsMessage infoRequest() {
    TCKnmsMailMessage<Record> mail(KeynodeApi::Knms_WebApiRequestMail, KNMS_SIGNAL_DATA, KNMS_MARKER_REQUEST);
    TCKnmsRecord& record = mail.AddRecord();
    record.Field(Record::USER_NAME) = "bench";
    record.Field(Record::PATH) = "/api/v1/info/api";
    record.Field(Record::METHOD) = "GET";
    record.Field(Record::BODY) = "";
    record.Field(Record::QUERY_PARAMS) = "";
    record.Field(Record::MAX_RESPONSE_SIZE) = 0;
    return mail.Message();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: bench_mail_client SOCKET SECONDS CLIENTS\n";
        return 2;
    }
    const std::string socket = argv[1];
    const int seconds = std::stoi(argv[2]), clients = std::stoi(argv[3]);
    const TCKnmsServiceName service = TCKnmsServiceName::MakeLocalProcess("@keynodeweb.webapi", "");
    std::vector<std::vector<int64_t>> latencies(static_cast<size_t>(clients));
    std::atomic<int> failed{0};
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            TCKnmsServiceProxy proxy(socket);
            const TCKnmsMessage request = infoRequest();
            while (Clock::now() < end) {
                TCKnmsMessage mail = request;
                const auto start = Clock::now();
                const bool ok = proxy.SendAndWait(service, mail, 5000);
                const auto took = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
                if (!ok || mail.get(0).Field(Record::STATUS).get_AsInteger() != 200) {
                    ++failed;
                    continue;
                }
                latencies[size_t(c)].push_back(took.count());
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    std::vector<int64_t> all;
    for (const auto& list : latencies)
        all.insert(all.end(), list.begin(), list.end());
    std::sort(all.begin(), all.end());
    const int64_t p99 = all.empty() ? 0 : all[std::min(all.size() - 1, all.size() * 99 / 100)];
    std::cout << double(all.size()) / seconds << " " << p99 << " " << failed.load() << "\n";
    return 0;
}
