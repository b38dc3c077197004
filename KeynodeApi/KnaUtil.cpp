#include "KnaUtil.h"

#include "JsonTypes/KnaJson_BaseType.h"

namespace KeynodeApi {

std::string KnaUtil::GetEvenlogFriendlyErrorString(const std::string& text) {
    return text.size() > MAX_EVENTLOG_TEXT_BYTES ? text.substr(0, MAX_EVENTLOG_TEXT_BYTES) : text;
}

std::string KnaUtil::WriteCompact(const rapidjson::Document& doc) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
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
