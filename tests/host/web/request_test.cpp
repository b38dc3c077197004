#include "support/LambdaResource.h"
#include "support/QuickConfig.h"
#include "support/TestClient.h"

#include "Web/Server.h"

#include <gtest/gtest.h>

#include <iterator>
#include <mutex>
#include <optional>

using namespace WebTest;

namespace {

// What a resource saw, copied out of the Request while it was valid.
struct Seen {
    std::string method, path, pathInfo, scheme, query, contentType, custom, absent, clientAddress;
    Web::Request::Parameters parameters;
    size_t parameterCount = 0;
    std::optional<std::string> firstTag, missing;
    std::string firstRead, secondRead;
};

std::string readAll(std::istream& in) {
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class RequestFieldsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_Server.addResource(
            std::make_shared<LambdaResource>([this](const Web::Request& request, Web::Response&) {
                Seen seen;
                seen.method = request.method();
                seen.path = request.path();
                seen.pathInfo = request.pathInfo();
                seen.scheme = request.urlScheme();
                seen.query = request.queryString();
                seen.parameters = request.parameters();
                seen.parameterCount = request.getParameterCount();
                if (auto tag = request.getParameter("tag")) seen.firstTag = *tag;
                if (auto missing = request.getParameter("missing")) seen.missing = *missing;
                seen.contentType = request.contentType();
                seen.custom = request.headerValue("x-custom-header");
                seen.absent = request.headerValue("X-Not-Sent");
                seen.clientAddress = request.clientAddress();
                seen.firstRead = readAll(request.in());
                request.in().seekg(0);
                seen.secondRead = readAll(request.in());
                std::lock_guard lock(m_Mutex);
                m_Seen = seen;
            }),
            "/api/v1");
        m_Server.start();
    }

    Seen seen() {
        std::lock_guard lock(m_Mutex);
        return m_Seen.value_or(Seen{});
    }

    Web::Server m_Server{quickConfig()};
    std::mutex m_Mutex;
    std::optional<Seen> m_Seen;
};

TEST_F(RequestFieldsTest, EveryFieldArrivesIntact) {
    const std::string body = "{\"name\":\"front door\"}";
    Outgoing request = makeRequest(http::verb::patch,
                                   "/api/v1/access/cards?name=J%C3%B6rg+Smith&tag=a&tag=b%26c&flag", body);
    request.set(http::field::content_type, "application/json");
    request.set("X-Custom-Header", "Value With Spaces");
    TestClient client(m_Server.httpPort());
    ASSERT_EQ(client.send(std::move(request)).result_int(), 200);

    Seen s = seen();
    EXPECT_EQ(s.method, "PATCH");
    EXPECT_EQ(s.path, "/api/v1");
    EXPECT_EQ(s.pathInfo, "/access/cards");
    EXPECT_EQ(s.scheme, "http");
    EXPECT_EQ(s.query, "name=J%C3%B6rg+Smith&tag=a&tag=b%26c&flag");
    EXPECT_EQ(s.parameterCount, 3u);
    EXPECT_EQ(s.parameters["name"], std::vector<std::string>{"J\xC3\xB6rg Smith"});
    EXPECT_EQ(s.parameters["tag"], (std::vector<std::string>{"a", "b&c"}));
    EXPECT_EQ(s.parameters["flag"], std::vector<std::string>{""});
    EXPECT_EQ(s.firstTag, "a");
    EXPECT_FALSE(s.missing.has_value());
    EXPECT_EQ(s.contentType, "application/json");
    EXPECT_EQ(s.custom, "Value With Spaces");
    EXPECT_EQ(s.absent, "");
    EXPECT_EQ(s.clientAddress, "127.0.0.1");
    EXPECT_EQ(s.firstRead, body);
    EXPECT_EQ(s.secondRead, body);
}

TEST_F(RequestFieldsTest, UnusualMethodsAndMalformedEscapesPassThrough) {
    Outgoing request = makeRequest(http::verb::get, "/api/v1?bad=%zz&half=%4&plus=1%2B1");
    request.method_string("REPORT");
    TestClient client(m_Server.httpPort());
    ASSERT_EQ(client.send(std::move(request)).result_int(), 200);

    Seen s = seen();
    EXPECT_EQ(s.method, "REPORT");
    EXPECT_EQ(s.pathInfo, "");
    EXPECT_EQ(s.parameters["bad"], std::vector<std::string>{"%zz"});
    EXPECT_EQ(s.parameters["half"], std::vector<std::string>{"%4"});
    EXPECT_EQ(s.parameters["plus"], std::vector<std::string>{"1+1"});
    EXPECT_TRUE(s.firstRead.empty());
}

TEST_F(RequestFieldsTest, ChunkedBodyIsReassembled) {
    TestClient client(m_Server.httpPort());
    client.writeRaw("POST /api/v1/x HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n"
                    "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n");
    ASSERT_EQ(client.read().result_int(), 200);
    EXPECT_EQ(seen().secondRead, "hello world");
}

} // namespace
