#pragma once
#include "Web/Resource.h"

#include <cstddef>

namespace keynoded {

// "/openapi.json": the API's contract (docs/openapi.json, built into the program), without authentication.
class OpenApiResource : public Web::Resource {
public:
    void handleRequest(const Web::Request& request, Web::Response& response) override;
};

// The document, gzip-compressed, and the length of its text.
extern const unsigned char kOpenApiDocument[];
extern const std::size_t kOpenApiDocumentSize;
extern const std::size_t kOpenApiDocumentTextSize;

} // namespace keynoded
