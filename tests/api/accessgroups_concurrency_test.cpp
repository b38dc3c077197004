// Several clients creating and changing access groups and week programs at once, served by four worker
// threads: every request must succeed (none may run into the database's write lock) and every write must
// be in the database afterwards.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "DB/Tables/AccessTables.h"
#include "DB/Tables/SystemTables.h"
#include "Handlers/Config/KnaWeekProgram_Handler.h"
#include "KnaMain.h"
#include "Property/AccessProp.h"
#include "Web/Server.h"
#include "support/ApiHttpClient.h"
#include "support/ApiTestData.h"

using namespace ApiTest;

namespace {

constexpr int kClients = 4;
constexpr int kRequestsPerClient = 25;
constexpr int kDoors = 6;

// What one client expects to find afterwards: group external ID -> (name, number of rights).
struct ClientOutcome {
    std::vector<std::string> Failures;
    std::map<std::string, std::pair<std::string, int>> Groups;
    std::vector<std::string> WeekPrograms;
};

class AccessGroupsConcurrencyTest : public testing::Test {
protected:
    void SetUp() override {
        AddAllMethodsUser("admin", "pw");
        for (int i = 0; i < kDoors; ++i) {
            Access::TCDBDoors doors;
            DB::TCDBAutoObject row;
            doors.CreateObject(row);
            row.Field(Table_AccessDoors::NAME).set_AsString("door " + std::to_string(i));
            row.Save();
            m_Doors.push_back(row.get_ID().get_ID());
        }

        m_Api = std::make_shared<KeynodeApi::KnaMain>(1);
        // Week programs are written beside the groups whether or not the default handlers serve them yet.
        m_Api->AddWebHandler(std::make_unique<KeynodeApi::KnaWeekProgram_Handler>());
        Web::ServerConfig config;
        config.http = {true, "127.0.0.1", 0};
        config.workerThreads = 4;
        m_Server = std::make_unique<Web::Server>(config);
        m_Server->addResource(m_Api, "/api");
        m_Server->start();
        SetBoolSetting(AccessProp::GeneralWebApiSettings_Enabled, true);
        m_Api->ReloadSettings();
    }

    void TearDown() override {
        m_Server->stop();
        m_Api->Stop();
    }

    HttpReply Send(const std::string& method, const std::string& path, const std::string& body) const {
        HttpCall call;
        call.Method = method;
        call.Target = "/api/v1" + path;
        call.Authorization = BasicAuthorization("admin", "pw");
        call.Body = body;
        return SendHttp(m_Server->httpPort(), call);
    }

    std::string Rights(int first, int count, const std::string& weekProgramExtID) const {
        std::string rights;
        for (int k = 0; k < count; ++k)
            rights += (k ? "," : "") + std::string(R"({"doorID":{"id":)") +
                      std::to_string(m_Doors[(first + k) % kDoors]) + R"(},"weekProgramID":{"extId":")" +
                      weekProgramExtID + "\"}}";
        return "[" + rights + "]";
    }

    // Every fifth request makes a week program, the next ones create groups naming it, and each fourth
    // one changes the group its client made just before.
    void RunClient(int client, ClientOutcome& outcome) const {
        std::string weekProgram;
        std::string lastGroup;
        for (int j = 0; j < kRequestsPerClient; ++j) {
            const std::string tag = std::to_string(client) + "-" + std::to_string(j);
            HttpReply reply;
            if (j % 5 == 0) {
                weekProgram = "wp-" + tag;
                reply =
                    Send("POST", "/config/weekprograms",
                         R"({"id":{"extId":")" + weekProgram + R"("},"name":"p )" + tag + R"(","type":10})");
                if (reply.Status == 200) outcome.WeekPrograms.push_back(weekProgram);
            } else if (j % 5 == 4) {
                const int rights = 1 + j % 3;
                reply = Send("PUT", "/access/accessGroups",
                             R"({"id":{"extId":")" + lastGroup + R"("},"name":"changed )" + tag +
                                 R"(","accessRights":)" + Rights(j, rights, weekProgram) + "}");
                if (reply.Status == 200) outcome.Groups[lastGroup] = {"changed " + tag, rights};
            } else {
                lastGroup = "g-" + tag;
                reply = Send("POST", "/access/accessGroups",
                             R"({"id":{"extId":")" + lastGroup + R"("},"name":"new )" + tag +
                                 R"(","accessRights":)" + Rights(j, 3, weekProgram) + "}");
                if (reply.Status == 200) outcome.Groups[lastGroup] = {"new " + tag, 3};
            }
            if (reply.Status != 200)
                outcome.Failures.push_back(tag + ": " + std::to_string(reply.Status) + " " + reply.Body);
        }
    }

    TestDataDir m_Data;
    std::vector<int64_t> m_Doors;
    std::shared_ptr<KeynodeApi::KnaMain> m_Api;
    std::unique_ptr<Web::Server> m_Server;
};

TEST_F(AccessGroupsConcurrencyTest, EveryConcurrentWriteSucceedsAndIsStored) {
    std::vector<ClientOutcome> outcomes(kClients);
    std::vector<std::thread> clients;
    for (int client = 0; client < kClients; ++client)
        clients.emplace_back([this, client, &outcomes] { RunClient(client, outcomes[client]); });
    for (std::thread& client : clients)
        client.join();

    size_t groups = 0, rights = 0, weekPrograms = 0;
    for (const ClientOutcome& outcome : outcomes) {
        for (const std::string& failure : outcome.Failures)
            ADD_FAILURE() << failure;
        weekPrograms += outcome.WeekPrograms.size();
        for (const std::string& externalID : outcome.WeekPrograms) {
            System::TCDBWeekPrograms programs;
            EXPECT_EQ(1, programs.SelectCount("*", programs.CreateWhereExternalIDEqualsTo(externalID)))
                << externalID;
        }
        groups += outcome.Groups.size();
        for (const auto& [externalID, expected] : outcome.Groups) {
            Access::TCDBAccessGroups table;
            DB::TCDBIterator group = table.Select("*", table.CreateWhereExternalIDEqualsTo(externalID));
            ASSERT_TRUE(group.IsNotEnd()) << externalID;
            EXPECT_EQ(expected.first, group.Field(Table_AccessGroups::NAME).get_AsString()) << externalID;
            EXPECT_EQ(expected.second, Access::TCDBAccessGroupRights().SelectCount(
                                           "*", Table_AccessGroupRights::ACCESSGROUP == group.get_ID()))
                << externalID;
            rights += size_t(expected.second);
        }
    }
    EXPECT_EQ(size_t(kClients * kRequestsPerClient / 5), weekPrograms);
    EXPECT_EQ(size_t(kClients * kRequestsPerClient * 3 / 5), groups);
    EXPECT_EQ(int64_t(groups), Access::TCDBAccessGroups().SelectCount("*", DB::TCDBWhere()));
    EXPECT_EQ(int64_t(rights), Access::TCDBAccessGroupRights().SelectCount("*", DB::TCDBWhere()));
}

} // namespace
