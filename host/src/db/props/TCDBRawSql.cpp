#include "DB/TCDBRawSql.h"

#include "db/core/Connection.h"
#include "db/core/DatabaseInstance.h"

namespace DB {

void ExecuteSql(const std::string& sql) {
    Core::ThreadConnection().ExecuteScript(sql, "DDL");
}

} // namespace DB
