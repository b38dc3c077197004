#include <iostream>

#include <date/date.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "Command.h"
#include "Event/TCEventDefinition.h"
#include "Event/TCEventReader.h"
#include "Text/TCUtf8.h"

namespace keynodectl {
namespace {

std::string timeText(const Accessories::TCNullTypes<TCUTCTime>& time) {
    if (time.IsNull()) return "";
    return date::format("%FT%TZ", date::sys_seconds(std::chrono::seconds(time.get_Value().get_Seconds())));
}

std::string nameOr(const char* name, int number) {
    return name ? name : std::to_string(number);
}

void printJson(const Event::TCEventRecord& event) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> w(buffer);
    w.StartObject();
    w.Key("id");
    w.Int64(event.ID);
    w.Key("time");
    w.String(timeText(event.EventTime).c_str());
    w.Key("type");
    w.Int(event.Type);
    w.Key("typeName");
    w.String(nameOr(Event::FindEventTypeName(event.Type), event.Type).c_str());
    w.Key("details");
    w.StartArray();
    for (const auto& detail : event.Details) {
        w.StartObject();
        w.Key("type");
        w.Int(detail.Type);
        w.Key("name");
        w.String(nameOr(Event::FindEventDetailName(detail.Type), detail.Type).c_str());
        if (detail.OwnerID.IsNotNull()) {
            w.Key("recordID");
            w.Int64(detail.OwnerID.get_ID());
        }
        w.Key("value");
        if (detail.Value.IsNull())
            w.Null();
        else {
            // Details are stored as written, possibly cut inside a character; the output stays UTF-8.
            const std::string value = Text::ToValidUtf8(detail.Value.get_Value());
            w.String(value.c_str(), static_cast<rapidjson::SizeType>(value.size()));
        }
        w.EndObject();
    }
    w.EndArray();
    w.EndObject();
    std::cout << buffer.GetString() << "\n";
}

void printText(const Event::TCEventRecord& event) {
    std::cout << event.ID << "\t" << timeText(event.EventTime) << "\t"
              << nameOr(Event::FindEventTypeName(event.Type), event.Type);
    for (const auto& detail : event.Details) {
        std::cout << "\t" << nameOr(Event::FindEventDetailName(detail.Type), detail.Type) << "=";
        // A detail that names a record (a door, a user) shows the record's ID.
        if (detail.Value.IsNull() && detail.OwnerID.IsNotNull())
            std::cout << "#" << detail.OwnerID.get_ID();
        else
            std::cout << detail.Value.get_Value("(null)");
    }
    std::cout << "\n";
}

} // namespace

int runEvents(const keynode::DataDir& dir, const Args& args) {
    long long after = 0;
    bool json = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json")
            json = true;
        else if (args[i] == "--after" && i + 1 < args.size())
            after = parseNumber(args[++i], "--after", 0, INT64_MAX);
        else
            throw UsageError("events [--after ID] [--json]");
    }
    dir.open(false);
    for (;;) {
        const auto batch = Event::ReadEvents(after, 500);
        for (const auto& event : batch)
            json ? printJson(event) : printText(event);
        if (batch.size() < 500) return 0;
        after = batch.back().ID;
    }
}

} // namespace keynodectl
