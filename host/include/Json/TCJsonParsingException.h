#pragma once
#include <cstdarg>
#include <string>

#include "Host/TCException.h"

#pragma GCC visibility push(default)

namespace TCJson {

// A JSON text that could not be parsed, a value of the wrong JSON type, or a JSON operation a type does
// not support. Carries the failed expression (empty when there was none) besides the message.
class TCJsonParsingException : public TCException {
public:
    TCJsonParsingException(const char* sourceFile, int line, const std::string& message);
    TCJsonParsingException(const char* sourceFile, int line, const std::string& expression,
                           const std::string& message);

    // Replaces the message with the formatted text and appends it to the full text; returns *this so that
    // `throw TCJsonParsingException(...).FormatOverride(...)` keeps the exception's type.
    TCJsonParsingException& FormatOverride(const char* format, ...) __attribute__((format(printf, 2, 3)));

    const std::string& GetMessage() const { return m_Message; }
    const std::string& GetExpression() const { return m_Expression; }

private:
    std::string m_Expression;
    std::string m_Message;
};

} // namespace TCJson

#pragma GCC visibility pop
