#include "Host/TCConvert.h"

#include <gtest/gtest.h>

#include <climits>

TEST(ToInt, AcceptsWholeDecimalNumbers) {
    EXPECT_EQ(ToInt("0"), 0);
    EXPECT_EQ(ToInt("-0", 9), 0);
    EXPECT_EQ(ToInt("+15"), 15);
    EXPECT_EQ(ToInt("007"), 7);
    EXPECT_EQ(ToInt("2147483647"), INT_MAX);
    EXPECT_EQ(ToInt("-2147483648"), INT_MIN);
}

TEST(ToInt, GivesDefaultForAnythingElse) {
    const char* invalid[] = {"",    " 1",  "1 ", "1a", "0x10",       "1.0",         "+-1",
                             "-+1", "++1", "-",  "+",  "2147483648", "-2147483649", "99999999999999999999"};
    for (const char* text : invalid)
        EXPECT_EQ(ToInt(text, -7), -7) << '"' << text << '"';
}
