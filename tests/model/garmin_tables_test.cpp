#include "model/garmin_tables.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace vintrel;

TEST(SymbolTable, CompleteUniqueAndExact) {
    const QStringList& names = symbolNames();
    ASSERT_EQ(names.size(), kSymbolCount);
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), kSymbolCount);
    EXPECT_EQ(symbolNumber("Anchor"), 0);
    EXPECT_EQ(symbolNumber("Waypoint"), 18);
    EXPECT_EQ(symbolNumber("Navaid, Green"), 24);
    EXPECT_EQ(symbolNumber("Navaid, Red"), 28);
    EXPECT_EQ(symbolNumber("Geocache"), 117);
    EXPECT_EQ(symbolNumber("Geocache Found"), 118);
    EXPECT_EQ(symbolNumber("Triangle, Blue"), 218);
    EXPECT_EQ(symbolNumber("Triangle, Red"), 220);
    EXPECT_EQ(symbolNumber("Multi-Cache"), 225);
    EXPECT_EQ(symbolNumber("Puzzle Cache"), 227);
    EXPECT_EQ(symbolNumber("Water Source"), 248);
    EXPECT_EQ(symbolNumber("geocache"), kDefaultSymbol);
    EXPECT_EQ(symbolNumber(""), kDefaultSymbol);
    EXPECT_EQ(symbolNumber("Geocache "), kDefaultSymbol);
}

TEST(ColourTable, SeventeenEntriesDefaultFirst) {
    const QStringList& colours = waypointColourNames();
    ASSERT_EQ(colours.size(), 17);
    EXPECT_EQ(colours.indexOf("Default"), 0);
    EXPECT_EQ(colours.indexOf("Light Grey"), 8);
    EXPECT_EQ(colours.indexOf("White"), 16);
}
