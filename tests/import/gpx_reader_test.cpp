#include "import/gpx_reader.h"

#include "test_support.h"

#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

TEST(GpxReader, PocketQueryExtensionsDoNotLeakIntoTheRow) {
    WaypointList list;
    const ReadResult r = readFixture(&readGpxFile, list, "pocket_query.gpx");
    EXPECT_TRUE(r.problems.isEmpty());
    ASSERT_EQ(list.rowCount(), 3);
    // No privacy element: no encryption state.
    EXPECT_EQ(rowText(list, 0),
              "GC1A2B3|Old Mill by Some Owner, Traditional Cache (1.5/2)|N51°41.124  N5141.12460|"
              "W000°11.234  W00011.23400|51.6854100|-0.1872333|"
              "http://www.geocaching.com/seek/cache_details.aspx?guid=1|||Geocache|");
    EXPECT_EQ(list.row(0).icon, IconRole::Empty);  // compound type
    EXPECT_EQ(list.row(1).cell(1), "My Cache");
    EXPECT_EQ(list.row(1).cell(2), "Tom & Jerry <3");
    EXPECT_EQ(list.row(1).icon, IconRole::Geocache);
    // A waypoint without sym, type or desc after one that had them starts empty.
    EXPECT_EQ(rowText(list, 2),
              "GC3NOSYM||N53°00.000  N5300.00000|E014°00.000  E01400.00000|53.0000000|14.0000000|||||");
    EXPECT_EQ(list.row(2).icon, IconRole::Empty);
}

TEST(GpxReader, Gpx11OnOneLongLineWithLinksAndCategories) {
    WaypointList list;
    const ReadResult r = readFixture(&readGpxFile, list, "one_line_11.gpx");
    ASSERT_EQ(list.rowCount(), 20);
    EXPECT_TRUE(r.problems.isEmpty());
    // The lon attribute came first in the tag; the first link and the last category win.
    EXPECT_EQ(rowText(list, 0),
              "Point 01|Line one line two and three|N47°00.600  N4700.60000|E008°00.600  E00800.60000|"
              "47.0100000|8.0100000|http://example.org/p1|||Flag, Blue|Hiking");
}

TEST(GpxReader, RoutePointsAreWaypointsTrackPointsAreNot) {
    WaypointList list;
    readFixture(&readGpxFile, list, "route.gpx");
    ASSERT_EQ(columnTexts(list, column::kName), (QStringList{"Start", "End"}));
    EXPECT_EQ(list.row(0).icon, IconRole::Waypoint);
    EXPECT_EQ(list.row(1).cell(4).right(12), "W07421.00000");
}

TEST(GpxReader, WirelessNetworksGetPrivacyChannelAndEncryption) {
    WaypointList list;
    readFixture(&readGpxFile, list, "wifi.gpx");
    // The third has no privacy element: its own type and symbol count, no encryption. Its name is
    // ISO-8859-1, as declared.
    EXPECT_EQ(columnTexts(list, column::kDescription),
              (QStringList{"Net1, Unsecured, Channel 6", "Net1, Channel 11, WEP", ""}));
    EXPECT_EQ(columnTexts(list, column::kEncryption), (QStringList{"UnEncrypted", "Encrypted", ""}));
    EXPECT_EQ(columnTexts(list, column::kSymbol), (QStringList{"", "", "Pin, Red"}));
    EXPECT_EQ(list.row(0).icon, IconRole::EncryptNo);
    EXPECT_EQ(list.row(1).icon, IconRole::EncryptYes);
    EXPECT_EQ(list.row(2).icon, IconRole::Waypoint);
    EXPECT_EQ(list.row(2).cell(1), "Café");
}

TEST(GpxReader, ExactDuplicatesDroppedBadPositionsSkipped) {
    WaypointList list;
    const ReadResult r = readFixture(&readGpxFile, list, "dups_and_bad.gpx");
    // GC1A2B3, gc1a2b3, two unnamed waypoints and the accented name.
    EXPECT_EQ(columnTexts(list, column::kName), (QStringList{"GC1A2B3", "gc1a2b3", "", "", "Żółw"}));
    EXPECT_EQ(list.duplicateCount(), 1);
    EXPECT_EQ(list.row(0).cell(8), "");  // the earlier row is not marked
    EXPECT_FALSE(list.row(0).redName);
    EXPECT_EQ(list.row(4).cell(2), QString::fromUtf8("Ünïcödé"));
    EXPECT_EQ(r.skipped, 2);
    EXPECT_TRUE(r.problems.isEmpty());
    EXPECT_TRUE(r.skips.join('\n').contains(
        "line 8: waypoint \"BADLAT\" was skipped: latitude \"north\" is not a number"));
    EXPECT_TRUE(r.skips.join('\n').contains("line 9: waypoint \"NOLAT\" was skipped: no latitude"));

    // Read again: every named row is an exact duplicate, and so is each unnamed one, at the place
    // of an unnamed row; no row is overwritten.
    readFixture(&readGpxFile, list, "dups_and_bad.gpx");
    EXPECT_EQ(list.duplicateCount(), 6);
    EXPECT_EQ(list.rowCount(), 5);
    EXPECT_EQ(list.row(0).cell(2), "");
}

TEST(GpxReader, EmptyListGetsTheGpxAdviceAFileOfTracksSaysWhatItHolds) {
    WaypointList list;
    ReadResult r = readFixture(&readGpxFile, list, "zeros.gpx");
    EXPECT_TRUE(r.advice.isEmpty());
    EXPECT_EQ(r.problems,
              QStringList{"zeros.gpx, line 1: the file is not XML: it does not begin with a tag."});
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.filePath("bad.gpx"), "<gpx><wpt lon=\"1\"><name>A</name></wpt><trk/></gpx>"));
    ImportContext context{list, u'.'};
    r = readGpxFile(dir.filePath("bad.gpx"), context);
    // Not the advice: every waypoint was skipped, and the first reason says why.
    EXPECT_EQ(r.advice,
              "This file could not be read: its one waypoint was skipped.\r\n\r\n"
              "bad.gpx, line 1: waypoint \"A\" was skipped: no latitude.");
    ASSERT_TRUE(writeFile(dir.filePath("none.gpx"), "<gpx><metadata/></gpx>"));  // nothing skipped
    EXPECT_EQ(readGpxFile(dir.filePath("none.gpx"), context).advice, gpxAdviceText());
    r = readFixture(&readGpxFile, list, "track_only.gpx");
    EXPECT_TRUE(r.advice.isEmpty());
    EXPECT_EQ(
        r.problems,
        QStringList{"track_only.gpx holds 1 track (1 point) and no waypoints; only waypoints are read."});
    const QString real = realFile("gpx/around-visnjan-with-car.gpx");
    if (!real.isEmpty()) {
        r = readGpxFile(real, context);
        EXPECT_EQ(r.problems, QStringList{"around-visnjan-with-car.gpx holds 1 track (104 points) and no "
                                          "waypoints; only waypoints are read."});
        EXPECT_TRUE(r.advice.isEmpty());
    }
}

TEST(GpxReader, Utf16FileWithNeitherByteOrderMarkNorDeclaration) {
    QTemporaryDir dir;
    const QString text =
        QString::fromUtf8("<gpx><wpt lat=\"47.5\" lon=\"8.5\"><name>Zürich</name></wpt></gpx>");
    for (const auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        const QByteArray bytes = QStringEncoder(encoding).encode(text);  // no byte-order mark
        ASSERT_TRUE(writeFile(dir.filePath("bare.gpx"), bytes));
        WaypointList bare;
        ImportContext context{bare, u'.'};
        const ReadResult b = readGpxFile(dir.filePath("bare.gpx"), context);
        EXPECT_TRUE(b.problems.isEmpty()) << b.problems.join('\n').toStdString();
        EXPECT_EQ(columnTexts(bare, column::kName), QStringList{"Zürich"}) << encoding;
    }
}

// Garmin's units and programs write their text as <cmt>: it is the description when there is no
// <desc>, wherever it stands.
TEST(GpxReader, TheCommentIsTheDescriptionWhenThereIsNone) {
    QTemporaryDir dir;
    const QString path = dir.filePath("cmt.gpx");
    ASSERT_TRUE(writeFile(path,
                          "<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\">"
                          "<wpt lat=\"1\" lon=\"1\"><name>A</name><cmt>by the gate</cmt></wpt>"
                          "<wpt lat=\"2\" lon=\"2\"><name>B</name><desc>d</desc><cmt>c</cmt></wpt>"
                          "<wpt lat=\"3\" lon=\"3\"><name>C</name><cmt>c</cmt><desc>d</desc></wpt>"
                          "<wpt lat=\"4\" lon=\"4\"><name>D</name><cmt>c</cmt><desc/></wpt>"
                          "<rte><rtept lat=\"5\" lon=\"5\"><cmt>turn left</cmt></rtept></rte></gpx>"));
    WaypointList list;
    ImportContext context{list, u'.'};
    readGpxFile(path, context);
    EXPECT_EQ(columnTexts(list, column::kDescription),
              (QStringList{"by the gate", "d", "d", "c", "turn left"}));
}

// Undeclared prefixes are read by their local names; an extension's own name and type stand deeper
// than the waypoint's children: they do not count.
TEST(GpxReaderRepairs, UndeclaredPrefixesAreReadByTheirLocalNames) {
    WaypointList list;
    readFixture(&readGpxFile, list, "undeclared_prefix.gpx");
    EXPECT_EQ(columnTexts(list, column::kName),
              (QStringList{"Bern Bärengraben", "Zytglogge", "Münster", "Rosengarten", "Gurten"}));
    const WaypointRow& m = list.row(2);
    EXPECT_EQ(m.icon, IconRole::Geocache);
    EXPECT_EQ(m.cell(10), "Flag, Red");
    EXPECT_EQ(m.cell(11), "Churches");
    EXPECT_EQ(list.row(4).cell(10), "Summit");
}

TEST(GpxReaderRepairs, SeveralKindsOfDamageAtOnceLoseNoWaypoint) {
    WaypointList list;
    const ReadResult r = readFixture(&readGpxFile, list, "mixed_damage.gpx");
    EXPECT_EQ(columnTexts(list, column::kName), (QStringList{"One", "Two", "Three", "Four", "Five", "Six"}));
    EXPECT_EQ(columnTexts(list, column::kDescription),
              (QStringList{"Tom & Jerry", "Café <3 ok", "no end tag", "", "", "cut"}));
    EXPECT_EQ(columnTexts(list, column::kLatDecimal),
              (QStringList{"1.0000000", "2.0000000", "3.0000000", "4.0000000", "5.0000000", "6.0000000"}));
    EXPECT_EQ(cell(list, 3, 11), "Cat");
    EXPECT_FALSE(r.readToEnd);
    // Every kind of repair is reported once, the guess at the encoding first, the cut last.
    ASSERT_EQ(r.problems.size(), 9);
    EXPECT_EQ(r.problems.first(),
              "mixed_damage.gpx, line 4: no encoding is declared and the text is not UTF-8; "
              "read as windows-1252.");
    EXPECT_EQ(r.problems.last(), "mixed_damage.gpx, line 10: the file breaks off inside <desc>.");
}

TEST(GpxReaderRepairs, AWaypointThatLostItsEndTagIsKeptOnlyWithANameAndAPosition) {
    WaypointList list;
    const ReadResult r = readFixture(&readGpxFile, list, "unclosed_waypoints.gpx");
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(cell(list, 0, 1), "Named");
    EXPECT_EQ(cell(list, 1, 1), "");  // closed by its own end tag: an unnamed waypoint is kept as always
    EXPECT_EQ(r.skipped, 2);
    EXPECT_EQ(r.problems, QStringList({"unclosed_waypoints.gpx, line 4: the end tag of <wpt> is missing; the "
                                       "element was closed there (3 places in the file)."}));
    EXPECT_EQ(r.skips,
              QStringList({"unclosed_waypoints.gpx, line 5: a waypoint without a name was skipped: its "
                           "end tag is missing and it has no name.",
                           "unclosed_waypoints.gpx, line 6: waypoint \"NoPosition\" was skipped: no "
                           "latitude."}));
}
