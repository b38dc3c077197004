#pragma once
#include <functional>
#include <string>

#pragma GCC visibility push(default)

// A switchable class of diagnostic output. Numbers are 0..255 and unique; names are upper case.
struct TCDebugCategory {
    int Number;
    const char* Name;
};

extern const TCDebugCategory DEBUG_DB;     // 3
extern const TCDebugCategory DEBUG_HTTP;   // 4
extern const TCDebugCategory DEBUG_COMMON; // 7
extern const TCDebugCategory DEBUG_WEBAPI; // 35

// Cheap enough to guard every debug statement: one atomic load.
bool IsDebugLevel(const TCDebugCategory& category);
void SetDebugLevel(const TCDebugCategory& category, bool on);
// Switches on exactly the listed categories and off all others. The text is a comma-separated list of
// names (case-insensitive, spaces ignored, unknown names skipped) or "all"; "" switches everything off.
// The daemon passes the KEYNODE_DEBUG environment variable here.
void SetDebugLevelsFromText(const std::string& text);

// Writes "YYYY-MM-DDTHH:MM:SS.mmmZ [NAME] text" as one line when the category is on. Lines from
// different threads never interleave.
void SendDebugOutput(const TCDebugCategory& category, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// Sends the lines (without the trailing newline) to sink instead of stderr; an empty function restores
// stderr. The sink is called under a lock and must not write debug output itself.
void SetDebugSink(std::function<void(const std::string&)> sink);

#pragma GCC visibility pop
