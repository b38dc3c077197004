#pragma once
#include <string>

#include "JsonTypes/KnaRapidJson.h"

namespace TCJson {

// Base of every JSON type. A type overrides only the directions it supports; the others throw
// TCJsonParsingException naming the type.
class TCJsonBase {
public:
    virtual ~TCJsonBase() = default;

    // Adds this object's members to a document whose root is already an object (or array).
    virtual void SerializeToDoc(rapidjson::Document& doc) const;
    // Turns this object into one value; false when there is nothing to add.
    virtual bool SerializeToValue(KeynodeApi::JsonAllocator& allocator, rapidjson::Value& value) const;
    virtual void Deserialize(const rapidjson::Document& doc);
    virtual void Deserialize(const rapidjson::Value& value);

    // Parses the text as strict JSON and deserializes the document.
    void DeserializeString(const std::string& text);

protected:
    TCJsonBase() = default;
    TCJsonBase(const TCJsonBase&) = default;
    TCJsonBase& operator=(const TCJsonBase&) = default;

private:
    // format holds one "%s" for the type name.
    [[noreturn]] void ThrowNotImplemented(const std::string& format) const;
};

} // namespace TCJson
