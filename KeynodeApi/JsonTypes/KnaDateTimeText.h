#pragma once
#include <string>

#include "Accessories/TCUTCTime.h"

namespace KeynodeApi {

// The API's date and time texts, always UTC: "2024-05-01T13:45:00Z" with time, "2024-05-01" without.
std::string FormatDateTimeText(const TCUTCTime& time, bool withTime);

// Reads a text in the written form. With time, the last character (the trailing Z) is dropped unread and
// an optional ".mmm" fraction is accepted and discarded. A text that does not match the form exactly, or
// names no real date or time of day, gives the epoch (time 0); it is not an error.
TCUTCTime ParseDateTimeText(const std::string& text, bool withTime);

} // namespace KeynodeApi
