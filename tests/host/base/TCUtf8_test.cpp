#include <gtest/gtest.h>

#include <string>

#include "Text/TCUtf8.h"

namespace {

struct Utf8Case {
    const char* name;
    std::string text;
    std::string valid;
};

const std::string kReplacement = "\xEF\xBF\xBD";

class Utf8Repair : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Repair, ReplacesEachInvalidSequenceOnce) {
    const Utf8Case& c = GetParam();
    EXPECT_EQ(c.valid, Text::ToValidUtf8(c.text));
    EXPECT_EQ(c.text == c.valid, Text::IsValidUtf8(c.text));
}

INSTANTIATE_TEST_SUITE_P(Texts, Utf8Repair,
                         testing::Values(Utf8Case{"empty", "", ""}, Utf8Case{"ascii", "door 7", "door 7"},
                                         Utf8Case{"multi-byte", "T\xC3\xBCr \xE2\x82\xAC \xF0\x9F\x94\x91",
                                                  "T\xC3\xBCr \xE2\x82\xAC \xF0\x9F\x94\x91"},
                                         Utf8Case{"cut at the end", "T\xC3", "T" + kReplacement},
                                         Utf8Case{"cut three-byte", "\xE2\x82!", kReplacement + "!"},
                                         Utf8Case{"lone continuation", "a\x80z", "a" + kReplacement + "z"},
                                         Utf8Case{"latin-1 byte", "caf\xE9", "caf" + kReplacement},
                                         Utf8Case{"overlong", "\xC0\xAF", kReplacement},
                                         Utf8Case{"surrogate", "\xED\xA0\x80", kReplacement},
                                         Utf8Case{"not a lead byte", "\xFF\xFE",
                                                  kReplacement + kReplacement}),
                         [](const testing::TestParamInfo<Utf8Case>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

} // namespace
