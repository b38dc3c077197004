#include "SchemaVersion3.h"

// Card holders are filtered by validity; the indexes also give their count a small b-tree to walk.
const char* const DB::SchemaVersion3::Indexes = R"SQL(
CREATE INDEX AccessCardHolders_VALID_FROM ON AccessCardHolders (VALID_FROM);
CREATE INDEX AccessCardHolders_VALID_TO ON AccessCardHolders (VALID_TO);
)SQL";
