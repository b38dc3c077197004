#pragma once
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#pragma GCC visibility push(default)

namespace Web {

// The answer a resource builds. The server adds Content-Length itself; status defaults to 200 and the
// mime type to "text/plain".
class Response {
public:
    using Headers = std::vector<std::pair<std::string, std::string>>;

    void setMimeType(std::string mimeType) { m_MimeType = std::move(mimeType); }
    void setStatus(int status) { m_Status = status; }
    // Headers are sent in the order added; adding a name twice sends it twice.
    void addHeader(std::string name, std::string value) {
        m_Headers.emplace_back(std::move(name), std::move(value));
    }
    // The body; tellp() gives the number of bytes written so far.
    std::ostream& out() { return m_Body; }

    const std::string& mimeType() const { return m_MimeType; }
    int status() const { return m_Status; }
    const Headers& headers() const { return m_Headers; }
    std::string body() const { return m_Body.str(); }

private:
    std::string m_MimeType = "text/plain";
    int m_Status = 200;
    Headers m_Headers;
    std::ostringstream m_Body;
};

} // namespace Web

#pragma GCC visibility pop
