#include "Event/TCClientEventDetails.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace Event {

TCClientEventDetails::TCClientEventDetails(int detailID, const Accessories::TCNullTypes<int>& tableID,
                                           const Accessories::TCRecordID& ownerID,
                                           const Accessories::TCNullTypes<std::string>& value)
    : m_DetailID(detailID), m_TableID(tableID), m_OwnerID(ownerID), m_Value(value) {}

TCClientEventDetails& TCClientEventDetails::set_Value(int value) {
    return set_Value(std::to_string(value));
}

TCClientEventDetails& TCClientEventDetails::set_Value(const std::string& value) {
    m_Value = value;
    return *this;
}

TCClientEventDetails& TCClientEventDetails::set_Value(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        text.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(args);
    return set_Value(text);
}

} // namespace Event
