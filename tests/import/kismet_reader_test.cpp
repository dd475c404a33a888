#include "import/kismet_reader.h"

#include "test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

namespace {

// A network element: `inner` holds its children.
QByteArray network(const char* type, const QByteArray& inner) {
    return "  <wireless-network number=\"1\" type=\"" + QByteArray(type) +
           "\" first-time=\"Mon Dec 12 13:16:26 2016\">\n" + inner + "  </wireless-network>\n";
}

QByteArray gps(const char* lat, const char* lon) {
    return "    <gps-info>\n      <min-lat>1</min-lat><min-lon>1</min-lon>\n      <peak-lat>" +
           QByteArray(lat) + "</peak-lat>\n      <peak-lon>" + QByteArray(lon) +
           "</peak-lon>\n      <avg-lat>1</avg-lat>\n    </gps-info>\n";
}

QByteArray document(const QByteArray& networks) {
    return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
           "<!DOCTYPE detection-run SYSTEM \"http://kismetwireless.net/kismet-3.1.0.dtd\">\n"
           "<detection-run kismet-version=\"2016.01.R1\">\n" +
           networks + "</detection-run>\n";
}

ReadResult readBytes(QTemporaryDir& dir, WaypointList& list, const QByteArray& bytes) {
    const QString path = dir.filePath("log.netxml");
    ImportContext context{list, u'.'};
    list.resetDuplicateCount();
    return writeFile(path, bytes) ? readKismetFile(path, context) : ReadResult{};
}

}  // namespace

TEST(KismetReader, RealLogGivesItsNetworksAtTheirPeaks) {
    WaypointList list;
    const ReadResult r = readFixture(&readKismetFile, list, "real/kismet/Kismet-test.netxml");
    // Its <card-source> holds a <card-source>: no repair is reported for that.
    EXPECT_TRUE(r.problems.isEmpty()) << r.problems.join(u'\n').toStdString();
    EXPECT_TRUE(r.skips.isEmpty()) << r.skips.join(u'\n').toStdString();
    ASSERT_EQ(list.rowCount(), 3);
    // An ad-hoc network without SSID or encryption; the clients' own channels and positions are
    // not the network's.
    EXPECT_EQ(rowText(list, 0),
              QString::fromUtf8("0001:??|00:00:00:00:00:00 (AdHoc) Ch0|S31°57.382  S3157.38202|"
                                "E115°51.680  E11551.68078|-31.95637|115.86135|||UnEncrypted||"));
    EXPECT_EQ(rowText(list, 1).section(u'|', 0, 1), "0002:Network 1|00:00:00:00:00:01 (AP) Ch6");
    EXPECT_EQ(rowText(list, 2).section(u'|', 0, 1), "0003:??|00:00:00:00:00:02 (AP) Ch6");  // cloaked
    EXPECT_EQ(columnTexts(list, column::kEncryption), (QStringList{"UnEncrypted", "Encrypted", "Encrypted"}));
    EXPECT_EQ(list.row(1).icon, IconRole::EncryptYes);
}

TEST(KismetReader, KindsEncryptionAndNetworksWithoutAPosition) {
    const QByteArray ssid =
        "    <SSID>\n      <type>Beacon</type>\n      <encryption>None</encryption>\n"
        "      <essid cloaked=\"false\">Caf\xE9</essid>\n    </SSID>\n";
    const QByteArray bytes = document(
        network("infrastructure", ssid + "    <BSSID>00:00:00:00:00:01</BSSID>\n    <channel>11</channel>\n" +
                                      gps("51.5", "-0.25")) +
        network("probe",
                "    <BSSID>00:00:00:00:00:02</BSSID>\n    <channel>1</channel>\n" + gps("52", "1")) +
        // two SSID entries: the first name, and encrypted as soon as one entry is
        network("data",
                "    <SSID><essid cloaked=\"true\"></essid><encryption>None</encryption></SSID>\n"
                "    <SSID><essid>Second</essid><encryption>WPA+PSK</encryption></SSID>\n"
                "    <BSSID>00:00:00:00:00:03</BSSID>\n" +
                    gps("53", "2")) +
        network("ad-hoc", "    <BSSID>00:00:00:00:00:04</BSSID>\n") +  // no gps-info
        network("infrastructure", "    <BSSID>00:00:00:00:00:05</BSSID>\n" + gps("0.000000", "0.000000")) +
        network("infrastructure", "    <BSSID>00:00:00:00:00:06</BSSID>\n" + gps("54", "")) +
        network("infrastructure", "    <BSSID></BSSID>\n" + gps("55", "3")) +
        network("infrastructure", "    <BSSID>00:00:00:00:00:01</BSSID>\n" + gps("56", "4")));  // again
    QTemporaryDir dir;
    WaypointList list;
    const ReadResult r = readBytes(dir, list, bytes);
    EXPECT_TRUE(r.problems.isEmpty()) << r.problems.join(u'\n').toStdString();
    EXPECT_EQ(columnTexts(list, column::kName),
              (QStringList{QString::fromUtf8("0001:Café"), "0002:??", "0003:Second"}));
    EXPECT_EQ(columnTexts(list, column::kDescription),
              (QStringList{"00:00:00:00:00:01 (AP) Ch11", "00:00:00:00:00:02 (Probe) Ch1",
                           "00:00:00:00:00:03 (Data) Ch"}));
    EXPECT_EQ(columnTexts(list, column::kEncryption),
              (QStringList{"UnEncrypted", "UnEncrypted", "Encrypted"}));
    EXPECT_EQ(list.duplicateCount(), 1);
    EXPECT_TRUE(list.row(0).redName);
    EXPECT_EQ(r.skipped, 4);
    EXPECT_EQ(
        r.skips,
        (QStringList{"log.netxml, line 60: waypoint \"00:00:00:00:00:06\" was skipped: empty longitude.",
                     "log.netxml, line 69: a waypoint without a name was skipped: it has no "
                     "hardware address.",
                     "log.netxml: 1 network seen without a GPS fix (no gps-info) was skipped.",
                     "log.netxml: 1 network seen without a GPS fix (peak at 0,0) was skipped."}))
        << r.skips.join(u'\n').toStdString();
}

TEST(KismetReader, CutFilesAndOtherDocumentsAreNamed) {
    QTemporaryDir dir;
    WaypointList list;
    // Cut inside the peak longitude: the number may be cut too, so the network is left out.
    const QByteArray whole =
        document(network("infrastructure", "    <BSSID>00:00:00:00:00:01</BSSID>\n" + gps("51.5", "-0.25")) +
                 network("infrastructure", "    <BSSID>00:00:00:00:00:02</BSSID>\n" + gps("52.5", "-1.25")));
    ReadResult r = readBytes(dir, list, whole.left(whole.lastIndexOf("-1.2")));
    EXPECT_EQ(columnTexts(list, column::kName), QStringList{"0001:??"});
    EXPECT_FALSE(r.readToEnd);
    EXPECT_EQ(r.skips,
              QStringList{"log.netxml, line 18: waypoint \"00:00:00:00:00:02\" was skipped: the file "
                          "breaks off inside its position."});

    r = readBytes(dir, list,
                  "<gpx><wireless-network><BSSID>00:00:00:00:00:09</BSSID></wireless-network></gpx>");
    EXPECT_EQ(list.rowCount(), 1);
    EXPECT_FALSE(r.readToEnd);
    EXPECT_EQ(r.problems,
              QStringList{"log.netxml: the file is not a Kismet network log: its root element is <gpx>, "
                          "not <detection-run>."});
}
