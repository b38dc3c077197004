#include "JsonTypes/KnaRapidJson.h"

#include <string>

#include "Json/TCJsonParsingException.h"

namespace KeynodeApi {

namespace {

// RapidJSON's own assertions test the flag word as "data_.f.flags"; callers and logs know it as "flags_".
std::string NormalizeExpression(std::string expression) {
    static const std::string internalName = "data_.f.flags";
    static const std::string publicName = "flags_";
    for (size_t pos = expression.find(internalName); pos != std::string::npos;
         pos = expression.find(internalName, pos + publicName.size()))
        expression.replace(pos, internalName.size(), publicName);
    return expression;
}

} // namespace

void ThrowRapidJsonAssertion(const char* expression, const char* sourceFile, int line) {
    throw TCJson::TCJsonParsingException(sourceFile, line, NormalizeExpression(expression),
                                         "RapidJson internal assertion failed");
}

} // namespace KeynodeApi
