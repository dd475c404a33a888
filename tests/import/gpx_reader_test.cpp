#include "import/gpx_reader.h"

#include "test_support.h"

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

TEST(GpxReader, PocketQueryExtensionsDoNotLeakIntoTheRow) {
    WaypointList list;
    const ReadResult r = readFixture(&readGpxFile, list, "pocket_query.gpx");
    ASSERT_EQ(list.rowCount(), 3);
    EXPECT_TRUE(r.problems.isEmpty());
    const WaypointRow& a = list.row(0);
    EXPECT_EQ(a.cell(1), "GC1A2B3");
    EXPECT_EQ(a.cell(2), "Old Mill by Some Owner, Traditional Cache (1.5/2)");
    EXPECT_EQ(a.cell(3).right(11), "N5141.12460");
    EXPECT_EQ(a.cell(4).right(12), "W00011.23400");
    EXPECT_EQ(a.cell(5), "51.6854100");
    EXPECT_EQ(a.cell(7), "http://www.geocaching.com/seek/cache_details.aspx?guid=1");
    EXPECT_EQ(a.cell(9), "");  // no privacy element: no encryption state
    EXPECT_EQ(a.cell(10), "Geocache");
    EXPECT_EQ(a.icon, IconRole::Empty);  // compound type
    EXPECT_EQ(list.row(1).cell(1), "My Cache");
    EXPECT_EQ(list.row(1).cell(2), "Tom & Jerry <3");
    EXPECT_EQ(list.row(1).icon, IconRole::Geocache);
    // A waypoint without sym, type or desc after one that had them starts empty.
    const WaypointRow& c = list.row(2);
    EXPECT_EQ(c.cell(10), "");
    EXPECT_EQ(c.cell(2), "");
    EXPECT_EQ(c.icon, IconRole::Empty);
    EXPECT_EQ(list.columnAlignment(column::kName), ColumnAlignment::Left);
    EXPECT_EQ(list.columnAlignment(column::kLatDecimal), ColumnAlignment::General);
}

TEST(GpxReader, Gpx11OnOneLongLineWithLinksAndCategories) {
    WaypointList list;
    const ReadResult r = readFixture(&readGpxFile, list, "one_line_11.gpx");
    ASSERT_EQ(list.rowCount(), 20);
    EXPECT_TRUE(r.problems.isEmpty());
    const WaypointRow& a = list.row(0);
    EXPECT_EQ(a.cell(1), "Point 01");
    EXPECT_EQ(a.cell(2), "Line one line two and three");
    EXPECT_EQ(a.cell(5), "47.0100000");  // lon came first in the tag
    EXPECT_EQ(a.cell(6), "8.0100000");
    EXPECT_EQ(a.cell(7), "http://example.org/p1");  // the first link
    EXPECT_EQ(a.cell(10), "Flag, Blue");
    EXPECT_EQ(a.cell(11), "Hiking");  // the last category wins
    EXPECT_EQ(list.columnWidth(column::kDescription), 5718);
}

TEST(GpxReader, RoutePointsAreWaypointsTrackPointsAreNot) {
    WaypointList list;
    readFixture(&readGpxFile, list, "route.gpx");
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.row(0).cell(1), "Start");
    EXPECT_EQ(list.row(0).icon, IconRole::Waypoint);
    EXPECT_EQ(list.row(1).cell(1), "End");
    EXPECT_EQ(list.row(1).cell(4).right(12), "W07421.00000");
}

TEST(GpxReader, WirelessNetworksGetPrivacyChannelAndEncryption) {
    WaypointList list;
    readFixture(&readGpxFile, list, "wifi.gpx");
    ASSERT_EQ(list.rowCount(), 3);
    EXPECT_EQ(list.row(0).cell(2), "Net1, Unsecured, Channel 6");
    EXPECT_EQ(list.row(0).cell(9), "UnEncrypted");
    EXPECT_EQ(list.row(0).icon, IconRole::EncryptNo);
    EXPECT_EQ(list.row(1).cell(2), "Net1, Channel 11, WEP");
    EXPECT_EQ(list.row(1).cell(9), "Encrypted");
    EXPECT_EQ(list.row(1).icon, IconRole::EncryptYes);
    // The next waypoint has no privacy element: its own type and symbol count, no encryption.
    const WaypointRow& c = list.row(2);
    EXPECT_EQ(c.cell(1), QString::fromUtf8("Café"));  // ISO-8859-1 declared
    EXPECT_EQ(c.cell(9), "");
    EXPECT_EQ(c.cell(10), "Pin, Red");
    EXPECT_EQ(c.icon, IconRole::Waypoint);
}

TEST(GpxReader, ExactDuplicatesDroppedBadPositionsSkipped) {
    WaypointList list;
    const ReadResult r = readFixture(&readGpxFile, list, "dups_and_bad.gpx");
    // GC1A2B3, gc1a2b3, two unnamed waypoints and the accented name.
    ASSERT_EQ(list.rowCount(), 5);
    EXPECT_EQ(list.duplicateCount(), 1);
    EXPECT_EQ(list.row(0).cell(1), "GC1A2B3");
    EXPECT_EQ(list.row(0).cell(8), "");  // the earlier row is not marked
    EXPECT_FALSE(list.row(0).redName);
    EXPECT_EQ(list.row(1).cell(1), "gc1a2b3");
    EXPECT_EQ(list.row(2).cell(1), "");
    EXPECT_EQ(list.row(3).cell(1), "");
    EXPECT_EQ(list.row(4).cell(1), QString::fromUtf8("Żółw"));
    EXPECT_EQ(list.row(4).cell(2), QString::fromUtf8("Ünïcödé"));
    EXPECT_EQ(r.skipped, 2);
    EXPECT_TRUE(r.problems.join('\n').contains(
        "line 8: waypoint \"BADLAT\" was skipped: latitude \"north\" is not a number"));
    EXPECT_TRUE(r.problems.join('\n').contains("line 9: waypoint \"NOLAT\" was skipped: no latitude"));

    // Read again: every named row is an exact duplicate; no row is overwritten.
    readFixture(&readGpxFile, list, "dups_and_bad.gpx");
    EXPECT_EQ(list.duplicateCount(), 4);
    EXPECT_EQ(list.rowCount(), 7);  // the two unnamed waypoints are never duplicates
    EXPECT_EQ(list.row(0).cell(2), "");
}

TEST(GpxReader, TruncatedFileKeepsRowsBeforeTheError) {
    WaypointList list;
    const ReadResult r = readFixture(&readGpxFile, list, "truncated.gpx");
    // The cut waypoint has its name and position, so it is kept with the text read so far.
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.row(0).cell(1), "T1");
    EXPECT_EQ(list.row(1).cell(1), "T2");
    EXPECT_EQ(list.row(1).cell(2), "cut off");
    EXPECT_FALSE(r.readToEnd);
    ASSERT_FALSE(r.problems.isEmpty());
    EXPECT_TRUE(r.problems.last().startsWith("truncated.gpx, line 4:")) << r.problems.last().toStdString();
}

TEST(GpxReader, EmptyListGetsTheGpxAdvice) {
    WaypointList list;
    const ReadResult r = readFixture(&readGpxFile, list, "unknown.doc");
    EXPECT_EQ(r.advice, gpxAdviceText());
    EXPECT_TRUE(r.advice.endsWith(
        "If you want to save a file in EasyGPS, save it as a .gpx file, then load it into here."));
}

TEST(GpxReader, Utf16FileWithByteOrderMark) {
    WaypointList list;
    const ReadResult r = readFixture(&readGpxFile, list, "utf16.gpx");
    EXPECT_TRUE(r.problems.isEmpty()) << r.problems.join('\n').toStdString();
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.row(0).cell(1), QString::fromUtf8("Zürich HB"));
    EXPECT_EQ(list.row(0).cell(2), QString::fromUtf8("Bahnhof – Halle"));
    EXPECT_EQ(list.row(1).cell(1), QString::fromUtf8("漢字"));
    EXPECT_EQ(list.row(1).cell(4).right(12), "E15112.91800");
}
