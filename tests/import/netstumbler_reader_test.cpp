#include "import/netstumbler_reader.h"

#include "import/camera_csv_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

TEST(NetStumblerReader, ExportWithFourHeaderLinesGivesOneRowPerNetwork) {
    WaypointList list;
    const ReadResult r = readFixture(&readNetStumblerFile, list, "netstumbler.txt");
    ASSERT_EQ(list.rowCount(), 6);
    EXPECT_EQ(r.appended, 6);
    EXPECT_FALSE(r.alert);
    const WaypointRow& a = list.row(0);
    EXPECT_EQ(a.cell(1), "0001:MyNet");
    EXPECT_EQ(a.cell(2), "00:0F:66:12:34:56 (AP) Ch6");
    EXPECT_EQ(a.cell(3), QString::fromUtf8("N51°41.124  N5141.12400"));
    EXPECT_EQ(a.cell(4), QString::fromUtf8("W000°11.234  W00011.23400"));
    EXPECT_EQ(a.cell(5), "51.68540");
    EXPECT_EQ(a.cell(6), "-0.18723");
    EXPECT_EQ(a.cell(9), "Encrypted");
    EXPECT_EQ(a.icon, IconRole::EncryptYes);
    for (int c : {7, 10, 11}) {
        EXPECT_EQ(a.cell(c), "") << c;
    }
    // Southern and eastern hemispheres.
    EXPECT_EQ(list.row(2).cell(1), "0003:HexFlags");
    EXPECT_EQ(list.row(2).cell(5), "-33.86880");
    EXPECT_EQ(list.row(2).cell(6), "151.20930");
    EXPECT_EQ(list.row(2).cell(4).right(12), "E15112.55800");
    // An empty SSID, an ad-hoc network, and a kind that is neither.
    EXPECT_EQ(list.row(3).cell(1), "0004:??");
    EXPECT_EQ(list.row(3).cell(2), "02:11:22:33:44:55 (AdHoc) Ch3");
    EXPECT_EQ(list.row(4).cell(2), "00:0F:66:AA:BB:04  Ch6");
    EXPECT_EQ(list.columnWidth(column::kName), 3100);
    EXPECT_EQ(list.columnWidth(column::kDescription), 4200);
    EXPECT_EQ(list.columnAlignment(column::kDescription), ColumnAlignment::Left);
}

TEST(NetStumblerReader, ThirdFlagDigitDecidesEncryption) {
    WaypointList list;
    readFixture(&readNetStumblerFile, list, "netstumbler.txt");
    ASSERT_EQ(list.rowCount(), 6);
    const struct {
        int row;
        const char* flags;
        bool encrypted;
    } cases[] = {{0, "0011", true}, {1, "0001", false}, {2, "00A1", true}, {3, "0002", false}};
    for (const auto& c : cases) {
        const WaypointRow& row = list.row(c.row);
        EXPECT_EQ(row.cell(9), c.encrypted ? "Encrypted" : "UnEncrypted") << c.flags;
        EXPECT_EQ(row.icon, c.encrypted ? IconRole::EncryptYes : IconRole::EncryptNo) << c.flags;
    }
}

TEST(NetStumblerReader, ShortLinesTakeNothingFromTheLineBefore) {
    WaypointList list;
    readFixture(&readNetStumblerFile, list, "netstumbler.txt");
    ASSERT_EQ(list.rowCount(), 6);
    // Nine fields: no channel, although the line before had one.
    EXPECT_EQ(list.row(5).cell(1), "0006:Short");
    EXPECT_EQ(list.row(5).cell(2), "00:0F:66:AA:BB:06 (AP) Ch");
    EXPECT_EQ(list.row(5).cell(9), "UnEncrypted");
}

TEST(NetStumblerReader, NoFixLinesCountedOnceMissingAddressNamed) {
    WaypointList list;
    const ReadResult r = readFixture(&readNetStumblerFile, list, "netstumbler.txt");
    EXPECT_EQ(r.skipped, 3);
    EXPECT_EQ(
        r.problems,
        (QStringList{"netstumbler.txt, line 14: waypoint \"NoAddress\" was skipped: it has no hardware "
                     "address.",
                     "netstumbler.txt: 2 networks seen without a GPS fix (latitude or longitude 0) were "
                     "skipped."}));
    EXPECT_TRUE(r.readToEnd);
}

TEST(NetStumblerReader, AddressesAreTheDuplicateKeyInAnyCase) {
    WaypointList list;
    readFixture(&readNetStumblerFile, list, "netstumbler.txt");
    // "MyNet again" repeats the first address in lower case.
    EXPECT_EQ(list.duplicateCount(), 1);
    EXPECT_EQ(list.row(0).cell(8), "1");
    EXPECT_TRUE(list.row(0).redName);
    EXPECT_FALSE(list.row(1).isMarkedDuplicate());

    const ReadResult again = readFixture(&readNetStumblerFile, list, "netstumbler.txt");
    EXPECT_EQ(again.appended, 0);
    EXPECT_EQ(list.rowCount(), 6);
    EXPECT_EQ(list.duplicateCount(), 7);  // six networks, one of them twice
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(list.row(i).isMarkedDuplicate()) << i;
        EXPECT_TRUE(list.row(i).redName) << i;
    }
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
