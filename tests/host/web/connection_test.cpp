#include "support/LambdaResource.h"
#include "support/QuickConfig.h"
#include "support/TestClient.h"

#include "Web/Server.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace WebTest;

namespace {

class ConnectionTest : public ::testing::Test {
protected:
    void start(Web::ServerConfig config = quickConfig()) {
        m_Server = std::make_unique<Web::Server>(config);
        m_Server->addResource(
            std::make_shared<LambdaResource>([this](const Web::Request& request, Web::Response& response) {
                ++m_Calls;
                response.out() << request.in().rdbuf();
            }),
            "/echo");
        m_Server->start();
    }

    std::uint16_t port() const { return m_Server->httpPort(); }

    std::atomic<int> m_Calls{0};
    std::unique_ptr<Web::Server> m_Server;
};

TEST_F(ConnectionTest, KeepAliveServesSeveralRequestsOnOneSocket) {
    start();
    TestClient client(port());
    for (std::string body : {"one", "two", "three"}) {
        Reply reply = client.send(makeRequest(http::verb::post, "/echo", body));
        EXPECT_EQ(reply.body(), body);
        EXPECT_TRUE(reply.keep_alive());
    }
    EXPECT_EQ(m_Calls, 3);
}

TEST_F(ConnectionTest, ConnectionCloseIsHonoured) {
    start();
    TestClient client(port());
    Outgoing request = makeRequest(http::verb::get, "/echo");
    request.keep_alive(false);
    Reply reply = client.send(std::move(request));
    EXPECT_EQ(reply.result_int(), 200);
    EXPECT_FALSE(reply.keep_alive());
    EXPECT_TRUE(client.waitForClose());
}

TEST_F(ConnectionTest, OversizedContentLengthIsRefusedWithoutCallingTheResource) {
    start();
    TestClient client(port());
    Reply reply = client.send(makeRequest(http::verb::post, "/echo", std::string(2 * 1024 * 1024, 'x')));
    EXPECT_EQ(reply.result_int(), 413);
    EXPECT_FALSE(reply.keep_alive());
    EXPECT_EQ(m_Calls, 0);
}

// More than the socket buffers hold: the client is still sending when the answer comes, so the server
// must read on until the client is done instead of resetting the connection under the answer.
TEST_F(ConnectionTest, RefusedUploadLargerThanSocketBuffersStillGetsItsAnswer) {
    start();
    TestClient client(port());
    Reply reply = client.send(makeRequest(http::verb::post, "/echo", std::string(32 * 1024 * 1024, 'x')));
    EXPECT_EQ(reply.result_int(), 413);
    EXPECT_EQ(m_Calls, 0);
}

TEST_F(ConnectionTest, OversizedContentLengthIsRefusedBeforeTheBodyIsSent) {
    start();
    TestClient client(port());
    client.writeRaw("POST /echo HTTP/1.1\r\nHost: a\r\nContent-Length: 2097152\r\n\r\n");
    EXPECT_EQ(client.read().result_int(), 413);
    EXPECT_EQ(m_Calls, 0);
}

TEST_F(ConnectionTest, OversizedChunkedBodyIsRefused) {
    Web::ServerConfig config = quickConfig();
    config.bodyLimit = 1000;
    start(config);
    TestClient client(port());
    std::string chunk(600, 'x');
    client.writeRaw("POST /echo HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n"
                    "258\r\n" +
                    chunk + "\r\n258\r\n" + chunk + "\r\n0\r\n\r\n");
    EXPECT_EQ(client.read().result_int(), 413);
    EXPECT_EQ(m_Calls, 0);
}

TEST_F(ConnectionTest, BodyAtTheLimitIsAccepted) {
    Web::ServerConfig config = quickConfig();
    config.bodyLimit = 1000;
    start(config);
    TestClient client(port());
    EXPECT_EQ(client.send(makeRequest(http::verb::post, "/echo", std::string(1000, 'x'))).body().size(),
              1000u);
}

TEST_F(ConnectionTest, OversizedHeaderIsRefused) {
    start();
    TestClient client(port());
    Outgoing request = makeRequest(http::verb::get, "/echo");
    request.set("X-Padding", std::string(20 * 1024, 'p'));
    EXPECT_EQ(client.send(std::move(request)).result_int(), 431);
    EXPECT_EQ(m_Calls, 0);
}

TEST_F(ConnectionTest, MalformedRequestGets400) {
    start();
    TestClient client(port());
    client.writeRaw("GET /echo HTTP/1.1\r\nHost: a\r\nContent-Length: many\r\n\r\n");
    EXPECT_EQ(client.read().result_int(), 400);
    EXPECT_TRUE(client.waitForClose());
}

TEST_F(ConnectionTest, ExpectContinueGetsInterimAnswerBeforeTheBody) {
    start();
    TestClient client(port());
    client.writeRaw("POST /echo HTTP/1.1\r\nHost: a\r\nContent-Length: 5\r\nExpect: 100-continue\r\n\r\n");
    EXPECT_EQ(client.read().result_int(), 100);
    client.writeRaw("hello");
    EXPECT_EQ(client.read().body(), "hello");
}

TEST_F(ConnectionTest, SilentClientIsDisconnected) {
    start();
    TestClient client(port());
    EXPECT_TRUE(client.waitForClose());
}

TEST_F(ConnectionTest, ClientStallingMidRequestIsDisconnected) {
    start();
    TestClient client(port());
    client.writeRaw("POST /echo HTTP/1.1\r\nHost: a\r\nContent-Length: 10\r\n\r\nhalf");
    EXPECT_TRUE(client.waitForClose());
    EXPECT_EQ(m_Calls, 0);
}

TEST_F(ConnectionTest, IdleKeepAliveConnectionIsClosed) {
    start();
    TestClient client(port());
    EXPECT_EQ(client.send(makeRequest(http::verb::get, "/echo")).result_int(), 200);
    EXPECT_TRUE(client.waitForClose());
}

TEST_F(ConnectionTest, ConnectionsBeyondTheLimitAreClosed) {
    Web::ServerConfig config = quickConfig();
    config.maxConnections = 1;
    config.readTimeout = std::chrono::seconds(30);
    start(config);
    TestClient first(port());
    TestClient second(port());
    EXPECT_TRUE(second.waitForClose());
    EXPECT_EQ(first.send(makeRequest(http::verb::get, "/echo")).result_int(), 200);
}

} // namespace
