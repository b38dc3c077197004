#include "DB/TCDBIterator.h"

#include "db/core/ValueConvert.h"

namespace DB {

using Accessories::TCNullTypes;

bool TCDBField::IsNull() const {
    return m_Value->IsNull();
}
int TCDBField::get_AsInteger() const {
    return int(Core::AsInt64(*m_Value));
}
int64_t TCDBField::get_AsBigInt() const {
    return Core::AsInt64(*m_Value);
}
bool TCDBField::get_AsBool() const {
    return Core::AsInt64(*m_Value) != 0;
}
std::string TCDBField::get_AsString() const {
    return Core::AsText(*m_Value);
}
double TCDBField::get_AsReal() const {
    return Core::AsDouble(*m_Value);
}

Accessories::TCRecordID TCDBField::get_AsRecordID() const {
    return IsNull() ? Accessories::TCRecordID() : Accessories::TCRecordID(Core::AsInt64(*m_Value));
}

TCUTCTime TCDBField::get_AsDateTime() const {
    return TCUTCTime(Core::AsInt64(*m_Value));
}

TCNullTypes<int> TCDBField::get_AsNullInt() const {
    return IsNull() ? TCNullTypes<int>() : TCNullTypes<int>(get_AsInteger());
}
TCNullTypes<long long> TCDBField::get_AsNullBigInt() const {
    return IsNull() ? TCNullTypes<long long>() : TCNullTypes<long long>(get_AsBigInt());
}
TCNullTypes<bool> TCDBField::get_AsNullBool() const {
    return IsNull() ? TCNullTypes<bool>() : TCNullTypes<bool>(get_AsBool());
}
TCNullTypes<std::string> TCDBField::get_AsNullString() const {
    return IsNull() ? TCNullTypes<std::string>() : TCNullTypes<std::string>(get_AsString());
}
TCNullTypes<TCUTCTime> TCDBField::get_AsNullDateTime() const {
    return IsNull() ? TCNullTypes<TCUTCTime>() : TCNullTypes<TCUTCTime>(get_AsDateTime());
}

namespace {

void Assign(TCDBParam* target, bool* changed, TCDBParam value) {
    *target = std::move(value);
    *changed = true;
}

} // namespace

void TCDBField::SetNull() {
    Assign(m_Value, m_Changed, TCDBParam());
}
void TCDBField::set_AsInteger(int v) {
    Assign(m_Value, m_Changed, v);
}
void TCDBField::set_AsBigInt(int64_t v) {
    Assign(m_Value, m_Changed, static_cast<long long>(v));
}
void TCDBField::set_AsBool(bool v) {
    Assign(m_Value, m_Changed, v);
}
void TCDBField::set_AsString(const std::string& v) {
    Assign(m_Value, m_Changed, v);
}
void TCDBField::set_AsReal(double v) {
    Assign(m_Value, m_Changed, v);
}
void TCDBField::set_AsRecordID(const Accessories::TCRecordID& v) {
    Assign(m_Value, m_Changed, v);
}
void TCDBField::set_AsDateTime(const TCUTCTime& v) {
    Assign(m_Value, m_Changed, v);
}
void TCDBField::set_AsNullInt(const TCNullTypes<int>& v) {
    Assign(m_Value, m_Changed, v);
}
void TCDBField::set_AsNullBigInt(const TCNullTypes<long long>& v) {
    Assign(m_Value, m_Changed, v);
}
void TCDBField::set_AsNullBool(const TCNullTypes<bool>& v) {
    Assign(m_Value, m_Changed, v);
}
void TCDBField::set_AsNullString(const TCNullTypes<std::string>& v) {
    Assign(m_Value, m_Changed, v);
}
void TCDBField::set_AsNullDateTime(const TCNullTypes<TCUTCTime>& v) {
    Assign(m_Value, m_Changed, v);
}

} // namespace DB
