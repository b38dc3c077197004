#pragma once
#include <string>

#pragma GCC visibility push(default)

namespace DB {

// Runs SQL without parameters or results on the calling thread's connection. For DDL of infrastructure
// tables only (CREATE ... IF NOT EXISTS); data goes through the table classes with bound values.
void ExecuteSql(const std::string& sql);

} // namespace DB

#pragma GCC visibility pop
