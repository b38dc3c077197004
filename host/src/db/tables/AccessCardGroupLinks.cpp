#include <cinttypes>
#include <map>
#include <set>

#include "DB/TCDBTransaction.h"
#include "DB/Tables/AccessTables.h"
#include "Host/TCException.h"

namespace Access {

using Link = TCDBAccessCardAccessGroupLinks::TCAccGroupLinkDetail;
namespace Columns = Table_AccessCardAccessGroupLinks;

namespace {

// The listed links by group; refuses null and repeated groups before anything is written.
std::map<Accessories::TCRecordID, const Link*> IndexByGroup(const Accessories::TCRecordID& cardID,
                                                            const std::list<Link>& links) {
    std::map<Accessories::TCRecordID, const Link*> byGroup;
    for (const Link& link : links) {
        if (link.GroupID.IsNull())
            throw TCException(__FILE__, __LINE__)
                .Format("Access group link of card %" PRId64 " has no access group", cardID.get_ID());
        if (!byGroup.emplace(link.GroupID, &link).second)
            throw TCException(__FILE__, __LINE__)
                .Format("Access group %" PRId64 " is linked twice to card %" PRId64, link.GroupID.get_ID(),
                        cardID.get_ID());
    }
    return byGroup;
}

// Writes the validity of `link` into the current row; true when a value changed.
bool UpdateValidity(DB::TCDBIterator& row, const Link& link) {
    bool changed = false;
    for (auto [column, value] :
         {std::pair{&Columns::VALID_FROM, &link.ValidFrom}, std::pair{&Columns::VALID_TO, &link.ValidTo}}) {
        DB::TCDBField field = row.Field(*column);
        if (field.get_AsNullDateTime() != *value) {
            field.set_AsNullDateTime(*value);
            changed = true;
        }
    }
    return changed;
}

} // namespace

void TCDBAccessCardAccessGroupLinks::SetByCard(const Accessories::TCRecordID& cardID,
                                               const std::list<TCAccGroupLinkDetail>& links,
                                               bool removeOthers) {
    if (cardID.IsNull()) throw TCException(__FILE__, __LINE__, "Access group links need a card ID");
    std::map<Accessories::TCRecordID, const Link*> pending = IndexByGroup(cardID, links);

    DB::TCDBTransaction transaction;
    transaction.Begin();

    std::set<Accessories::TCRecordID> unlisted;
    for (DB::TCDBIterator row = Select("*", Columns::CARD_LINK == cardID); row.IsNotEnd(); row.Next()) {
        auto listed = pending.find(row.Field(Columns::ACCESS_GROUP_LINK).get_AsRecordID());
        if (listed == pending.end()) {
            unlisted.insert(row.get_ID());
            continue;
        }
        if (UpdateValidity(row, *listed->second)) row.Save(false);
        pending.erase(listed);
    }
    if (removeOthers && !unlisted.empty()) DeleteWhere(Columns::ID.In(unlisted));

    for (const Link& link : links) {
        if (pending.count(link.GroupID) == 0) continue;
        DB::TCDBAutoObject row;
        CreateObject(row);
        row.Field(Columns::CARD_LINK).set_AsRecordID(cardID);
        row.Field(Columns::ACCESS_GROUP_LINK).set_AsRecordID(link.GroupID);
        row.Field(Columns::VALID_FROM).set_AsNullDateTime(link.ValidFrom);
        row.Field(Columns::VALID_TO).set_AsNullDateTime(link.ValidTo);
        row.Save(false);
    }
    transaction.Commit();
}

} // namespace Access
