#include "export/mapsource/mapsource_file.h"
#include "export/export_driver.h"

#include "registry/hive_registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vintrel;

namespace {

class FixedClock : public Clock {
  public:
    QDateTime localNow() const override { return QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)); }
};

WaypointRow row(const QString& name, const QString& dup = QString()) {
    WaypointDraft d;
    d.cell(column::kName) = name;
    d.cell(column::kDescription) = "d";
    d.cell(column::kLatDecimal) = "1.0000000";
    d.cell(column::kLonDecimal) = "2.0000000";
    d.cell(column::kDuplicate) = dup;
    return WaypointRow(d);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class GdbWriter : public ::testing::Test {
  protected:
    QString path(const char* name) const { return dir_.filePath(name); }
    WriteReport write(const WaypointList& list, const QString& target, registry::RegistryApi* reg = nullptr) {
        return writeGdbFile(list, target, ExportContext{{}, u'.', reg, &clock_});
    }
    QTemporaryDir dir_;
    FixedClock clock_;
};

}  // namespace

TEST_F(GdbWriter, HeaderAndTrailerSpelledOut) {
    EXPECT_EQ(gdbHeader().toHex(' '),
              QByteArray(
                  "4d 73 52 63 66 00 02 00 00 00 44 6b 00 1b 00 00 00 41 5b 02 53 51 41 00 4a 75 6e 20 32 31 "
                  "20 32 30 30 34 00 31 34 3a 32 39 3a 32 39 00 4d 61 70 53 6f 75 72 63 65 00"));
    EXPECT_EQ(gdbTrailer().toHex(' '), QByteArray("02 00 00 00 56 00 01"));
}

TEST_F(GdbWriter, DuplicatesAndNamelessRowsAreLeftOut) {
    WaypointList list;
    list.appendWaypointRow(row("A1"));
    list.appendWaypointRow(row("B22", "1"));
    list.appendWaypointRow(row(""));
    list.appendWaypointRow(row("C333"));
    const WriteReport report = write(list, path("x.gdb"));
    ASSERT_TRUE(report.written) << report.error.toStdString();
    EXPECT_EQ(report.recordCount, 2);
    const QByteArray bytes = readAll(path("x.gdb"));
    EXPECT_EQ(bytes.size(), 55 + 7 + (77 + 2 + 1) + (77 + 4 + 1));
    EXPECT_TRUE(bytes.startsWith(gdbHeader()));
    EXPECT_TRUE(bytes.endsWith(gdbTrailer()));
    EXPECT_EQ(bytes.mid(55 + 4, 3), QByteArray("WA1"));
    EXPECT_EQ(bytes.mid(55 + 80 + 4, 5), QByteArray("WC333"));
    EXPECT_EQ(bytes.mid(55 + 80 - 4, 4).toHex(), QByteArray("257d9365"));  // the fixed clock's stamp
}

TEST_F(GdbWriter, EmptyResultIsHeaderAndTrailerAndReplacesALongerFile) {
    QFile old(path("y.gdb"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(1000, 'x'));
    old.close();
    WaypointList list;
    list.appendWaypointRow(row("A", "1"));
    const WriteReport report = write(list, path("y.gdb"));
    EXPECT_TRUE(report.written);
    EXPECT_EQ(report.recordCount, 0);
    EXPECT_EQ(readAll(path("y.gdb")), gdbHeader() + gdbTrailer());
    EXPECT_EQ(write(WaypointList(), path("z.gdb")).recordCount, 0);
    EXPECT_EQ(readAll(path("z.gdb")).size(), 62);
}

TEST_F(GdbWriter, FailuresLeaveTheOldFileAsItWas) {
    const QByteArray before("old contents");
    QFile old(path("keep.gdb"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(before);
    old.close();

    WaypointList list;
    list.appendWaypointRow(row("Good"));
    WaypointDraft bad;
    bad.cell(column::kName) = "Broken";
    bad.cell(column::kLatDecimal) = "north";
    bad.cell(column::kLonDecimal) = "2";
    list.appendWaypointRow(WaypointRow(bad));
    WriteReport report = write(list, path("keep.gdb"));
    EXPECT_FALSE(report.written);
    EXPECT_TRUE(report.error.contains("\"Broken\"")) << report.error.toStdString();
    EXPECT_EQ(readAll(path("keep.gdb")), before);

    // A target whose folder is a file cannot be written.
    report = write(WaypointList(), path("keep.gdb") + "/inside.gdb");
    EXPECT_FALSE(report.written);
    EXPECT_FALSE(report.error.isEmpty());
    EXPECT_EQ(readAll(path("keep.gdb")), before);
}

TEST_F(GdbWriter, CategoriesComeFromTheRegistry) {
    registry::HiveRegistry hive;
    registry::HKey key = 0;
    hive.RegCreateKeyExA(registry::kHkeyCurrentUser,
                         "SOFTWARE\\Garmin\\MapSource\\Settings\\WaypointCategoryNames", 0,
                         registry::kKeyAllAccessLegacy, &key, nullptr);
    const char parking[] = "Parking";
    hive.RegSetValueExA(key, "Category3", registry::kRegSz, reinterpret_cast<const std::uint8_t*>(parking),
                        sizeof parking);
    hive.RegCloseKey(key);
    WaypointDraft d;
    d.cell(column::kName) = "P";
    d.cell(column::kLatDecimal) = "0";
    d.cell(column::kLonDecimal) = "0";
    d.cell(column::kCategory) = "Parking";
    WaypointList list;
    list.appendWaypointRow(WaypointRow(d));
    d.cell(column::kCategory) = "";
    list.appendWaypointRow(WaypointRow(d));
    ASSERT_TRUE(write(list, path("c.gdb"), &hive).written);
    const QByteArray bytes = readAll(path("c.gdb"));
    const int n1 = 1;
    EXPECT_EQ(bytes.mid(55 + 69 + n1, 2).toHex(), QByteArray("0400"));
    EXPECT_EQ(bytes.mid(55 + 78 + 69 + n1, 2).toHex(), QByteArray("0100"));  // empty: first absent name
    EXPECT_EQ(hive.openHandleCount(), 0u);
}

TEST(CreateNew, ProposedNamesAndTexts) {
    EXPECT_EQ(proposedOutputName("", "gdb"), "new.gdb");
    EXPECT_EQ(proposedOutputName("", "kml"), "new.kml");
    EXPECT_EQ(proposedOutputName("C:\\data\\caches.gpx", "kml"), "C:\\data\\caches.kml");
    EXPECT_EQ(proposedOutputName("x.jpeg", "gdb"), "x.jgdb");
    EXPECT_EQ(newFileCountText(0), "There are 0 records in the new file.");
    EXPECT_EQ(newFileCountText(1), "There is 1 record in the new file.");
    EXPECT_EQ(newFileCountText(12345), "There are 12345 records in the new file.");
    EXPECT_EQ(createdText("/m/a.gdb"), "/m/a.gdb created");
    EXPECT_TRUE(opensInMapSource("a.GDB"));
    EXPECT_FALSE(opensInMapSource("a.KML"));
    EXPECT_FALSE(opensInMapSource("a.wpt"));
    EXPECT_EQ(exportFormatForChoice("GDB (Mapsource v6.1+)")->extension, "gdb");
    EXPECT_EQ(exportFormatForChoice("Choose One:"), nullptr);
    EXPECT_EQ(exportFormatForName("GDB")->filter, "Mapsource (v6.1+) File (*.gdb)|*.gdb");
}
