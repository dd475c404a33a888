#include "import/wigle_reader.h"

#include "import/kismet_reader.h"
#include "import/netstumbler_reader.h"
#include "test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

namespace {

constexpr const char* kFormat14 =
    "WigleWifi-1.4,appRelease=2.26,model=GT-I9301I,release=4.4.2,brand=samsung\n";
constexpr const char* kColumns14 =
    "MAC,SSID,AuthMode,FirstSeen,Channel,RSSI,CurrentLatitude,CurrentLongitude,"
    "AltitudeMeters,AccuracyMeters,Type\n";

// A 1.4 row.
QByteArray sighting(const char* mac, const char* ssid, const char* auth, int rssi, const char* lat,
                    const char* lon, const char* type = "WIFI") {
    return QStringLiteral("%1,%2,%3,2017-11-09 02:49:14,6,%4,%5,%6,152,36,%7\n")
        .arg(QLatin1StringView(mac), QLatin1StringView(ssid), QLatin1StringView(auth), QString::number(rssi),
             QLatin1StringView(lat), QLatin1StringView(lon), QLatin1StringView(type))
        .toUtf8();
}

struct Scratch {
    QTemporaryDir dir;
    WaypointList list;
    ImportContext context{list, u'.'};
    ReadResult read(const char* name, const QByteArray& bytes, ReaderFunction reader = &readWigleFile) {
        list.resetDuplicateCount();
        const QString path = dir.filePath(QLatin1StringView(name));
        return writeFile(path, bytes) ? reader(path, context) : ReadResult{};
    }
};

}  // namespace

TEST(WigleReader, RealExportGivesOneRowPerNetworkWhereItWasHeardStrongest) {
    WaypointList list;
    const ReadResult r = readFixture(&readWigleFile, list, "real/wigle/WigleWifi_20171029182606.csv");
    EXPECT_TRUE(r.problems.isEmpty()) << r.problems.join(u'\n').toStdString();
    EXPECT_TRUE(r.readToEnd);
    ASSERT_EQ(list.rowCount(), 12);  // 16 Wi-Fi sightings of 12 networks
    // Banot: -45 dBm at first, -40 at 32.1018979,35.20511723 later.
    EXPECT_EQ(rowText(list, 0),
              QString::fromUtf8("0001:Banot|a0:4f:d4:3b:fb:a1 (AP) Ch1|N32°06.113  N3206.11387|"
                                "E035°12.307  E03512.30703|32.10190|35.20512|||Encrypted||"));
    EXPECT_EQ(list.row(0).icon, IconRole::EncryptYes);
    EXPECT_EQ(rowText(list, 2).section(u'|', 4, 5), "32.10159|35.20531");  // -76, then -69 here
    EXPECT_EQ(columnTexts(list, column::kName).mid(6),
              (QStringList{"0007:AUC_54_R", "0008:Ariel_University", "0009:afikim-wifi", "0010:Bezeq Free",
                           "0011:YICarCam_f78548", "0012:??"}));
    EXPECT_EQ(
        columnTexts(list, column::kEncryption).mid(5, 6),
        (QStringList{"Encrypted", "UnEncrypted", "UnEncrypted", "UnEncrypted", "UnEncrypted", "Encrypted"}));
    EXPECT_EQ(list.row(7).icon, IconRole::EncryptNo);
    EXPECT_EQ(r.skips,
              QStringList{"WigleWifi_20171029182606.csv: 1 phone-cell row was passed over; only Wi-Fi "
                          "networks are read."});
}

// Loggers write the 1.4 and 1.6 layouts under either number; the column line decides.
TEST(WigleReader, ColumnsAreFoundByTheirNamesWhateverTheVersionLine) {
    struct Case {
        const char* what;
        QByteArray bytes;
        int rows;
        QStringList report;  // problems, then skips
    };
    const QByteArray row14 =
        "02:11:22:33:44:01,Home,[WPA2-PSK-CCMP][ESS],2024-05-01 10:00:00,9,-60,51.5,-0.25,40,5,WIFI";
    const QByteArray row16 =
        "02:11:22:33:44:01,Home,[WPA2-PSK-CCMP][ESS],2024-05-01 10:00:00,9,2452,-60,51.5,-0.25,40,5,,,WIFI";
    const QByteArray columns16 =
        "MAC,SSID,AuthMode,FirstSeen,Channel,Frequency,RSSI,CurrentLatitude,"
        "CurrentLongitude,AltitudeMeters,AccuracyMeters,RCOIs,MfgrId,Type";
    const QByteArray format16 =
        "WigleWifi-1.6,appRelease=2.70,model=Pixel 7,release=14,star=Sol,body=3,subBody=0";
    const QList<Case> cases = {
        {"1.4", kFormat14 + QByteArray(kColumns14) + row14, 1, {}},
        {"1.6", format16 + '\n' + columns16 + '\n' + row16 + '\n', 1, {}},
        {"1.6 number, 1.4 columns", format16 + '\n' + kColumns14 + row14 + '\n', 1, {}},
        {"12 columns, short coordinate names",
         "WigleWifi-1.4,appRelease=1.0.0\nMAC,SSID,AuthMode,FirstSeen,Channel,Frequency,RSSI,Latitude,"
         "Longitude,"
         "AltitudeMeters,AccuracyMeters,Type\n"
         "02:11:22:33:44:01,Home,[WPA2],2024-05-01 10:00:00,9,2452,-60,51.5,-0.25,40,5,WIFI\n",
         1,
         {}},
        {"unknown version, 1.6 columns",
         "WigleWifi-9.9,appRelease=9\n" + columns16 + '\n' + row16 + '\n',
         1,
         {"v.csv: its format line names version 9.9, which Vintrel does not know; the file was read by its "
          "column names (those of version 1.6)."}},
        {"unknown version, columns missing",
         "WigleWifi-9.9,appRelease=9\nMAC,SSID,Auth,FirstSeen,Channel,Level,Lat,Lon,Type\n" + row14 + '\n',
         0,
         {"v.csv, line 2: the column line lacks AuthMode, RSSI, CurrentLatitude and CurrentLongitude, which "
          "Vintrel reads, so the file was not read; its format line names version 9.9, which Vintrel does "
          "not know."}},
        {"1.4 without a type column",
         kFormat14 + QByteArray(kColumns14).replace(",Type", "") + row14,
         0,
         {"v.csv, line 2: the column line lacks Type, which Vintrel reads, so the file was not read."}},
    };
    for (const Case& c : cases) {
        Scratch s;
        const ReadResult r = s.read("v.csv", c.bytes);
        EXPECT_EQ(s.list.rowCount(), c.rows) << c.what;
        EXPECT_EQ(r.problems + r.skips, c.report)
            << c.what << ": " << (r.problems + r.skips).join(u'\n').toStdString();
        EXPECT_EQ(r.readToEnd, c.rows > 0) << c.what;
        if (c.rows > 0) {
            EXPECT_EQ(rowText(s.list, 0),
                      QString::fromUtf8("0001:Home|02:11:22:33:44:01 (AP) Ch9|N51°30.000  "
                                        "N5130.00000|W000°15.000  W00015.00000|51.50000|-0.25000|"
                                        "||Encrypted||"))
                << c.what;
        }
    }
}

TEST(WigleReader, AuthModeDecidesEncryptionAndAdHoc) {
    const struct {
        const char* auth;
        bool encrypted;
    } cases[] = {
        {"[ESS]", false},
        {"", false},
        {"[WPS][ESS]", false},
        {"[ESS][OWE_TRANSITION]", false},  // the open half of an OWE pair
        {"OPEN", false},
        {"[WEP][ESS]", true},
        {"[WPA-?][ESS]", true},
        {"[WPA2-PSK-CCMP][RSN-PSK-CCMP][ESS]", true},
        {"[RSN-SAE-CCMP][ESS][MFPR]", true},  // WPA3
        {"[OWE]", true},
        {"WPA2 WPA2-PSK AES-CCMP", true},  // written without brackets
        {"WPA_WPA2_PSK", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wigleAuthEncrypted(QString::fromLatin1(c.auth)), c.encrypted) << c.auth;
    }
    Scratch s;
    s.read("adhoc.csv", kFormat14 + QByteArray(kColumns14) +
                            sighting("02:00:00:00:00:01", "Party", "[IBSS]", -50, "1.5", "2.5") +
                            sighting("02:00:00:00:00:02", "Shop", "[ESS][WPS]", -50, "1.5", "2.5"));
    EXPECT_EQ(columnTexts(s.list, column::kDescription),
              (QStringList{"02:00:00:00:00:01 (AdHoc) Ch6", "02:00:00:00:00:02 (AP) Ch6"}));
    EXPECT_EQ(s.list.row(1).icon, IconRole::EncryptNo);
}

TEST(WigleReader, SightingsWithoutAFixDoNotCountAndTheStrongestWins) {
    const QByteArray bytes =
        kFormat14 + QByteArray(kColumns14) +
        // seen first without a fix, then with: placed at its fix
        sighting("02:00:00:00:00:01", "LateFix", "[ESS]", -40, "0.0", "0.0") +
        sighting("02:00:00:00:00:01", "LateFix", "[ESS]", -70, "10", "20") +
        // never with a fix
        sighting("02:00:00:00:00:02", "NoFix", "[ESS]", -50, "0.0", "0.0") +
        // a tie keeps the first; the address in another letter case is the same network
        sighting("AA:00:00:00:00:03", "Tie", "[WEP]", -60, "11", "21") +
        sighting("aa:00:00:00:00:03", "Tie", "[WEP]", -60, "12", "22") +
        // a weaker sighting is not looked at; a stronger one with a bad position is reported and the
        // earlier best kept
        sighting("02:00:00:00:00:04", "Bad", "[ESS]", -60, "13", "23") +
        sighting("02:00:00:00:00:04", "Bad", "[ESS]", -90, "junk", "23") +
        sighting("02:00:00:00:00:04", "Bad", "[ESS]", -30, "95", "23") +
        // no signal figure: any later sighting with one is stronger
        sighting("02:00:00:00:00:05", "Quiet", "[ESS]", -60, "14", "24").replace(",-60,", ",,") +
        sighting("02:00:00:00:00:05", "Quiet", "[ESS]", -99, "15", "25");
    Scratch s;
    const ReadResult r = s.read("fix.csv", bytes);
    EXPECT_EQ(columnTexts(s.list, column::kName),
              (QStringList{"0001:LateFix", "0002:Tie", "0003:Bad", "0004:Quiet"}));
    EXPECT_EQ(columnTexts(s.list, column::kLatDecimal),
              (QStringList{"10.00000", "11.00000", "13.00000", "15.00000"}));
    EXPECT_EQ(s.list.row(1).cell(column::kDescription), "AA:00:00:00:00:03 (AP) Ch6");
    EXPECT_EQ(s.list.duplicateCount(), 0);  // sightings are no duplicates
    EXPECT_EQ(r.skipped, 2);
    EXPECT_EQ(r.skips,
              (QStringList{QString::fromUtf8("fix.csv, line 10: waypoint \"Bad\" was skipped: latitude 95 "
                                             "is outside ±90."),
                           "fix.csv: 1 network seen without a GPS fix (only at 0,0) was skipped."}));
}

TEST(WigleReader, DamagedLinesAreSkippedWithTheReasonAndTheRestRead) {
    Scratch s;
    // A quoted SSID keeps its comma; an unquoted one shifts the columns; the file is cut mid-row.
    ReadResult r =
        s.read("cut.csv",
               kFormat14 + QByteArray(kColumns14) +
                   sighting("02:00:00:00:00:01", "\"Cafe, North\"", "[ESS]", -50, "1", "2") +
                   sighting("02:00:00:00:00:02", "Cafe, South", "[ESS]", -50, "1", "2") +
                   sighting("02:00:00:00:00:03", "Trailing", "[ESS]", -50, "1", "2").replace("\n", ",,\n") +
                   "02:00:00:00:00:04,Cut,[WPA2-PSK-CCMP][ESS],2017-11-09 02:49:14,6,-87,32.107");
    EXPECT_EQ(columnTexts(s.list, column::kName), (QStringList{"0001:Cafe, North", "0002:Trailing"}));
    EXPECT_TRUE(r.readToEnd);
    EXPECT_EQ(r.skips,
              (QStringList{"cut.csv, line 4: waypoint \"Cafe\" was skipped: it has 12 fields where the "
                           "column line names 11 (a text with a comma that is not quoted?).",
                           "cut.csv, line 6: waypoint \"Cut\" was skipped: the line ends after 7 of the "
                           "11 columns."}));

    // Only the format line; a .wiglecsv that is something else.
    r = s.read("short.csv", kFormat14);
    EXPECT_EQ(r.problems,
              QStringList{"short.csv: the file ends after its format line, before the column names, so "
                          "it holds no networks."});
    r = s.read("other.wiglecsv", "MAC,SSID\n02:00:00:00:00:01,Net\n");
    ASSERT_TRUE(r.alert);
    EXPECT_EQ(r.alert->text, "This is not a WiGLE CSV export: its first line does not begin with WigleWifi.");
    EXPECT_FALSE(r.readToEnd);
    EXPECT_EQ(s.list.rowCount(), 2);
}

// One network, one row, across the NetStumbler, WiGLE and Kismet files of one import.
TEST(WigleReader, TheNetworkDuplicateRuleHoldsAcrossScanners) {
    Scratch s;
    s.read("stumbler.txt",
           "# $Creator: Network Stumbler Version 0.4.0\r\n#\r\n#\r\n#\r\n"
           "N 51.5\tW 0.5\t( Net )\tBSS\t( 00:0F:66:12:34:56 )\t\t\t\t0011\t\t\t\t6\r\n",
           &readNetStumblerFile);
    s.read("w.csv", kFormat14 + QByteArray(kColumns14) +
                        sighting("00:0f:66:12:34:56", "Net", "[WEP]", -50, "1", "2") +
                        sighting("00:0f:66:aa:bb:cc", "Other", "[ESS]", -50, "1", "2"));
    EXPECT_EQ(s.list.duplicateCount(), 1);
    s.read("k.netxml",
           "<detection-run><wireless-network type=\"infrastructure\"><BSSID>00:0F:66:AA:BB:CC</BSSID>"
           "<gps-info><peak-lat>3</peak-lat><peak-lon>4</peak-lon></gps-info></wireless-network></"
           "detection-run>",
           &readKismetFile);
    EXPECT_EQ(s.list.duplicateCount(), 1);
    EXPECT_EQ(columnTexts(s.list, column::kName), (QStringList{"0001:Net", "0002:Other"}));
    EXPECT_TRUE(s.list.row(0).redName && s.list.row(1).redName);
}
