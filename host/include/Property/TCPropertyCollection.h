#pragma once
#include <cstdint>
#include <string>

#pragma GCC visibility push(default)

namespace Property {

// Registry of open settings sessions. A session marks a client of the store (numbered by the client,
// named e.g. by the unit's MAC address); the store itself does not depend on it.
class TCPropertyCollection {
public:
    // Opens the session or renames an open one.
    static void SetCurrentSession(int64_t number, const std::string& name);
    // Closes the session; closing an unknown number does nothing.
    static void DeleteSession(int64_t number);
    static bool HasSession(int64_t number);
    // The session's name, empty when it is not open.
    static std::string GetSessionName(int64_t number);
};

} // namespace Property

#pragma GCC visibility pop
