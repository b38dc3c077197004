#include "ErrorBody.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "Text/TCUtf8.h"

namespace Web::Detail {

std::string jsonErrorBody(const std::string& message, const std::string& details) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key("errors");
    writer.StartArray();
    writer.StartObject();
    writer.Key("code");
    writer.Int(1);
    writer.Key("msg");
    // Messages may quote what the client sent.
    const std::string validMessage = Text::ToValidUtf8(message);
    writer.String(validMessage.c_str(), static_cast<rapidjson::SizeType>(validMessage.size()));
    writer.Key("msgDetails");
    const std::string validDetails = Text::ToValidUtf8(details);
    writer.String(validDetails.c_str(), static_cast<rapidjson::SizeType>(validDetails.size()));
    writer.EndObject();
    writer.EndArray();
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

} // namespace Web::Detail
