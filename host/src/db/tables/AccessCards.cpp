#include "DB/Tables/AccessTables.h"

namespace Access {

DB::TCDBWhere TCDBAccessCards::WhereIsNotHiddenType() {
    // Only HIDDEN = 1 hides, so a type whose flag was never set stays visible.
    const DB::TCDBSubSelect hiddenTypes =
        TCDBAccessCardTypes().GetSelect(Table_AccessCardTypes::ID, Table_AccessCardTypes::HIDDEN == 1);
    return DB::Brackets(Table_AccessCards::TYPE.IsNull() || Table_AccessCards::TYPE.NotIn(hiddenTypes));
}

// The schema's cascades remove the dependent rows (links, and a holder's cards).
bool TCDBAccessCards::DeleteByID(const Accessories::TCRecordID& cardID) {
    return DeleteRowByID(cardID);
}

bool TCDBAccessCardHolders::DeleteByID(const Accessories::TCRecordID& holderID) {
    return DeleteRowByID(holderID);
}

} // namespace Access
