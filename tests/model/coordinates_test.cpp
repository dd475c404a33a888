#include "model/coordinates.h"
#include "model/waypoint_list.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <iomanip>
#include <random>
#include <string>
#include <vector>

using namespace vintrel;

TEST(DegreeMinutes, CutRuleKnownValues) {
    EXPECT_EQ(formatLatDM(51.68541), "N5141.12460");
    EXPECT_EQ(formatLonDM(-0.1872333), "W00011.23400");
    EXPECT_EQ(formatLatDM(5.5), "N0530.00000");
    EXPECT_EQ(formatLatDM(0), "N0000.00000");
    EXPECT_EQ(formatLonDM(0), "E00000.00000");
    EXPECT_EQ(formatLatDM(-33.5), "S3330.00000");
    EXPECT_EQ(formatLonDM(151.25), "E15115.00000");
    EXPECT_EQ(formatLonDM(-180), "W18000.00000");
}

namespace {

// The rule the minutes follow, spelled out on text: the value plus the rule's addend written with
// 15 significant digits, then cut or rounded half to even at five decimals.
QString minutesByTheRule(double minutes, bool round) {
    if (!round && minutes == 0) {
        return QStringLiteral("00.00000");
    }
    const double v = minutes + (round ? 0.0000049 : 0.000005);
    const int decimals = std::max(0, 14 - static_cast<int>(std::floor(std::log10(v))));
    char text[80];
    const std::string digits(
        text, std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, decimals).ptr);
    const size_t dot = digits.find('.');
    std::string whole = digits.substr(0, dot);
    std::string fraction = (dot == std::string::npos ? std::string() : digits.substr(dot + 1)) + "000000";
    long long scaled = std::stoll(whole + fraction.substr(0, 5));
    const std::string rest = fraction.substr(5);
    if (round && rest[0] >= '5' &&
        (rest.find_first_not_of('0', 1) != std::string::npos || rest[0] > '5' || scaled % 2 != 0)) {
        ++scaled;
    }
    const QString all = QString::number(scaled).rightJustified(7, u'0').right(7);
    return all.left(2) + u'.' + all.mid(2);
}

}  // namespace

TEST(DegreeMinutes, EveryMinutesValueFollowsTheDecimalRule) {
    // Minutes as positions give them (degree fractions times 60), values just below and above
    // decimal ties, and random ones: the minutes are worked out from the binary value without
    // writing it as text, and must agree with the text rule digit for digit.
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> anyMinutes(0.0, 60.0);
    std::vector<double> values = {0.0,       1e-9,       4.9e-6,     5e-6,     0.0000101,
                                  59.999995, 59.9999949, 59.9999951, 7.123452, 7.1234401};
    for (int i = 0; i < 200000; ++i) {
        values.push_back(anyMinutes(random));
        const double degrees = std::round(anyMinutes(random) * 1e6) / 1e6;  // six decimals, as files have
        values.push_back((degrees - std::floor(degrees)) * 60.0);
        const double tie = std::round(anyMinutes(random) * 1e5) / 1e5 + 0.0000051;  // a rounding tie
        values.push_back(std::nextafter(tie, 0.0));
        values.push_back(tie);
        values.push_back(std::nextafter(tie, 60.0));
    }
    // Minutes whose value plus an addend lies at a power of ten, where the digit count changes.
    for (double power = 1e-5; power < 100; power *= 10) {
        for (const double addend : {0.000005, 0.0000049}) {
            double m = power - addend;
            for (int step = 0; step < 4; ++step) {
                m = std::nextafter(m, 0.0);
            }
            for (int step = 0; step < 9; ++step, m = std::nextafter(m, 60.0)) {
                values.push_back(m);
            }
        }
    }
    int checked = 0;
    for (const double m : values) {
        if (m < 0 || m >= 60) {
            continue;
        }
        ASSERT_EQ(toFixedMinutes(m), minutesByTheRule(m, false)) << std::setprecision(17) << m;
        ASSERT_EQ(toRoundedMinutes(m), minutesByTheRule(m, true)) << std::setprecision(17) << m;
        ++checked;
    }
    EXPECT_GT(checked, 900000);
}

TEST(DecimalCells, SevenDecimalsInTheUsersSeparator) {
    EXPECT_EQ(formatDecimalCell(51.68541, u'.'), "51.6854100");
    EXPECT_EQ(formatDecimalCell(-0.1872333, u'.'), "-0.1872333");
    EXPECT_EQ(formatDecimalCell(-0.0, u'.'), "0.0000000");
    EXPECT_EQ(formatDecimalCell(10.99999999, u'.'), "11.0000000");
    EXPECT_EQ(formatDecimalCell(0.12345675, u'.'), "0.1234568");
    EXPECT_EQ(formatDecimalCell(-0.125, u'.', 5), "-0.12500");
    EXPECT_EQ(formatDecimalCell(51.000014, u',', 5), "51,00001");
    // The number a row keeps is what its cell shows, not the value it was made from.
    const DecimalCell cell = decimalCell(51.68540004, u',', 7);
    EXPECT_EQ(cell.text, "51,6854000");
    EXPECT_EQ(cell.value, 51.6854);
    EXPECT_EQ(decimalCell(0.123456, u'.', 5).value, 0.12346);
    for (const char* notANumber : {"nan", "1e999", "12abc", "", "+-1"}) {
        EXPECT_FALSE(parseCoordinateUtf8(notANumber)) << notANumber;
    }
    EXPECT_EQ(parseCoordinateUtf8("+51.5"), 51.5);
    EXPECT_EQ(parseCoordinateUtf8(" 12.5 "), 12.5);
}

TEST(DecimalSeparator, TakenFromTheLocale) {
    EXPECT_EQ(decimalSeparatorOf(QLocale(QLocale::German)), u',');
    EXPECT_EQ(decimalSeparatorOf(QLocale::c()), u'.');
}

// The description narrows for the scroll bar from the ninth row on. Which coordinate columns the
// toggle shows, and their widths, the window test checks on the grid.
TEST(CoordinateView, DescriptionWidthFollowsListViewAndRows) {
    EXPECT_EQ(applyCoordinateView(ListView::Waypoints, 8, false).description, 6000);
    EXPECT_EQ(applyCoordinateView(ListView::Waypoints, 9, true).description, 5718);
    EXPECT_EQ(applyCoordinateView(ListView::Networks, 9, true).description, 3918);
    EXPECT_EQ(applyCoordinateView(ListView::Networks, 8, false).description, 4200);
}

TEST(DecimalCells, TheValueWithoutTheTextIsTheValueOfTheText) {
    // Many coordinates as files give them, and some with more decimals than the cell shows.
    std::uint64_t seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        const double v = (static_cast<double>(seed >> 11) / 9007199254740992.0 - 0.5) * 360.0;
        for (int decimals : {5, 7}) {
            const double rounded = std::round(v * 1e6) / 1e6;  // six decimals, as most files give
            EXPECT_EQ(decimalCellValue(v, decimals), decimalCell(v, u'.', decimals).value) << v;
            EXPECT_EQ(decimalCellValue(rounded, decimals), decimalCell(rounded, u'.', decimals).value)
                << rounded;
        }
    }
    EXPECT_FALSE(std::signbit(decimalCellValue(-0.00000001, 7)));
}
