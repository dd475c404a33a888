// Garmin POI files read as rows: files other programs wrote, and files that are no POI file, are
// encrypted or are damaged.
#include "import/gpi_reader.h"
#include "export/gpi_writer.h"
#include "formats/gpi/gpi_layout.h"

#include "test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

TEST(GpiReader, AFileOfFestivalsInFiveCategories) {
    WaypointList list;
    const ReadResult result = readFixture(&readGpiFile, list, "real/gpi/umsonstdraussen.gpi");
    EXPECT_TRUE(result.readToEnd);
    EXPECT_TRUE(result.problems.isEmpty()) << result.problems.join('\n').toStdString();
    ASSERT_EQ(list.rowCount(), 78);
    QMap<QString, int> perCategory;
    for (const QString& c : columnTexts(list, column::kCategory)) {
        ++perCategory[c];
    }
    EXPECT_EQ(perCategory,
              (QMap<QString, int>{{"Mai", 6}, {"Juni", 21}, {"Juli", 23}, {"August", 22}, {"September", 6}}));
    // Windows-1252 texts; the description record stands in for a missing comment.
    EXPECT_EQ(cell(list, 0, column::kName), "Uferlos Festival");
    EXPECT_TRUE(cell(list, 0, column::kDescription).startsWith("Herzst\u00fcck des Uferlos"));
    EXPECT_EQ(cell(list, 0, column::kLatDecimal), "48.3994000");
    EXPECT_EQ(cell(list, 0, column::kLonDecimal), "11.7536600");
    EXPECT_EQ(list.row(0).alertSpeed, 0);
}

TEST(GpiReader, ASpeedAlertIsKeptOnTheRow) {
    WaypointList list;
    const ReadResult result = readFixture(&readGpiFile, list, "real/gpi/gpispeed.gpi");
    EXPECT_TRUE(result.problems.isEmpty());
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(rowText(list, 0),
              "point0|point0|N49°47.681  N4947.68128|E009°50.040  E00950.04090|49.7946880|"
              "9.8340150|||||My points");
    EXPECT_EQ(gpi::speedValue(list.row(0).alertSpeed, gpi::SpeedUnit::Kmh), 48);
    EXPECT_EQ(list.row(0).icon, IconRole::Gatso);
}

TEST(GpiReader, WhatIsNoReadableFileSaysWhyAndKeepsWhatCameBefore) {
    QTemporaryDir dir;
    WaypointList made;
    WaypointDraft d;
    for (const char* name : {"One", "Two"}) {
        d.cell(column::kName) = name;
        d.lat = 51.5;
        d.lon = -0.125;
        made.appendWaypointRow(WaypointRow(d));
    }
    ExportContext context;
    context.options.proximityMetres = 0;
    ASSERT_TRUE(writeGpiFile(made, dir.filePath("good.gpi"), context).written);
    const QByteArray good = readAll(dir.filePath("good.gpi"));
    const qsizetype codePage = good.indexOf("POI") + 8;
    const qsizetype second = good.indexOf("Two") - 31;  // the header of the second POI
    ASSERT_EQ(good.mid(second, 4), hex("02 00 08 00"));
    QByteArray cp1250 = good;
    cp1250[codePage] = '\xe2';  // 1250
    cp1250.replace("Two", "T\xa5o");
    QByteArray unknown = good;
    unknown[codePage] = '\x34';
    unknown[codePage + 1] = '\x12';

    const struct {
        const char* name;
        QByteArray bytes;
        int rows;
        QByteArray problem;            // empty: none
        const char16_t* second = u"";  // the second row's name, when there is one
    } cases[] = {
        {"text.gpi", "hello", 0, "text.gpi: the file is not a Garmin POI file."},
        {"headless.gpi", good.left(good.indexOf("POI") - 8) + QByteArray(64, '\x5a'), 0,
         "headless.gpi: the file is encrypted or of a kind Vintrel does not read: it has no POI header after "
         "its file header."},
        {"locked.gpi", unknown, 0,
         "locked.gpi: the file has its texts in code page 4660, which Vintrel does not read; a number that "
         "is no code page means the file is encrypted."},
        {"cut.gpi", good.left(second + 20), 1,
         QByteArray("cut.gpi: the file is damaged or cut short at byte ") + QByteArray::number(second) +
             "; the POIs before it were read."},
        {"noend.gpi", good.chopped(8), 2,
         "noend.gpi: the file is cut short: its end record is missing; the POIs before it were read.",
         u"Two"},
        {"cp1250.gpi", cp1250, 2, {}, u"T\u0104o"},  // 0xA5 is A with ogonek in windows-1250
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(writeFile(dir.filePath(c.name), c.bytes));
        WaypointList list;
        ImportContext importing{list, u'.'};
        const ReadResult result = readGpiFile(dir.filePath(c.name), importing);
        EXPECT_EQ(list.rowCount(), c.rows) << c.name;
        EXPECT_EQ(result.problems,
                  c.problem == nullptr ? QStringList() : QStringList{QString::fromUtf8(c.problem)})
            << c.name;
        EXPECT_EQ(result.readToEnd, c.problem == nullptr) << c.name;
        EXPECT_EQ(list.rowCount() == 2 ? cell(list, 1, column::kName) : QString(),
                  QString::fromUtf16(c.second));
    }
}
