#include "ErrorBody.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

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
    writer.String(message.c_str(), static_cast<rapidjson::SizeType>(message.size()));
    writer.Key("msgDetails");
    writer.String(details.c_str(), static_cast<rapidjson::SizeType>(details.size()));
    writer.EndObject();
    writer.EndArray();
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

} // namespace Web::Detail
