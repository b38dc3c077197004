#include "Host/TCException.h"

#include <gtest/gtest.h>

#include <string>

TEST(Exception, TextNamesFileLineAndMessage) {
    const TCException withMessage("/build/src/area/Thing.cpp", 42, "bad thing");
    EXPECT_STREQ(withMessage.what(), "Thing.cpp:42: bad thing");
    EXPECT_EQ(withMessage.GetHostMessage(), "bad thing");
    EXPECT_EQ(withMessage.GetLine(), 42);

    EXPECT_STREQ(TCException("Plain.cpp", 7).what(), "Plain.cpp:7");
}

TEST(Exception, FormatReplacesMessage) {
    TCException error("/x/Thing.cpp", 3, "old");
    error.Format("%d of %s", 2, "doors");
    EXPECT_STREQ(error.what(), "Thing.cpp:3: 2 of doors");
    EXPECT_EQ(error.GetHostMessage(), "2 of doors");
    error.Format("%s", "");
    EXPECT_STREQ(error.what(), "Thing.cpp:3");
}

TEST(Exception, AssertionUsesExpressionUnlessMessageGiven) {
    try {
        const int count = 0;
        HOST_ASSERT(count > 0);
        FAIL() << "no exception";
    } catch (const TCAssertionException& e) {
        EXPECT_EQ(e.GetExpression(), "count > 0");
        EXPECT_EQ(e.GetHostMessage(), "Assertion failed: count > 0");
        EXPECT_EQ(std::string(e.what()).rfind("TCException_test.cpp:", 0), 0u) << e.what();
    }
    try {
        HOST_ASSERT_MSG(1 == 2, "numbers differ");
        FAIL() << "no exception";
    } catch (const TCException& e) {
        EXPECT_EQ(e.GetHostMessage(), "numbers differ");
    }
}
