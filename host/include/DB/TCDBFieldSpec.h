#pragma once
#include <set>
#include <string>

#include "DB/TCDBWhere.h"

#pragma GCC visibility push(default)

namespace DB {

enum class TEDBFieldType { Integer, BigInt, Bool, Text, RecordID, DateTime, Real };

// A column of a table. Columns are global constants, e.g. Table_AccessCards::CARDNO.
class TCDBFieldSpec {
public:
    TCDBFieldSpec(const char* table, const char* column, TEDBFieldType type)
        : m_Table(table), m_Column(column), m_Type(type) {}

    const char* get_TableName() const { return m_Table; }
    const char* get_Name() const { return m_Column; }
    TEDBFieldType get_Type() const { return m_Type; }
    // "Table"."COLUMN", as used in generated SQL.
    std::string get_QualifiedName() const;

    TCDBWhere IsNull() const;
    TCDBWhere IsNotNull() const;
    TCDBWhere In(const std::set<Accessories::TCRecordID>& ids) const; // null IDs are skipped; empty set matches nothing
    TCDBWhere NotIn(const std::set<Accessories::TCRecordID>& ids) const;
    TCDBWhere In(const TCDBSubSelect& select) const;
    TCDBWhere NotIn(const TCDBSubSelect& select) const;

private:
    const char* m_Table;
    const char* m_Column;
    TEDBFieldType m_Type;
};

} // namespace DB

#pragma GCC visibility pop
