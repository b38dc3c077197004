#include "Property/TCCommonPropertyObject.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

using Accessories::TCNullTypes;

namespace Property {
namespace {

// The whole text as a decimal number; false for empty texts, surrounding blanks or other characters, and
// overflow (strtoll alone would skip leading blanks).
bool ParseBigInt(const std::string& text, long long& out) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno == ERANGE || end != text.c_str() + text.size()) return false;
    out = v;
    return true;
}

bool ParseInt(const std::string& text, int& out) {
    long long v = 0;
    if (!ParseBigInt(text, v) || v < INT_MIN || v > INT_MAX) return false;
    out = static_cast<int>(v);
    return true;
}

bool ParseBool(const std::string& text, bool& out) {
    std::string lower;
    for (char c : text)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "1" || lower == "true") return out = true, true;
    if (lower == "0" || lower == "false") return out = false, true;
    return false;
}

} // namespace

bool TCCommonPropertyObject::get_AsBool(bool def) const {
    bool v = false;
    return m_Value.IsNotNull() && ParseBool(m_Value.get_Value(), v) ? v : def;
}

TCNullTypes<bool> TCCommonPropertyObject::get_AsBool(const TCNullTypes<bool>& def) const {
    bool v = false;
    return m_Value.IsNotNull() && ParseBool(m_Value.get_Value(), v) ? TCNullTypes<bool>(v) : def;
}

int TCCommonPropertyObject::get_AsInteger(int def) const {
    int v = 0;
    return m_Value.IsNotNull() && ParseInt(m_Value.get_Value(), v) ? v : def;
}

TCNullTypes<int> TCCommonPropertyObject::get_AsInteger(const TCNullTypes<int>& def) const {
    int v = 0;
    return m_Value.IsNotNull() && ParseInt(m_Value.get_Value(), v) ? TCNullTypes<int>(v) : def;
}

long long TCCommonPropertyObject::get_AsBigInt(long long def) const {
    long long v = 0;
    return m_Value.IsNotNull() && ParseBigInt(m_Value.get_Value(), v) ? v : def;
}

TCNullTypes<long long> TCCommonPropertyObject::get_AsBigInt(const TCNullTypes<long long>& def) const {
    long long v = 0;
    return m_Value.IsNotNull() && ParseBigInt(m_Value.get_Value(), v) ? TCNullTypes<long long>(v) : def;
}

std::string TCCommonPropertyObject::get_AsString(const std::string& def) const {
    return m_Value.IsNotNull() ? m_Value.get_Value() : def;
}

TCNullTypes<std::string> TCCommonPropertyObject::get_AsString(const TCNullTypes<std::string>& def) const {
    return m_Value.IsNotNull() ? m_Value : def;
}

int TCCommonPropertyObject::get_ChoiceID(int def) const {
    return get_AsInteger(def);
}

TCPropertyChoiceID TCCommonPropertyObject::get_ChoiceID(const TCPropertyChoiceID& def) const {
    return TCPropertyChoiceID(get_AsInteger(def.get_ID()));
}

TCNullTypes<int> TCCommonPropertyObject::get_ChoiceID(const TCNullTypes<int>& def) const {
    return get_AsInteger(def);
}

} // namespace Property
