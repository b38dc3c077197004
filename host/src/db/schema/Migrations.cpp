#include <string>

#include "SchemaVersion1.h"
#include "SchemaVersion2.h"
#include "SchemaVersion3.h"
#include "db/Schema.h"

const std::vector<std::string>& DB::SchemaMigrations() {
    static const std::vector<std::string> migrations = {
        std::string(SchemaVersion1::Tables) + SchemaVersion1::StaticData,
        SchemaVersion2::EventTypeTags,
        SchemaVersion3::Indexes,
    };
    return migrations;
}
