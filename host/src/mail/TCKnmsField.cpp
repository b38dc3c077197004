#include "Mail/TCKnmsField.h"

#include <cerrno>
#include <cstdlib>

std::string TCKnmsField::get_AsString() const {
    switch (m_Kind) {
    case Kind::Text:
        return m_Text;
    case Kind::Int:
        return std::to_string(m_Int);
    case Kind::Null:
        break;
    }
    return std::string();
}

int64_t TCKnmsField::get_AsBigInt() const {
    if (m_Kind == Kind::Int) return m_Int;
    if (m_Kind != Kind::Text || m_Text.empty()) return 0;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(m_Text.c_str(), &end, 10);
    return (errno == 0 && end != nullptr && *end == '\0') ? value : 0;
}

int TCKnmsField::get_AsInteger() const {
    const int64_t value = get_AsBigInt();
    return (value < INT32_MIN || value > INT32_MAX) ? 0 : static_cast<int>(value);
}

Accessories::TCNullTypes<int> TCKnmsField::get_AsNullInt() const {
    if (IsNull()) return Accessories::TCNullTypes<int>();
    return get_AsInteger();
}

Accessories::TCNullTypes<std::string> TCKnmsField::get_AsNullString() const {
    if (IsNull()) return Accessories::TCNullTypes<std::string>();
    return get_AsString();
}

Accessories::TCRecordID TCKnmsField::get_AsRecordID() const {
    return IsNull() ? Accessories::TCRecordID() : Accessories::TCRecordID(get_AsBigInt());
}

void TCKnmsField::SetNull() {
    m_Kind = Kind::Null;
    m_Text.clear();
    m_Int = 0;
}

TCKnmsField& TCKnmsField::operator=(const std::string& text) {
    m_Kind = Kind::Text;
    m_Text = text;
    m_Int = 0;
    return *this;
}

TCKnmsField& TCKnmsField::operator=(int64_t value) {
    m_Kind = Kind::Int;
    m_Text.clear();
    m_Int = value;
    return *this;
}

TCKnmsField& TCKnmsField::operator=(const Accessories::TCNullTypes<int>& value) {
    if (value.IsNull())
        SetNull();
    else
        *this = value.get_Value();
    return *this;
}

TCKnmsField& TCKnmsField::operator=(const Accessories::TCNullTypes<std::string>& value) {
    if (value.IsNull())
        SetNull();
    else
        *this = value.get_Value();
    return *this;
}

TCKnmsField& TCKnmsField::operator=(const Accessories::TCRecordID& id) {
    if (id.IsNull())
        SetNull();
    else
        *this = id.get_ID();
    return *this;
}

bool TCKnmsField::operator==(const TCKnmsField& other) const {
    return m_Kind == other.m_Kind && m_Text == other.m_Text && m_Int == other.m_Int;
}

TCKnmsField& TCKnmsRecord::Field(size_t index) {
    if (index >= m_Fields.size()) m_Fields.resize(index + 1);
    return m_Fields[index];
}

const TCKnmsField& TCKnmsRecord::Field(size_t index) const {
    static const TCKnmsField null;
    return index < m_Fields.size() ? m_Fields[index] : null;
}
