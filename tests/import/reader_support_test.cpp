#include "import/reader_support.h"

#include <gtest/gtest.h>

using namespace vintrel;

TEST(FieldText, FillingAKeptStringGivesTheSameTextAsMakingOne) {
    const std::string_view inputs[] = {
        "GC1A2B",      "  padded both ends  ", "",         "two\n   lines",
        "tab\tinside", "  Z\xC3\xBCrich  ",    "bell\x07", "bad \xFF byte",
    };
    QString kept = QStringLiteral("a longer text that leaves its buffer behind");
    for (const std::string_view in : inputs) {
        setFieldText(kept, in);
        EXPECT_EQ(kept, fieldText(in)) << in;
    }
}
