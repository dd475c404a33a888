#include "export/export_driver.h"
#include "export/add_driver.h"
#include "export/atomic_save.h"

#include "test_support.h"

#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

using namespace vintrel;
using vintrel::test::readAll;
using vintrel::test::writeFile;

// The plural texts are checked by the window and command-line tests; here the forms they never show.
TEST(CreateNew, CountTexts) {
    EXPECT_EQ(newFileCountText(0), "There are 0 records in the new file.");
    EXPECT_EQ(newFileCountText(1), "There is 1 record in the new file.");
    // Large counts with the user's thousands separator, as the status bar writes them.
    QLocale::setDefault(QLocale(QLocale::English));
    EXPECT_EQ(newFileCountText(1500000), "There are 1,500,000 records in the new file.");
    QLocale::setDefault(QLocale::system());
}

TEST(AddToExisting, ReportTexts) {
    EXPECT_EQ(existingCountText(1), "There was 1 record in the existing file.");
    EXPECT_EQ(
        addedText(2, "/m/a\nb.gdb", 0, 1),
        "2 records added to /m/a\\nb.gdb\n1 record could not be added: no distinct name was left for it.");
    EXPECT_EQ(nowCountText(0, 1), "There is now 1 record in the file.");
    EXPECT_EQ(nowCountText(1, 0), "There is still 1 record in the file.");
}

// Every writer, through the table: a write that fails says why and leaves no file, a folder or an
// old file where the output should go stays as it was, and a file to add to that is missing is not
// made.
TEST(ExportFormats, EveryWriterReportsAFailedWriteAndLeavesWhatWasThere) {
    QTemporaryDir dir;
    WaypointList list;
    WaypointDraft d;
    d.cell(column::kName) = "A";
    list.appendWaypointRow(WaypointRow(d));
    for (const ExportFormat& f : exportFormats()) {
        const std::string key = f.key.toStdString();
        const QString missing = dir.filePath("missing/out." + f.extension);
        const WriteReport report = createFile(f, list, missing, ExportContext{});
        EXPECT_FALSE(report.written) << key;
        EXPECT_EQ(report.recordCount, 0) << key;
        EXPECT_EQ(report.error, "No such file or directory") << key;
        const QString folder = dir.filePath("taken." + f.extension);
        ASSERT_TRUE(QDir().mkpath(folder));
        EXPECT_EQ(createFile(f, list, folder, ExportContext{}).error, "it is a folder") << key;
        EXPECT_TRUE(QFileInfo(folder).isDir()) << key;

        const QString old = dir.filePath("old." + f.extension);
        ASSERT_TRUE(writeFile(old, "old contents"));
        AtomicFile::injectFaultForTesting(AtomicFile::Fault{10, ENOSPC});
        EXPECT_EQ(createFile(f, list, old, ExportContext{}).error, "No space left on device") << key;
        AtomicFile::injectFaultForTesting(std::nullopt);
        EXPECT_EQ(readAll(old), "old contents") << key;
        if (f.add != nullptr) {
            EXPECT_TRUE(addToFile(f, list, dir.filePath("absent." + f.extension), ExportContext{})
                            .error.startsWith("it cannot be read"))
                << key;
            // An add that fails leaves the file, and the rows it holds unmarked.
            const QString held = dir.filePath("held." + f.extension);
            ASSERT_TRUE(createFile(f, list, held, ExportContext{}).written) << key;
            const QByteArray before = readAll(held);
            WaypointList more;
            more.appendWaypointRow(list.row(0));
            d.cell(column::kName) = "B";
            more.appendWaypointRow(WaypointRow(d));
            AtomicFile::injectFaultForTesting(AtomicFile::Fault{10, ENOSPC});
            EXPECT_EQ(addToFile(f, more, held, ExportContext{}).error, "No space left on device") << key;
            AtomicFile::injectFaultForTesting(std::nullopt);
            EXPECT_EQ(readAll(held), before) << key;
            EXPECT_FALSE(more.row(0).isMarkedDuplicate()) << key;
        }
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"held.gdb", "held.gpx", "held.mps", "held.wpt", "old.gdb", "old.gpi", "old.gpx",
                           "old.kml", "old.mps", "old.wpt"}));
}

// A file whose names leave a row no name of its own: the row is not added, and is counted.
TEST(AddToExisting, ARowNoNameIsLeftForIsCountedNotAdded) {
    // Holds every six-character name but "Same", so that a second "Same" has no number left.
    struct FullFile : AddTarget {
        QByteArray nameKey(QAnyStringView name) const override {
            return writtenNameBytes(name, NameForm::Pcx5);
        }
        std::optional<QString> heldName(const QByteArray& key) const override {
            return key == nameKey(u"Same") ? std::nullopt : std::optional<QString>(QString::fromLatin1(key));
        }
        bool holdsPlace(const WaypointRow&) const override { return false; }
        bool appendRecord(QByteArray& out, const WaypointList&, int, QAnyStringView name, QString&) override {
            out += name.toString().toLatin1() + '\n';
            return true;
        }
    };
    const AddScanner scan = [](const QByteArray&, const WaypointList&, const ExportContext&,
                               QString&) -> std::unique_ptr<AddTarget> {
        auto file = std::make_unique<FullFile>();
        file->uniqueNames = NameForm::Pcx5;
        return file;
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("full.wpt");
    ASSERT_TRUE(writeFile(path, ""));
    WaypointList list;
    for (const double lat : {1, 2}) {
        WaypointDraft d;
        d.cell(column::kName) = "Same";
        d.lat = lat;
        list.appendWaypointRow(WaypointRow(d));
    }
    const WriteReport report = addRows(scan, list, path, ExportContext{});
    ASSERT_TRUE(report.written) << report.error.toStdString();
    EXPECT_EQ(report.recordCount, 1);
    EXPECT_EQ(report.notWrittenCount, 1);
    EXPECT_EQ(readAll(path), "Same\n");
}
