#include <iostream>

#include "Command.h"
#include "Property/AccessProp.h"
#include "Property/TCProperties.h"

namespace keynodectl {
namespace {

const char* const kSession = "keynodectl";

// Checks that the text reads back as the property's type, so a typo never lands as a silent default.
std::string normalisedValue(const Property::TCPropertyID& id, const std::string& text) {
    using Property::TEPropertyType;
    switch (id.get_Type()) {
    case TEPropertyType::Bool:
        if (text == "1" || text == "true") return "1";
        if (text == "0" || text == "false") return "0";
        throw UsageError(id.name() + " takes 1, 0, true or false");
    case TEPropertyType::Integer:
    case TEPropertyType::Choice:
        return std::to_string(parseNumber(text, id.get_Name(), INT32_MIN, INT32_MAX));
    case TEPropertyType::BigInt:
        return std::to_string(parseNumber(text, id.get_Name(), INT64_MIN, INT64_MAX));
    case TEPropertyType::Text:
        break;
    }
    return text;
}

} // namespace

int runProperty(const keynode::DataDir& dir, const Args& args) {
    const bool set = !args.empty() && args[0] == "set";
    const bool get = !args.empty() && args[0] == "get";
    if (!(set && args.size() == 3) && !(get && args.size() == 2))
        throw UsageError("property set NAME VALUE | property get NAME");
    const Property::TCPropertyID* id = Property::TCPropertyID::FindByName(args[1]);
    if (!id) throw UsageError("unknown property '" + args[1] + "'");
    const std::string value = set ? normalisedValue(*id, args[2]) : std::string();
    dir.open(false);
    if (set) {
        Property::SetProperty(*id, value, Accessories::TCRecordID(), kSession);
        std::cout << id->name() << " = " << value << "\n";
        return 0;
    }
    const auto property = Property::GetProperty(*id, Accessories::TCRecordID(), kSession);
    if (!property.IsSet()) {
        std::cerr << id->name() << " is not set\n";
        return 1;
    }
    std::cout << property.get_Value().get_Value() << "\n";
    return 0;
}

} // namespace keynodectl
