#include "formats/garmin/garmin_tables.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace vintrel;

TEST(SymbolTable, CompleteUniqueAndExact) {
    const QStringList& names = symbolNames();
    ASSERT_EQ(names.size(), kSymbolCount);
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), kSymbolCount);
    const std::pair<const char*, int> known[] = {{"Anchor", 0},           {"Waypoint", 18},
                                                 {"Navaid, Green", 24},   {"Navaid, Red", 28},
                                                 {"Geocache", 117},       {"Geocache Found", 118},
                                                 {"Triangle, Blue", 218}, {"Triangle, Red", 220},
                                                 {"Multi-Cache", 225},    {"Puzzle Cache", 227},
                                                 {"Water Source", 248},   {"geocache", kDefaultSymbol},
                                                 {"", kDefaultSymbol},    {"Geocache ", kDefaultSymbol}};
    for (const auto& [name, number] : known) {
        EXPECT_EQ(symbolNumber(name), number) << name;
    }
}

TEST(ColourTable, SeventeenEntriesDefaultFirst) {
    const QStringList& colours = waypointColourNames();
    ASSERT_EQ(colours.size(), 17);
    EXPECT_EQ(colours.indexOf("Default"), 0);
    EXPECT_EQ(colours.indexOf("Light Grey"), 8);
    EXPECT_EQ(colours.indexOf("White"), 16);
}
