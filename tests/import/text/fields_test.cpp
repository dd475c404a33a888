#include "import/text/fields.h"

#include <QStringList>

#include <gtest/gtest.h>

#include "test_support.h"

using namespace vintrel;

namespace {

QStringList commas(const QString& line) {
    FieldSplitter splitter;
    QStringList out;
    for (QStringView f : splitter.splitCommas(line)) {
        out.append(f.toString());
    }
    return out;
}

QStringList tabs(const QString& line) {
    FieldSplitter splitter;
    QStringList out;
    for (QStringView f : splitter.splitTabs(line)) {
        out.append(f.toString());
    }
    return out;
}

}  // namespace

TEST(FieldSplitter, CommasWithBlanksAroundFieldsDropped) {
    EXPECT_EQ(commas("a,b,c"), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(commas("  42.4219, -71.0869 ,\tBoston Light  "),
              (QStringList{"42.4219", "-71.0869", "Boston Light"}));
    EXPECT_EQ(commas("a,,b,"), (QStringList{"a", "", "b", ""}));
    EXPECT_EQ(commas(""), QStringList{""});
    EXPECT_EQ(commas("inner  blanks stay,x"), (QStringList{"inner  blanks stay", "x"}));
}

TEST(FieldSplitter, QuotedFieldsHoldCommasAndDoubledQuotes) {
    EXPECT_EQ(commas(R"("Redlight, Kings Rd",x)"), (QStringList{"Redlight, Kings Rd", "x"}));
    EXPECT_EQ(commas(R"(1, "say ""hi""" ,2)"), (QStringList{"1", R"(say "hi")", "2"}));
    EXPECT_EQ(commas(R"(" blanks inside ",x)"), (QStringList{" blanks inside ", "x"}));
    EXPECT_EQ(commas(R"("",x)"), (QStringList{"", "x"}));
    // Text after the closing quote stays with the field; a quote inside an unquoted field is text.
    EXPECT_EQ(commas(R"("abc" def ,x)"), (QStringList{"abc def", "x"}));
    EXPECT_EQ(commas(R"(a"b"c,d)"), (QStringList{R"(a"b"c)", "d"}));
    // An unclosed quote runs to the end of the line, commas and all.
    EXPECT_EQ(commas(R"(1,"open, never closed)"), (QStringList{"1", "open, never closed"}));
}

TEST(FieldSplitter, ManyQuotedFieldsInOneLineKeepTheirTexts) {
    // Quoted texts are gathered in one buffer as the line goes: every view must still read its own.
    QString line;
    QStringList expected;
    for (int i = 0; i < 200; ++i) {
        line += QStringLiteral("\"field, %1\",").arg(i);
        expected.append(QStringLiteral("field, %1").arg(i));
    }
    expected.append("");
    EXPECT_EQ(commas(line), expected);
}

TEST(FieldSplitter, TabsKnowNoQuotes) {
    EXPECT_EQ(tabs("N 51.6854000\tW 0.1872333\t( MyNet )\t\"q,1\""),
              (QStringList{"N 51.6854000", "W 0.1872333", "( MyNet )", "\"q,1\""}));
    EXPECT_EQ(tabs("a\t\t b \t"), (QStringList{"a", "", "b", ""}));
}

TEST(NumberField, WholeFieldMustBeAFiniteNumber) {
    EXPECT_EQ(numberField(u"51.5"), 51.5);
    EXPECT_EQ(numberField(u"-0.125"), -0.125);
    EXPECT_EQ(numberField(u"+3"), 3.0);
    EXPECT_EQ(numberField(u"37.0"), 37.0);
    EXPECT_FALSE(numberField(u""));
    EXPECT_FALSE(numberField(u"abc"));
    EXPECT_FALSE(numberField(u"51.5x"));  // no reading of a number's start only
    EXPECT_FALSE(numberField(u"1.2.3"));
    EXPECT_FALSE(numberField(u"nan"));
    EXPECT_FALSE(numberField(u"inf"));
    EXPECT_FALSE(numberField(u"\uFF15"));  // a full-width digit is not one
}

TEST(CellText, TabsBecomeSpaces) {
    EXPECT_EQ(cellText(u"a\tb\t\tc"), "a b  c");
    EXPECT_EQ(cellText(u"plain"), "plain");
}
