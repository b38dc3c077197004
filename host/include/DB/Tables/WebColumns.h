#pragma once
#include "DB/TCDBBasicTable.h"

#pragma GCC visibility push(default)

// Columns of the web-user tables.

namespace Table_WebUsers {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec NAME; // unique
extern const DB::TCDBFieldSpec PASSWORD_HASH;
extern const DB::TCDBFieldSpec ALLOW_WEB_API_ACCESS;             // 1 allows the Web API
extern const DB::TCDBFieldSpec ALLOW_WEB_API_ACCESS_ALL_METHODS; // 1 with the above: every endpoint
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_WebUsers

// Endpoint numbers a user may call.
namespace Table_WebUserClaims {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec USER_LINK; // -> WebUsers
extern const DB::TCDBFieldSpec CLAIM;
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_WebUserClaims

// Cloud accounts acting as a web user.
namespace Table_WebCloudUsers {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec NAME;          // the cloud account
extern const DB::TCDBFieldSpec WEB_USER_LINK; // -> WebUsers
extern const DB::TCDBFieldSpec AZURE_RIGHTS;  // bit mask; 4 grants every endpoint
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_WebCloudUsers

#pragma GCC visibility pop
