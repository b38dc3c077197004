// Clients creating cards and rewriting their holders' card lists at the same time, on separate
// connections: every request must succeed and the cards each holder owns afterwards must be exactly the
// ones its client kept.
#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "DB/Tables/AccessTables.h"
#include "support/CardSiteTest.h"

using namespace ApiTest;

namespace {

constexpr int kClients = 4;
constexpr int kRounds = 6;
constexpr int kCardsPerRound = 3;

struct ClientOutcome {
    std::vector<std::string> Failures;
    std::set<std::string> Kept; // card numbers the holder must own at the end
};

class CardsConcurrencyTest : public CardSiteTest {
protected:
    // Each round adds cards to the client's holder, then lists all but the oldest one, which is deleted.
    void RunClient(int client, ClientOutcome& outcome) {
        const std::string holder = "h-client-" + std::to_string(client);
        const auto check = [&](const HttpReply& reply, const std::string& what) {
            if (reply.Status != 200)
                outcome.Failures.push_back(what + ": " + std::to_string(reply.Status) + " " + reply.Body);
            return reply.Status == 200;
        };
        if (!check(Call("POST", "/access/cardHolders",
                        R"({"id":{"extId":")" + holder + R"("},"firstName":"c"})"),
                   "holder"))
            return;
        std::vector<std::string> cards;
        for (int round = 0; round < kRounds; ++round) {
            for (int k = 0; k < kCardsPerRound; ++k) {
                const std::string number =
                    std::to_string(client) + "-" + std::to_string(round) + "-" + std::to_string(k);
                if (check(Call("POST", "/access/cards",
                               R"({"id":{"extId":"c)" + number + R"("},"number":")" + number +
                                   R"(","cardHolderID":{"extId":")" + holder +
                                   R"("},"accessGroupLinks":[{"accessGroupID":{"id":)" + Id(m_Staff) +
                                   "}}]}"),
                          "card " + number))
                    cards.push_back(number);
            }
            cards.erase(cards.begin());
            std::string ids;
            for (const std::string& number : cards)
                ids += (ids.empty() ? "" : ",") + std::string(R"({"extId":"c)") + number + "\"}";
            check(Call("PUT", "/access/cardHolders",
                       R"({"id":{"extId":")" + holder + R"("},"cardIDs":{"ids":[)" + ids + "]}}"),
                  "holder round " + std::to_string(round));
        }
        outcome.Kept.insert(cards.begin(), cards.end());
    }
};

TEST_F(CardsConcurrencyTest, ConcurrentCardAndHolderWritesAllSucceedAndAddUp) {
    std::vector<ClientOutcome> outcomes(kClients);
    std::vector<std::thread> clients;
    for (int client = 0; client < kClients; ++client)
        clients.emplace_back([this, client, &outcomes] { RunClient(client, outcomes[client]); });
    for (std::thread& client : clients)
        client.join();

    size_t kept = 0;
    for (int client = 0; client < kClients; ++client) {
        for (const std::string& failure : outcomes[client].Failures)
            ADD_FAILURE() << failure;
        Access::TCDBAccessCardHolders holders;
        DB::TCDBIterator holder =
            holders.Select("*", holders.CreateWhereExternalIDEqualsTo("h-client-" + std::to_string(client)));
        ASSERT_TRUE(holder.IsNotEnd());
        std::set<std::string> owned;
        Access::TCDBAccessCards cards;
        for (DB::TCDBIterator card = cards.Select("*", Table_AccessCards::CARDHOLDER == holder.get_ID());
             card.IsNotEnd(); card.Next())
            owned.insert(card.Field(Table_AccessCards::CARDNO).get_AsString());
        EXPECT_EQ(outcomes[client].Kept, owned) << "client " << client;
        kept += owned.size();
    }
    EXPECT_EQ(size_t(kClients * (kRounds * kCardsPerRound - kRounds)), kept);
    // Deleted cards took their links with them.
    EXPECT_EQ(int64_t(kept), Access::TCDBAccessCardAccessGroupLinks().SelectCount("*", DB::TCDBWhere()));
}

} // namespace
