#pragma once
// The one way the library includes RapidJSON. A failed RapidJSON assertion (reading a value as the wrong
// JSON type, asking a non-object for a member) must reach the caller as TCJson::TCJsonParsingException
// instead of aborting the process, so the hook is installed before the first RapidJSON header.
#if defined(RAPIDJSON_RAPIDJSON_H_) && !defined(KNA_RAPIDJSON_HOOKED)
#error "RapidJSON was included before KnaRapidJson.h; its assertions would not be routed"
#endif
#define KNA_RAPIDJSON_HOOKED 1

namespace KeynodeApi {
// Throws TCJson::TCJsonParsingException "RapidJson internal assertion failed" carrying the expression.
[[noreturn]] void ThrowRapidJsonAssertion(const char* expression, const char* sourceFile, int line);
} // namespace KeynodeApi

#define RAPIDJSON_ASSERT(x)                                                                                  \
    ((x) ? static_cast<void>(0) : ::KeynodeApi::ThrowRapidJsonAssertion(#x, __FILE__, __LINE__))
// Assertions inside noexcept functions guard only programming errors; throwing there would terminate.
#define RAPIDJSON_NOEXCEPT_ASSERT(x) static_cast<void>(0)
#define RAPIDJSON_HAS_STDSTRING 1

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace KeynodeApi {
using JsonAllocator = rapidjson::Document::AllocatorType;
} // namespace KeynodeApi
