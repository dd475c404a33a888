#include "import/loc_reader.h"

#include "test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

TEST(LocReader, SiteStyleFileOnOneLine) {
    WaypointList list;
    const ReadResult r = readFixture(&readLocFile, list, "site_one_line.loc");
    EXPECT_EQ(r.appended, 2);
    EXPECT_TRUE(r.problems.isEmpty());
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(rowText(list, 0),
              "GC1A2B3|Old Mill by Some Owner|N51°41.124  N5141.12460|W000°11.234  W00011.23400|51.6854100|"
              "-0.1872333|http://www.geocaching.com/seek/cache_details.aspx?wp=GC1A2B3||||");
    EXPECT_EQ(rowText(list, 1),
              "GC2B3C4|Quarry|S33°30.000  S3330.00000|E151°15.000  E15115.00000|-33.5000000|151.2500000|"
              "http://www.geocaching.com/seek/cache_details.aspx?wp=GC2B3C4||||");
    EXPECT_EQ(list.row(0).icon, IconRole::Geocache);
}

TEST(LocReader, EachWaypointStartsEmptyTypesPickIconsMinutesRound) {
    WaypointList list;
    readFixture(&readLocFile, list, "crlf_multi.loc");
    ASSERT_EQ(list.rowCount(), 3);
    // No type and no link in the second, and a name and coord nested deeper, which are not its own:
    // nothing is taken over from the waypoint before. A compound type picks no icon.
    EXPECT_EQ(columnTexts(list, column::kUrl), (QStringList{"http://example.org/a", "", ""}));
    EXPECT_EQ(list.row(0).icon, IconRole::Event);  // Letterbox Hybrid
    EXPECT_EQ(list.row(1).icon, IconRole::Empty);
    EXPECT_EQ(list.row(2).icon, IconRole::Empty);
    const QString expected[][2] = {
        {"N0530.00000", "E01060.00000"}, {"N5200.00000", "E00000.06000"}, {"N5160.00000", "W17930.00000"}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cell(list, i, column::kLatDM).right(11), expected[i][0]) << i;
        EXPECT_EQ(cell(list, i, column::kLonDM).right(12), expected[i][1]) << i;
    }
}

TEST(LocReader, RealXmlEntitiesPlainTextAndAttributeForms) {
    WaypointList list;
    const ReadResult r = readFixture(&readLocFile, list, "entities_lf.loc");
    ASSERT_EQ(list.rowCount(), 3) << r.problems.join('\n').toStdString();
    EXPECT_EQ(cell(list, 0, 1), "GC3&X");
    EXPECT_EQ(cell(list, 0, 2), QString::fromUtf8("Fish & Chips été"));
    EXPECT_EQ(cell(list, 0, 3).right(11), "N1060.00000");  // rounds where the cut rule gives 59.99999
    EXPECT_EQ(cell(list, 0, 6), "-0.5000000");
    EXPECT_EQ(cell(list, 0, 7), "http://example.org/?a=1&b=2");
    EXPECT_EQ(list.row(0).icon, IconRole::Traditional);
    EXPECT_EQ(cell(list, 1, 2), "");                        // empty name element: empty description
    EXPECT_EQ(cell(list, 2, 2), "first line second line");  // the break and the indent: one space
}

TEST(LocReader, TruncatedFileKeepsEarlierRowsAndSaysWhere) {
    WaypointList list;
    const ReadResult r = readFixture(&readLocFile, list, "truncated.loc");
    EXPECT_EQ(list.rowCount(), 2);
    EXPECT_FALSE(r.readToEnd);
    // The cut waypoint has a name but its coord tag is cut off: without a position it is dropped.
    EXPECT_EQ(r.skips,
              QStringList{"truncated.loc, line 5: waypoint \"GCT3\" was skipped: it has no coord element."});
    EXPECT_EQ(r.problems, QStringList{"truncated.loc, line 5: the file breaks off inside <waypoint>."});
}

TEST(LocReader, WaypointsWithoutUsablePositionAreSkippedAndCounted) {
    WaypointList list;
    const ReadResult r = readFixture(&readLocFile, list, "bad_coords.loc");
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(cell(list, 0, 1), "GOOD1");
    EXPECT_EQ(cell(list, 1, 1), "GOOD2");
    EXPECT_EQ(cell(list, 1, 4).right(12), "E18000.00000");
    EXPECT_EQ(r.skipped, 6);
    EXPECT_TRUE(r.problems.isEmpty());
    const QString all = r.skips.join('\n');
    EXPECT_TRUE(all.contains("bad_coords.loc, line 4: waypoint \"NOLAT\" was skipped: no latitude."));
    EXPECT_TRUE(all.contains("\"EMPTYLON\" was skipped: empty longitude"));
    EXPECT_TRUE(all.contains("line 9: waypoint \"NOCOORD\" was skipped: it has no coord element."));
}

TEST(LocReader, EmptyListAfterTheFileGivesTheAdvice) {
    WaypointList list;
    ReadResult r = readFixture(&readLocFile, list, "no_waypoints.loc");
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_TRUE(r.readToEnd);
    EXPECT_EQ(r.advice, locAdviceText());

    // The file EasyGPS saves in its own binary form gets the advice, and no word about XML.
    QTemporaryDir dir;
    const QString real = realFile("loc/easygps.loc");
    const QString easyGps = real.isEmpty() ? dir.filePath("easygps.loc") : real;
    if (real.isEmpty()) {
        ASSERT_TRUE(
            writeFile(easyGps, "TerraByte Location File Copyright 2002 TopoGrafix\n\x0eW\x01\x05GCEBB"));
    }
    ImportContext context{list, u'.'};
    r = readLocFile(easyGps, context);
    EXPECT_EQ(r.advice, locAdviceText());
    EXPECT_EQ(r.problems,
              QStringList{"easygps.loc: the file is saved in EasyGPS's own binary form, not as the XML "
                          "of a geocache .loc file; nothing was read."});
    EXPECT_FALSE(r.readToEnd);

    // With rows already listed, a file without waypoints gets no advice.
    readFixture(&readLocFile, list, "crlf_multi.loc");
    r = readFixture(&readLocFile, list, "no_waypoints.loc");
    EXPECT_TRUE(r.readToEnd);
    EXPECT_TRUE(r.advice.isEmpty());
}

TEST(LocReaderRepairs, DeclaredSingleByteEncodingsAreReadByTheirNames) {
    WaypointList list;
    const ReadResult r = readFixture(&readLocFile, list, "iso8859_15.loc");
    EXPECT_TRUE(r.problems.isEmpty()) << r.problems.join('\n').toStdString();
    // The third and later hold the characters where ISO-8859-15 differs from Latin-1.
    EXPECT_EQ(
        columnTexts(list, column::kDescription),
        (QStringList{"Café Müller", "Crêpe à la crème", "5 € Šumava Œuvre", "Žilina škoda", "Ÿ œ ž é"}));
}

// Twenty record problems are listed and the rest counted; a repair note before them is not one of the
// twenty.
TEST(LocReaderRepairs, RepairNotesComeFirstAndLeaveTheTwentyProblemLimitAlone) {
    WaypointList list;
    const ReadResult r = readFixture(&readLocFile, list, "many_bad_repaired.loc");
    EXPECT_EQ(list.rowCount(), 1);
    EXPECT_EQ(r.skipped, 25);
    EXPECT_EQ(r.problems,
              QStringList{"many_bad_repaired.loc, line 3: an '&' that starts no entity was read as text."});
    ASSERT_EQ(r.skips.size(), 21);
    EXPECT_EQ(r.skips[0],
              "many_bad_repaired.loc, line 3: waypoint \"AMP\" was skipped: latitude \"north\" is "
              "not a number.");
    EXPECT_TRUE(r.skips[19].contains("\"BAD18\""));
    EXPECT_EQ(r.skips[20],
              "many_bad_repaired.loc: 5 more waypoints were skipped for the same kinds of reasons.");
}
