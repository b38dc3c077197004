#include "support/LambdaResource.h"
#include "support/QuickConfig.h"
#include "support/TestClient.h"

#include "Web/Server.h"

#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <vector>

using namespace WebTest;

namespace {

const char* const notFoundBody = R"({"errors":[{"code":1,"msg":"Not found","msgDetails":""}]})";

class RoutingTest : public ::testing::Test {
protected:
    void SetUp() override {
        Web::ServerConfig config = quickConfig();
        config.errorLog = [this](const std::string& message) {
            std::lock_guard lock(m_LogMutex);
            m_Log.push_back(message);
        };
        m_Server = std::make_unique<Web::Server>(config);
    }

    Reply get(const std::string& target) {
        TestClient client(m_Server->httpPort());
        return client.send(makeRequest(http::verb::get, target));
    }

    std::vector<std::string> log() {
        std::lock_guard lock(m_LogMutex);
        return m_Log;
    }

    std::unique_ptr<Web::Server> m_Server;
    std::mutex m_LogMutex;
    std::vector<std::string> m_Log;
};

TEST_F(RoutingTest, LongestMountPrefixWinsAndSplitsThePath) {
    m_Server->addResource(namedResource("root"), "/api");
    m_Server->addResource(namedResource("v1"), "/api/v1");
    m_Server->start();

    EXPECT_EQ(get("/api/v1/access/cards").body(), "v1 /api/v1 /access/cards");
    EXPECT_EQ(get("/api/v1").body(), "v1 /api/v1 ");
    EXPECT_EQ(get("/api/v2/x?q=1").body(), "root /api /v2/x");
    // Mounts compare bytewise, not by path segment.
    EXPECT_EQ(get("/api/v10/x").body(), "v1 /api/v1 0/x");
    EXPECT_EQ(get("/apiary").body(), "root /api ary");
}

TEST_F(RoutingTest, UnmatchedPathGetsJsonNotFound) {
    m_Server->addResource(namedResource("v1"), "/api/v1");
    m_Server->start();

    for (const char* target : {"/", "/api", "/other/api/v1"}) {
        Reply reply = get(target);
        EXPECT_EQ(reply.result_int(), 404) << target;
        EXPECT_EQ(reply[http::field::content_type], "application/json");
        EXPECT_EQ(reply.body(), notFoundBody);
    }
}

TEST_F(RoutingTest, AbsoluteFormTargetIsRoutedByItsPath) {
    m_Server->addResource(namedResource("v1"), "/api/v1");
    m_Server->start();

    EXPECT_EQ(get("http://127.0.0.1/api/v1/x?a=b").body(), "v1 /api/v1 /x");
}

TEST_F(RoutingTest, ThrowingResourceGets500AndServerKeepsServing) {
    m_Server->addResource(std::make_shared<LambdaResource>([](const Web::Request&, Web::Response& response) {
                              response.out() << "partial";
                              throw std::runtime_error("database gone");
                          }),
                          "/fail");
    m_Server->addResource(namedResource("ok"), "/ok");
    m_Server->start();

    Reply failed = get("/fail");
    EXPECT_EQ(failed.result_int(), 500);
    EXPECT_EQ(failed[http::field::content_type], "application/json");
    EXPECT_NE(failed.body().find(R"("msg":"Internal server error")"), std::string::npos);
    EXPECT_EQ(failed.body().find("partial"), std::string::npos);
    ASSERT_EQ(log().size(), 1u);
    EXPECT_NE(log().front().find("database gone"), std::string::npos);

    EXPECT_EQ(get("/ok").result_int(), 200);
}

TEST_F(RoutingTest, ResponseDefaultsAndWhatTheResourceSets) {
    m_Server->addResource(namedResource("plain"), "/plain");
    m_Server->addResource(std::make_shared<LambdaResource>([](const Web::Request&, Web::Response& response) {
                              response.setStatus(201);
                              response.setMimeType("application/json");
                              response.addHeader("Location", "/api/v1/cards/7");
                              response.addHeader("X-Tag", "a");
                              response.addHeader("X-Tag", "b");
                              response.addHeader("Content-Length", "999"); // the server frames the body
                              response.out() << R"({"id":7})";
                          }),
                          "/created");
    m_Server->addResource(std::make_shared<LambdaResource>([](const Web::Request&, Web::Response& response) {
                              response.setStatus(204);
                              response.out() << "ignored";
                          }),
                          "/empty");
    m_Server->start();

    Reply plain = get("/plain");
    EXPECT_EQ(plain.result_int(), 200);
    EXPECT_EQ(plain[http::field::content_type], "text/plain");
    EXPECT_EQ(plain[http::field::content_length], std::to_string(plain.body().size()));

    Reply created = get("/created");
    EXPECT_EQ(created.result_int(), 201);
    EXPECT_EQ(created[http::field::content_type], "application/json");
    EXPECT_EQ(created[http::field::location], "/api/v1/cards/7");
    auto tags = created.equal_range("X-Tag");
    EXPECT_EQ(std::distance(tags.first, tags.second), 2);
    EXPECT_EQ(created[http::field::content_length], "8");
    EXPECT_EQ(created.body(), R"({"id":7})");

    Reply empty = get("/empty");
    EXPECT_EQ(empty.result_int(), 204);
    EXPECT_TRUE(empty.body().empty());
}

TEST_F(RoutingTest, ResourcesAreFixedOnceStarted) {
    m_Server->addResource(namedResource("a"), "/a");
    EXPECT_THROW(m_Server->addResource(namedResource("again"), "/a"), std::invalid_argument);
    EXPECT_THROW(m_Server->addResource(nullptr, "/b"), std::invalid_argument);
    m_Server->start();
    EXPECT_THROW(m_Server->addResource(namedResource("late"), "/late"), std::logic_error);
}

} // namespace
