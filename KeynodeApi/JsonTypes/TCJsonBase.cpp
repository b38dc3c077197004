#include "JsonTypes/TCJsonBase.h"

#include <typeinfo>

#include "Json/TCJsonParsingException.h"

namespace TCJson {

void TCJsonBase::SerializeToDoc(rapidjson::Document&) const {
    ThrowNotImplemented("Serialize to JSON Document not implemented for %s");
}

bool TCJsonBase::SerializeToValue(KeynodeApi::JsonAllocator&, rapidjson::Value&) const {
    ThrowNotImplemented("Serialize to JSON Value not implemented for %s");
}

void TCJsonBase::Deserialize(const rapidjson::Document&) {
    ThrowNotImplemented("Deserialize from JSON Document not implemented for %s");
}

void TCJsonBase::Deserialize(const rapidjson::Value&) {
    ThrowNotImplemented("Deserialize from JSON Value not implemented for %s");
}

void TCJsonBase::DeserializeString(const std::string& text) {
    rapidjson::Document doc;
    doc.Parse(text.c_str(), text.size());
    if (doc.HasParseError())
        throw TCJsonParsingException(__FILE__, __LINE__, "doc.HasParseError()")
            .FormatOverride("Could not parse input, error: %d", static_cast<int>(doc.GetParseError()));
    Deserialize(doc);
}

void TCJsonBase::ThrowNotImplemented(const std::string& format) const {
    const char* typeName = typeid(*this).name();
    // Some ABIs mark internal type names with a leading '*'.
    if (*typeName == '*') ++typeName;
    std::string message = format;
    message.replace(message.find("%s"), 2, typeName);
    throw TCJsonParsingException(__FILE__, __LINE__, message);
}

} // namespace TCJson
