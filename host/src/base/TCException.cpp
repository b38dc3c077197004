#include "Host/TCException.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// __FILE__ carries the build's directory layout; only the file name is useful in a message.
const char* BaseName(const char* path) {
    if (path == nullptr) return "";
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

std::string ComposeText(const char* sourceFile, int line, const std::string& message) {
    std::string text = std::string(BaseName(sourceFile)) + ":" + std::to_string(line);
    if (!message.empty()) text += ": " + message;
    return text;
}

} // namespace

TCException::TCException(const char* sourceFile, int line) : TCException(sourceFile, line, std::string()) {}

TCException::TCException(const char* sourceFile, int line, const std::string& message)
    : m_SourceFile(sourceFile != nullptr ? sourceFile : ""), m_Line(line) {
    SetHostMessage(message);
}

TCException& TCException::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string message;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        message.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(args);
    SetHostMessage(message);
    return *this;
}

void TCException::SetHostMessage(const std::string& message) {
    m_HostMessage = message;
    m_Text = ComposeText(m_SourceFile, m_Line, m_HostMessage);
}

TCAssertionException::TCAssertionException(const char* sourceFile, int line, const std::string& expression,
                                           const std::string& message)
    : TCException(sourceFile, line), m_Expression(expression) {
    SetHostMessage(message.empty() ? "Assertion failed: " + expression : message);
}
