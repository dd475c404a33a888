#include "devices/garmin_devices.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace vintrel {
namespace {

QByteArray description(const QByteArray& model, const QByteArray& dataTypes) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<Device xmlns=\"http://www.garmin.com/xmlschemas/GarminDevice/v2\">\n"
           "<Model><PartNumber>006-B0000-00</PartNumber><Description>" +
           model + "</Description></Model><Id>3812345678</Id>\n<MassStorageMode>" + dataTypes +
           "</MassStorageMode></Device>\n";
}

// A unit's file entry; the format identifier beside the location is left out, as the reading ignores it.
QByteArray fileEntry(const QByteArray& path, const QByteArray& extension, const QByteArray& direction) {
    return "<File><Location><Path>" + path + "</Path><FileExtension>" + extension +
           "</FileExtension></Location><TransferDirection>" + direction + "</TransferDirection></File>";
}

TEST(GarminDeviceXml, FoldersComeFromTheInputEntriesElseTheUsualOnes) {
    struct Case {
        const char* what;
        QByteArray xml;
        QString model, gpx, poi;
        QString error;  // the start of the reason, when refused
    };
    const QByteArray gpsData = "<DataType><Name>GPSData</Name>" +
                               fileEntry("Garmin/GPX/Current", "GPX", "OutputFromUnit") +
                               fileEntry("Garmin/NewFiles", "gpx", "InputToUnit") + "</DataType>";
    const QByteArray poi = "<DataType><Name>CustomPOI</Name>" +
                           fileEntry("Garmin/Poi/Cams", "GPI", "InputOutput") + "</DataType>";
    const Case cases[] = {
        {"both named, output entries passed over",
         description("eTrex 30", gpsData + poi),
         "eTrex 30",
         "Garmin/NewFiles",
         "Garmin/Poi/Cams",
         {}},
        {"no entries, no model", description("", ""), "Garmin unit", "Garmin/GPX", "Garmin/POI", {}},
        {"paths leaving the drive count as not named",
         description("Oregon", "<DataType><Name>GPSData</Name>" +
                                   fileEntry("../../etc", "GPX", "InputToUnit") +
                                   "</DataType><DataType><Name>CustomPOI</Name>" +
                                   fileEntry("/tmp/x", "gpi", "InputToUnit") + "</DataType>"),
         "Oregon",
         "Garmin/GPX",
         "Garmin/POI",
         {}},
        {"another document", "<gpx/>", {}, {}, {}, "is not a device description"},
    };
    for (const Case& c : cases) {
        GarminDeviceDescription d;
        QString error;
        const bool ok = parseGarminDeviceXml(c.xml, d, error);
        EXPECT_EQ(ok, c.error.isEmpty()) << c.what << ": " << error.toStdString();
        if (ok) {
            EXPECT_EQ(d.model, c.model) << c.what;
            EXPECT_EQ(d.gpxFolder, c.gpx) << c.what;
            EXPECT_EQ(d.poiFolder, c.poi) << c.what;
        } else {
            EXPECT_TRUE(error.startsWith(c.error)) << c.what << ": " << error.toStdString();
        }
    }
}

class GarminDevices : public ::testing::Test {
  protected:
    // A drive: a folder with GARMIN/GarminDevice.xml (the folder in capitals, as units name it).
    QString drive(const QString& name, const QByteArray& xml) {
        const QString root = dir_.filePath(name);
        QDir().mkpath(root + "/GARMIN/GPX");
        EXPECT_TRUE(test::writeFile(root + "/GARMIN/GarminDevice.xml", xml));
        return root;
    }
    QString mountTable(const QStringList& lines) {
        EXPECT_TRUE(test::writeFile(dir_.filePath("mounts"), lines.join('\n').toUtf8() + '\n'));
        return dir_.filePath("mounts");
    }
    QTemporaryDir dir_;
};

TEST_F(GarminDevices, UnitsAreFoundInTheMountTableAndUnderGvfs) {
    const QString etrex = drive("E TREX", description("eTrex 30", ""));
    const QString broken = drive("broken", "<Device><Model>");
    const QString proc = drive("proc", description("not looked at", ""));
    QDir().mkpath(dir_.filePath("plain"));
    const QString mtp =
        drive("run/gvfs/mtp:host=091e_4cda_0000c8a0d1e2/Internal Storage", description("GPSMAP 66", ""));
    DeviceSearch search;
    search.mountTable = mountTable({
        "/dev/sda1 / ext4 rw 0 0",
        "/dev/sdb1 " + QString(etrex).replace(' ', "\\040") + " vfat rw 0 0",
        "/dev/sdc1 " + broken + " vfat rw 0 0",
        "proc " + proc + " proc rw 0 0",
        "/dev/sdd1 " + dir_.filePath("plain") + " vfat rw 0 0",
    });
    search.runtimeDir = dir_.filePath("run");
    const DeviceScan scan = findGarminDevices(search);
    ASSERT_EQ(scan.devices.size(), 2);
    EXPECT_EQ(scan.devices[0].root, etrex);
    EXPECT_EQ(scan.devices[0].model, "eTrex 30");
    // The folder the unit names is found in the drive's own letter case.
    EXPECT_EQ(scan.devices[0].gpxFolder, etrex + "/GARMIN/GPX");
    EXPECT_EQ(scan.devices[0].poiFolder, etrex + "/GARMIN/POI");
    EXPECT_EQ(scan.devices[1].model, "GPSMAP 66");
    EXPECT_TRUE(scan.devices[1].mtp);
    ASSERT_EQ(scan.problems.size(), 1);
    EXPECT_TRUE(scan.problems[0].startsWith(broken + ": its GarminDevice.xml is damaged"))
        << scan.problems[0].toStdString();

    QString error;
    EXPECT_EQ(chooseDevice(scan, {}, error), nullptr);
    EXPECT_TRUE(error.startsWith("2 Garmin units were found; name the one to send to: "))
        << error.toStdString();
    EXPECT_EQ(chooseDevice(scan, etrex + "/GARMIN", error), &scan.devices[0]);
    EXPECT_EQ(chooseDevice(scan, dir_.filePath("plain"), error), nullptr);
    EXPECT_TRUE(error.contains("is not a Garmin unit; found: ")) << error.toStdString();
    search.mountTable = mountTable({});
    search.runtimeDir.clear();
    EXPECT_EQ(chooseDevice(findGarminDevices(search), {}, error), nullptr);
    EXPECT_TRUE(error.startsWith("no Garmin unit was found")) << error.toStdString();
}

}  // namespace
}  // namespace vintrel
