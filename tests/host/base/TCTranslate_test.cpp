#include "Text/TCTranslate.h"

#include <gtest/gtest.h>

namespace {

std::string Translate(const std::string& text, const std::vector<std::string>& args = {}) {
    return DoTranslateText("test", __FILE__, text, args);
}

} // namespace

TEST(Translate, RemovesOnlyALeadingMarker) {
    EXPECT_EQ(Translate("_t_Door opened"), "Door opened");
    EXPECT_EQ(Translate("Door _t_opened"), "Door _t_opened");
    EXPECT_EQ(Translate("_t_"), "");
    EXPECT_EQ(Translate(""), "");
}

TEST(Translate, FillsNumberedPlaceholders) {
    EXPECT_EQ(Translate("_t_{%2} before {%1}, {%1} again", {"one", "two"}), "two before one, one again");
    std::vector<std::string> ten;
    for (int i = 1; i <= 10; ++i)
        ten.push_back("a" + std::to_string(i));
    EXPECT_EQ(Translate("{%10}|{%1}", ten), "a10|a1");
}

TEST(Translate, LeavesUnfillablePlaceholders) {
    EXPECT_EQ(Translate("{%1} and {%3}", {"x"}), "x and {%3}");
    EXPECT_EQ(Translate("{%0} {%} {%a} {%1", {"x"}), "{%0} {%} {%a} {%1");
    EXPECT_EQ(Translate("{{%1}}", {"x"}), "{x}");
}

TEST(Translate, InsertedArgumentsAreNotExpandedAgain) {
    EXPECT_EQ(Translate("{%1}-{%2}", {"{%2}", "b"}), "{%2}-b");
}

TEST(Translate, VariadicFormStreamsArguments) {
    EXPECT_EQ(DoTranslateText("test", __FILE__, "_t_{%1} of {%2} ({%3})", 3, "doors", 2.5),
              "3 of doors (2.5)");
    std::vector<std::string> args{"named"};
    EXPECT_EQ(DoTranslateText("test", __FILE__, "{%1}", args), "named");
}
