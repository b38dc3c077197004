#include "JsonTypes/TCJsonBase.h"

#include <cstdint>
#include <typeinfo>

#include <rapidjson/encodedstream.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include "Json/TCJsonParsingException.h"

namespace TCJson {

namespace {

// Deeper nesting than any request body has; refused as kParseErrorTermination.
constexpr int kMaxNestingDepth = 256;

// Passes the reader's events on to the document and stops the parse below kMaxNestingDepth: the reader
// recurses once per level, so a body of a few hundred thousand '[' would overflow the thread's stack.
class DepthLimitedHandler {
public:
    explicit DepthLimitedHandler(rapidjson::Document& doc) : m_Doc(doc) {}

    bool Null() { return m_Doc.Null(); }
    bool Bool(bool b) { return m_Doc.Bool(b); }
    bool Int(int i) { return m_Doc.Int(i); }
    bool Uint(unsigned i) { return m_Doc.Uint(i); }
    bool Int64(int64_t i) { return m_Doc.Int64(i); }
    bool Uint64(uint64_t i) { return m_Doc.Uint64(i); }
    bool Double(double d) { return m_Doc.Double(d); }
    bool RawNumber(const char* str, rapidjson::SizeType length, bool copy) {
        return m_Doc.RawNumber(str, length, copy);
    }
    bool String(const char* str, rapidjson::SizeType length, bool copy) {
        return m_Doc.String(str, length, copy);
    }
    bool Key(const char* str, rapidjson::SizeType length, bool copy) { return m_Doc.Key(str, length, copy); }
    bool StartObject() { return ++m_Depth <= kMaxNestingDepth && m_Doc.StartObject(); }
    bool EndObject(rapidjson::SizeType memberCount) {
        --m_Depth;
        return m_Doc.EndObject(memberCount);
    }
    bool StartArray() { return ++m_Depth <= kMaxNestingDepth && m_Doc.StartArray(); }
    bool EndArray(rapidjson::SizeType elementCount) {
        --m_Depth;
        return m_Doc.EndArray(elementCount);
    }

private:
    rapidjson::Document& m_Doc;
    int m_Depth = 0;
};

} // namespace

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
    // The reader, stream and flags of Document::Parse, so that every error code stays the same.
    rapidjson::Document doc;
    rapidjson::ParseResult result;
    auto parse = [&text, &result](rapidjson::Document& target) {
        rapidjson::MemoryStream memory(text.c_str(), text.size());
        rapidjson::EncodedInputStream<rapidjson::UTF8<>, rapidjson::MemoryStream> input(memory);
        DepthLimitedHandler handler(target);
        result = rapidjson::Reader().Parse<rapidjson::kParseDefaultFlags>(input, handler);
        return !result.IsError();
    };
    doc.Populate(parse);
    if (result.IsError())
        throw TCJsonParsingException(__FILE__, __LINE__, "doc.HasParseError()")
            .FormatOverride("Could not parse input, error: %d", static_cast<int>(result.Code()));
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
