#pragma once
#include <cstdint>
#include <string>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "Mail/TCKnmsMessage.h"

// The frames between the router and its peers (docs/mail-router.md): a 4-byte big-endian length, then
// that many bytes of one JSON object.
namespace KnmsWire {

constexpr size_t HEADER_BYTES = 4;

using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

uint32_t DecodeHeader(const unsigned char* header);
// Header and payload, ready to write.
std::string MakeFrame(const std::string& payload);

// Writes the mail as one JSON object.
void WriteMail(JsonWriter& writer, const TCKnmsMessage& mail);
// Reads a mail object; false with the reason when it is not one.
bool ReadMail(const rapidjson::Value& value, TCKnmsMessage& mail, std::string& error);

// A whole frame payload {"op":"mail","to"|"from":address,"mail":{...}}.
std::string MailFrame(const char* addressKey, const std::string& address, const TCKnmsMessage& mail);
// {"op":op, key:text} or with a number.
std::string SimpleFrame(const char* op, const char* key, const std::string& text);
std::string SimpleFrame(const char* op, const char* key, int64_t number);

// Parses a payload into doc: false when it is not a JSON object with a string "op".
bool ParseFrame(const std::string& payload, rapidjson::Document& doc);

} // namespace KnmsWire
