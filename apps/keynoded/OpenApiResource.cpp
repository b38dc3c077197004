#include "OpenApiResource.h"

#include "Web/Request.h"
#include "Web/Response.h"

#define ZLIB_CONST
#include <zlib.h>

#include <stdexcept>
#include <string>

namespace keynoded {

namespace {

// Inflated on first use: the program holds it compressed.
const std::string& documentText() {
    static const std::string text = [] {
        std::string out(kOpenApiDocumentTextSize, '\0');
        z_stream stream{};
        if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) throw std::runtime_error("zlib: no memory");
        stream.next_in = kOpenApiDocument;
        stream.avail_in = static_cast<uInt>(kOpenApiDocumentSize);
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = static_cast<uInt>(out.size());
        const int result = inflate(&stream, Z_FINISH);
        const bool complete = result == Z_STREAM_END && stream.total_out == out.size();
        inflateEnd(&stream);
        if (!complete) throw std::logic_error("the built-in OpenAPI document does not inflate");
        return out;
    }();
    return text;
}

} // namespace

void OpenApiResource::handleRequest(const Web::Request& request, Web::Response& response) {
    response.setMimeType("application/json");
    if (!request.pathInfo().empty()) {
        response.setStatus(404);
        response.out() << R"({"errors":[{"code":1,"msg":"Not found","msgDetails":""}]})";
        return;
    }
    if (request.method() != "GET" && request.method() != "HEAD") {
        response.setStatus(405);
        response.addHeader("Allow", "GET, HEAD");
        response.out() << R"({"errors":[{"code":1,"msg":"Method not allowed","msgDetails":""}]})";
        return;
    }
    response.out() << documentText();
}

} // namespace keynoded
