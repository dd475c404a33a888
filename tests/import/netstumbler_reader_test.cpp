#include "import/netstumbler_reader.h"

#include "import/camera_csv_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

TEST(NetStumblerReader, ExportWithFourHeaderLinesGivesOneRowPerNetwork) {
    WaypointList list;
    const ReadResult r = readFixture(&readNetStumblerFile, list, "netstumbler.txt");
    EXPECT_EQ(r.appended, 6);
    EXPECT_FALSE(r.alert);
    EXPECT_TRUE(r.readToEnd);
    ASSERT_EQ(list.rowCount(), 6);
    EXPECT_EQ(rowText(list, 0),
              "0001:MyNet|00:0F:66:12:34:56 (AP) Ch6|N51°41.124  N5141.12400|W000°11.234  W00011.23400|"
              "51.68540|-0.18723||1|Encrypted||");  // marked: "MyNet again" repeats its address in lower case
    EXPECT_TRUE(list.row(0).redName);
    EXPECT_EQ(list.duplicateCount(), 1);
    // An empty SSID, an ad-hoc network, a kind that is neither; the last line has nine fields: no
    // channel, although the line before had one.
    EXPECT_EQ(columnTexts(list, column::kName).mid(1),
              (QStringList{"0002:OpenCafe", "0003:HexFlags", "0004:??", "0005:Odd kind", "0006:Short"}));
    EXPECT_EQ(columnTexts(list, column::kDescription).mid(1),
              (QStringList{"00:0F:66:AA:BB:01 (AP) Ch11", "00:0F:66:AA:BB:03 (AP) Ch1",
                           "02:11:22:33:44:55 (AdHoc) Ch3", "00:0F:66:AA:BB:04  Ch6",
                           "00:0F:66:AA:BB:06 (AP) Ch"}));
    // Southern and eastern hemispheres.
    EXPECT_EQ(rowText(list, 2).section(u'|', 3, 5), "E151°12.558  E15112.55800|-33.86880|151.20930");
    // The third flag digit decides: 0011, 0001, 00A1, 0002, 0001, 0001.
    EXPECT_EQ(
        columnTexts(list, column::kEncryption),
        (QStringList{"Encrypted", "UnEncrypted", "Encrypted", "UnEncrypted", "UnEncrypted", "UnEncrypted"}));
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(list.row(i).icon, i == 0 || i == 2 ? IconRole::EncryptYes : IconRole::EncryptNo) << i;
    }
    EXPECT_EQ(list.columnWidth(column::kName), 3100);
    EXPECT_EQ(list.columnWidth(column::kDescription), 4200);
    EXPECT_EQ(list.columnAlignment(column::kDescription), ColumnAlignment::Left);
    EXPECT_EQ(r.skipped, 3);
    EXPECT_EQ(
        r.problems,
        (QStringList{"netstumbler.txt, line 14: waypoint \"NoAddress\" was skipped: it has no hardware "
                     "address.",
                     "netstumbler.txt: 2 networks seen without a GPS fix (latitude or longitude 0) were "
                     "skipped."}));
}

TEST(NetStumblerReader, NumberingAndWidthsFollowTheWholeList) {
    WaypointList list;
    readFixture(&readCameraCsvFile, list, "cameras.csv");
    ASSERT_EQ(list.rowCount(), 10);
    readFixture(&readNetStumblerFile, list, "netstumbler.txt");
    EXPECT_EQ(list.row(10).cell(1), "0011:MyNet");
    EXPECT_EQ(list.columnWidth(column::kName), 3100);
    EXPECT_EQ(list.columnWidth(column::kDescription), 3918);
}

TEST(NetStumblerReader, WrongFirstLineAlertsAndChangesNothing) {
    WaypointList list;
    const int nameWidth = list.columnWidth(column::kName);
    const ReadResult r = readFixture(&readNetStumblerFile, list, "netstumbler_wrong.txt");
    ASSERT_TRUE(r.alert);
    EXPECT_EQ(r.alert->title, "Invalid File Format");
    EXPECT_EQ(r.alert->text, "This is not a NetStumbler Exported text file.    ");
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(list.columnWidth(column::kName), nameWidth);
    EXPECT_TRUE(r.problems.isEmpty());  // the alert says it all
    EXPECT_FALSE(r.readToEnd);
}

TEST(NetStumblerReader, FileEndingInsideTheHeaderSaysSo) {
    WaypointList list;
    const ReadResult r = readFixture(&readNetStumblerFile, list, "netstumbler_header_only.txt");
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_FALSE(r.alert);
    EXPECT_EQ(r.problems, QStringList{"netstumbler_header_only.txt: the file ends before its fourth line, "
                                      "inside the header, so it holds no networks."});
    EXPECT_FALSE(r.readToEnd);
}

TEST(NetStumblerReader, BadPositionsAreSkippedAndNamed) {
    WaypointList list;
    const ReadResult r = readFixture(&readNetStumblerFile, list, "netstumbler_bad.txt");
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(list.row(0).cell(1), "0001:Good");
    EXPECT_EQ(list.row(0).cell(5), "-12.50000");
    EXPECT_EQ(list.row(0).cell(6), "-45.25000");
    EXPECT_EQ(r.skipped, 5);
    EXPECT_EQ(
        r.problems,
        (QStringList{
            "netstumbler_bad.txt, line 5: waypoint \"NoLetter\" was skipped: latitude \"51.6854000\" does "
            "not begin with N or S.",
            "netstumbler_bad.txt, line 6: waypoint \"WrongLetter\" was skipped: longitude \"N 0.1872333\" "
            "does not begin with E or W.",
            "netstumbler_bad.txt, line 7: waypoint \"NotANumber\" was skipped: latitude \"abc\" is not a "
            "number.",
            QString::fromUtf8("netstumbler_bad.txt, line 8: waypoint \"TooFarNorth\" was skipped: "
                              "latitude 95.0000000 is outside ±90."),
            // Two fields only: no SSID and no address.
            "netstumbler_bad.txt, line 10: a waypoint without a name was skipped: it has no hardware "
            "address.",
        }));
}
