#pragma once
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "Accessories/TCNullTypes.h"
#include "Accessories/TCRecordID.h"
#include "Accessories/TCUTCTime.h"

#pragma GCC visibility push(default)

namespace DB {

// A value bound to a prepared statement. Booleans, record IDs and times are stored as integers.
class TCDBParam {
public:
    using Storage = std::variant<std::monostate, int64_t, double, std::string>;

    TCDBParam() = default; // null
    TCDBParam(std::nullptr_t) {}
    TCDBParam(int v) : m_Value(int64_t(v)) {}
    TCDBParam(long v) : m_Value(int64_t(v)) {}
    TCDBParam(long long v) : m_Value(int64_t(v)) {}
    TCDBParam(bool v) : m_Value(int64_t(v ? 1 : 0)) {}
    TCDBParam(double v) : m_Value(v) {}
    TCDBParam(const char* v) : m_Value(std::string(v)) {}
    TCDBParam(std::string v) : m_Value(std::move(v)) {}
    TCDBParam(const Accessories::TCRecordID& v) {
        if (v.IsNotNull()) m_Value = v.get_ID();
    }
    TCDBParam(const TCUTCTime& v) : m_Value(v.get_Seconds()) {}
    template <class T> TCDBParam(const Accessories::TCNullTypes<T>& v) {
        if (v.IsNotNull()) *this = TCDBParam(v.get_Value());
    }

    bool IsNull() const { return std::holds_alternative<std::monostate>(m_Value); }
    const Storage& get_Storage() const { return m_Value; }

private:
    Storage m_Value;
};

class TCDBFieldSpec;

// A SELECT of one column, usable inside In/NotIn. Made by TCDBBasicTable::GetSelect.
struct TCDBSubSelect {
    std::string Sql;
    std::vector<TCDBParam> Params;
};

// A condition: SQL text with '?' placeholders and the values bound to them, in order.
// An empty where selects every row.
class TCDBWhere {
public:
    TCDBWhere() = default;
    TCDBWhere(std::string sql, std::vector<TCDBParam> params)
        : m_Sql(std::move(sql)), m_Params(std::move(params)) {}

    bool IsEmpty() const { return m_Sql.empty(); }
    const std::string& get_Sql() const { return m_Sql; }
    const std::vector<TCDBParam>& get_Params() const { return m_Params; }
    // True for every row by the schema (a primary key is never null), e.g. Table_AccessCards::ID.IsNotNull().
    // Such a condition is left out of the SQL, so that SQLite can count a table from its b-tree instead of
    // testing every row.
    bool IsAlwaysTrue() const { return m_AlwaysTrue; }
    static TCDBWhere AlwaysTrue(std::string sql) {
        TCDBWhere where(std::move(sql), {});
        where.m_AlwaysTrue = true;
        return where;
    }

    // Appends a condition with AND (an empty side is dropped).
    TCDBWhere& operator<<(const TCDBWhere& other);

private:
    std::string m_Sql;
    std::vector<TCDBParam> m_Params;
    bool m_AlwaysTrue = false;
};

// Each side is parenthesised, so grouping never depends on how the parts were written. An empty side is
// dropped: an empty where is "no condition", which lets a condition be built up from nothing.
TCDBWhere operator&&(const TCDBWhere& a, const TCDBWhere& b);
TCDBWhere operator||(const TCDBWhere& a, const TCDBWhere& b);
// Groups a condition in parentheses.
TCDBWhere Brackets(const TCDBWhere& where);

// Comparisons of a column with a value. Comparing with a null value gives IS NULL (==) or IS NOT NULL (!=);
// the ordering comparisons with a null value match nothing. != with a value also matches rows whose column
// is null, as NotIn does.
TCDBWhere operator==(const TCDBFieldSpec& field, const TCDBParam& value);
TCDBWhere operator!=(const TCDBFieldSpec& field, const TCDBParam& value);
TCDBWhere operator<(const TCDBFieldSpec& field, const TCDBParam& value);
TCDBWhere operator<=(const TCDBFieldSpec& field, const TCDBParam& value);
TCDBWhere operator>(const TCDBFieldSpec& field, const TCDBParam& value);
TCDBWhere operator>=(const TCDBFieldSpec& field, const TCDBParam& value);

// Sort order: columns joined with +.
class TCDBOrder {
public:
    TCDBOrder() = default;
    TCDBOrder(const TCDBFieldSpec& field, bool descending = false);

    bool IsEmpty() const { return m_Sql.empty(); }
    const std::string& get_Sql() const { return m_Sql; }
    TCDBOrder operator+(const TCDBOrder& other) const;

private:
    std::string m_Sql;
};

} // namespace DB

#pragma GCC visibility pop
