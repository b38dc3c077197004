#include "Json/TCJsonParsingException.h"

#include <cstdio>
#include <vector>

namespace TCJson {

namespace {

std::string FormatText(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<size_t>(length));
}

} // namespace

TCJsonParsingException::TCJsonParsingException(const char* sourceFile, int line, const std::string& message)
    : TCException(sourceFile, line, message), m_Message(message) {}

TCJsonParsingException::TCJsonParsingException(const char* sourceFile, int line,
                                               const std::string& expression, const std::string& message)
    : TCException(sourceFile, line, expression), m_Expression(expression), m_Message(message) {
    // The full text reads "file:line: expression. message", the same shape FormatOverride produces.
    SetText(GetText() + ". " + message);
}

TCJsonParsingException& TCJsonParsingException::FormatOverride(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_Message = FormatText(format, args);
    va_end(args);
    SetText(GetText() + ". " + m_Message);
    return *this;
}

} // namespace TCJson
