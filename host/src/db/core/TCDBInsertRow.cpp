#include "DB/TCDBInsertRow.h"

#include <type_traits>
#include <variant>

namespace DB {

Accessories::TCRecordID InsertRow(TCDBBasicTable& table, const TCDBRowValues& values) {
    TCDBAutoObject row;
    table.CreateObject(row);
    for (const auto& [field, value] : values) {
        TCDBField column = row.Field(*field);
        std::visit(
            [&column](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, std::monostate>)
                    column.SetNull();
                else if constexpr (std::is_same_v<T, int64_t>)
                    column.set_AsBigInt(v);
                else if constexpr (std::is_same_v<T, double>)
                    column.set_AsReal(v);
                else
                    column.set_AsString(v);
            },
            value.get_Storage());
    }
    row.Save(false);
    return row.get_ID();
}

} // namespace DB
