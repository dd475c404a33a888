#include "import/camera_csv_reader.h"

#include "test_support.h"

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

TEST(CameraCsvReader, HeaderSkippedColumnsAsTheListShowsThemIconsByPrefix) {
    WaypointList list;
    const ReadResult r = readFixture(&readCameraCsvFile, list, "cameras.csv");
    EXPECT_TRUE(r.problems.isEmpty()) << r.problems.join('\n').toStdString();
    EXPECT_EQ(r.appended, 10);
    ASSERT_EQ(list.rowCount(), 10);
    // Marked: "SPEED CHECK" on the last line is the same name ignoring case.
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
    EXPECT_EQ(list.columnWidth(column::kDescription), 5718);
}

TEST(CameraCsvReader, EveryLineEndAndBothEncodings) {
    for (const char* name : {"cameras_lf.csv", "cameras_cr.csv"}) {
        WaypointList list;
        const ReadResult r = readFixture(&readCameraCsvFile, list, name);
        ASSERT_EQ(columnTexts(list, column::kName), (QStringList{"Camera A", "Camera B", "Camera C"}))
            << name;
        EXPECT_EQ(list.row(2).cell(5), "51.70000");
        EXPECT_TRUE(r.problems.isEmpty());
    }
    WaypointList cp1252;
    readFixture(&readCameraCsvFile, cp1252, "cameras_1252.csv");
    ASSERT_EQ(cp1252.rowCount(), 2);
    EXPECT_EQ(cp1252.row(0).cell(1), "Radar Café");
    EXPECT_EQ(cp1252.row(0).cell(2), QString::fromUtf8("Zone 30 € amende"));
    EXPECT_EQ(cp1252.row(1).icon, IconRole::Mobile);

    WaypointList bom;
    readFixture(&readCameraCsvFile, bom, "cameras_bom.csv");
    // The header after the byte-order mark is still skipped.
    EXPECT_EQ(columnTexts(bom, column::kName), (QStringList{"Blitzer Straße", "Mobile Köpenick"}));
}

TEST(CameraCsvReader, BadRecordsAreSkippedAndNamedNeverPlacedAtZero) {
    WaypointList list;
    const ReadResult r = readFixture(&readCameraCsvFile, list, "cameras_bad.csv");
    ASSERT_EQ(columnTexts(list, column::kName), (QStringList{"Quoted position", "Good last"}));
    EXPECT_EQ(rowText(list, 0).section(u'|', 4, 5), "51.50000|-0.12500");  // quoted numbers are numbers
    EXPECT_EQ(r.skipped, 7);  // blank lines are passed over silently
    EXPECT_EQ(r.problems,
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
                  "cameras_bad.csv, line 11: a waypoint without a name was skipped: it has no name.",
              }));
    EXPECT_TRUE(r.readToEnd);
}

TEST(CameraCsvReader, SystemSeparatorInDecimalColumnsOnly) {
    WaypointList list;
    readFixture(&readCameraCsvFile, list, "cameras_lf.csv", u',');
    EXPECT_EQ(rowText(list, 0).section(u'|', 2, 5),
              "N51°30.000  N5130.00000|W000°30.000  W00030.00000|51,50000|-0,50000");
}

TEST(CameraCsvReader, MissingOrHeaderOnlyFilesSaySo) {
    WaypointList list;
    ImportContext context{list, u'.'};
    ReadResult r = readCameraCsvFile(missingPath("gone.csv"), context);
    ASSERT_EQ(r.problems.size(), 1);
    EXPECT_TRUE(r.problems[0].startsWith("gone.csv: the file cannot be opened"))
        << r.problems[0].toStdString();
    EXPECT_FALSE(r.readToEnd);
    // A file of one line holds only the column names.
    r = readCameraCsvFile(dataPath("cameras_header_only.csv"), context);
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(r.problems, QStringList{"cameras_header_only.csv: the file holds no records."});
}
