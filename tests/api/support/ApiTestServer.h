#pragma once
// The web server of the API tests: listens on 127.0.0.1 on ports the system picks, with a KnaMain
// mounted at "/api" as the daemon mounts it.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "KnaMain.h"
#include "Web/Server.h"
#include "support/ApiHttpClient.h"
#include "support/ApiTestData.h"

namespace ApiTest {

class ApiTestServer {
public:
    // With `certificateDir`, an HTTPS listener is added with a self-signed certificate made there.
    explicit ApiTestServer(std::shared_ptr<KeynodeApi::KnaMain> api, const std::string& certificateDir = "",
                           int workerThreads = 2);
    ~ApiTestServer();
    ApiTestServer(const ApiTestServer&) = delete;
    ApiTestServer& operator=(const ApiTestServer&) = delete;

    std::uint16_t HttpPort() const { return m_Server->httpPort(); }
    KeynodeApi::KnaMain& Api() { return *m_Api; }

private:
    std::shared_ptr<KeynodeApi::KnaMain> m_Api;
    std::unique_ptr<Web::Server> m_Server;
};

// A test with its own data directory and database; the server is started by the test.
class ApiHttpTest : public testing::Test {
protected:
    // Default: KnaMain(1) with its default handlers. The service thread is not started: settings are
    // loaded by EnableApi on the test thread, which keeps the tests independent of thread timing.
    void StartServer(std::shared_ptr<KeynodeApi::KnaMain> api = nullptr);
    void EnableApi();
    HttpReply Send(const HttpCall& call);

    TestDataDir m_Data;
    std::unique_ptr<ApiTestServer> m_Server;
};

inline std::string Id(const Accessories::TCRecordID& id) {
    return std::to_string(id.get_ID());
}
inline std::string IdJson(const Accessories::TCRecordID& id) {
    return "{\"id\":" + Id(id) + "}";
}

using Period = std::tuple<int, int, int>; // day, start second, function
// A week program written directly, as the host's own configuration writes them, with its periods.
Accessories::TCRecordID AddWeekProgramRow(const std::string& name, int type, int isSystem,
                                          const std::vector<Period>& periods = {},
                                          const std::string& externalID = "");

// A request the API must refuse with `Expected` as the body.
struct Rejection {
    std::string Method, Path, Body, Expected;
    int Status = 400;
};

// A served API with the user "admin" (password "pw", every endpoint), for the resource tests.
class AdminApiTest : public ApiHttpTest {
protected:
    void SetUp() override;
    // method on "/api/v1" + path (query included) as `user`, whose password is "pw".
    HttpReply Call(const std::string& method, const std::string& path, const std::string& body = "",
                   const std::string& user = "admin");
    // POST, failing the test unless answered 200; returns the new record's numeric ID from the answer.
    int64_t Create(const std::string& path, const std::string& body);
    // Fails the test unless the request is answered 200 with an empty body.
    void Succeeds(const std::string& method, const std::string& path, const std::string& body = "");
    // The body of a GET of path with "?id=" and the identity (JSON text).
    std::string Stored(const std::string& path, const std::string& identity);
    // Every case is refused as expected, and `state` (the rows the resource writes) stays as it was.
    void ExpectRejected(const std::vector<Rejection>& cases, const std::function<std::string()>& state);

    Accessories::TCRecordID m_Admin;
};

} // namespace ApiTest
