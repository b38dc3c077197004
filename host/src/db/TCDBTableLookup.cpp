#include "DB/TCDBTableLookup.h"

#include "Schema.h"

namespace DB {

const TCDBTableSpec* FindTableSpec(const std::string& nameOrNumber) {
    for (const TCDBTableSpec* spec : AllTableSpecs())
        if (nameOrNumber == spec->Name || nameOrNumber == std::to_string(spec->TableID)) return spec;
    return nullptr;
}

} // namespace DB
