#include "import/text/fields.h"

#include <gtest/gtest.h>

using namespace vintrel;

TEST(NumberField, WholeFieldMustBeAFiniteNumber) {
    EXPECT_EQ(numberField(u"51.5"), 51.5);
    EXPECT_EQ(numberField(u"-0.125"), -0.125);
    EXPECT_EQ(numberField(u"+3"), 3.0);
    EXPECT_EQ(numberField(u"37.0"), 37.0);
    // No reading of a number's start only; a full-width digit is not one.
    for (const char16_t* text : {u"", u"abc", u"51.5x", u"1.2.3", u"nan", u"inf", u"\uFF15"}) {
        EXPECT_FALSE(numberField(text)) << QString::fromUtf16(text).toStdString();
    }
}
