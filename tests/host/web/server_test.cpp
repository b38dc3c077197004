#include "LambdaResource.h"
#include "QuickConfig.h"
#include "TestClient.h"
#include "Web/SelfSignedCertificate.h"
#include "Web/Server.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <iterator>
#include <mutex>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace WebTest;
using namespace std::chrono_literals;

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
    EXPECT_EQ(get("http://127.0.0.1/api/v1/x?a=b").body(), "v1 /api/v1 /x"); // absolute form
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
    config.http.address = "not-an-address";
    EXPECT_THROW(Web::Server(config).start(), std::runtime_error);
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

// More than the socket buffers hold: the client is still sending when the answer comes, so the server
// must read on until the client is done instead of resetting the connection under the answer.
TEST_F(ConnectionTest, RefusedUploadLargerThanSocketBuffersStillGetsItsAnswer) {
    start();
    TestClient client(port());
    Reply reply = client.send(makeRequest(http::verb::post, "/echo", std::string(32 * 1024 * 1024, 'x')));
    EXPECT_EQ(reply.result_int(), 413);
    EXPECT_FALSE(reply.keep_alive());
    EXPECT_EQ(m_Calls, 0);
}

// Refused requests never reach the resource.
TEST_F(ConnectionTest, OversizedOrMalformedRequestsAreRefused) {
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
        Web::ServerConfig config = quickConfig();
        if (c.bodyLimit != 0) config.bodyLimit = c.bodyLimit;
        start(config);
        TestClient& client = *clients.emplace_back(std::make_unique<TestClient>(port()));
        client.writeRaw(c.raw);
        EXPECT_EQ(client.read().result_int(), c.status);
        if (c.status == 400) {
            EXPECT_TRUE(client.waitForClose());
        }
    }
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

TEST_F(ConnectionTest, ExpectContinueGetsInterimAnswerBeforeTheBody) {
    start();
    TestClient client(port());
    client.writeRaw("POST /echo HTTP/1.1\r\nHost: a\r\nContent-Length: 5\r\nExpect: 100-continue\r\n\r\n");
    EXPECT_EQ(client.read().result_int(), 100);
    client.writeRaw("hello");
    EXPECT_EQ(client.read().body(), "hello");
}

TEST_F(ConnectionTest, SilentStallingAndIdleClientsAreDisconnected) {
    start();
    for (const char* raw : {"", "POST /echo HTTP/1.1\r\nHost: a\r\nContent-Length: 10\r\n\r\nhalf"}) {
        TestClient client(port());
        if (*raw != '\0') client.writeRaw(raw);
        EXPECT_TRUE(client.waitForClose()) << raw;
    }
    EXPECT_EQ(m_Calls, 0);
    TestClient idle(port());
    EXPECT_EQ(idle.send(makeRequest(http::verb::get, "/echo")).result_int(), 200);
    EXPECT_TRUE(idle.waitForClose());
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

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "web-https-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        m_Path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(m_Path, ignored);
    }
    fs::path operator/(const char* name) const { return m_Path / name; }

private:
    fs::path m_Path;
};

std::string fileText(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct X509Deleter {
    void operator()(X509* certificate) const { X509_free(certificate); }
};

std::unique_ptr<X509, X509Deleter> loadCertificate(const fs::path& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "r"), &std::fclose);
    if (!file) return {nullptr, X509Deleter()};
    return std::unique_ptr<X509, X509Deleter>(PEM_read_X509(file.get(), nullptr, nullptr, nullptr));
}

class HttpsTest : public ::testing::Test {
protected:
    TempDir m_Dir;
    fs::path m_Certificate = m_Dir / "server.crt";
    fs::path m_Key = m_Dir / "server.key";
};

TEST_F(HttpsTest, GeneratesCertificateOnceWithPrivateKeyFile) {
    ASSERT_TRUE(Web::ensureSelfSignedCertificate(m_Certificate, m_Key));

    struct stat keyInfo {};
    ASSERT_EQ(::stat(m_Key.c_str(), &keyInfo), 0);
    EXPECT_EQ(keyInfo.st_mode & 0777, 0600u);

    auto certificate = loadCertificate(m_Certificate);
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

    const std::string keyBefore = fileText(m_Key);
    EXPECT_FALSE(Web::ensureSelfSignedCertificate(m_Certificate, m_Key));
    EXPECT_EQ(fileText(m_Key), keyBefore);
}

TEST_F(HttpsTest, RoundTripOverTls) {
    Web::ensureSelfSignedCertificate(m_Certificate, m_Key);
    Web::ServerConfig config = quickConfig();
    config.https = {true, "127.0.0.1", 0};
    config.certificateFile = m_Certificate;
    config.privateKeyFile = m_Key;
    Web::Server server(config);
    server.addResource(
        std::make_shared<LambdaResource>([](const Web::Request& request, Web::Response& response) {
            response.out() << request.urlScheme() << ' ' << request.in().rdbuf();
        }),
        "/");
    server.start();
    ASSERT_NE(server.httpsPort(), 0);
    ASSERT_NE(server.httpsPort(), server.httpPort());

    TestClient tls(server.httpsPort(), true);
    EXPECT_EQ(tls.send(makeRequest(http::verb::post, "/", "secret")).body(), "https secret");
    EXPECT_EQ(tls.send(makeRequest(http::verb::post, "/", "again")).body(), "https again");

    TestClient plain(server.httpPort());
    EXPECT_EQ(plain.send(makeRequest(http::verb::post, "/", "open")).body(), "http open");
}

TEST_F(HttpsTest, MissingCertificateFailsStart) {
    Web::ServerConfig config = quickConfig();
    config.https = {true, "127.0.0.1", 0};
    config.certificateFile = m_Certificate;
    config.privateKeyFile = m_Key;
    Web::Server server(config);
    EXPECT_THROW(server.start(), std::runtime_error);
}

} // namespace
