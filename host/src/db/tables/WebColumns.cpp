// Column and table descriptions of the web tables; the SQL that creates them is in schema/.
#include "DB/Tables/WebColumns.h"
#include "DB/Tables/TableNumbers.h"

using DB::TCDBFieldSpec;
using DB::TCDBTableSpec;
using Type = DB::TEDBFieldType;

namespace Table_WebUsers {
static constexpr char kTable[] = "WebUsers";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec NAME(kTable, "NAME", Type::Text);
const TCDBFieldSpec PASSWORD_HASH(kTable, "PASSWORD_HASH", Type::Text);
const TCDBFieldSpec ALLOW_WEB_API_ACCESS(kTable, "ALLOW_WEB_API_ACCESS", Type::Integer);
const TCDBFieldSpec ALLOW_WEB_API_ACCESS_ALL_METHODS(kTable, "ALLOW_WEB_API_ACCESS_ALL_METHODS",
                                                     Type::Integer);
const TCDBTableSpec SPEC{
    DB::TableNumber::WebUsers,
    kTable,
    &ID,
    {&ID, &NAME, &PASSWORD_HASH, &ALLOW_WEB_API_ACCESS, &ALLOW_WEB_API_ACCESS_ALL_METHODS}};
} // namespace Table_WebUsers

namespace Table_WebUserClaims {
static constexpr char kTable[] = "WebUserClaims";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec USER_LINK(kTable, "USER_LINK", Type::RecordID);
const TCDBFieldSpec CLAIM(kTable, "CLAIM", Type::Integer);
const TCDBTableSpec SPEC{DB::TableNumber::WebUserClaims, kTable, &ID, {&ID, &USER_LINK, &CLAIM}};
} // namespace Table_WebUserClaims

namespace Table_WebCloudUsers {
static constexpr char kTable[] = "WebCloudUsers";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec NAME(kTable, "NAME", Type::Text);
const TCDBFieldSpec WEB_USER_LINK(kTable, "WEB_USER_LINK", Type::RecordID);
const TCDBFieldSpec AZURE_RIGHTS(kTable, "AZURE_RIGHTS", Type::Integer);
const TCDBTableSpec SPEC{
    DB::TableNumber::WebCloudUsers, kTable, &ID, {&ID, &NAME, &WEB_USER_LINK, &AZURE_RIGHTS}};
} // namespace Table_WebCloudUsers
