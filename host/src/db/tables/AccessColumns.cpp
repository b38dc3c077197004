// Column and table descriptions of the access tables; the SQL that creates them is in schema/.
#include "DB/Tables/AccessColumns.h"
#include "DB/Tables/TableNumbers.h"

using DB::TCDBFieldSpec;
using DB::TCDBTableSpec;
using Type = DB::TEDBFieldType;

namespace Table_AccessCardTypes {
static constexpr char kTable[] = "AccessCardTypes";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec NAME(kTable, "NAME", Type::Text);
const TCDBFieldSpec HIDDEN(kTable, "HIDDEN", Type::Bool);
const TCDBTableSpec SPEC{DB::TableNumber::AccessCardTypes, kTable, &ID, {&ID, &NAME, &HIDDEN}};
} // namespace Table_AccessCardTypes

namespace Table_AccessCardHolders {
static constexpr char kTable[] = "AccessCardHolders";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec FIRSTNAME(kTable, "FIRSTNAME", Type::Text);
const TCDBFieldSpec MIDDLENAME(kTable, "MIDDLENAME", Type::Text);
const TCDBFieldSpec LASTNAME(kTable, "LASTNAME", Type::Text);
const TCDBFieldSpec INFO(kTable, "INFO", Type::Text);
const TCDBFieldSpec COMPANYNAME(kTable, "COMPANYNAME", Type::Text);
const TCDBFieldSpec VALID_FROM(kTable, "VALID_FROM", Type::DateTime);
const TCDBFieldSpec VALID_TO(kTable, "VALID_TO", Type::DateTime);
const TCDBFieldSpec TYPE(kTable, "TYPE", Type::Integer);
const TCDBTableSpec SPEC{
    DB::TableNumber::AccessCardHolders,
    kTable,
    &ID,
    {&ID, &FIRSTNAME, &MIDDLENAME, &LASTNAME, &INFO, &COMPANYNAME, &VALID_FROM, &VALID_TO, &TYPE}};
} // namespace Table_AccessCardHolders

namespace Table_AccessCards {
static constexpr char kTable[] = "AccessCards";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec CARDNO(kTable, "CARDNO", Type::Text);
const TCDBFieldSpec CARDHOLDER(kTable, "CARDHOLDER", Type::RecordID);
const TCDBFieldSpec BLOCKED(kTable, "BLOCKED", Type::Bool);
const TCDBFieldSpec PINCODE(kTable, "PINCODE", Type::Text);
const TCDBFieldSpec OPTIONS(kTable, "OPTIONS", Type::Text);
const TCDBFieldSpec INFO(kTable, "INFO", Type::Text);
const TCDBFieldSpec TYPE(kTable, "TYPE", Type::RecordID);
const TCDBTableSpec SPEC{DB::TableNumber::AccessCards,
                         kTable,
                         &ID,
                         {&ID, &CARDNO, &CARDHOLDER, &BLOCKED, &PINCODE, &OPTIONS, &INFO, &TYPE}};
} // namespace Table_AccessCards

namespace Table_AccessGroups {
static constexpr char kTable[] = "AccessGroups";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec NAME(kTable, "NAME", Type::Text);
const TCDBFieldSpec INFO(kTable, "INFO", Type::Text);
const TCDBFieldSpec PRIORITY(kTable, "PRIORITY", Type::Integer);
const TCDBFieldSpec REUSABLE(kTable, "REUSABLE", Type::Bool);
const TCDBTableSpec SPEC{
    DB::TableNumber::AccessGroups, kTable, &ID, {&ID, &NAME, &INFO, &PRIORITY, &REUSABLE}};
} // namespace Table_AccessGroups

namespace Table_AccessGroupRights {
static constexpr char kTable[] = "AccessGroupRights";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec ACCESSGROUP(kTable, "ACCESSGROUP", Type::RecordID);
const TCDBFieldSpec DOOR(kTable, "DOOR", Type::RecordID);
const TCDBFieldSpec WEEKPROGRAM(kTable, "WEEKPROGRAM", Type::RecordID);
const TCDBTableSpec SPEC{
    DB::TableNumber::AccessGroupRights, kTable, &ID, {&ID, &ACCESSGROUP, &DOOR, &WEEKPROGRAM}};
} // namespace Table_AccessGroupRights

namespace Table_AccessCardAccessGroupLinks {
static constexpr char kTable[] = "AccessCardAccessGroupLinks";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec CARD_LINK(kTable, "CARD_LINK", Type::RecordID);
const TCDBFieldSpec ACCESS_GROUP_LINK(kTable, "ACCESS_GROUP_LINK", Type::RecordID);
const TCDBFieldSpec VALID_FROM(kTable, "VALID_FROM", Type::DateTime);
const TCDBFieldSpec VALID_TO(kTable, "VALID_TO", Type::DateTime);
const TCDBTableSpec SPEC{DB::TableNumber::AccessCardAccessGroupLinks,
                         kTable,
                         &ID,
                         {&ID, &CARD_LINK, &ACCESS_GROUP_LINK, &VALID_FROM, &VALID_TO}};
} // namespace Table_AccessCardAccessGroupLinks

namespace Table_AccessDoors {
static constexpr char kTable[] = "AccessDoors";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec NAME(kTable, "NAME", Type::Text);
const TCDBFieldSpec TYPE(kTable, "TYPE", Type::Integer);
const TCDBFieldSpec INSTANCENO(kTable, "INSTANCENO", Type::Integer);
const TCDBFieldSpec KEYNODE(kTable, "KEYNODE", Type::RecordID);
const TCDBFieldSpec ELEVATOR_LINK(kTable, "ELEVATOR_LINK", Type::RecordID);
const TCDBTableSpec SPEC{
    DB::TableNumber::AccessDoors, kTable, &ID, {&ID, &NAME, &TYPE, &INSTANCENO, &KEYNODE, &ELEVATOR_LINK}};
} // namespace Table_AccessDoors

namespace Table_AccessReaders {
static constexpr char kTable[] = "AccessReaders";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec NAME(kTable, "NAME", Type::Text);
const TCDBFieldSpec TYPE(kTable, "TYPE", Type::RecordID);
const TCDBFieldSpec INSTANCENO(kTable, "INSTANCENO", Type::Integer);
const TCDBFieldSpec DOORLINK(kTable, "DOORLINK", Type::RecordID);
const TCDBTableSpec SPEC{
    DB::TableNumber::AccessReaders, kTable, &ID, {&ID, &NAME, &TYPE, &INSTANCENO, &DOORLINK}};
} // namespace Table_AccessReaders

namespace Table_AccessMultiDoorsLink {
static constexpr char kTable[] = "AccessMultiDoorsLink";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec DOOR_LINK(kTable, "DOOR_LINK", Type::RecordID);
const TCDBFieldSpec READER_LINK(kTable, "READER_LINK", Type::RecordID);
const TCDBTableSpec SPEC{DB::TableNumber::AccessMultiDoorsLink, kTable, &ID, {&ID, &DOOR_LINK, &READER_LINK}};
} // namespace Table_AccessMultiDoorsLink
