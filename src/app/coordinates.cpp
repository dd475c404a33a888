#include "app/coordinates.h"

#include "app/waypoint_list.h"

#include <cmath>
#include <cstdio>

namespace vintrel {

namespace {

constexpr double kCutAddend = 0.000005;
constexpr double kLocAddend = 0.0000049;
constexpr int kMinutesDecimals = 5;

// v > 0 written with 15 significant digits in plain decimal, trailing zeros dropped.
QString plainDecimal15(double v) {
    const int exponent = static_cast<int>(std::floor(std::log10(v)));
    const int decimals = std::max(0, 14 - exponent);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    QString text = QString::fromLatin1(buf);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0')) {
            text.chop(1);
        }
        if (text.endsWith(u'.')) {
            text.chop(1);
        }
    }
    return text;
}

// Splits a plain decimal text into its integer digits and its fraction digits.
void splitDecimal(const QString& text, QString& intPart, QString& fracPart) {
    const qsizetype dot = text.indexOf(u'.');
    intPart = dot < 0 ? text : text.left(dot);
    fracPart = dot < 0 ? QString() : text.mid(dot + 1);
}

QString minutesText(const QString& intPart, const QString& fracPart) {
    return intPart.rightJustified(2, u'0') + u'.' + fracPart.leftJustified(kMinutesDecimals, u'0');
}

QString formatDM(double value, int degreeDigits, QChar positive, QChar negative, MinutesRule rule) {
    const double magnitude = std::fabs(value);
    const double degrees = std::floor(magnitude);
    const double minutes = (magnitude - degrees) * 60.0;
    const QString minText = rule == MinutesRule::Cut ? toFixedMinutes(minutes) : toRoundedMinutes(minutes);
    const QChar hemisphere = value < 0 ? negative : positive;
    return hemisphere + QString::number(static_cast<qint64>(degrees)).rightJustified(degreeDigits, u'0') +
           minText;
}

}  // namespace

QString toFixedMinutes(double minutes) {
    if (minutes == 0.0) {
        return QStringLiteral("00.00000");
    }
    QString intPart, fracPart;
    splitDecimal(plainDecimal15(minutes + kCutAddend), intPart, fracPart);
    return minutesText(intPart, fracPart.left(kMinutesDecimals));
}

QString toRoundedMinutes(double minutes) {
    // Rounds the 15-digit decimal text, not the binary value, so a tie is a real decimal tie; ties
    // go to the even neighbour.
    QString intPart, fracPart;
    splitDecimal(plainDecimal15(minutes + kLocAddend), intPart, fracPart);
    const QString kept = fracPart.left(kMinutesDecimals).leftJustified(kMinutesDecimals, u'0');
    const QString rest = fracPart.mid(kMinutesDecimals);
    qint64 scaled = (intPart + kept).toLongLong();
    if (!rest.isEmpty() && rest[0] >= u'5') {
        bool tie = rest[0] == u'5';
        for (qsizetype i = 1; tie && i < rest.size(); ++i) {
            tie = rest[i] == u'0';
        }
        if (!tie || scaled % 2 != 0) {
            ++scaled;
        }
    }
    const QString digits = QString::number(scaled).rightJustified(kMinutesDecimals + 1, u'0');
    return minutesText(digits.left(digits.size() - kMinutesDecimals), digits.right(kMinutesDecimals));
}

QString formatLatDM(double value, MinutesRule rule) { return formatDM(value, 2, u'N', u'S', rule); }

QString formatLonDM(double value, MinutesRule rule) { return formatDM(value, 3, u'E', u'W', rule); }

QString displayLatCell(const QString& latDM) {
    return latDM.left(3) + u'°' + latDM.mid(3, 6) + QStringLiteral("  ") + latDM;
}

QString displayLonCell(const QString& lonDM) {
    return lonDM.left(4) + u'°' + lonDM.mid(4, 6) + QStringLiteral("  ") + lonDM;
}

QString formatDecimalCell(double value, QChar decimalSeparator) {
    QString text = QString::number(value, 'f', 7);
    if (decimalSeparator != u'.') {
        text.replace(u'.', decimalSeparator);
    }
    return text;
}

std::optional<double> parseDecimalCell(const QString& text, QChar decimalSeparator) {
    QString normal = text.trimmed();
    if (decimalSeparator != u'.') {
        if (normal.contains(u'.')) {
            return std::nullopt;
        }
        normal.replace(decimalSeparator, u'.');
    }
    return parseCoordinateText(normal);
}

std::optional<double> parseCoordinateText(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

QChar decimalSeparatorOf(const QLocale& locale) {
    const QString text = locale.toString(1.1);
    return text.size() >= 2 ? text[1] : QChar(u'.');
}

CoordinateViewWidths applyCoordinateView(const QString& fileExtension, int rowCount, bool decimalChecked) {
    CoordinateViewWidths w{};
    if (fileExtension == QLatin1String("txt")) {
        w.description = rowCount > 8 ? 3918 : 4200;
    } else {
        w.description = descriptionWidthAfterImport(rowCount);
    }
    constexpr int kHidden = 1;
    constexpr int kLatWidth = 1350;
    constexpr int kLonWidth = 1450;
    if (decimalChecked) {
        w.latDM = w.lonDM = kHidden;
        w.latDecimal = kLatWidth;
        w.lonDecimal = kLonWidth;
    } else {
        w.latDM = kLatWidth;
        w.lonDM = kLonWidth;
        w.latDecimal = w.lonDecimal = kHidden;
    }
    return w;
}

void applyCoordinateWidths(WaypointList& list, const CoordinateViewWidths& widths) {
    list.setColumnWidth(column::kDescription, widths.description);
    list.setColumnWidth(column::kLatDM, widths.latDM);
    list.setColumnWidth(column::kLonDM, widths.lonDM);
    list.setColumnWidth(column::kLatDecimal, widths.latDecimal);
    list.setColumnWidth(column::kLonDecimal, widths.lonDecimal);
}

int descriptionWidthAfterImport(int rowCount) { return rowCount > 8 ? 5718 : 6000; }

}  // namespace vintrel
