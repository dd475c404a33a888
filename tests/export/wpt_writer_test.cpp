// The fixed columns of a waypoint line are spelled out here from the layout: a field one byte too
// long or too short shifts every column after it.
#include "export/wpt_writer.h"

#include "test_support.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace vintrel;
using vintrel::test::FixedClock;
using vintrel::test::readAll;
using vintrel::test::writeFile;

namespace {

const QDateTime kSixthNovember(QDate(2010, 11, 6), QTime(16, 1, 32));

WaypointRow row(const QString& name, const QString& description,
                const QString& latCell = QString::fromUtf8("N51°41.123  N5141.12345"),
                const QString& lonCell = QString::fromUtf8("W000°11.234  W00011.23456")) {
    WaypointDraft d;
    d.cell(column::kName) = name;
    d.cell(column::kDescription) = description;
    d.cell(column::kLatDM) = latCell;
    d.cell(column::kLonDM) = lonCell;
    return WaypointRow(d);
}

class WptWriter : public ::testing::Test {
  protected:
    // Writes the list and returns its waypoint lines without their CR LF, after checking the
    // header lines, the line ends, the count and that every line keeps the fixed columns: the name
    // in 4-9, the positions in 11-21 and 23-34, the date, "-9999", the description in the 40
    // columns after it, the exponent field and a five-digit symbol.
    QList<QByteArray> writeLines(const WaypointList& list, bool descriptions = true,
                                 const QDateTime& when = kSixthNovember) {
        const FixedClock clock(when);
        ExportContext context;
        context.options.includeDescription = descriptions;
        context.clock = &clock;
        const WriteReport report = writeWptFile(list, path_, context);
        EXPECT_TRUE(report.written) << report.error.toStdString();
        EXPECT_EQ(report.recordCount, list.rowCount());
        const QByteArray bytes = readAll(path_);
        if (!bytes.startsWith("H  COORDINATE SYSTEM\r\nU  LAT LON DM\r\n") || !bytes.endsWith("\r\n")) {
            ADD_FAILURE() << "not a WPT file: " << bytes.left(200).toStdString();
            return {};
        }
        QList<QByteArray> lines = bytes.chopped(1).split('\n');
        lines.remove(0, 2);
        static const QRegularExpression layout(
            "^W  .{6} .{11} .{12} \\d{1,2}-[A-Z]{3}-\\d\\d \\d\\d:\\d\\d:\\d\\d -9999 .{40} 0\\.00000e\\+00 "
            "\\d{5}$");
        for (QByteArray& line : lines) {
            EXPECT_TRUE(line.endsWith('\r'));
            line.chop(1);
            EXPECT_TRUE(layout.match(QString::fromLatin1(line)).hasMatch()) << line.toStdString();
        }
        EXPECT_EQ(lines.size(), list.rowCount());
        return lines;
    }

    QTemporaryDir dir_;
    QString path_ = dir_.filePath("out.wpt");
};

}  // namespace

TEST_F(WptWriter, WholeLinesWithOneAndTwoDigitDays) {
    WaypointList list;
    list.appendWaypointRow(row("GC1A2B", "Tree"));
    const QList<QByteArray> lines = writeLines(list);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0], "W  GC1A2B N5141.12345 W00011.23456 6-NOV-10 16:01:32 -9999 Tree" +
                            QByteArray(36, ' ') + " 0.00000e+00 08255");
    // A two-digit day moves every column after the date by one.
    EXPECT_EQ(writeLines(list, true, QDateTime(QDate(2010, 12, 25), QTime(9, 5, 7))).value(0),
              "W  GC1A2B N5141.12345 W00011.23456 25-DEC-10 09:05:07 -9999 Tree" + QByteArray(36, ' ') +
                  " 0.00000e+00 08255");
}

TEST_F(WptWriter, TextsAreOneByteACharacterAndTheColumnsHold) {
    WaypointList list;
    // A long description is cut; an accented letter (in windows-1252), Greek and a character outside
    // the basic plane (not in it: one '?' each), a tab, line breaks and other control characters.
    list.appendWaypointRow(row("A", QStringLiteral("0123456789").repeated(4) + QStringLiteral("ABCDE")));
    list.appendWaypointRow(row(QString::fromUtf8("Zürich"), QString::fromUtf8("Café Ωmega \U0001F600 end")));
    list.appendWaypointRow(
        row(QString::fromUtf8("\U0001F600Ωab\tcd"), QStringLiteral("one\r\ntwo\nthree\x01")));
    // A row without its degree-minute texts or a description keeps the columns after them in place.
    list.appendWaypointRow(row("Empty", "", QString(), QString()));
    QList<QByteArray> lines = writeLines(list);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0].mid(59, 40), QByteArray("0123456789").repeated(4));
    EXPECT_EQ(lines[1].mid(3, 6), "Z\xFCrich");
    EXPECT_EQ(lines[1].mid(59, 40), "Caf\xE9 ?mega ? end" + QByteArray(24, ' '));
    EXPECT_EQ(lines[2].mid(3, 6), "??ab c");
    EXPECT_EQ(lines[2].mid(59, 40), "one  two three " + QByteArray(25, ' '));
    EXPECT_EQ(lines[3].mid(9, 26), QByteArray(26, ' '));
    EXPECT_EQ(lines[3].mid(59, 40), QByteArray(40, ' '));
    // Left out, every description field is blank.
    for (const QByteArray& line : writeLines(list, false)) {
        EXPECT_EQ(line.mid(59, 40), QByteArray(40, ' '));
    }
}

TEST_F(WptWriter, AddingLeavesOutNamesTheFileHoldsAndKeepsEveryOldByte) {
    WaypointList first;
    first.appendWaypointRow(row("GC1A2B3", "first"));
    first.appendWaypointRow(row("Home", "second"));
    writeLines(first);
    const QByteArray before = readAll(path_);

    // GC1A2B3 and Home are held (GC1A2B4 too: its six-character field is the same); home is not;
    // the row without a name stands where the file's waypoints stand: held too.
    WaypointList list;
    for (const char* name : {"GC1A2B4", "Home", "home", ""}) {
        list.appendWaypointRow(row(name, "new"));
    }
    const FixedClock clock(QDateTime(QDate(2011, 1, 25), QTime(9, 5, 7)));
    ExportContext context;
    context.clock = &clock;
    WriteReport report = addToWptFile(list, path_, context);
    ASSERT_TRUE(report.written) << report.error.toStdString();
    EXPECT_EQ(report.existingCount, 2);
    EXPECT_EQ(report.recordCount, 1);
    EXPECT_EQ(report.leftOutCount, 3);
    EXPECT_TRUE(list.row(0).isMarkedDuplicate());
    EXPECT_TRUE(list.row(1).isMarkedDuplicate());
    EXPECT_FALSE(list.row(2).isMarkedDuplicate());
    EXPECT_TRUE(list.row(3).isMarkedDuplicate());
    const QByteArray after = readAll(path_);
    ASSERT_TRUE(after.startsWith(before));
    EXPECT_EQ(after.mid(before.size()), "W  home   N5141.12345 W00011.23456 25-JAN-11 09:05:07 -9999 new" +
                                            QByteArray(37, ' ') + " 0.00000e+00 00018\r\n");

    // An empty list is written as an empty file, and adding to one gives it its header. The row
    // without a name is named from its description.
    ASSERT_TRUE(writeWptFile(WaypointList(), dir_.filePath("empty.wpt"), ExportContext{}).written);
    EXPECT_EQ(readAll(dir_.filePath("empty.wpt")), QByteArray());
    report = addToWptFile(list, dir_.filePath("empty.wpt"), context);
    EXPECT_EQ(report.recordCount, 4);
    EXPECT_TRUE(readAll(dir_.filePath("empty.wpt")).contains("\r\nW  new    N5141"));
    EXPECT_TRUE(
        readAll(dir_.filePath("empty.wpt")).startsWith("H  COORDINATE SYSTEM\r\nU  LAT LON DM\r\nW  GC1A2B"));
}

TEST_F(WptWriter, AddingRefusesFilesThisProgramDoesNotWrite) {
    WaypointList list;
    list.appendWaypointRow(row("GC1A2B3", "first"));
    writeLines(list);
    const QByteArray good = readAll(path_);
    ExportContext context;
    const auto refused = [&](const QByteArray& bytes) {
        EXPECT_TRUE(writeFile(path_, bytes));
        const WriteReport report = addToWptFile(list, path_, context);
        EXPECT_FALSE(report.written);
        EXPECT_EQ(readAll(path_), bytes);
        return report.error.toStdString();
    };
    EXPECT_EQ(refused(QByteArray(good).replace("\r\n", "\n")),
              "it is not a waypoint file this program writes (two header lines, then one line per waypoint)");
    EXPECT_EQ(refused(good + "W  short line\r\n"),
              "its line 4 is not a waypoint line of the layout this program writes");
    EXPECT_EQ(refused(QByteArray(good).replace("-9999", "-1234")),
              "its line 3 is not a waypoint line of the layout this program writes");
    // A line ending in a lone LF before its CR LF, a CR or a NUL inside a field.
    for (const QByteArray& inside :
         {QByteArray("08255\n"), QByteArray("GC1A2\r"), QByteArray("GC1A2\0", 6)}) {
        QByteArray damaged = good;
        damaged.replace(inside.startsWith("08255") ? QByteArray("08255") : QByteArray("GC1A2B"), inside);
        EXPECT_EQ(refused(damaged), "its line 3 is not a waypoint line of the layout this program writes")
            << inside.toHex(' ').toStdString();
    }
}

// A file that holds every row is left as it was, not rewritten; twenty names the file holds written
// otherwise are explained one by one, the rest counted.
TEST_F(WptWriter, AddingNothingLeavesTheFileAloneAndExplainsTwentyNamesAtMost) {
    WaypointList held;
    held.appendWaypointRow(row("GC1A2B", "held"));
    writeLines(held);
    const auto inode = [this] {
        struct stat st {};
        EXPECT_EQ(::stat(QFile::encodeName(path_).constData(), &st), 0);
        return st.st_ino;
    };
    const auto before = inode();
    WaypointList list;
    for (int i = 0; i < 21; ++i) {
        list.appendWaypointRow(row(QStringLiteral("GC1A2B%1").arg(i), "new"));
    }
    const WriteReport report = addToWptFile(list, path_, ExportContext{});
    ASSERT_TRUE(report.written) << report.error.toStdString();
    EXPECT_EQ(report.recordCount, 0);
    EXPECT_EQ(report.leftOutCount, 21);
    EXPECT_EQ(inode(), before);
    ASSERT_EQ(report.warnings.size(), 21);
    EXPECT_EQ(report.warnings[19], "\"GC1A2B19\" was not added: the file holds it as \"GC1A2B\".");
    EXPECT_EQ(report.warnings[20], "1 more rows were not added for a name the file holds written otherwise.");
}
