#pragma once
#include <ostream>
#include <string>

namespace KeynodeApi {

// The answer to one API call, whichever transport carries it back.
class KnaWebResponse {
public:
    virtual ~KnaWebResponse() = default;

    virtual void setMimeType(const std::string& mimeType) = 0;
    virtual void setStatus(int status) = 0;
    virtual std::ostream& out() = 0;
    virtual void addHeader(const std::string& name, const std::string& value) = 0;
    // Bytes written to the body so far, as the caller will receive them.
    virtual int GetResponseSizeBytes() = 0;
    // Discards the body written so far; only transports with a size limit support it.
    virtual void ClearOutput() = 0;
};

} // namespace KeynodeApi
