#include "OpenApiResource.h"

#include "Web/Request.h"
#include "Web/Response.h"

namespace keynoded {

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
    response.out() << kOpenApiDocument;
}

} // namespace keynoded
