#include "import/mxf_reader.h"

#include "test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

TEST(MxfReader, FirstLineIsARecordQuotesAreRemovedSymbol37IsAGeocache) {
    WaypointList list;
    const ReadResult r = readFixture(&readMxfFile, list, "marks.mxf");
    EXPECT_TRUE(r.problems.isEmpty()) << r.problems.join('\n').toStdString();
    ASSERT_EQ(list.rowCount(), 5);
    // Marked: "boston light" on the last line is the same name ignoring case.
    EXPECT_EQ(rowText(list, 0).section(u'|', 0, 7),
              "Boston Light|Harbour entrance|N42°25.314  N4225.31400|W071°05.214  "
              "W07105.21400|42.42190|-71.08690||1");
    EXPECT_TRUE(list.row(0).redName);
    EXPECT_FALSE(list.row(1).redName);
    EXPECT_EQ(list.duplicateCount(), 1);
    // Doubled quotes inside go as well, not only an enclosing pair; four fields: no description.
    EXPECT_EQ(columnTexts(list, column::kName),
              (QStringList{"Boston Light", "Deer Island", "Long Island", "Low Mark", "Plain quoted name"}));
    EXPECT_EQ(columnTexts(list, column::kDescription),
              (QStringList{"Harbour entrance", "Treatment plant", "Old fort ruins", "", ""}));
    EXPECT_EQ(list.row(3).cell(3).right(11), "N0515.00000");
    EXPECT_EQ(list.row(4).cell(3).right(11), "N4200.00006");
    // 37, 47, 37.0; no seventh field right after a 37 is symbol 0, not the last line's.
    const IconRole icons[] = {IconRole::Geocache, IconRole::Waypoint, IconRole::Geocache, IconRole::Waypoint,
                              IconRole::Waypoint};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(list.row(i).icon, icons[i]) << i;
    }
}

TEST(MxfReader, SpacedFormReadsLikeTheCompactOne) {
    WaypointList list;
    const ReadResult r = readFixture(&readMxfFile, list, "marks_spaced.mxf");
    // No blanks around the texts; " 37" is 37.
    EXPECT_EQ(columnTexts(list, column::kName),
              (QStringList{"Boston Light", "Graves Light", "Bare Name", "Say hi"}));
    EXPECT_EQ(columnTexts(list, column::kDescription),
              (QStringList{"Harbour entrance", "Outer harbour", "Bare description", "He said hi"}));
    EXPECT_EQ(cell(list, 0, 5), "42.42190");
    EXPECT_EQ(list.row(0).icon, IconRole::Geocache);
    EXPECT_EQ(list.row(1).icon, IconRole::Waypoint);
    EXPECT_EQ(list.row(2).icon, IconRole::Geocache);
    // The blank line is passed over; the short line and the bad longitude are reported.
    EXPECT_EQ(r.skipped, 2);
    EXPECT_EQ(r.skips, (QStringList{"marks_spaced.mxf, line 4: a waypoint without a name was skipped: the "
                                    "line has two fields, fewer than the three a record needs.",
                                    "marks_spaced.mxf, line 5: waypoint \"Bad Latitude\" was skipped: "
                                    "longitude \"north\" is not a number."}));
}

TEST(MxfReader, NumbersEndAtTheFirstCharacterThatCannotContinueThemAndNamelessMarksStay) {
    struct Case {
        const char* line;
        IconRole icon;
        const char* latitude;  // column 5
    };
    const Case cases[] = {
        {"42.5,-71.0,\"A\",\"\",\"\",ff0000,37 (cache)", IconRole::Geocache, "42.50000"},
        {"42.5,-71.0,\"A\",\"\",\"\",ff0000,37.0e0x", IconRole::Geocache, "42.50000"},
        {"42.5,-71.0,\"A\",\"\",\"\",ff0000,370", IconRole::Waypoint, "42.50000"},
        {"42.5,-71.0,\"A\",\"\",\"\",ff0000,cache 37", IconRole::Waypoint, "42.50000"},
        {"42.25 N,-71.0 W,\"A\",\"\",\"\",ff0000,37", IconRole::Geocache, "42.25000"},
        {"42.25;,-71.0,,,,,37", IconRole::Geocache, "42.25000"},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        ASSERT_TRUE(writeFile(dir.filePath("m.mxf"), QByteArray(c.line) + "\r\n"));
        WaypointList list;
        ImportContext context{list, u'.'};
        const ReadResult r = readMxfFile(dir.filePath("m.mxf"), context);
        ASSERT_EQ(list.rowCount(), 1) << c.line << r.skips.join(u'\n').toStdString();
        EXPECT_EQ(list.row(0).icon, c.icon) << c.line;
        EXPECT_EQ(list.row(0).cell(5), c.latitude) << c.line;
    }
    EXPECT_EQ(readAll(dir.filePath("m.mxf")), "42.25;,-71.0,,,,,37\r\n");  // the last case: no name
}
