// Clients writing week programs, access groups, cards and their holders' card lists at the same time,
// served by four worker threads: every request must succeed (none may run into the database's write
// lock) and every write must be in the database afterwards.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <thread>
#include <vector>

#include "DB/Tables/AccessTables.h"
#include "DB/Tables/SystemTables.h"
#include "support/ApiTestServer.h"

using namespace ApiTest;

namespace {

constexpr int kClients = 4, kRounds = 6, kCardsPerRound = 3, kDoors = 6;

struct ClientOutcome {
    std::vector<std::string> Failures;
    std::map<std::string, std::pair<std::string, int>> Groups; // external ID -> name, number of rights
    std::set<std::string> Cards;                               // the numbers the holder keeps
};

class ConcurrencyTest : public AdminApiTest {
protected:
    void SetUp() override {
        AddAllMethodsUser("admin", "pw");
        for (int i = 0; i < kDoors; ++i) {
            Access::TCDBDoors doors;
            DB::TCDBAutoObject row;
            doors.CreateObject(row);
            row.Field(Table_AccessDoors::NAME).set_AsString("door " + std::to_string(i));
            row.Save();
            m_Doors.push_back(Id(row.get_ID()));
        }
        m_Server = std::make_unique<ApiTestServer>(std::make_shared<KeynodeApi::KnaMain>(1), "", 4);
        EnableApi();
    }

    std::string Rights(int first, int count, const std::string& weekProgram) const {
        std::string rights;
        for (int k = 0; k < count; ++k)
            rights += (k ? "," : "") + std::string(R"({"doorID":{"id":)") + m_Doors[(first + k) % kDoors] +
                      R"(},"weekProgramID":{"extId":")" + weekProgram + "\"}}";
        return "[" + rights + "]";
    }

    // Each round creates a group and three cards linked to it, changes the group before, and lists all of
    // the holder's cards but the oldest, which is deleted.
    void RunClient(int client, ClientOutcome& outcome) {
        const auto call = [&](const std::string& method, const std::string& path, const std::string& body) {
            const HttpReply reply = Call(method, path, body);
            if (reply.Status != 200) outcome.Failures.push_back(method + " " + body + " -> " + reply.Body);
            return reply.Status == 200;
        };
        const std::string tag = std::to_string(client), wp = "wp-" + tag;
        const std::string holder = R"({"extId":"h-)" + tag + "\"}";
        call("POST", "/config/weekprograms", R"({"id":{"extId":")" + wp + R"("},"name":"p","type":10})");
        call("POST", "/access/cardHolders", R"({"id":)" + holder + R"(,"firstName":"c"})");
        std::vector<std::string> cards;
        for (int round = 0; round < kRounds; ++round) {
            const std::string group = "g-" + tag + "-" + std::to_string(round);
            if (call("POST", "/access/accessGroups",
                     R"({"id":{"extId":")" + group + R"("},"name":"new","accessRights":)" +
                         Rights(round, 3, wp) + "}"))
                outcome.Groups[group] = {"new", 3};
            if (round > 0) {
                const std::string before = "g-" + tag + "-" + std::to_string(round - 1);
                const int rights = 1 + round % 3;
                if (call("PUT", "/access/accessGroups",
                         R"({"id":{"extId":")" + before + R"("},"name":"changed","accessRights":)" +
                             Rights(round, rights, wp) + "}"))
                    outcome.Groups[before] = {"changed", rights};
            }
            for (int k = 0; k < kCardsPerRound; ++k) {
                const std::string number = std::to_string((client * kRounds + round) * kCardsPerRound + k);
                if (call("POST", "/access/cards",
                         R"({"id":{"extId":"c)" + number + R"("},"number":")" + number +
                             R"(","cardHolderID":)" + holder +
                             R"(,"accessGroupLinks":[{"accessGroupID":{"extId":")" + group + "\"}}]}"))
                    cards.push_back(number);
            }
            cards.erase(cards.begin());
            std::string ids;
            for (const std::string& number : cards)
                ids += (ids.empty() ? "" : ",") + std::string(R"({"extId":"c)") + number + "\"}";
            call("PUT", "/access/cardHolders", R"({"id":)" + holder + R"(,"cardIDs":{"ids":[)" + ids + "]}}");
        }
        outcome.Cards = {cards.begin(), cards.end()};
    }

    std::vector<std::string> m_Doors;
};

TEST_F(ConcurrencyTest, EveryConcurrentWriteSucceedsAndIsStored) {
    std::vector<ClientOutcome> outcomes(kClients);
    std::vector<std::thread> clients;
    for (int client = 0; client < kClients; ++client)
        clients.emplace_back([this, client, &outcomes] { RunClient(client, outcomes[client]); });
    for (std::thread& client : clients)
        client.join();

    size_t rights = 0, cards = 0;
    for (int client = 0; client < kClients; ++client) {
        const ClientOutcome& outcome = outcomes[client];
        for (const std::string& failure : outcome.Failures)
            ADD_FAILURE() << failure;
        EXPECT_EQ(size_t(kRounds), outcome.Groups.size());
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
        Access::TCDBAccessCardHolders holders;
        DB::TCDBIterator holder =
            holders.Select("*", holders.CreateWhereExternalIDEqualsTo("h-" + std::to_string(client)));
        ASSERT_TRUE(holder.IsNotEnd());
        std::set<std::string> owned;
        for (DB::TCDBIterator card =
                 Access::TCDBAccessCards().Select("*", Table_AccessCards::CARDHOLDER == holder.get_ID());
             card.IsNotEnd(); card.Next())
            owned.insert(card.Field(Table_AccessCards::CARDNO).get_AsString());
        EXPECT_EQ(outcome.Cards, owned) << "client " << client;
        cards += owned.size();
    }
    EXPECT_EQ(kClients, System::TCDBWeekPrograms().SelectCount("*", DB::TCDBWhere()));
    EXPECT_EQ(int64_t(kClients * kRounds), Access::TCDBAccessGroups().SelectCount("*", DB::TCDBWhere()));
    EXPECT_EQ(int64_t(rights), Access::TCDBAccessGroupRights().SelectCount("*", DB::TCDBWhere()));
    EXPECT_EQ(size_t(kClients * (kRounds * kCardsPerRound - kRounds)), cards);
    // Deleted cards took their links with them.
    EXPECT_EQ(int64_t(cards), Access::TCDBAccessCardAccessGroupLinks().SelectCount("*", DB::TCDBWhere()));
}

} // namespace
