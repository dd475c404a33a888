#include "export/mapsource/mapsource_file.h"
#include "export/atomic_save.h"
#include "export/mapsource/record_frames.h"

#include "registry/hive_registry.h"

#include "test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

using namespace vintrel;
using vintrel::test::FixedClock;
using vintrel::test::readAll;
using vintrel::test::writeFile;

namespace {

WaypointRow row(const QString& name, const QString& dup = QString()) {
    WaypointDraft d;
    d.cell(column::kName) = name;
    d.cell(column::kDescription) = "d";
    d.lat = 1;
    d.lon = 2;
    d.cell(column::kDuplicate) = dup;
    return WaypointRow(d);
}

class GdbWriter : public ::testing::Test {
  protected:
    QString path(const char* name) const { return dir_.filePath(name); }
    WriteReport write(const WaypointList& list, const QString& target, registry::RegistryApi* reg = nullptr) {
        return writeGdbFile(list, target, ExportContext{{}, reg, &clock_});
    }
    QTemporaryDir dir_;
    FixedClock clock_;
};

}  // namespace

// An empty list is the header and the end record, and replaces a longer file.
TEST_F(GdbWriter, HeaderAndTrailerSpelledOut) {
    ASSERT_TRUE(writeFile(path("y.gdb"), QByteArray(1000, 'x')));
    const WriteReport report = write(WaypointList(), path("y.gdb"));
    EXPECT_TRUE(report.written);
    EXPECT_EQ(report.recordCount, 0);
    EXPECT_EQ(readAll(path("y.gdb")).toHex(' '),
              QByteArray(
                  "4d 73 52 63 66 00 02 00 00 00 44 6b 00 1b 00 00 00 41 5b 02 53 51 41 00 4a 75 6e 20 32 31 "
                  "20 32 30 30 34 00 31 34 3a 32 39 3a 32 39 00 4d 61 70 53 6f 75 72 63 65 00 "
                  "02 00 00 00 56 00 01"));
    // Version 3: format 'm', application 611.
    EXPECT_EQ(gdb3Kind().header.first(20).toHex(' '),
              QByteArray("4d 73 52 63 66 00 02 00 00 00 44 6d 00 1b 00 00 00 41 63 02"));
    EXPECT_EQ(gdb3Kind().header.sliced(20), gdbKind().header.sliced(20));
}

TEST_F(GdbWriter, CategoriesComeFromTheRegistry) {
    registry::HiveRegistry hive;
    registry::HKey key = 0;
    hive.RegCreateKeyExA(registry::kHkeyCurrentUser,
                         "SOFTWARE\\Garmin\\MapSource\\Settings\\WaypointCategoryNames", 0,
                         registry::kKeyAllAccessLegacy, &key, nullptr);
    const char cafe[] = "Caf\xE9 \x80";  // the registry's ANSI texts are windows-1252
    hive.RegSetValueExA(key, "Category9", registry::kRegSz, reinterpret_cast<const std::uint8_t*>(cafe),
                        sizeof cafe);
    hive.RegCloseKey(key);
    WaypointDraft d;
    d.cell(column::kName) = "Q";
    WaypointList list;
    list.appendWaypointRow(WaypointRow(d));
    d.cell(column::kName) = "R";
    d.cell(column::kCategory) = QString::fromUtf8("Café €");
    list.appendWaypointRow(WaypointRow(d));
    ASSERT_TRUE(write(list, path("c.gdb"), &hive).written);
    const QByteArray bytes = readAll(path("c.gdb"));
    // The category field of each record, after its one-letter name.
    EXPECT_EQ(bytes.mid(55 + 69 + 1, 2).toHex(), QByteArray("0100"));       // empty: first absent name
    EXPECT_EQ(bytes.mid(55 + 78 + 69 + 1, 2).toHex(), QByteArray("0001"));  // Category9
    EXPECT_EQ(hive.openHandleCount(), 0u);
}

namespace {

class GdbAdd : public GdbWriter {
  protected:
    WriteReport add(WaypointList& list, const QString& target) {
        return addToGdbFile(list, target, ExportContext{{}, nullptr, &clock_});
    }
    static void fill(WaypointList& list, const QStringList& names) {
        for (const QString& n : names) {
            list.appendWaypointRow(row(n));
        }
    }
};

}  // namespace

TEST_F(GdbAdd, NamesCompareAsTheFileWouldHoldThem) {
    // An empty file of each version (the BaseCamp name after the application record, an end record
    // naming a map area), then the same rows added twice: the second add finds every name, however
    // the file's encoding wrote it, and marks the rows; the end record is kept.
    const QByteArray namedEnd = QByteArray("\x06\x00\x00\x00VArea\0\x01", 11);
    const auto emptyFile = [&namedEnd](char version) {
        return QByteArray("MsRcf\0\x02\0\0\0D", 11) + version + QByteArray("\0\x03\0\0\0A\x64\x02\0", 9) +
               QByteArray("BaseCamp\0", 9) + namedEnd;
    };
    const QStringList names = {"GC1A2B3",
                               "gc1a2b3",
                               QString::fromUtf8("Café"),
                               QString::fromUtf8("Cafe\u0301"),
                               QString::fromUtf8("Snow ☃"),
                               "Snow ?",
                               ""};
    // Every row is added, the later of two names the file would hold alike with a number.
    for (const char version : {'k', 'l', 'm'}) {
        SCOPED_TRACE(version);
        ASSERT_TRUE(writeFile(path("v.gdb"), emptyFile(version)));
        WaypointList list;
        fill(list, names);
        WriteReport report = add(list, path("v.gdb"));
        ASSERT_TRUE(report.written) << report.error.toStdString();
        EXPECT_EQ(report.recordCount, 7);
        EXPECT_EQ(report.leftOutCount, 0);
        const QByteArray once = readAll(path("v.gdb"));
        EXPECT_TRUE(once.endsWith(namedEnd));
        EXPECT_EQ(once[11], version);

        WaypointList again;
        fill(again, names);
        report = add(again, path("v.gdb"));
        ASSERT_TRUE(report.written) << report.error.toStdString();
        EXPECT_EQ(report.existingCount, 7);
        EXPECT_EQ(report.recordCount, 0);
        EXPECT_EQ(report.leftOutCount, 7);
        EXPECT_TRUE(again.row(0).isMarkedDuplicate() && again.row(0).redName);
        EXPECT_EQ(report.warnings, version == 'm'
                                       ? QStringList()
                                       : QStringList{QString::fromUtf8(
                                             "\"Snow ☃\" was not added: the file holds it as \"Snow ?\".")});
        EXPECT_EQ(readAll(path("v.gdb")), once);
    }
}

TEST_F(GdbAdd, ARowThatCannotBeWrittenLeavesTheFileAndTheList) {
    WaypointList ab;
    fill(ab, {"A", "B"});
    ASSERT_TRUE(write(ab, path("h.gdb")).written);
    const QByteArray before = readAll(path("h.gdb"));

    // A row whose position cannot be written abandons the whole add or write, naming the row.
    WaypointList list;
    fill(list, {"A", "New"});
    WaypointDraft bad;
    bad.cell(column::kName) = "Broken";
    bad.lat = 200;
    list.appendWaypointRow(WaypointRow(bad));
    for (const WriteReport& report : {add(list, path("h.gdb")), write(list, path("h.gdb"))}) {
        EXPECT_FALSE(report.written);
        EXPECT_TRUE(report.error.contains("\"Broken\" has a latitude")) << report.error.toStdString();
        EXPECT_EQ(readAll(path("h.gdb")), before);
    }
    EXPECT_FALSE(list.row(0).isMarkedDuplicate());
}

TEST_F(GdbWriter, MpsFilesHaveTheirOwnHeaderAndTheSameFrame) {
    EXPECT_EQ(
        mpsKind().header.toHex(' '),
        QByteArray("4d 73 52 63 64 00 02 00 00 00 44 69 00 1b 00 00 00 41 f8 01 53 51 41 00 4e 6f 76 20 20 "
                   "36 20 32 30 30 33 00 31 36 3a 30 31 3a 33 32 00"));
    const ExportContext context{{}, nullptr, &clock_};

    WaypointDraft d;
    d.cell(column::kName) = "GC1A2B";
    d.cell(column::kDescription) = "Tree";
    d.lat = 51.6854;
    d.lon = -0.1872333;
    WaypointList list;
    list.appendWaypointRow(WaypointRow(d));
    ASSERT_TRUE(writeMpsFile(list, path("one.mps"), context).written);
    EXPECT_EQ(readAll(path("one.mps")).size(), 154);

    // Adding to an MPS file: the walk starts after its own header, the record is an MPS one.
    d.cell(column::kName) = "Next";
    list.appendWaypointRow(WaypointRow(d));
    const WriteReport added = addToMpsFile(list, path("one.mps"), context);
    ASSERT_TRUE(added.written) << added.error.toStdString();
    EXPECT_EQ(added.existingCount, 1);
    EXPECT_EQ(added.recordCount, 1);
    const QByteArray two = readAll(path("one.mps"));
    EXPECT_EQ(two.size(), 154 + 92 + 4 + 4);
    EXPECT_EQ(two.mid(147, 9), QByteArray("\x5F\x00\x00\x00WNext", 9));

    // A GDB add refuses it.
    EXPECT_EQ(addToGdbFile(list, path("one.mps"), context).error,
              "it is a MapSource MPS file, not a MapSource GDB file");
    EXPECT_EQ(readAll(path("one.mps")), two);

    // The file MapSource 4 wrote (format 'g') takes the same records.
    const QString real = vintrel::test::realFile("mps/mapsource.mps");
    if (!real.isEmpty()) {
        const QByteArray before = readAll(real);
        ASSERT_TRUE(writeFile(path("g.mps"), before));
        const WriteReport g = addToMpsFile(list, path("g.mps"), context);
        ASSERT_TRUE(g.written) << g.error.toStdString();
        EXPECT_EQ(g.existingCount, 9);
        EXPECT_EQ(g.recordCount, 2);
        const QByteArray after = readAll(path("g.mps"));
        EXPECT_EQ(after.first(before.size() - 7), before.chopped(7));
        EXPECT_EQ(after.mid(before.size() - 7, 11), QByteArray("\x61\x00\x00\x00WGC1A2B", 11));
        EXPECT_EQ(after.size(), before.size() + (92 + 6 + 4) + (92 + 4 + 4));  // GC1A2B, Next
    }
}

TEST_F(GdbWriter, LargeFilesAreWrittenInPiecesAndStillReplacedWhole) {
    WaypointList list;
    for (int i = 0; i < 30000; ++i) {
        list.appendWaypointRow(row(QStringLiteral("GC%1").arg(i, 6, 10, QLatin1Char('0'))));
    }
    ASSERT_TRUE(write(list, path("big.gdb")).written);
    const QByteArray bytes = readAll(path("big.gdb"));
    EXPECT_EQ(bytes.size(), 55 + 7 + 30000 * (77 + 8 + 1));  // more than two pieces of a megabyte
    EXPECT_EQ(bytes.mid(55 + 86 - 4, 4).toHex(), QByteArray("257d9365"));  // the fixed clock's stamp
    const MapSourceScan scan = scanMapSourceFile(bytes, gdbKind());
    ASSERT_TRUE(scan.ok()) << scan.error.toStdString();
    ASSERT_EQ(scan.waypointNames.size(), 30000);
    EXPECT_EQ(scan.waypointNames.last(), "GC029999");

    // The disk fills up after the first piece: the old file stays, no temporary file is left.
    AtomicFile::injectFaultForTesting(AtomicFile::Fault{1536 * 1024, ENOSPC});
    list.appendWaypointRow(row("one more"));
    const WriteReport report = write(list, path("big.gdb"));
    AtomicFile::injectFaultForTesting(std::nullopt);
    EXPECT_FALSE(report.written);
    EXPECT_EQ(report.error, "No space left on device");
    EXPECT_EQ(readAll(path("big.gdb")), bytes);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"big.gdb"});
}
