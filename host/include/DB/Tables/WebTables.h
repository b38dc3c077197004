#pragma once
#include "DB/Tables/WebColumns.h"

#pragma GCC visibility push(default)

namespace Web {

class TCDBWebUsers : public DB::TCDBBasicTable {
public:
    TCDBWebUsers() : TCDBBasicTable(Table_WebUsers::SPEC) {}
};

class TCDBWebUserClaims : public DB::TCDBBasicTable {
public:
    TCDBWebUserClaims() : TCDBBasicTable(Table_WebUserClaims::SPEC) {}
};

class TCDBWebCloudUsers : public DB::TCDBBasicTable {
public:
    TCDBWebCloudUsers() : TCDBBasicTable(Table_WebCloudUsers::SPEC) {}
};

} // namespace Web

#pragma GCC visibility pop
