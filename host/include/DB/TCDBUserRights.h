#pragma once
#include "Accessories/TCRecordID.h"

#pragma GCC visibility push(default)

namespace DB {

// Per-record rights of users (see docs/database.md). A higher level includes the lower ones.
constexpr int RECORD_RIGHT_SEE = 1;
constexpr int RECORD_RIGHT_CHANGE = 2;

// Gives `userID` the right `level` (>= 1) on one row of table `tableID`, replacing a right held before.
// Throws TCException when the table is unknown or the row does not exist.
void GrantRecordRight(const Accessories::TCRecordID& userID, int tableID,
                      const Accessories::TCRecordID& recordID, int level);
// Takes the user's right on the row away; nothing happens when there was none.
void RevokeRecordRight(const Accessories::TCRecordID& userID, int tableID,
                       const Accessories::TCRecordID& recordID);

} // namespace DB

#pragma GCC visibility pop
