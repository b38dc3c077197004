#pragma once
#include <cstdint>
#include <string>

#include "DB/TCDBWhere.h"

namespace DB::Core {

// Reads a stored value as another type, the way SQLite would convert it; null reads as 0 or "".
int64_t AsInt64(const TCDBParam& value);
double AsDouble(const TCDBParam& value);
std::string AsText(const TCDBParam& value);

} // namespace DB::Core
