// Coordinate text forms of the waypoint list.
//
// Every row holds its position twice: degrees and decimal minutes with a hemisphere letter
// (columns 3 and 4, e.g. "N51°41.124  N5141.12460") and decimal degrees in the user's decimal
// separator (columns 5 and 6, e.g. "51.6854100"). The raw degree-minute texts ("N5141.12460",
// 11 characters; "W00011.23400", 12 characters) are always the tail of columns 3 and 4, and their
// minutes always use ".".
#pragma once

#include <QChar>
#include <QLocale>
#include <QString>

#include <optional>
#include <string_view>

namespace vintrel {

// How the five decimals of the minutes are reached.
enum class MinutesRule : quint8 {
    // Add 0.000005 and cut after the fifth decimal (rounding half up); exact zero stays zero.
    Cut,
    // The .loc variant: add 0.0000049 and round to five decimals.
    LocRound,
};

// Minutes value (0 <= minutes < 60) to its 8-character text "MM.mmmmm". Minutes that reach 60
// through the addend or the rounding give "60.00000": nothing is carried into the degrees.
QString toFixedMinutes(double minutes);
QString toRoundedMinutes(double minutes);

// "N5141.12460" (11 characters) and "W00011.23400" (12 characters) for latitudes within ±90 and
// longitudes within ±180.
QString formatLatDM(double value, MinutesRule rule = MinutesRule::Cut);
QString formatLonDM(double value, MinutesRule rule = MinutesRule::Cut);
// The same written into `out` (room for 16 characters), for writers that make millions; returns
// the length.
int writeLatDM(double value, MinutesRule rule, char* out);
int writeLonDM(double value, MinutesRule rule, char* out);

// Column 3 and 4 texts: the visible part, two spaces, then the raw degree-minute text.
QString displayLatCell(const QString& latDM);
QString displayLonCell(const QString& lonDM);
// The same straight from a value: displayLatCell(formatLatDM(value, rule)), in one step.
QString latCell(double value, MinutesRule rule);
QString lonCell(double value, MinutesRule rule);

// Column 5 and 6 text: `decimals` decimals (7 from the XML readers, 5 from the text readers), the
// given separator, no digit grouping (coordinates never reach a thousand).
QString formatDecimalCell(double value, QChar decimalSeparator, int decimals = 7);

// A decimal cell and the exact value of its text: the number a row keeps for its position, so every
// output that reads the number writes what the cell shows.
struct DecimalCell {
    QString text;
    double value;
};
DecimalCell decimalCell(double value, QChar decimalSeparator, int decimals);
// The same value without building the text. `sourceDecimals`, when not -1, is how many decimals the
// text the value was read from had: no more than the cell's, and the value is its own cell value.
double decimalCellValue(double value, int decimals, int sourceDecimals = -1);

// Reads a coordinate as written in an input file (always "." as the point, optional sign and
// surrounding white space); nullopt when it is empty or not a finite number.
std::optional<double> parseCoordinateUtf8(std::string_view text);

// The separator the user's system writes in 1.1.
QChar decimalSeparatorOf(const QLocale& locale);

}  // namespace vintrel
