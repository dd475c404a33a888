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

TEST(FieldSplitter, CommasBlanksAroundFieldsDroppedQuotesHoldCommasAndDoubledQuotes) {
    const std::pair<QString, QStringList> cases[] = {
        {"a,b,c", {"a", "b", "c"}},
        {"  42.4219, -71.0869 ,\tBoston Light  ", {"42.4219", "-71.0869", "Boston Light"}},
        {"a,,b,", {"a", "", "b", ""}},
        {"", {""}},
        {"inner  blanks stay,x", {"inner  blanks stay", "x"}},
        {R"("Redlight, Kings Rd",x)", {"Redlight, Kings Rd", "x"}},
        {R"(1, "say ""hi""" ,2)", {"1", R"(say "hi")", "2"}},
        {R"(" blanks inside ",x)", {" blanks inside ", "x"}},
        {R"("",x)", {"", "x"}},
        // Text after the closing quote stays with the field; a quote inside an unquoted field is text.
        {R"("abc" def ,x)", {"abc def", "x"}},
        {R"(a"b"c,d)", {R"(a"b"c)", "d"}},
        // An unclosed quote runs to the end of the line, commas and all.
        {R"(1,"open, never closed)", {"1", "open, never closed"}},
    };
    for (const auto& [line, fields] : cases) {
        EXPECT_EQ(commas(line), fields) << line.toStdString();
    }
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
    // No reading of a number's start only; a full-width digit is not one.
    for (const char16_t* text : {u"", u"abc", u"51.5x", u"1.2.3", u"nan", u"inf", u"\uFF15"}) {
        EXPECT_FALSE(numberField(text)) << QString::fromUtf16(text).toStdString();
    }
}

TEST(CellText, TabsBecomeSpaces) {
    EXPECT_EQ(cellText(u"a\tb\t\tc"), "a b  c");
    EXPECT_EQ(cellText(u"plain"), "plain");
}
