// Clients creating cards and rewriting their holders' card lists at the same time, on separate
// connections: every request must succeed and each holder must end with exactly the cards its client kept.
#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "DB/Tables/AccessTables.h"
#include "support/CardSiteTest.h"

using namespace ApiTest;

namespace {

constexpr int kClients = 4, kRounds = 6, kCardsPerRound = 3;

class CardsConcurrencyTest : public CardSiteTest {
protected:
    // Each round adds cards to the client's holder, then lists all but the oldest, which is deleted.
    // Returns the card numbers kept; failed requests go to `failures`.
    std::set<std::string> RunClient(int client, std::vector<std::string>& failures) {
        const std::string holder = R"({"extId":"h-client-)" + std::to_string(client) + "\"}";
        const auto call = [&](const std::string& method, const std::string& path, const std::string& body) {
            const HttpReply reply = Call(method, path, body);
            if (reply.Status != 200) failures.push_back(body + " -> " + reply.Body);
            return reply.Status == 200;
        };
        call("POST", "/access/cardHolders", R"({"id":)" + holder + R"(,"firstName":"c"})");
        std::vector<std::string> cards;
        for (int round = 0; round < kRounds; ++round) {
            for (int k = 0; k < kCardsPerRound; ++k) {
                const std::string number = std::to_string((client * kRounds + round) * kCardsPerRound + k);
                if (call("POST", "/access/cards",
                         R"({"id":{"extId":"c)" + number + R"("},"number":")" + number +
                             R"(","cardHolderID":)" + holder + R"(,"accessGroupLinks":[{"accessGroupID":)" +
                             IdJson(m_Staff) + "}]}"))
                    cards.push_back(number);
            }
            cards.erase(cards.begin());
            std::string ids;
            for (const std::string& number : cards)
                ids += (ids.empty() ? "" : ",") + std::string(R"({"extId":"c)") + number + "\"}";
            call("PUT", "/access/cardHolders", R"({"id":)" + holder + R"(,"cardIDs":{"ids":[)" + ids + "]}}");
        }
        return {cards.begin(), cards.end()};
    }
};

TEST_F(CardsConcurrencyTest, ConcurrentCardAndHolderWritesAllSucceedAndAddUp) {
    std::vector<std::set<std::string>> kept(kClients);
    std::vector<std::vector<std::string>> failures(kClients);
    std::vector<std::thread> clients;
    for (int client = 0; client < kClients; ++client)
        clients.emplace_back([&, client] { kept[client] = RunClient(client, failures[client]); });
    for (std::thread& client : clients)
        client.join();

    size_t total = 0;
    for (int client = 0; client < kClients; ++client) {
        for (const std::string& failure : failures[client])
            ADD_FAILURE() << failure;
        Access::TCDBAccessCardHolders holders;
        DB::TCDBIterator holder =
            holders.Select("*", holders.CreateWhereExternalIDEqualsTo("h-client-" + std::to_string(client)));
        ASSERT_TRUE(holder.IsNotEnd());
        std::set<std::string> owned;
        for (DB::TCDBIterator card =
                 Access::TCDBAccessCards().Select("*", Table_AccessCards::CARDHOLDER == holder.get_ID());
             card.IsNotEnd(); card.Next())
            owned.insert(card.Field(Table_AccessCards::CARDNO).get_AsString());
        EXPECT_EQ(kept[client], owned) << "client " << client;
        total += owned.size();
    }
    EXPECT_EQ(size_t(kClients * (kRounds * kCardsPerRound - kRounds)), total);
    // Deleted cards took their links with them.
    EXPECT_EQ(int64_t(total), Access::TCDBAccessCardAccessGroupLinks().SelectCount("*", DB::TCDBWhere()));
}

} // namespace
