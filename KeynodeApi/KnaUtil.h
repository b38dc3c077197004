#pragma once
#include <cstddef>
#include <string>

#include "JsonTypes/KnaRapidJson.h"

namespace KeynodeApi {

class KnaJson_BaseType;

class KnaUtil {
public:
    // Event-log texts are limited in size; longer texts keep their first bytes.
    static constexpr size_t MAX_EVENTLOG_TEXT_BYTES = 1024;
    static std::string GetEvenlogFriendlyErrorString(const std::string& text);

    // The document as JSON text without whitespace, always valid UTF-8: invalid sequences in texts are
    // written as U+FFFD.
    static std::string WriteCompact(const rapidjson::Document& doc);
    // A response body: a document with the root the object asks for, filled by its SerializeToDoc.
    static std::string SerializeToCompactString(const KnaJson_BaseType& object);
};

} // namespace KeynodeApi
