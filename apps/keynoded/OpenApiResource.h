#pragma once
#include "Web/Resource.h"

namespace keynoded {

// "/openapi.json": the API's contract (docs/openapi.json, built into the program), without authentication.
class OpenApiResource : public Web::Resource {
public:
    void handleRequest(const Web::Request& request, Web::Response& response) override;
};

// The document's text.
extern const char* const kOpenApiDocument;

} // namespace keynoded
