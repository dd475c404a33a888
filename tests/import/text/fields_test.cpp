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

TEST(LeadingNumber, UpToTheFirstCharacterThatCannotContinueIt) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"37", u"37"},
        {u"37;", u"37"},
        {u" 37 (cache)", u"37"},
        {u"37.0x", u"37.0"},
        {u"-71.08 W", u"-71.08"},
        {u"+.5", u"+.5"},
        {u"1.2.3", u"1.2"},
        {u"5e", u"5"},
        {u"2E-3m", u"2E-3"},
        {u"north", u""},
        {u"-", u""},
        {u".", u""},
        {u"", u""},
    };
    for (const auto& [field, number] : cases) {
        EXPECT_EQ(leadingNumber(field).toString(), QString::fromUtf16(number))
            << QString::fromUtf16(field).toStdString();
    }
}

TEST(CellText, TabsBecomeSpaces) {
    EXPECT_EQ(cellText(u"a\tb\t\tc"), "a b  c");
    EXPECT_EQ(cellText(u"plain"), "plain");
}
