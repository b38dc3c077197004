#include "KnaException.h"

#include <cstdio>
#include <vector>

#include "Debug/TCDebug.h"
#include "JsonTypes/KnaJson_Error.h"

namespace KeynodeApi {

KnaException::KnaException(const char* sourceFile, int line) : TCException(sourceFile, line) {}

KnaException::KnaException(const char* sourceFile, int line, const std::string& message)
    : TCException(sourceFile, line, message), m_Message(message) {}

KnaException& KnaException::FormatOverride(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatOverrideV(format, args);
    va_end(args);
    return *this;
}

void KnaException::FormatOverrideV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    m_Message.clear();
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        m_Message.assign(buffer.data(), static_cast<size_t>(length));
    }
    SetText(GetText() + ". " + m_Message);
    if (IsDebugLevel(DEBUG_COMMON)) SendDebugOutput(DEBUG_COMMON, "Exception occured %s", GetText().c_str());
}

KnaParsingException::KnaParsingException(const char* sourceFile, int line, const std::string& message)
    : KnaException(sourceFile, line, message) {}

KnaParsingException& KnaParsingException::FormatOverride(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatOverrideV(format, args);
    va_end(args);
    return *this;
}

KnaJsonErrorException::KnaJsonErrorException(const char* sourceFile, int line,
                                             std::unique_ptr<KnaJson_Error> error)
    : KnaException(sourceFile, line), m_Error(std::move(error)) {}

KnaJsonErrorException::KnaJsonErrorException(const char* sourceFile, int line,
                                             std::shared_ptr<KnaJson_Error> error)
    : KnaException(sourceFile, line), m_Error(std::move(error)) {}

} // namespace KeynodeApi
