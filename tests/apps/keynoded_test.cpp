// keynoded as it is run: a real process on a fresh data directory, driven over loopback.
#include <filesystem>
#include <regex>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "DaemonProcess.h"
#include "RunProgram.h"
#include "TestClient.h"

using ::testing::HasSubstr;
namespace http = boost::beast::http;

namespace {

uint16_t portFrom(const std::string& line, const std::string& scheme) {
    std::smatch m;
    if (!std::regex_match(line, m, std::regex(scheme + R"( listening on 127\.0\.0\.1:([0-9]+))"))) return 0;
    return uint16_t(std::stoi(m[1]));
}

WebTest::Reply get(uint16_t port, bool tls, const std::string& target, const std::string& credentials) {
    WebTest::TestClient client(port, tls);
    auto request = WebTest::makeRequest(http::verb::get, target);
    request.set(http::field::content_type, "application/json");
    request.set(http::field::authorization, "Basic " + credentials);
    return client.send(request);
}

const char* const kAdminCredentials = "YWRtaW46czNjcmV0"; // admin:s3cret

WebTest::Reply send(uint16_t port, http::verb method, const std::string& target, const std::string& body) {
    WebTest::TestClient client(port);
    auto request = WebTest::makeRequest(method, target, body);
    request.set(http::field::content_type, "application/json");
    request.set(http::field::authorization, std::string("Basic ") + kAdminCredentials);
    return client.send(request);
}

// The compact JSON texts of the "records" of a list answer, without the members that only a POST may carry.
std::vector<std::string> records(const std::string& body) {
    rapidjson::Document doc;
    doc.Parse(body.c_str());
    std::vector<std::string> texts;
    if (doc.HasParseError() || !doc.IsObject() || !doc.HasMember("records")) return texts;
    for (auto& record : doc["records"].GetArray()) {
        for (const char* createOnly : {"type", "isSystem"})
            record.RemoveMember(createOnly);
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
        record.Accept(writer);
        texts.emplace_back(buffer.GetString());
    }
    return texts;
}

class KeynodedTest : public ::testing::Test {
protected:
    std::vector<std::string> daemonArgs() {
        return {"--data-dir", m_Data, "--http-port", "0", "--https-port", "0", "--workers", "2"};
    }
    TempDir m_Dir;
    std::string m_Data = m_Dir.path() + "/data";
};

TEST_F(KeynodedTest, BadOptionsExitWithTwo) {
    EXPECT_EQ(RunProgram(KEYNODED_BIN, {}).exitCode, 2);
    EXPECT_EQ(RunProgram(KEYNODED_BIN, {"--data-dir", m_Data, "--http-port", "70000"}).exitCode, 2);
    EXPECT_EQ(RunProgram(KEYNODED_BIN, {"--data-dir", m_Data, "--workers", "0"}).exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(m_Data));
}

TEST_F(KeynodedTest, ServesBothListenersFollowsSettingsAndStopsCleanly) {
    DaemonProcess daemon(KEYNODED_BIN, daemonArgs());
    const uint16_t http = portFrom(daemon.readLine(), "http");
    const uint16_t https = portFrom(daemon.readLine(), "https");
    ASSERT_NE(http, 0);
    ASSERT_NE(https, 0);
    EXPECT_TRUE(std::filesystem::exists(m_Data + "/keynode.db"));
    EXPECT_TRUE(std::filesystem::exists(m_Data + "/tls/server.key"));

    // A new data directory has the API switched off.
    auto disabled = get(http, false, "/api/v1/info/api", kAdminCredentials);
    EXPECT_EQ(disabled.result_int(), 503);
    EXPECT_EQ(disabled.body(), R"({"errors":[{"code":1,"msg":"API is disabled","msgDetails":""}]})");

    // The administrator sets up a user and enables the API from another process while the daemon runs.
    ASSERT_EQ(RunProgram(KEYNODECTL_BIN, {"--data-dir", m_Data, "user", "add", "admin", "--password",
                                          "s3cret", "--all-methods"})
                  .exitCode,
              0);
    ASSERT_EQ(RunProgram(KEYNODECTL_BIN,
                         {"--data-dir", m_Data, "property", "set", "GeneralWebApiSettings_Enabled", "1"})
                  .exitCode,
              0);
    WebTest::Reply info;
    for (int attempt = 0; attempt < 100; ++attempt) {
        info = get(http, false, "/api/v1/info/api", kAdminCredentials);
        if (info.result_int() == 200) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(info.result_int(), 200);
    EXPECT_EQ(info.body(), R"({"version":{"major":0,"minor":9,"revision":4}})");

    auto overTls = get(https, true, "/api/v1/keynodes", kAdminCredentials);
    EXPECT_EQ(overTls.result_int(), 200);
    EXPECT_THAT(overTls.body(), HasSubstr(R"("records":[{"id":{"id":null})"));

    auto wrongPassword = get(http, false, "/api/v1/keynodes", "YWRtaW46d3Jvbmc="); // admin:wrong
    EXPECT_EQ(wrongPassword.result_int(), 401);

    EXPECT_EQ(daemon.stop(SIGTERM), 0);
    // Every failed request left its record in the event log.
    ProgramResult events = RunProgram(KEYNODECTL_BIN, {"--data-dir", m_Data, "events"});
    EXPECT_THAT(events.output, HasSubstr("API is disabled"));
    EXPECT_THAT(events.output, HasSubstr("Wrong username/password"));
}

TEST_F(KeynodedTest, SecondDaemonOnTheSamePortFailsWithAClearMessage) {
    DaemonProcess first(KEYNODED_BIN, daemonArgs());
    const uint16_t http = portFrom(first.readLine(), "http");
    ASSERT_NE(http, 0);
    ProgramResult second = RunProgram(
        KEYNODED_BIN, {"--data-dir", m_Data, "--http-port", std::to_string(http), "--https-port", "-1"});
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_THAT(second.output, HasSubstr(std::to_string(http)));
    EXPECT_EQ(first.stop(SIGINT), 0);
}

// The demo site is written straight into the tables; every record of it must also be one the API itself
// accepts: read each through the API and write it back unchanged.
TEST_F(KeynodedTest, DemoSiteRecordsSurviveARoundTripThroughTheApi) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"init"},
          {"demo"},
          {"user", "add", "admin", "--password", "s3cret", "--all-methods"},
          {"property", "set", "GeneralWebApiSettings_Enabled", "1"}}) {
        std::vector<std::string> full{"--data-dir", m_Data};
        full.insert(full.end(), args.begin(), args.end());
        ASSERT_EQ(RunProgram(KEYNODECTL_BIN, full).exitCode, 0);
    }
    DaemonProcess daemon(KEYNODED_BIN, daemonArgs());
    const uint16_t port = portFrom(daemon.readLine(), "http");
    ASSERT_NE(port, 0);
    // Each resource's list: a GET, or for cards and card holders a filter that matches everything.
    const struct {
        std::string Path, List, Filter;
    } resources[] = {
        {"/api/v1/access/accessGroups", "/api/v1/access/accessGroups", ""},
        {"/api/v1/config/holidays", "/api/v1/config/holidays", ""},
        {"/api/v1/config/weekprograms", "/api/v1/config/weekprograms?type=10", ""},
        {"/api/v1/access/cards", "/api/v1/access/cards/filter", R"({"cardFilter":{}})"},
        {"/api/v1/access/cardHolders", "/api/v1/access/cardHolders/filter", R"({"cardHolderFilter":{}})"}};
    for (const auto& resource : resources) {
        const auto list = [&] {
            return resource.Filter.empty() ? get(port, false, resource.List, kAdminCredentials)
                                           : send(port, http::verb::post, resource.List, resource.Filter);
        };
        WebTest::Reply listed;
        for (int attempt = 0; attempt < 50; ++attempt) { // the service thread loads the settings first
            listed = list();
            if (listed.result_int() != 503) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ASSERT_EQ(listed.result_int(), 200) << resource.Path << ": " << listed.body();
        const auto texts = records(listed.body());
        EXPECT_FALSE(texts.empty()) << resource.Path;
        for (const std::string& record : texts) {
            WebTest::Reply written = send(port, http::verb::put, resource.Path, record);
            EXPECT_EQ(written.result_int(), 200)
                << resource.Path << " " << record << " -> " << written.body();
        }
        EXPECT_EQ(list().body(), listed.body()) << resource.Path;
    }
    EXPECT_EQ(daemon.stop(SIGTERM), 0);
}

} // namespace
