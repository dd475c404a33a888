#include "import/netstumbler_reader.h"

#include "import/camera_csv_reader.h"
#include "test_support.h"

#include <QTemporaryDir>

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
    // The third flag digit decides: 0011, 0001, 00A1, 0002, 0061, 0001.
    EXPECT_EQ(
        columnTexts(list, column::kEncryption),
        (QStringList{"Encrypted", "UnEncrypted", "Encrypted", "UnEncrypted", "UnEncrypted", "UnEncrypted"}));
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(list.row(i).icon, i == 0 || i == 2 ? IconRole::EncryptYes : IconRole::EncryptNo) << i;
    }
    EXPECT_EQ(r.skipped, 3);
    EXPECT_TRUE(r.problems.isEmpty());
    EXPECT_EQ(
        r.skips,
        (QStringList{"netstumbler.txt, line 14: waypoint \"NoAddress\" was skipped: it has no hardware "
                     "address.",
                     "netstumbler.txt: 2 networks seen without a GPS fix (latitude or longitude 0) were "
                     "skipped."}));
}

TEST(NetStumblerReader, WrongFirstLineAlertsAndChangesNothing) {
    WaypointList list;
    const ReadResult r = readFixture(&readNetStumblerFile, list, "netstumbler_wrong.txt");
    ASSERT_TRUE(r.alert);
    EXPECT_EQ(r.alert->title, "Invalid File Format");
    EXPECT_EQ(r.alert->text, "This is not a NetStumbler Exported text file.    ");
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_FALSE(r.finished);           // the grid's layout stays as it was
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
    // Positions that are no number or out of range are skipped as by every reader.
    EXPECT_EQ(
        r.skips.mid(0, 2) + r.skips.mid(4),
        (QStringList{
            "netstumbler_bad.txt, line 5: waypoint \"NoLetter\" was skipped: latitude \"51.6854000\" does "
            "not begin with N or S.",
            "netstumbler_bad.txt, line 6: waypoint \"WrongLetter\" was skipped: longitude \"N 0.1872333\" "
            "does not begin with E or W.",
            // Two fields only: no SSID and no address.
            "netstumbler_bad.txt, line 10: a waypoint without a name was skipped: it has no hardware "
            "address.",
        }));
}

TEST(NetStumblerReader, CommentsAnywhereArePassedOverAndOnlyNetworkRowsHoldAddresses) {
    QTemporaryDir dir;
    const QByteArray header =
        "# $Creator: Network Stumbler Version 0.4.0\r\n# $Format: wi-scan summary with extensions\r\n"
        "# Latitude\tLongitude\t( SSID )\r\n# $DateGMT: 2004-06-05\r\n";
    const QByteArray net = "N 51.5\tW 0.5\t( Net )\tBSS\t( 00:0f:66:12:34:56 )\t\t\t\t0001\t\t\t\t6\r\n";
    ASSERT_TRUE(
        writeFile(dir.filePath("scan.txt"), header + net + "# $DateGMT: 2004-06-06\r\n  # indented\r\n" +
                                                QByteArray(net).replace("Net", "Later").replace("56", "57")));
    WaypointList list;
    ImportContext context{list, u'.'};
    // A camera whose description begins with the network's address is no network.
    ASSERT_TRUE(writeFile(dir.filePath("cams.csv"), "1,2,Cam,00:0F:66:12:34:56 is painted on it\r\n"));
    readCameraCsvFile(dir.filePath("cams.csv"), context);
    const ReadResult r = readNetStumblerFile(dir.filePath("scan.txt"), context);
    EXPECT_TRUE(r.problems.isEmpty() && r.skips.isEmpty()) << r.skips.join(u'\n').toStdString();
    EXPECT_EQ(columnTexts(list, column::kName), (QStringList{"Cam", "0002:Net", "0003:Later"}));
    EXPECT_EQ(list.duplicateCount(), 0);
    EXPECT_FALSE(list.row(0).redName);
}

TEST(NetStumblerReader, RealExportWithASecondDateLineIsReadWhole) {
    const QString real = realFile("txt/netstumbler.txt");
    if (real.isEmpty()) {
        GTEST_SKIP() << "the collection of real files is not there";
    }
    WaypointList list;
    ImportContext context{list, u'.'};
    const ReadResult r = readNetStumblerFile(real, context);
    EXPECT_TRUE(r.problems.isEmpty()) << r.problems.join(u'\n').toStdString();
    EXPECT_TRUE(r.skips.isEmpty()) << r.skips.join(u'\n').toStdString();
    EXPECT_TRUE(r.readToEnd);
    EXPECT_GT(r.appended, 30);
    EXPECT_EQ(list.row(0).cell(1), "0001:linksys");
}
