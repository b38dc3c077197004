#include "DemoGeneratedCards.h"

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "DB/TCDBTransaction.h"
#include "DB/Tables/AccessTables.h"

namespace keynodectl {

namespace {

constexpr long long kFirstNumber = 7'000'000'000LL;
constexpr long long kBatch = 20'000;
const char* const kCompany = "Generated";

Accessories::TCRecordID addHolder(Access::TCDBAccessCardHolders& holders, long long serial) {
    namespace H = Table_AccessCardHolders;
    DB::TCDBAutoObject row;
    holders.CreateObject(row);
    row.Field(H::FIRSTNAME).set_AsString("Holder");
    row.Field(H::LASTNAME).set_AsString(std::to_string(serial));
    row.Field(H::COMPANYNAME).set_AsString(kCompany);
    row.Field(H::TYPE).set_AsInteger(0);
    row.Save(false);
    return row.get_ID();
}

Accessories::TCRecordID addCard(Access::TCDBAccessCards& cards, long long serial,
                                const Accessories::TCRecordID& holder) {
    namespace C = Table_AccessCards;
    DB::TCDBAutoObject row;
    cards.CreateObject(row);
    row.Field(C::CARDNO).set_AsString(std::to_string(kFirstNumber + serial));
    row.Field(C::CARDHOLDER).set_AsRecordID(holder);
    row.Field(C::TYPE).set_AsInteger(0);
    row.Field(C::BLOCKED).set_AsInteger(serial % 1000 == 999 ? 1 : 0);
    row.Save(false);
    return row.get_ID();
}

void addLink(Access::TCDBAccessCardAccessGroupLinks& links, const Accessories::TCRecordID& card,
             const Accessories::TCRecordID& group) {
    namespace L = Table_AccessCardAccessGroupLinks;
    DB::TCDBAutoObject row;
    links.CreateObject(row);
    row.Field(L::CARD_LINK).set_AsRecordID(card);
    row.Field(L::ACCESS_GROUP_LINK).set_AsRecordID(group);
    row.Save(false);
}

} // namespace

void addGeneratedCards(long long count, std::ostream& progress) {
    std::vector<Accessories::TCRecordID> groups;
    Access::TCDBAccessGroups groupTable;
    for (DB::TCDBIterator row = groupTable.SelectAll(); row.IsNotEnd(); row.Next())
        groups.push_back(row.get_ID());
    if (groups.empty()) throw std::runtime_error("the site has no access groups to link the cards to");

    Access::TCDBAccessCardHolders holders;
    Access::TCDBAccessCards cards;
    Access::TCDBAccessCardAccessGroupLinks links;
    const long long first = holders.SelectCount("*", Table_AccessCardHolders::COMPANYNAME == kCompany);
    const auto start = std::chrono::steady_clock::now();
    for (long long done = 0; done < count;) {
        DB::TCDBTransaction transaction;
        transaction.Begin();
        const long long end = std::min(count, done + kBatch);
        for (; done < end; ++done) {
            const long long serial = first + done;
            const Accessories::TCRecordID card = addCard(cards, serial, addHolder(holders, serial));
            addLink(links, card, groups[serial % groups.size()]);
        }
        transaction.Commit();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        progress << "\rcards: " << done << " of " << count << " (" << static_cast<long long>(seconds) << " s)"
                 << std::flush;
    }
    progress << "\n";
}

} // namespace keynodectl
