#pragma once
#include <exception>
#include <string>

#pragma GCC visibility push(default)

// Base of every exception the host throws. what() gives the full text: source location and message.
class TCException : public std::exception {
public:
    TCException(const char* sourceFile, int line);
    TCException(const char* sourceFile, int line, const std::string& message);

    // Sets the message from a printf-style format; returns *this so that `throw e.Format(...)` reads well.
    TCException& Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

    const char* what() const noexcept override { return m_Text.c_str(); }
    const std::string& GetText() const { return m_Text; }
    const std::string& GetHostMessage() const { return m_HostMessage; }
    const char* GetSourceFile() const { return m_SourceFile; }
    int GetLine() const { return m_Line; }

protected:
    void SetText(std::string text) { m_Text = std::move(text); }
    void SetHostMessage(const std::string& message);

private:
    const char* m_SourceFile;
    int m_Line;
    std::string m_HostMessage;
    std::string m_Text;
};

// Thrown by host assertions: the failed expression becomes the message.
class TCAssertionException : public TCException {
public:
    TCAssertionException(const char* sourceFile, int line, const std::string& expression,
                         const std::string& message = std::string());
    const std::string& GetExpression() const { return m_Expression; }

private:
    std::string m_Expression;
};

#define HOST_ASSERT(expr)                                                                                    \
    do {                                                                                                     \
        if (!(expr)) throw TCAssertionException(__FILE__, __LINE__, #expr);                                  \
    } while (0)
#define HOST_ASSERT_MSG(expr, msg)                                                                           \
    do {                                                                                                     \
        if (!(expr)) throw TCAssertionException(__FILE__, __LINE__, #expr, msg);                             \
    } while (0)

#pragma GCC visibility pop
