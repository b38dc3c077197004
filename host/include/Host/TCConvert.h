#pragma once
#include <string>

#pragma GCC visibility push(default)

// Whole-string decimal conversion: "12" -> 12; "", " 12", "12a", "0x1F" or out-of-range text -> def.
// An optional leading '+' or '-' is accepted.
int ToInt(const std::string& text, int def = 0);

std::string ToString(int value);
std::string ToString(long long value);

#pragma GCC visibility pop
