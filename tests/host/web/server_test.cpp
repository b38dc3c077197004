#include "TestClient.h"
#include "Web/Request.h"
#include "Web/Resource.h"
#include "Web/Response.h"
#include "Web/SelfSignedCertificate.h"
#include "Web/Server.h"
#include "host/base/support/TempDir.h"

#include <atomic>
#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <iterator>
#include <mutex>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <thread>
#include <vector>

using namespace WebTest;
using namespace std::chrono_literals;

namespace {

// A resource whose behaviour each test writes inline.
struct LambdaResource : Web::Resource {
    std::function<void(const Web::Request&, Web::Response&)> Handler;
    void handleRequest(const Web::Request& request, Web::Response& response) override {
        Handler(request, response);
    }
};

std::shared_ptr<Web::Resource> handler(std::function<void(const Web::Request&, Web::Response&)> handler) {
    auto resource = std::make_shared<LambdaResource>();
    resource->Handler = std::move(handler);
    return resource;
}

// Answers with a fixed body, so tests can tell which resource was chosen.
std::shared_ptr<Web::Resource> namedResource(const std::string& name) {
    return handler([name](const Web::Request& request, Web::Response& response) {
        response.out() << name << ' ' << request.path() << ' ' << request.pathInfo();
    });
}

// Loopback HTTP on a free port with short timeouts, so tests that wait for the server stay fast.
Web::ServerConfig quickConfig() {
    Web::ServerConfig config;
    config.http = {true, "127.0.0.1", 0};
    config.readTimeout = 1000ms;
    config.stopTimeout = 2000ms;
    return config;
}

template <class Stream> std::string readAll(Stream&& in) {
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// True once `count` reaches `expected`, false after half the client deadline.
bool waitFor(const std::atomic<int>& count, int expected) {
    for (auto until = std::chrono::steady_clock::now() + TestClient::deadline / 2; count < expected;
         std::this_thread::sleep_for(1ms))
        if (std::chrono::steady_clock::now() > until) return false;
    return true;
}

// A server on m_Config (quickConfig() unless the test changes it) with the given resources; an "/echo"
// resource counts its calls and answers with the request body.
class ServerTest : public ::testing::Test {
protected:
    using Mounts = std::vector<std::pair<std::string, std::shared_ptr<Web::Resource>>>;

    void start(const Mounts& mounts = {}) {
        m_Server = std::make_unique<Web::Server>(m_Config);
        for (const auto& [path, resource] : mounts)
            m_Server->addResource(resource, path);
        m_Server->start();
    }
    std::shared_ptr<Web::Resource> echo() {
        return handler([this](const Web::Request& request, Web::Response& response) {
            ++m_Calls;
            response.out() << request.in().rdbuf();
        });
    }
    std::uint16_t port() const { return m_Server->httpPort(); }
    Reply get(const std::string& target) {
        return TestClient(port()).send(makeRequest(http::verb::get, target));
    }
    void collectLog() {
        m_Config.errorLog = [this](const std::string& message) {
            std::lock_guard lock(m_Mutex);
            m_Log.push_back(message);
        };
    }
    std::vector<std::string> log() {
        std::lock_guard lock(m_Mutex);
        return m_Log;
    }

    Web::ServerConfig m_Config = quickConfig();
    std::atomic<int> m_Calls{0};
    std::mutex m_Mutex;
    std::vector<std::string> m_Log;
    std::unique_ptr<Web::Server> m_Server;
};

// The resource answers with every field of the request, one per line.
TEST_F(ServerTest, EveryRequestFieldArrivesIntact) {
    start({{"/api/v1", handler([](const Web::Request& request, Web::Response& response) {
                const std::string *tag = request.getParameter("tag"),
                                  *missing = request.getParameter("missing");
                std::string parameters = std::to_string(request.getParameterCount());
                for (const auto& [name, values] : request.parameters())
                    for (const std::string& value : values)
                        parameters += " " + name + "=" + value;
                const std::string firstRead = readAll(request.in());
                request.in().seekg(0);
                for (const std::string& field :
                     {request.method(), request.path(), request.pathInfo(), request.urlScheme(),
                      request.queryString(), parameters, (tag ? *tag : "-") + (missing ? *missing : "-"),
                      request.contentType(), request.headerValue("x-custom-header"),
                      request.headerValue("X-Not-Sent"), request.clientAddress(), firstRead,
                      readAll(request.in())})
                    response.out() << field << '\n';
            })}});
    const std::string body = "{\"name\":\"front door\"}";
    Outgoing request = makeRequest(http::verb::patch,
                                   "/api/v1/access/cards?name=J%C3%B6rg+Smith&tag=a&tag=b%26c&flag", body);
    request.set(http::field::content_type, "application/json");
    request.set("X-Custom-Header", "Value With Spaces");
    TestClient client(port());
    EXPECT_EQ(client.send(std::move(request)).body(),
              "PATCH\n/api/v1\n/access/cards\nhttp\nname=J%C3%B6rg+Smith&tag=a&tag=b%26c&flag\n3 flag= "
              "name=J\xC3\xB6rg "
              "Smith tag=a tag=b&c\na-\napplication/json\nValue With Spaces\n\n127.0.0.1\n" +
                  body + "\n" + body + "\n");
    // Unusual methods and malformed escapes pass through; a chunked body is reassembled.
    Outgoing unusual = makeRequest(http::verb::get, "/api/v1?bad=%zz&half=%4&plus=1%2B1");
    unusual.method_string("REPORT");
    EXPECT_EQ(client.send(std::move(unusual)).body(),
              "REPORT\n/api/v1\n\nhttp\nbad=%zz&half=%4&plus=1%2B1\n3 bad=%zz half=%4 "
              "plus=1+1\n--\n\n\n\n127.0.0.1\n\n\n");
    client.writeRaw("POST /api/v1/x HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n"
                    "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n");
    Reply chunked = client.read();
    EXPECT_EQ(chunked.body().substr(chunked.body().size() - 24), "hello world\nhello world\n");
    EXPECT_TRUE(chunked.keep_alive()) << "all three on one connection";
    // Expect: 100-continue gets the interim answer before the body is sent.
    client.writeRaw("POST /api/v1 HTTP/1.1\r\nHost: a\r\nContent-Length: 5\r\nExpect: 100-continue\r\n\r\n");
    EXPECT_EQ(client.read().result_int(), 100);
    client.writeRaw("hello");
    EXPECT_NE(client.read().body().find("\nhello\nhello\n"), std::string::npos);
    Outgoing last = makeRequest(http::verb::get, "/api/v1");
    last.keep_alive(false);
    EXPECT_FALSE(client.send(std::move(last)).keep_alive());
    EXPECT_TRUE(client.waitForClose());
}

TEST_F(ServerTest, LongestMountPrefixWinsUnmatchedPathsGetJsonNotFound) {
    start({{"/api", namedResource("root")}, {"/api/v1", namedResource("v1")}});
    EXPECT_EQ(get("/api/v1/access/cards").body(), "v1 /api/v1 /access/cards");
    EXPECT_EQ(get("/api/v2/x?q=1").body(), "root /api /v2/x");
    // Mounts compare bytewise, not by path segment.
    EXPECT_EQ(get("/api/v10/x").body(), "v1 /api/v1 0/x");
    EXPECT_EQ(get("/apiary").body(), "root /api ary");
    EXPECT_EQ(get("http://127.0.0.1/api/v1/x?a=b").body(), "v1 /api/v1 /x"); // absolute form
    for (const char* target : {"/", "/ap", "/other/api/v1"}) {
        Reply reply = get(target);
        EXPECT_EQ(reply.result_int(), 404) << target;
        EXPECT_EQ(reply[http::field::content_type], "application/json");
        EXPECT_EQ(reply.body(), R"({"errors":[{"code":1,"msg":"Not found","msgDetails":""}]})");
    }
}

TEST_F(ServerTest, ResponsesCarryDefaultsOrWhatTheResourceSetAndAThrowGets500) {
    collectLog();
    start({{"/plain", namedResource("plain")},
           {"/created", handler([](const Web::Request&, Web::Response& response) {
                response.setStatus(201);
                response.setMimeType("application/json");
                response.addHeader("Location", "/api/v1/cards/7");
                response.addHeader("X-Tag", "a");
                response.addHeader("X-Tag", "b");
                response.addHeader("Content-Length", "999"); // the server frames the body
                response.out() << R"({"id":7})";
            })},
           {"/empty", handler([](const Web::Request&, Web::Response& response) {
                response.setStatus(204);
                response.out() << "ignored";
            })},
           {"/fail", handler([](const Web::Request&, Web::Response& response) {
                response.out() << "partial";
                throw std::runtime_error("database gone");
            })}});
    Reply plain = get("/plain");
    EXPECT_EQ(plain.result_int(), 200);
    EXPECT_EQ(plain[http::field::content_type], "text/plain");
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
    EXPECT_TRUE(log().empty());

    Reply failed = get("/fail");
    EXPECT_EQ(failed.result_int(), 500);
    EXPECT_EQ(failed[http::field::content_type], "application/json");
    EXPECT_NE(failed.body().find(R"("msg":"Internal server error")"), std::string::npos);
    EXPECT_EQ(failed.body().find("partial"), std::string::npos);
    ASSERT_EQ(log().size(), 1u);
    EXPECT_NE(log().front().find("database gone"), std::string::npos);
    EXPECT_EQ(get("/plain").result_int(), 200) << "the server keeps serving";
}

TEST(ServerLifecycleTest, StartBindsOrNamesTheBusyPortResourcesAreFixedStopAndDestructionAreHarmless) {
    Web::Server server(quickConfig());
    server.addResource(namedResource("a"), "/");
    EXPECT_THROW(server.addResource(namedResource("again"), "/"), std::invalid_argument);
    EXPECT_THROW(server.addResource(nullptr, "/b"), std::invalid_argument);
    server.start();
    EXPECT_THROW(server.addResource(namedResource("late"), "/late"), std::logic_error);
    EXPECT_NE(server.httpPort(), 0);
    EXPECT_EQ(server.httpsPort(), 0);
    EXPECT_EQ(TestClient(server.httpPort()).send(makeRequest(http::verb::get, "/")).result_int(), 200);

    Web::ServerConfig config = quickConfig();
    config.http.port = server.httpPort();
    EXPECT_THAT([&] { Web::Server(config).start(); },
                testing::ThrowsMessage<std::runtime_error>(
                    testing::HasSubstr("127.0.0.1:" + std::to_string(config.http.port))));
    config.http.address = "not-an-address";
    EXPECT_THROW(Web::Server(config).start(), std::runtime_error);
    Web::Server(quickConfig()).stop();
    auto owned = std::make_unique<Web::Server>(quickConfig());
    owned->start();
    TestClient client(owned->httpPort());
    owned.reset();
    EXPECT_TRUE(client.waitForClose()) << "destroyed with an open connection";
}

TEST_F(ServerTest, RequestsRunConcurrentlyStopLetsTheOneInFlightFinishAndClosesIdleConnections) {
    std::atomic<int> entered{0};
    std::atomic<bool> stopCalled{false};
    m_Config.readTimeout = 30s; // idle connections must go because of stop(), not the timeout
    collectLog();
    start({{"/echo", echo()},
           {"/slow", handler([&](const Web::Request&, Web::Response& response) {
                ++entered;
                for (int i = 0; i < 100 && !stopCalled; ++i)
                    std::this_thread::sleep_for(10ms);
                std::this_thread::sleep_for(100ms); // time for stop() to wait for this request
                response.out() << (m_Calls == 1 ? "finished" : "the other connection had to wait");
            })}});
    TestClient idle(port());
    TestClient busy(port());
    busy.write(makeRequest(http::verb::get, "/slow"));
    ASSERT_TRUE(waitFor(entered, 1));
    // Another connection is served while that request runs.
    EXPECT_EQ(TestClient(port()).send(makeRequest(http::verb::get, "/echo")).result_int(), 200);
    const std::uint16_t stoppedPort = port();
    // As the daemon does after SIGTERM: stop from a thread of its own.
    std::thread stopper([&] {
        stopCalled = true;
        m_Server->stop();
    });
    Reply reply = busy.read();
    stopper.join();
    EXPECT_EQ(reply.result_int(), 200);
    EXPECT_EQ(reply.body(), "finished");
    EXPECT_FALSE(reply.keep_alive());
    EXPECT_TRUE(idle.waitForClose());
    EXPECT_TRUE(log().empty()) << log().front();

    m_Server->stop(); // stops only once
    EXPECT_THROW(TestClient client(stoppedPort), boost::system::system_error);
    EXPECT_THROW(m_Server->start(), std::logic_error);
}

// Refused requests never reach the resource. A refused upload larger than the socket buffers: the client
// is still sending when the answer comes, so the server must read on instead of resetting the connection.
TEST_F(ServerTest, OversizedOrMalformedRequestsAreRefused) {
    m_Config.readTimeout = 30s; // the drain's bound; 32 MiB under a sanitizer on a busy machine take over 1 s
    start({{"/echo", echo()}});
    Reply reply =
        TestClient(port()).send(makeRequest(http::verb::post, "/echo", std::string(32 * 1024 * 1024, 'x')));
    EXPECT_EQ(reply.result_int(), 413);
    EXPECT_FALSE(reply.keep_alive());

    const std::string chunk(600, 'x');
    const struct {
        size_t bodyLimit; // 0: the default
        std::string raw;
        int status;
    } cases[] = {
        {0, "POST /echo HTTP/1.1\r\nHost: a\r\nContent-Length: 2097152\r\n\r\n", 413}, // before the body
        {1000,
         "POST /echo HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n258\r\n" + chunk +
             "\r\n258\r\n" + chunk + "\r\n0\r\n\r\n",
         413},
        {0, "GET /echo HTTP/1.1\r\nHost: a\r\nX-Padding: " + std::string(20 * 1024, 'p') + "\r\n\r\n", 431},
        {0, "GET /echo HTTP/1.1\r\nHost: a\r\nContent-Length: many\r\n\r\n", 400},
    };
    // Each client stays connected while the next row replaces the server, which must stop its session.
    std::vector<std::unique_ptr<TestClient>> clients;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw.substr(0, 80));
        m_Config = quickConfig();
        if (c.bodyLimit != 0) m_Config.bodyLimit = c.bodyLimit;
        start({{"/echo", echo()}});
        TestClient& client = *clients.emplace_back(std::make_unique<TestClient>(port()));
        client.writeRaw(c.raw);
        EXPECT_EQ(client.read().result_int(), c.status);
        if (c.status == 400) {
            EXPECT_TRUE(client.waitForClose());
        }
    }
    EXPECT_EQ(m_Calls, 0);
    // A body at the limit is accepted.
    m_Config.bodyLimit = 1000;
    start({{"/echo", echo()}});
    EXPECT_EQ(
        TestClient(port()).send(makeRequest(http::verb::post, "/echo", std::string(1000, 'x'))).body().size(),
        1000u);
}

TEST_F(ServerTest, SilentStallingIdleAndSurplusClientsAreDisconnected) {
    start({{"/echo", echo()}});
    for (const char* raw : {"", "POST /echo HTTP/1.1\r\nHost: a\r\nContent-Length: 10\r\n\r\nhalf"}) {
        TestClient client(port());
        if (*raw != '\0') client.writeRaw(raw);
        EXPECT_TRUE(client.waitForClose()) << raw;
    }
    EXPECT_EQ(m_Calls, 0);
    TestClient idle(port());
    EXPECT_EQ(idle.send(makeRequest(http::verb::get, "/echo")).result_int(), 200);
    EXPECT_TRUE(idle.waitForClose());

    m_Config.maxConnections = 1;
    m_Config.readTimeout = 30s;
    start({{"/echo", echo()}});
    TestClient first(port());
    TestClient second(port());
    EXPECT_TRUE(second.waitForClose());
    EXPECT_EQ(first.send(makeRequest(http::verb::get, "/echo")).result_int(), 200);
}

TEST_F(ServerTest, HttpsWithACertificateGeneratedOnceWithAPrivateKeyFile) {
    TempDir dir;
    const std::string certificateFile = dir / "server.crt", keyFile = dir / "server.key";
    m_Config.https = {true, "127.0.0.1", 0};
    m_Config.certificateFile = certificateFile;
    m_Config.privateKeyFile = keyFile;
    EXPECT_THROW(start(), std::runtime_error) << "no certificate yet";

    ASSERT_TRUE(Web::ensureSelfSignedCertificate(certificateFile, keyFile));
    EXPECT_EQ(std::filesystem::status(keyFile).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(certificateFile.c_str(), "r"), &std::fclose);
    ASSERT_TRUE(file);
    std::unique_ptr<X509, void (*)(X509*)> certificate(PEM_read_X509(file.get(), nullptr, nullptr, nullptr),
                                                       &X509_free);
    ASSERT_TRUE(certificate);
    char commonName[64] = "";
    X509_NAME_get_text_by_NID(X509_get_subject_name(certificate.get()), NID_commonName, commonName,
                              sizeof commonName);
    EXPECT_STREQ(commonName, "keynode");
    int days = 0, seconds = 0;
    ASSERT_EQ(ASN1_TIME_diff(&days, &seconds, X509_get0_notBefore(certificate.get()),
                             X509_get0_notAfter(certificate.get())),
              1);
    EXPECT_GE(days, 3650);
    EXPECT_LE(days, 3653);
    const std::string keyBefore = readAll(std::ifstream(keyFile));
    EXPECT_FALSE(Web::ensureSelfSignedCertificate(certificateFile, keyFile));
    EXPECT_EQ(readAll(std::ifstream(keyFile)), keyBefore);

    start({{"/", handler([](const Web::Request& request, Web::Response& response) {
                response.out() << request.urlScheme() << ' ' << request.in().rdbuf();
            })}});
    ASSERT_NE(m_Server->httpsPort(), port());
    TestClient tls(m_Server->httpsPort(), true);
    EXPECT_EQ(tls.send(makeRequest(http::verb::post, "/", "secret")).body(), "https secret");
    EXPECT_EQ(tls.send(makeRequest(http::verb::post, "/", "again")).body(), "https again");
    EXPECT_EQ(TestClient(port()).send(makeRequest(http::verb::post, "/", "open")).body(), "http open");
}

} // namespace
