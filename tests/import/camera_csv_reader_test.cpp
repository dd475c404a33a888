#include "import/camera_csv_reader.h"

#include "test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

TEST(CameraCsvReader, HeaderSkippedColumnsAsTheListShowsThemIconsByPrefix) {
    WaypointList list;
    const ReadResult r = readFixture(&readCameraCsvFile, list, "cameras.csv");
    EXPECT_TRUE(r.problems.isEmpty()) << r.problems.join('\n').toStdString();
    EXPECT_EQ(r.appended, 10);
    ASSERT_EQ(list.rowCount(), 10);
    // Marked: "SPEED CHECK" on the last line is the same name ignoring case, at the same place.
    EXPECT_EQ(
        rowText(list, 0),
        "Speed check|Fixed camera on the A40|N51°30.000  N5130.00000|W000°07.500  W00007.50000|51.50000|"
        "-0.12500||1|||");
    EXPECT_TRUE(list.row(0).redName);
    EXPECT_EQ(list.duplicateCount(), 1);
    EXPECT_FALSE(list.row(1).isMarkedDuplicate());
    EXPECT_EQ(list.row(0).lat, 51.5);
    EXPECT_EQ(list.row(0).lon, -0.125);
    // Quoted fields lose their quotes and may hold commas; a fifth field is ignored; three fields
    // give no description.
    EXPECT_EQ(columnTexts(list, column::kName),
              (QStringList{"Speed check", "GATSO: 30mph", "gatso 30", "Truvelo M4 J5", "Redlight, Kings Rd",
                           "Specs A14", "Mobile site", "Fixed post", "TEMP: roadworks", "Monitron 40"}));
    EXPECT_EQ(columnTexts(list, column::kDescription),
              (QStringList{"Fixed camera on the A40", "Rear facing, both lanes", "", "Forward facing", "",
                           "Average speed \"SPECS\" zone", "", "", "", ""}));
    // Degrees keep two digits, minutes two integer digits.
    EXPECT_EQ(list.row(6).cell(3).right(11), "N0515.00000");
    EXPECT_EQ(rowText(list, 7).section(u'|', 2, 3), "N51°00.000  N5100.00060|E000°30.000  E00030.00000");
    const IconRole icons[] = {IconRole::None,     IconRole::Gatso, IconRole::Gatso,  IconRole::Gatso,
                              IconRole::RedLight, IconRole::Specs, IconRole::Mobile, IconRole::None,
                              IconRole::Gatso,    IconRole::Gatso};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(list.row(i).icon, icons[i]) << list.row(i).cell(1).toStdString();
    }
}

TEST(CameraCsvReader, BadRecordsAreSkippedAndNamedNeverPlacedAtZero) {
    WaypointList list;
    const ReadResult r = readFixture(&readCameraCsvFile, list, "cameras_bad.csv");
    // A camera without a name is kept.
    ASSERT_EQ(columnTexts(list, column::kName), (QStringList{"Quoted position", "", "Good last"}));
    EXPECT_EQ(rowText(list, 0).section(u'|', 4, 5), "51.50000|-0.12500");  // quoted numbers are numbers
    EXPECT_EQ(rowText(list, 1).section(u'|', 1, 5),
              "no name|N51°36.000  N5136.00000|W000°36.000  W00036.00000|51.60000|-0.60000");
    EXPECT_EQ(r.skipped, 6);  // blank lines are passed over silently
    EXPECT_TRUE(r.problems.isEmpty());
    EXPECT_EQ(r.skips,
              (QStringList{
                  "cameras_bad.csv, line 5: waypoint \"Empty latitude\" was skipped: empty latitude.",
                  "cameras_bad.csv, line 6: waypoint \"Empty longitude\" was skipped: empty longitude.",
                  "cameras_bad.csv, line 7: waypoint \"Not a number\" was skipped: latitude \"abc\" is not a "
                  "number.",
                  QString::fromUtf8("cameras_bad.csv, line 8: waypoint \"Too far north\" was skipped: "
                                    "latitude 95 is outside ±90."),
                  "cameras_bad.csv, line 9: a waypoint without a name was skipped: the line has two fields, "
                  "fewer than the three a record needs.",
                  "cameras_bad.csv, line 10: a waypoint without a name was skipped: the line has one field, "
                  "fewer than the three a record needs.",
              }));
    EXPECT_TRUE(r.readToEnd);
}

// A file of one line holds only the column names.
TEST(CameraCsvReader, AHeaderOnlyFileSaysSo) {
    WaypointList list;
    const ReadResult r = readFixture(&readCameraCsvFile, list, "cameras_header_only.csv");
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(r.problems, QStringList{"cameras_header_only.csv: the file holds no records."});
}

TEST(CameraCsvReader, FirstLineIsACameraWhenItBeginsWithAPositionElseTheColumnNames) {
    struct Case {
        const char* firstLine;
        QStringList names;
    };
    const Case cases[] = {
        // POI-Loader lists: no line of column names.
        {"2.41901,48.76239,\"max@30\",\"VERS VILLENEUVE, 76 AVENUE\"", {"max@30", "Next"}},
        {" -180 , -90 ,Corner,", {"Corner", "Next"}},
        {"\"-0.125\",\"51.5\",Quoted numbers", {"Quoted numbers", "Next"}},
        // Column names, or numbers that are no position.
        {"Longitude,Latitude,Name,Description", {"Next"}},
        {"180.5,51.5,Too far east", {"Next"}},
        {"", {"Next"}},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        ASSERT_TRUE(writeFile(dir.filePath("cams.csv"), QByteArray(c.firstLine) + "\r\n1.5,50.5,Next\r\n"));
        WaypointList list;
        ImportContext context{list, u'.'};
        const ReadResult r = readCameraCsvFile(dir.filePath("cams.csv"), context);
        EXPECT_EQ(columnTexts(list, column::kName), c.names) << c.firstLine;
        EXPECT_TRUE(r.problems.isEmpty() && r.skips.isEmpty()) << c.firstLine;
    }

    // A real list: every camera of it bears the type's name, and each is kept, at its own place.
    const QString real = realFile("csv/GATSO_30.csv");
    if (real.isEmpty()) {
        GTEST_SKIP() << "the collection of real files is not there";
    }
    WaypointList list;
    ImportContext context{list, u'.'};
    const ReadResult r = readCameraCsvFile(real, context);
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(rowText(list, 0).section(u'|', 0, 1),
              "max@30|CHOISY LE ROI VERS VILLENEUVE ST GEORGES 76, AVENUE VILLENEUVE SAINT GEORGES");
    EXPECT_EQ(list.row(1).cell(5), "48.76259");
    EXPECT_EQ(list.duplicateCount(), 0);
    EXPECT_TRUE(r.problems.isEmpty());
}

TEST(CameraCsvReader, AFieldOverAMegabyteIsCutAndNamedAndMessagesQuoteLittle) {
    QTemporaryDir dir;
    const QByteArray huge(3 * 1024 * 1024, 'N');
    ASSERT_TRUE(writeFile(dir.filePath("huge.csv"),
                          "Lon,Lat,Name\r\n1,2," + huge + ",desc\r\n1," + huge + ",Far out\r\n"));
    WaypointList list;
    ImportContext context{list, u'.'};
    const ReadResult r = readCameraCsvFile(dir.filePath("huge.csv"), context);
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(list.row(0).cell(1).size(), 1024 * 1024);
    EXPECT_EQ(list.row(0).cell(2), "desc");
    ASSERT_EQ(r.skips.size(), 3);
    const QString name40 = QString(40, u'N') + QStringLiteral("…");
    EXPECT_EQ(r.skips[0], "huge.csv, line 2: the name of waypoint \"" + name40 +
                              "\" is longer than a megabyte; only its first megabyte was kept.");
    EXPECT_EQ(r.skips[1],
              "huge.csv, line 3: the latitude of waypoint \"Far out\" is longer than a megabyte; "
              "only its first megabyte was kept.");
    EXPECT_EQ(r.skips[2], "huge.csv, line 3: waypoint \"Far out\" was skipped: latitude \"" + name40 +
                              "\" is not a number.");
}
