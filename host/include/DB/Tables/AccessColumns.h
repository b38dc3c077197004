#pragma once
#include "DB/TCDBBasicTable.h"

#pragma GCC visibility push(default)

// Columns of the access-control tables. The SQL table is named after the namespace without "Table_", the
// SQL column after the constant. Every table's primary key is ID.

// Card types; cards of a hidden type are kept out of the card resource.
namespace Table_AccessCardTypes {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec NAME;
extern const DB::TCDBFieldSpec HIDDEN; // 1 hides the type's cards; 0 or null shows them
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_AccessCardTypes

namespace Table_AccessCardHolders {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec FIRSTNAME;
extern const DB::TCDBFieldSpec MIDDLENAME;
extern const DB::TCDBFieldSpec LASTNAME;
extern const DB::TCDBFieldSpec INFO;
extern const DB::TCDBFieldSpec COMPANYNAME;
extern const DB::TCDBFieldSpec VALID_FROM;
extern const DB::TCDBFieldSpec VALID_TO;
extern const DB::TCDBFieldSpec TYPE;
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_AccessCardHolders

namespace Table_AccessCards {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec CARDNO;
extern const DB::TCDBFieldSpec CARDHOLDER; // -> AccessCardHolders
extern const DB::TCDBFieldSpec BLOCKED;
extern const DB::TCDBFieldSpec PINCODE;
extern const DB::TCDBFieldSpec OPTIONS; // option-bit text
extern const DB::TCDBFieldSpec INFO;
extern const DB::TCDBFieldSpec TYPE; // -> AccessCardTypes
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_AccessCards

namespace Table_AccessGroups {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec NAME;
extern const DB::TCDBFieldSpec INFO;
extern const DB::TCDBFieldSpec PRIORITY;
extern const DB::TCDBFieldSpec REUSABLE;
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_AccessGroups

// Door rights of an access group: through DOOR under WEEKPROGRAM.
namespace Table_AccessGroupRights {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec ACCESSGROUP; // -> AccessGroups
extern const DB::TCDBFieldSpec DOOR;        // -> AccessDoors
extern const DB::TCDBFieldSpec WEEKPROGRAM; // -> CommonWeekPrograms
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_AccessGroupRights

namespace Table_AccessCardAccessGroupLinks {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec CARD_LINK;         // -> AccessCards
extern const DB::TCDBFieldSpec ACCESS_GROUP_LINK; // -> AccessGroups
extern const DB::TCDBFieldSpec VALID_FROM;
extern const DB::TCDBFieldSpec VALID_TO;
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_AccessCardAccessGroupLinks

namespace Table_AccessDoors {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec NAME;
extern const DB::TCDBFieldSpec TYPE;
extern const DB::TCDBFieldSpec INSTANCENO;
extern const DB::TCDBFieldSpec KEYNODE;       // -> SystemKeynodes
extern const DB::TCDBFieldSpec ELEVATOR_LINK; // elevator of the door, kept as given
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_AccessDoors

namespace Table_AccessReaders {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec NAME;
extern const DB::TCDBFieldSpec TYPE; // reader type; 2 may serve further doors through AccessMultiDoorsLink
extern const DB::TCDBFieldSpec INSTANCENO;
extern const DB::TCDBFieldSpec DOORLINK; // -> AccessDoors, the reader's own door
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_AccessReaders

// Further doors a reader serves besides its own.
namespace Table_AccessMultiDoorsLink {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec DOOR_LINK;   // -> AccessDoors
extern const DB::TCDBFieldSpec READER_LINK; // -> AccessReaders
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_AccessMultiDoorsLink

#pragma GCC visibility pop
