#include "support/LambdaResource.h"
#include "support/QuickConfig.h"
#include "support/TestClient.h"

#include "Web/Server.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

using namespace WebTest;
using namespace std::chrono_literals;

namespace {

// Lets test threads wait for a count to be reached, never longer than the client deadline.
class Rendezvous {
public:
    // Counts one arrival and waits for `expected` in total; false when they did not all come.
    bool arriveAndWait(int expected) {
        std::unique_lock lock(m_Mutex);
        ++m_Arrived;
        m_Changed.notify_all();
        return m_Changed.wait_for(lock, TestClient::deadline / 2, [&] { return m_Arrived >= expected; });
    }
    bool waitFor(int expected) {
        std::unique_lock lock(m_Mutex);
        return m_Changed.wait_for(lock, TestClient::deadline / 2, [&] { return m_Arrived >= expected; });
    }

private:
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    int m_Arrived = 0;
};

TEST(ServerLifecycleTest, PortZeroReportsTheBoundPort) {
    Web::Server server(quickConfig());
    server.addResource(namedResource("x"), "/");
    EXPECT_EQ(server.httpPort(), 0);
    server.start();
    EXPECT_NE(server.httpPort(), 0);
    EXPECT_EQ(server.httpsPort(), 0);
    EXPECT_EQ(TestClient(server.httpPort()).send(makeRequest(http::verb::get, "/")).result_int(), 200);
}

TEST(ServerLifecycleTest, BusyPortFailsStartWithItsAddress) {
    Web::Server first(quickConfig());
    first.start();
    Web::ServerConfig config = quickConfig();
    config.http.port = first.httpPort();
    Web::Server second(config);
    try {
        second.start();
        FAIL() << "start() on a busy port succeeded";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("127.0.0.1:" + std::to_string(first.httpPort())),
                  std::string::npos)
            << e.what();
    }
}

TEST(ServerLifecycleTest, BadListenAddressFailsStart) {
    Web::ServerConfig config = quickConfig();
    config.http.address = "not-an-address";
    Web::Server server(config);
    EXPECT_THROW(server.start(), std::runtime_error);
}

TEST(ServerLifecycleTest, RequestsOfDifferentConnectionsRunConcurrently) {
    Rendezvous inside;
    Web::Server server(quickConfig());
    server.addResource(std::make_shared<LambdaResource>([&](const Web::Request&, Web::Response& response) {
                           // Both requests must be in here at once for either to see the other.
                           response.out() << (inside.arriveAndWait(2) ? "together" : "alone");
                       }),
                       "/");
    server.start();

    auto request = [&] {
        return TestClient(server.httpPort()).send(makeRequest(http::verb::get, "/")).body();
    };
    auto first = std::async(std::launch::async, request);
    auto second = std::async(std::launch::async, request);
    EXPECT_EQ(first.get(), "together");
    EXPECT_EQ(second.get(), "together");
}

TEST(ServerLifecycleTest, StopLetsRequestInFlightFinishAndClosesIdleConnections) {
    Rendezvous entered;
    std::atomic<bool> stopCalled{false};
    std::vector<std::string> log;
    std::mutex logMutex;
    Web::ServerConfig config = quickConfig();
    config.readTimeout = 30s; // idle connections must go because of stop(), not the timeout
    config.errorLog = [&](const std::string& message) {
        std::lock_guard lock(logMutex);
        log.push_back(message);
    };
    Web::Server server(config);
    server.addResource(std::make_shared<LambdaResource>([&](const Web::Request&, Web::Response& response) {
                           entered.arriveAndWait(1);
                           for (int i = 0; i < 100 && !stopCalled; ++i)
                               std::this_thread::sleep_for(10ms);
                           // Give stop() time to reach the point where it waits for this request.
                           std::this_thread::sleep_for(100ms);
                           response.out() << "finished";
                       }),
                       "/slow");
    server.start();

    TestClient idle(server.httpPort());
    TestClient busy(server.httpPort());
    busy.write(makeRequest(http::verb::get, "/slow"));
    ASSERT_TRUE(entered.waitFor(1));

    // As the daemon does after SIGTERM: stop from a thread of its own.
    std::thread stopper([&] {
        stopCalled = true;
        server.stop();
    });
    Reply reply = busy.read();
    stopper.join();

    EXPECT_EQ(reply.result_int(), 200);
    EXPECT_EQ(reply.body(), "finished");
    EXPECT_FALSE(reply.keep_alive());
    EXPECT_TRUE(idle.waitForClose());
    std::lock_guard lock(logMutex);
    EXPECT_TRUE(log.empty()) << log.front();
}

TEST(ServerLifecycleTest, StoppedServerRefusesConnectionsAndStopsOnlyOnce) {
    Web::Server server(quickConfig());
    server.start();
    const std::uint16_t port = server.httpPort();
    server.stop();
    server.stop();
    EXPECT_THROW(TestClient client(port), boost::system::system_error);
    EXPECT_THROW(server.start(), std::logic_error);
}

TEST(ServerLifecycleTest, StopBeforeStartAndDestructionWithOpenConnectionsAreHarmless) {
    {
        Web::Server never(quickConfig());
        never.stop();
    }
    auto server = std::make_unique<Web::Server>(quickConfig());
    server->start();
    TestClient client(server->httpPort());
    server.reset();
    EXPECT_TRUE(client.waitForClose());
}

} // namespace
