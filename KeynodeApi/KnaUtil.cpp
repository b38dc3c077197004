#include "KnaUtil.h"

#include <string_view>

#include "JsonTypes/KnaJson_BaseType.h"
#include "Text/TCUtf8.h"

namespace KeynodeApi {

std::string KnaUtil::GetEvenlogFriendlyErrorString(const std::string& text) {
    return text.size() > MAX_EVENTLOG_TEXT_BYTES ? text.substr(0, MAX_EVENTLOG_TEXT_BYTES) : text;
}

namespace {

// Passes the document's events to the writer with every text made valid UTF-8: stored texts are written
// back as they came, and strict readers refuse invalid sequences.
class ValidUtf8Writer {
public:
    explicit ValidUtf8Writer(rapidjson::StringBuffer& buffer) : m_Writer(buffer) {}

    bool Null() { return m_Writer.Null(); }
    bool Bool(bool b) { return m_Writer.Bool(b); }
    bool Int(int i) { return m_Writer.Int(i); }
    bool Uint(unsigned i) { return m_Writer.Uint(i); }
    bool Int64(int64_t i) { return m_Writer.Int64(i); }
    bool Uint64(uint64_t i) { return m_Writer.Uint64(i); }
    bool Double(double d) { return m_Writer.Double(d); }
    bool RawNumber(const char* str, rapidjson::SizeType length, bool copy) {
        return m_Writer.RawNumber(str, length, copy);
    }
    bool String(const char* str, rapidjson::SizeType length, bool copy) {
        return WriteText(str, length, copy, [this](const char* s, rapidjson::SizeType n, bool c) {
            return m_Writer.String(s, n, c);
        });
    }
    bool Key(const char* str, rapidjson::SizeType length, bool copy) {
        return WriteText(str, length, copy, [this](const char* s, rapidjson::SizeType n, bool c) {
            return m_Writer.Key(s, n, c);
        });
    }
    bool StartObject() { return m_Writer.StartObject(); }
    bool EndObject(rapidjson::SizeType memberCount) { return m_Writer.EndObject(memberCount); }
    bool StartArray() { return m_Writer.StartArray(); }
    bool EndArray(rapidjson::SizeType elementCount) { return m_Writer.EndArray(elementCount); }

private:
    template <class Write>
    static bool WriteText(const char* str, rapidjson::SizeType length, bool copy, Write write) {
        const std::string_view text(str, length);
        if (Text::IsValidUtf8(text)) return write(str, length, copy);
        const std::string valid = Text::ToValidUtf8(text);
        return write(valid.c_str(), static_cast<rapidjson::SizeType>(valid.size()), true);
    }

    rapidjson::Writer<rapidjson::StringBuffer> m_Writer;
};

} // namespace

std::string KnaUtil::WriteCompact(const rapidjson::Document& doc) {
    rapidjson::StringBuffer buffer;
    ValidUtf8Writer writer(buffer);
    doc.Accept(writer);
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string KnaUtil::SerializeToCompactString(const KnaJson_BaseType& object) {
    rapidjson::Document doc;
    if (object.IsRootSerializedAsArray())
        doc.SetArray();
    else
        doc.SetObject();
    object.SerializeToDoc(doc);
    return WriteCompact(doc);
}

} // namespace KeynodeApi
