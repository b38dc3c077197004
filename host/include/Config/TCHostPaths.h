#pragma once
#include <string>

#pragma GCC visibility push(default)

// The system's files live at fixed absolute paths. A root set once at start-up (by the daemon from its
// options, by tests to their temporary directory) moves all of them below that directory.
class TCHostPaths {
public:
    // "" restores the real locations. A trailing '/' is ignored.
    static void SetRoot(const std::string& root);
    static std::string GetRoot();
    // root + absolutePath when a root is set and the path is absolute; otherwise the path unchanged.
    static std::string Resolve(const std::string& absolutePath);
};

#pragma GCC visibility pop
