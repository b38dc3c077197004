#pragma once
#include <string>
#include <string_view>

#pragma GCC visibility push(default)

// Texts from the database or the network may hold bytes that are not UTF-8 (a detail cut at a byte limit,
// a client that sent Latin-1). JSON output must be UTF-8, so writers pass such texts through here.
namespace Text {

bool IsValidUtf8(std::string_view text);
// The text with every invalid sequence replaced by U+FFFD; valid texts come back unchanged.
std::string ToValidUtf8(std::string_view text);

} // namespace Text

#pragma GCC visibility pop
