#include "import/mxf_reader.h"

#include "test_support.h"

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

TEST(MxfReader, FirstLineIsARecordAndQuotesAreRemoved) {
    WaypointList list;
    const ReadResult r = readFixture(&readMxfFile, list, "marks.mxf");
    EXPECT_TRUE(r.problems.isEmpty()) << r.problems.join('\n').toStdString();
    ASSERT_EQ(list.rowCount(), 5);
    const WaypointRow& a = list.row(0);
    EXPECT_EQ(a.cell(1), "Boston Light");
    EXPECT_EQ(a.cell(2), "Harbour entrance");
    EXPECT_EQ(a.cell(3), QString::fromUtf8("N42°25.314  N4225.31400"));
    EXPECT_EQ(a.cell(4), QString::fromUtf8("W071°05.214  W07105.21400"));
    EXPECT_EQ(a.cell(5), "42.42190");
    EXPECT_EQ(a.cell(6), "-71.08690");
    EXPECT_EQ(a.cell(7), "");
    EXPECT_EQ(list.row(2).cell(2), "Old fort ruins");     // doubled quotes inside go as well
    EXPECT_EQ(list.row(4).cell(1), "Plain quoted name");  // not only an enclosing pair
    // Four fields: no description.
    EXPECT_EQ(list.row(3).cell(1), "Low Mark");
    EXPECT_EQ(list.row(3).cell(2), "");
    EXPECT_EQ(list.row(3).cell(3).right(11), "N0515.00000");
    EXPECT_EQ(list.row(4).cell(3).right(11), "N4200.00006");
    EXPECT_EQ(list.columnWidth(column::kDescription), 6000);
}

TEST(MxfReader, Symbol37IsAGeocacheAndNothingCarriesOver) {
    WaypointList list;
    readFixture(&readMxfFile, list, "marks.mxf");
    ASSERT_EQ(list.rowCount(), 5);
    EXPECT_EQ(list.row(0).icon, IconRole::Geocache);  // 37
    EXPECT_EQ(list.row(1).icon, IconRole::Waypoint);  // 47
    EXPECT_EQ(list.row(2).icon, IconRole::Geocache);  // 37.0
    // No seventh field right after a 37: symbol 0, not the last line's.
    EXPECT_EQ(list.row(3).icon, IconRole::Waypoint);
    EXPECT_EQ(list.row(4).icon, IconRole::Waypoint);
}

TEST(MxfReader, DuplicatesIgnoringCaseAndTheSameFileTwice) {
    WaypointList list;
    readFixture(&readMxfFile, list, "marks.mxf");
    EXPECT_EQ(list.duplicateCount(), 1);  // "boston light" on the last line
    EXPECT_EQ(list.row(0).cell(8), "1");
    EXPECT_TRUE(list.row(0).redName);
    EXPECT_FALSE(list.row(1).redName);

    const ReadResult again = readFixture(&readMxfFile, list, "marks.mxf");
    EXPECT_EQ(again.appended, 0);
    EXPECT_EQ(list.rowCount(), 5);
    EXPECT_EQ(list.duplicateCount(), 6);
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(list.row(i).isMarkedDuplicate()) << i;
    }
}

TEST(MxfReader, SpacedFormReadsLikeTheCompactOne) {
    WaypointList list;
    const ReadResult r = readFixture(&readMxfFile, list, "marks_spaced.mxf");
    ASSERT_EQ(list.rowCount(), 4);
    const WaypointRow& a = list.row(0);
    EXPECT_EQ(a.cell(1), "Boston Light");  // no leading blank
    EXPECT_EQ(a.cell(2), "Harbour entrance");
    EXPECT_EQ(a.cell(5), "42.42190");
    EXPECT_EQ(a.icon, IconRole::Geocache);  // " 37" is 37
    EXPECT_EQ(list.row(1).cell(2), "Outer harbour");
    EXPECT_EQ(list.row(1).icon, IconRole::Waypoint);
    EXPECT_EQ(list.row(2).cell(1), "Bare Name");
    EXPECT_EQ(list.row(2).cell(2), "Bare description");
    EXPECT_EQ(list.row(2).icon, IconRole::Geocache);
    EXPECT_EQ(list.row(3).cell(1), "Say hi");
    EXPECT_EQ(list.row(3).cell(2), "He said hi");
    // The blank line is passed over; the short line and the bad longitude are reported.
    EXPECT_EQ(r.skipped, 2);
    EXPECT_EQ(r.problems, (QStringList{"marks_spaced.mxf, line 4: a waypoint without a name was skipped: the "
                                       "line has two fields, fewer than the three a record needs.",
                                       "marks_spaced.mxf, line 5: waypoint \"Bad Latitude\" was skipped: "
                                       "longitude \"north\" is not a number."}));
}
