#include "import/mxf_reader.h"

#include "test_support.h"

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

TEST(MxfReader, FirstLineIsARecordQuotesAreRemovedSymbol37IsAGeocache) {
    WaypointList list;
    const ReadResult r = readFixture(&readMxfFile, list, "marks.mxf");
    EXPECT_TRUE(r.problems.isEmpty()) << r.problems.join('\n').toStdString();
    ASSERT_EQ(list.rowCount(), 5);
    // Marked: "boston light" on the last line is the same name ignoring case.
    EXPECT_EQ(rowText(list, 0).section(u'|', 0, 7),
              "Boston Light|Harbour entrance|N42°25.314  N4225.31400|W071°05.214  "
              "W07105.21400|42.42190|-71.08690||1");
    EXPECT_TRUE(list.row(0).redName);
    EXPECT_FALSE(list.row(1).redName);
    EXPECT_EQ(list.duplicateCount(), 1);
    // Doubled quotes inside go as well, not only an enclosing pair; four fields: no description.
    EXPECT_EQ(columnTexts(list, column::kName),
              (QStringList{"Boston Light", "Deer Island", "Long Island", "Low Mark", "Plain quoted name"}));
    EXPECT_EQ(columnTexts(list, column::kDescription),
              (QStringList{"Harbour entrance", "Treatment plant", "Old fort ruins", "", ""}));
    EXPECT_EQ(list.row(3).cell(3).right(11), "N0515.00000");
    EXPECT_EQ(list.row(4).cell(3).right(11), "N4200.00006");
    EXPECT_EQ(list.columnWidth(column::kDescription), 6000);
    // 37, 47, 37.0; no seventh field right after a 37 is symbol 0, not the last line's.
    const IconRole icons[] = {IconRole::Geocache, IconRole::Waypoint, IconRole::Geocache, IconRole::Waypoint,
                              IconRole::Waypoint};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(list.row(i).icon, icons[i]) << i;
    }
}

TEST(MxfReader, SpacedFormReadsLikeTheCompactOne) {
    WaypointList list;
    const ReadResult r = readFixture(&readMxfFile, list, "marks_spaced.mxf");
    // No blanks around the texts; " 37" is 37.
    EXPECT_EQ(columnTexts(list, column::kName),
              (QStringList{"Boston Light", "Graves Light", "Bare Name", "Say hi"}));
    EXPECT_EQ(columnTexts(list, column::kDescription),
              (QStringList{"Harbour entrance", "Outer harbour", "Bare description", "He said hi"}));
    EXPECT_EQ(cell(list, 0, 5), "42.42190");
    EXPECT_EQ(list.row(0).icon, IconRole::Geocache);
    EXPECT_EQ(list.row(1).icon, IconRole::Waypoint);
    EXPECT_EQ(list.row(2).icon, IconRole::Geocache);
    // The blank line is passed over; the short line and the bad longitude are reported.
    EXPECT_EQ(r.skipped, 2);
    EXPECT_EQ(r.problems, (QStringList{"marks_spaced.mxf, line 4: a waypoint without a name was skipped: the "
                                       "line has two fields, fewer than the three a record needs.",
                                       "marks_spaced.mxf, line 5: waypoint \"Bad Latitude\" was skipped: "
                                       "longitude \"north\" is not a number."}));
}
