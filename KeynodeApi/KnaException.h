#pragma once
#include <cstdarg>
#include <memory>
#include <string>

#include "Host/TCException.h"

namespace KeynodeApi {

class KnaJson_Error;

// A request that cannot be carried out. The message is what the caller sees; the host text (what())
// keeps the source location and, for FormatOverride, the condition that failed.
class KnaException : public TCException {
public:
    KnaException(const char* sourceFile, int line);
    KnaException(const char* sourceFile, int line, const std::string& message);

    // Sets the message from the format and appends ". " and it to the host text. Sites construct the
    // exception with the failed condition as its message and then override it with the user text.
    KnaException& FormatOverride(const char* format, ...) __attribute__((format(printf, 2, 3)));

    const std::string& GetMessage() const { return m_Message; }

protected:
    void FormatOverrideV(const char* format, va_list args);

private:
    std::string m_Message;
};

// Malformed or incomplete JSON input.
class KnaParsingException : public KnaException {
public:
    KnaParsingException(const char* sourceFile, int line, const std::string& message);

    // Same as KnaException::FormatOverride, but keeps the type so that the fault is still reported as a
    // parsing error.
    KnaParsingException& FormatOverride(const char* format, ...) __attribute__((format(printf, 2, 3)));
};

// Lets the thrower choose the error body and code, e.g. the record-not-found error.
class KnaJsonErrorException : public KnaException {
public:
    KnaJsonErrorException(const char* sourceFile, int line, std::unique_ptr<KnaJson_Error> error);
    KnaJsonErrorException(const char* sourceFile, int line, std::shared_ptr<KnaJson_Error> error);

    // May be empty when an empty pointer was given.
    const std::shared_ptr<KnaJson_Error>& GetError() const { return m_Error; }

private:
    std::shared_ptr<KnaJson_Error> m_Error;
};

// Throws KnaParsingException with the condition text when cond is false, e.g.
// KNA_PARSING_ASSERT(value.IsObject(), "Expected JSON object").
#define KNA_PARSING_ASSERT(cond, ...)                                                                        \
    do {                                                                                                     \
        if (!(cond))                                                                                         \
            throw ::KeynodeApi::KnaParsingException(__FILE__, __LINE__, #cond).FormatOverride(__VA_ARGS__);  \
    } while (0)

} // namespace KeynodeApi
