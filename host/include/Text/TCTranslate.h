#pragma once
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#pragma GCC visibility push(default)

// Prepares a user-visible text. There are no message catalogues: every text is English and comes back
// in English. A leading "_t_" marker (which tags translatable literals in the source) is removed and
// "{%1}", "{%2}", ... are replaced by args[0], args[1], ...; a placeholder without an argument stays
// as it is. Arguments are inserted verbatim, never scanned for placeholders themselves.
// domain and sourceFile identify the text's origin and are currently unused.
std::string DoTranslateText(const char* domain, const char* sourceFile, const std::string& text,
                            const std::vector<std::string>& args = {});

namespace TranslateDetail {
template <class T> std::string ToText(const T& value) {
    std::ostringstream stream;
    stream << value;
    return stream.str();
}
inline std::string ToText(const std::string& value) {
    return value;
}
inline std::string ToText(const char* value) {
    return value != nullptr ? value : "";
}

template <class... Args>
using EnableIfPlainArgs =
    std::enable_if_t<(sizeof...(Args) > 0) &&
                     !(sizeof...(Args) == 1 &&
                       (std::is_same_v<std::decay_t<Args>, std::vector<std::string>> && ...))>;
} // namespace TranslateDetail

// The same with any streamable arguments: DoTranslateText(d, __FILE__, "_t_{%1} of {%2}", 3, "doors").
template <class... Args, class = TranslateDetail::EnableIfPlainArgs<Args...>>
std::string DoTranslateText(const char* domain, const char* sourceFile, const std::string& text,
                            const Args&... args) {
    return DoTranslateText(domain, sourceFile, text,
                           std::vector<std::string>{TranslateDetail::ToText(args)...});
}

#pragma GCC visibility pop
