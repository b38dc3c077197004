#include "mail/KnmsWire.h"

namespace KnmsWire {

uint32_t DecodeHeader(const unsigned char* header) {
    return (uint32_t(header[0]) << 24) | (uint32_t(header[1]) << 16) | (uint32_t(header[2]) << 8) |
           uint32_t(header[3]);
}

std::string MakeFrame(const std::string& payload) {
    const uint32_t size = static_cast<uint32_t>(payload.size());
    std::string frame;
    frame.reserve(HEADER_BYTES + payload.size());
    frame.push_back(char((size >> 24) & 0xff));
    frame.push_back(char((size >> 16) & 0xff));
    frame.push_back(char((size >> 8) & 0xff));
    frame.push_back(char(size & 0xff));
    frame += payload;
    return frame;
}

void WriteMail(JsonWriter& writer, const TCKnmsMessage& mail) {
    writer.StartObject();
    writer.Key("class");
    writer.Int(mail.get_MailClassID());
    writer.Key("signal");
    writer.Int(mail.get_SignalType());
    writer.Key("marker");
    writer.Int(mail.get_Marker());
    writer.Key("seq");
    writer.Uint64(mail.get_Sequence());
    writer.Key("replyTo");
    writer.Uint64(mail.get_ReplyTo());
    writer.Key("records");
    writer.StartArray();
    for (const TCKnmsRecord& record : mail.Records()) {
        writer.StartArray();
        for (const TCKnmsField& field : record.Fields()) {
            switch (field.get_Kind()) {
            case TCKnmsField::Kind::Null:
                writer.Null();
                break;
            case TCKnmsField::Kind::Int:
                writer.Int64(field.get_AsBigInt());
                break;
            case TCKnmsField::Kind::Text: {
                const std::string text = field.get_AsString();
                writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
                break;
            }
            }
        }
        writer.EndArray();
    }
    writer.EndArray();
    writer.EndObject();
}

namespace {

bool ReadInt(const rapidjson::Value& object, const char* key, int& out) {
    const auto found = object.FindMember(key);
    if (found == object.MemberEnd() || !found->value.IsInt()) return false;
    out = found->value.GetInt();
    return true;
}

bool ReadUint64(const rapidjson::Value& object, const char* key, uint64_t& out) {
    const auto found = object.FindMember(key);
    if (found == object.MemberEnd() || !found->value.IsUint64()) return false;
    out = found->value.GetUint64();
    return true;
}

} // namespace

bool ReadMail(const rapidjson::Value& value, TCKnmsMessage& mail, std::string& error) {
    if (!value.IsObject()) {
        error = "mail is not an object";
        return false;
    }
    int mailClass = 0, signal = 0, marker = 0;
    uint64_t sequence = 0, replyTo = 0;
    if (!ReadInt(value, "class", mailClass) || !ReadInt(value, "signal", signal) ||
        !ReadInt(value, "marker", marker) || !ReadUint64(value, "seq", sequence) ||
        !ReadUint64(value, "replyTo", replyTo)) {
        error = "mail lacks class, signal, marker, seq or replyTo";
        return false;
    }
    const auto records = value.FindMember("records");
    if (records == value.MemberEnd() || !records->value.IsArray()) {
        error = "mail records are not an array";
        return false;
    }
    TCKnmsMessage result(mailClass, signal, marker);
    result.set_Sequence(sequence);
    result.set_ReplyTo(replyTo);
    for (const rapidjson::Value& recordValue : records->value.GetArray()) {
        if (!recordValue.IsArray()) {
            error = "a mail record is not an array";
            return false;
        }
        TCKnmsRecord& record = result.AddRecord();
        size_t index = 0;
        for (const rapidjson::Value& fieldValue : recordValue.GetArray()) {
            TCKnmsField& field = record.Field(index++);
            if (fieldValue.IsNull())
                field.SetNull();
            else if (fieldValue.IsString())
                field = std::string(fieldValue.GetString(), fieldValue.GetStringLength());
            else if (fieldValue.IsInt64())
                field = int64_t(fieldValue.GetInt64());
            else {
                error = "a mail field is neither null, text nor a whole number";
                return false;
            }
        }
    }
    mail = std::move(result);
    return true;
}

std::string MailFrame(const char* addressKey, const std::string& address, const TCKnmsMessage& mail) {
    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    writer.StartObject();
    writer.Key("op");
    writer.String("mail");
    writer.Key(addressKey);
    writer.String(address.data(), static_cast<rapidjson::SizeType>(address.size()));
    writer.Key("mail");
    WriteMail(writer, mail);
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string SimpleFrame(const char* op, const char* key, const std::string& text) {
    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    writer.StartObject();
    writer.Key("op");
    writer.String(op);
    writer.Key(key);
    writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string SimpleFrame(const char* op, const char* key, int64_t number) {
    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    writer.StartObject();
    writer.Key("op");
    writer.String(op);
    writer.Key(key);
    writer.Int64(number);
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

bool ParseFrame(const std::string& payload, rapidjson::Document& doc) {
    // Iterative: a peer's deeply nested frame must not exhaust the stack.
    doc.Parse<rapidjson::kParseIterativeFlag>(payload.data(), payload.size());
    if (doc.HasParseError() || !doc.IsObject()) return false;
    const auto op = doc.FindMember("op");
    return op != doc.MemberEnd() && op->value.IsString();
}

} // namespace KnmsWire
