#pragma once
#include <cstdint>

#include "DB/TCDBBasicTable.h"
#include "DB/TCDBFieldSpec.h"
#include "Property/TCCommonPropertyObject.h"

namespace Property::Store {

// Stored settings: one row per property and record. Rows are never deleted: an unset property keeps its
// row with a null VALUE, so that the change sequence also announces removals. CHANGE_SEQ is one above the
// highest sequence at the time of the write, which makes "rows with a sequence above N" the changes since N.
namespace Table_Properties {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec PROPERTY_ID;
extern const DB::TCDBFieldSpec RECORD_ID;
extern const DB::TCDBFieldSpec VALUE;
extern const DB::TCDBFieldSpec CHANGE_SEQ;
} // namespace Table_Properties

// Infrastructure table: not among the host's numbered tables, so it raises no database change
// notifications of its own.
constexpr int PropertiesTableNumber = 2001;

class TCDBProperties : public DB::TCDBBasicTable {
public:
    TCDBProperties();

    // Creates the table and its indexes in the open database unless done already for it.
    static void EnsureExists();

    // The highest change sequence stored, 0 for none.
    int64_t MaxChangeSeq();
};

// The property of a stored row (unknown numbers keep their number and an empty name).
TCCommonPropertyObject PropertyFromRow(DB::TCDBIterator& row);

} // namespace Property::Store
