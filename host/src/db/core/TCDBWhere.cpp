#include "DB/TCDBWhere.h"

#include "DB/TCDBFieldSpec.h"
#include "db/core/SqlText.h"

namespace DB {

namespace {

// Up to this many IDs are bound one per placeholder; larger sets go as one JSON array, which keeps
// below SQLite's limit on bound values and keeps the number of distinct statement texts small.
constexpr size_t MAX_PLACEHOLDER_IDS = 100;

std::vector<TCDBParam> Concat(std::vector<TCDBParam> a, const std::vector<TCDBParam>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TCDBWhere Combine(const TCDBWhere& a, const TCDBWhere& b, const char* op) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return TCDBWhere("(" + a.get_Sql() + ") " + op + " (" + b.get_Sql() + ")",
                     Concat(a.get_Params(), b.get_Params()));
}

TCDBWhere Compare(const TCDBFieldSpec& field, const char* op, const TCDBParam& value) {
    return TCDBWhere(field.get_QualifiedName() + " " + op + " ?", {value});
}

// "(list)" of the non-null IDs with their values, or nothing when there are none.
bool IDList(const std::set<Accessories::TCRecordID>& ids, std::string& sql, std::vector<TCDBParam>& params) {
    for (const auto& id : ids)
        if (id.IsNotNull()) params.emplace_back(id);
    if (params.empty()) return false;
    if (params.size() <= MAX_PLACEHOLDER_IDS) {
        sql = "(?";
        for (size_t i = 1; i < params.size(); ++i)
            sql += ", ?";
        sql += ")";
        return true;
    }
    std::string json = "[";
    for (const auto& id : ids) {
        if (id.IsNull()) continue;
        if (json.size() > 1) json += ",";
        json += std::to_string(id.get_ID());
    }
    json += "]";
    sql = "(SELECT value FROM json_each(?))";
    params.assign(1, TCDBParam(json));
    return true;
}

// A row whose column is null holds none of the values, so NOT IN includes it.
TCDBWhere NotInList(const TCDBFieldSpec& field, const std::string& list, std::vector<TCDBParam> params) {
    const std::string name = field.get_QualifiedName();
    return TCDBWhere("(" + name + " IS NULL OR " + name + " NOT IN " + list + ")", std::move(params));
}

} // namespace

TCDBWhere& TCDBWhere::operator<<(const TCDBWhere& other) {
    *this = *this && other;
    return *this;
}

TCDBWhere operator&&(const TCDBWhere& a, const TCDBWhere& b) {
    if (a.IsAlwaysTrue() && !b.IsEmpty()) return b;
    if (b.IsAlwaysTrue() && !a.IsEmpty()) return a;
    return Combine(a, b, "AND");
}
TCDBWhere operator||(const TCDBWhere& a, const TCDBWhere& b) {
    if (a.IsAlwaysTrue()) return a;
    if (b.IsAlwaysTrue()) return b;
    return Combine(a, b, "OR");
}

TCDBWhere Brackets(const TCDBWhere& where) {
    if (where.IsEmpty() || where.IsAlwaysTrue()) return where;
    return TCDBWhere("(" + where.get_Sql() + ")", where.get_Params());
}

TCDBWhere operator==(const TCDBFieldSpec& field, const TCDBParam& value) {
    return value.IsNull() ? field.IsNull() : Compare(field, "=", value);
}

// IS NOT rather than <>: a row whose column is null differs from every value.
TCDBWhere operator!=(const TCDBFieldSpec& field, const TCDBParam& value) {
    return value.IsNull() ? field.IsNotNull() : Compare(field, "IS NOT", value);
}

TCDBWhere operator<(const TCDBFieldSpec& field, const TCDBParam& value) {
    return Compare(field, "<", value);
}
TCDBWhere operator<=(const TCDBFieldSpec& field, const TCDBParam& value) {
    return Compare(field, "<=", value);
}
TCDBWhere operator>(const TCDBFieldSpec& field, const TCDBParam& value) {
    return Compare(field, ">", value);
}
TCDBWhere operator>=(const TCDBFieldSpec& field, const TCDBParam& value) {
    return Compare(field, ">=", value);
}

std::string TCDBFieldSpec::get_QualifiedName() const {
    std::string name = Core::QuoteName(m_Table);
    name += '.';
    name += Core::QuoteName(m_Column);
    return name;
}

TCDBWhere TCDBFieldSpec::IsNull() const {
    return TCDBWhere(get_QualifiedName() + " IS NULL", {});
}
TCDBWhere TCDBFieldSpec::IsNotNull() const {
    // Every table's ID is its INTEGER PRIMARY KEY, which SQLite never leaves null.
    if (std::string_view(m_Column) == "ID")
        return TCDBWhere::AlwaysTrue(get_QualifiedName() + " IS NOT NULL");
    return TCDBWhere(get_QualifiedName() + " IS NOT NULL", {});
}

TCDBWhere TCDBFieldSpec::In(const std::set<Accessories::TCRecordID>& ids) const {
    std::string list;
    std::vector<TCDBParam> params;
    if (!IDList(ids, list, params)) return TCDBWhere("0", {}); // not empty: an empty where would match all
    return TCDBWhere(get_QualifiedName() + " IN " + list, std::move(params));
}

TCDBWhere TCDBFieldSpec::NotIn(const std::set<Accessories::TCRecordID>& ids) const {
    std::string list;
    std::vector<TCDBParam> params;
    if (!IDList(ids, list, params)) return TCDBWhere("1", {});
    return NotInList(*this, list, std::move(params));
}

TCDBWhere TCDBFieldSpec::In(const TCDBSubSelect& select) const {
    return TCDBWhere(get_QualifiedName() + " IN (" + select.Sql + ")", select.Params);
}

TCDBWhere TCDBFieldSpec::NotIn(const TCDBSubSelect& select) const {
    return NotInList(*this, "(" + select.Sql + ")", select.Params);
}

TCDBOrder::TCDBOrder(const TCDBFieldSpec& field, bool descending)
    : m_Sql(field.get_QualifiedName() + (descending ? " DESC" : " ASC")) {}

TCDBOrder TCDBOrder::operator+(const TCDBOrder& other) const {
    if (other.IsEmpty()) return *this;
    if (IsEmpty()) return other;
    TCDBOrder joined;
    joined.m_Sql = m_Sql + ", " + other.m_Sql;
    return joined;
}

} // namespace DB
