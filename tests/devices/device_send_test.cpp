#include "devices/device_send.h"

#include "devices/fake_units.h"
#include "import/reader_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace vintrel {
namespace {

const ExportFormat& gpx() {
    return *exportFormatForName("gpx");
}

void fillRows(WaypointList& list, int count, const QString& prefix) {
    for (int i = 0; i < count; ++i) {
        WaypointDraft row;
        row.cell(column::kName) = prefix + QString::number(i);
        setPositionCells(row, Position{51.0 + i * 1e-4, -0.5}, MinutesRule::Cut, u'.', 6);
        list.appendWaypointRow(WaypointRow(row));
    }
}

TEST(DeviceSend, AFirstSendWritesTheFileAndASecondAddsOnlyWhatIsNew) {
    test::FakeUnits units;
    const QString root = units.unit("ETREX", "eTrex 30");
    units.mount({root});
    const GarminDevice unit = findGarminDevices(units.search).devices.value(0);
    const QString path = root + "/Garmin/GPX/caches.gpx";
    EXPECT_EQ(deviceFilePath(unit, gpx(), "/home/u/caches.loc"), path);

    WaypointList list;
    fillRows(list, 3, "GC");
    WriteReport report = sendToDevice(gpx(), list, unit, "/home/u/caches.loc", ExportContext{});
    ASSERT_TRUE(report.written) << report.error.toStdString();
    EXPECT_EQ(report.recordCount, 3);

    fillRows(list, 1, "NEW");
    report = sendToDevice(gpx(), list, unit, "/home/u/caches.loc", ExportContext{});
    EXPECT_EQ(report.recordCount, 1);
    EXPECT_EQ(report.existingCount, 3);
    EXPECT_EQ(QDir(root + "/Garmin/GPX").entryList(QDir::Files | QDir::Hidden).size(), 1);

    // A POI file goes to the POI folder; made whole each time, it replaces one of its name.
    const ExportFormat& gpi = *exportFormatForName("gpi");
    const QString poi = root + "/Garmin/POI/caches.gpi";
    EXPECT_EQ(deviceFilePath(unit, gpi, "/home/u/caches.loc"), poi);
    report = sendToDevice(gpi, list, unit, "/home/u/caches.loc", ExportContext{});
    ASSERT_TRUE(report.written) << report.error.toStdString();
    report = sendToDevice(gpi, list, unit, "/home/u/caches.loc", ExportContext{});
    EXPECT_EQ(report.recordCount, 4);
    EXPECT_EQ(QDir(root + "/Garmin/POI").entryList(QDir::Files | QDir::Hidden).size(), 1);
}

}  // namespace
}  // namespace vintrel
