#include "devices/device_send.h"

#include "devices/fake_units.h"
#include "import/reader_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vintrel {
namespace {

using test::readAll;

const ExportFormat& gpx() {
    return *exportFormatForName("gpx");
}

void fillRows(WaypointList& list, int count, const QString& prefix) {
    for (int i = 0; i < count; ++i) {
        WaypointDraft row;
        row.cell(column::kName) = prefix + QString::number(i);
        row.cell(column::kDescription) = QString(200, u'd');
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
    const QByteArray first = readAll(path);

    report = sendToDevice(gpx(), list, unit, "/home/u/caches.loc", ExportContext{});
    ASSERT_TRUE(report.written) << report.error.toStdString();
    EXPECT_EQ(report.recordCount, 0);
    EXPECT_EQ(report.leftOutCount, 3);
    EXPECT_EQ(readAll(path), first);

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
    EXPECT_EQ(report.recordCount, 4);
    EXPECT_EQ(readAll(poi).mid(8, 6), "GRMREC");  // after the first record's type and length
    report = sendToDevice(gpi, list, unit, "/home/u/caches.loc", ExportContext{});
    EXPECT_EQ(report.recordCount, 4);
    EXPECT_EQ(QDir(root + "/Garmin/POI").entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// A unit that is a small file system of its own, in a mount namespace of a child process, so that
// the mount table lists it and its room runs out for real. Needs the right to mount (CI runs as root).
TEST(DeviceSend, AUnitWithoutRoomIsNotTouchedAndTheListStaysUnmarked) {
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.filePath("GARMIN"));
    QDir().mkpath(dir.filePath("GARMIN"));
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        const auto answer = [&](const QString& text, int status) {
            const QByteArray bytes = text.toUtf8();
            [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], bytes.constData(), bytes.size());
            ::_exit(status);
        };
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", root.constData(), "tmpfs", 0, "size=64k") != 0) {
            answer("cannot mount", 77);
        }
        QDir().mkpath(QFile::decodeName(root) + "/Garmin");
        QFile xml(QFile::decodeName(root) + "/Garmin/GarminDevice.xml");
        if (!xml.open(QIODevice::WriteOnly)) {
            answer("no device file", 1);
        }
        xml.write("<Device><Model><Description>eTrex 10</Description></Model></Device>");
        xml.close();
        const DeviceScan scan = findGarminDevices(systemDeviceSearch());
        QString error;
        const GarminDevice* unit = chooseDevice(scan, QFile::decodeName(root), error);
        if (unit == nullptr) {
            answer("not found: " + error, 1);
        }
        WaypointList small;
        fillRows(small, 2, "A");
        WriteReport report = sendToDevice(gpx(), small, *unit, "cams.csv", ExportContext{});
        if (!report.written) {
            answer("small send: " + report.error, 1);
        }
        WaypointList large;
        fillRows(large, 2, "A");
        fillRows(large, 400, "B");
        report = sendToDevice(gpx(), large, *unit, "cams.csv", ExportContext{});
        const QStringList left = QDir(unit->gpxFolder).entryList(QDir::Files | QDir::Hidden);
        answer(report.error + "|" + QString::number(left.size()) + "|" +
                   (large.row(0).isMarkedDuplicate() ? "marked" : "unmarked"),
               report.written ? 1 : 0);
    }
    ::close(pipeFds[1]);
    QByteArray said;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        said.append(buffer, n);
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
        GTEST_SKIP() << "no right to mount a file system here";
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << said.toStdString();
    const QList<QByteArray> parts = said.split('|');
    ASSERT_EQ(parts.size(), 3) << said.toStdString();
    EXPECT_TRUE(parts[0].startsWith("not enough space on eTrex 10: ")) << said.toStdString();
    EXPECT_TRUE(parts[0].endsWith(" kB free")) << said.toStdString();
    EXPECT_EQ(parts[1], "1");  // the first send's file, and no temporary file
    EXPECT_EQ(parts[2], "unmarked");
}

}  // namespace
}  // namespace vintrel
