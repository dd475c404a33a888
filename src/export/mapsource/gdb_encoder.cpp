#include "export/mapsource/gdb_encoder.h"

#include "model/coordinates.h"
#include "export/cp1252_text.h"
#include "model/garmin_tables.h"
#include "export/mapsource/binary_output.h"

#include <cmath>
#include <limits>

namespace vintrel {

namespace {

constexpr char kWaypointRecord = 'W';
constexpr int kFixedLength = 72;  // record length without the three texts
constexpr double kSemicirclesPerDegree = 1073741824.0 / 90.0;

// A text field: its windows-1252 bytes and the closing 0x00.
void putText(QByteArray& out, QStringView text) {
    appendCp1252(out, text);
    out.append('\0');
}

}  // namespace

QString gdbSymbolName(QStringView name, QStringView encryption, QStringView rowSymbol) {
    if (encryption == QLatin1String("UnEncrypted")) {
        return QStringLiteral("Navaid, Green");
    }
    if (encryption == QLatin1String("Encrypted")) {
        return QStringLiteral("Navaid, Red");
    }
    const QStringView start = name.left(2);
    if (start == u"GC") {
        return QStringLiteral("Geocache");
    }
    if (start == u"RE") {
        return QStringLiteral("Triangle, Red");
    }
    if (start == u"GA" || start == u"TR" || start == u"MO" || start == u"TE" || start == u"SP") {
        return QStringLiteral("Triangle, Blue");
    }
    return rowSymbol.toString();
}

quint16 gdbCategoryMask(QStringView category, const CategoryNames& categories) {
    for (size_t k = 0; k < categories.size(); ++k) {
        if (categories[k] == category) {
            return static_cast<quint16>(1u << k);
        }
    }
    return 0;
}

qint32 gdbDisplayValue(int displayIndex) {
    switch (displayIndex) {
        case 1:
            return 0;  // Symbol only
        case 2:
            return 2;  // Symbol & Description
        default:
            return 1;  // Symbol & Name, and no choice at all
    }
}

std::optional<qint32> semicircles(double degrees) {
    const double value = degrees * kSemicirclesPerDegree;
    if (std::nearbyint(value) == 2147483648.0) {
        return std::numeric_limits<qint32>::min();  // +180 degrees is the -180 meridian
    }
    return toInt32(value);
}

bool encodeGdbWaypoint(QByteArray& out, const GdbWaypointFields& row, const ExportOptions& options,
                       const CategoryNames& categories, qint32 timeStamp, QChar decimalSeparator,
                       QString& error) {
    const std::optional<double> lat = parseDecimalCell(row.latitude, decimalSeparator);
    const std::optional<double> lon = parseDecimalCell(row.longitude, decimalSeparator);
    const std::optional<qint32> latSc = lat ? semicircles(*lat) : std::nullopt;
    const std::optional<qint32> lonSc = lon ? semicircles(*lon) : std::nullopt;
    if (!latSc || !lonSc) {
        error = QStringLiteral("waypoint \"%1\" has a %2 that is not a usable number (\"%3\")")
                    .arg(row.name, latSc ? QStringLiteral("longitude") : QStringLiteral("latitude"),
                         latSc ? row.longitude : row.latitude);
        return false;
    }
    const QStringView description = options.includeDescription ? row.description : QStringView();
    const qsizetype textBytes = cp1252Length(row.name) + cp1252Length(description) + cp1252Length(row.url);

    putInt32Le(out, static_cast<qint32>(kFixedLength + textBytes));
    out.append(kWaypointRecord);
    putText(out, row.name);
    putBytes(out, 9, '\0');  // class 0, empty country, start of the subclass block
    putBytes(out, 12, '\xFF');
    putBytes(out, 2, '\0');
    putBytes(out, 4, '\xFF');
    putInt32Le(out, *latSc);
    putInt32Le(out, *lonSc);
    out.append('\0');  // no altitude
    putText(out, description);
    out.append('\0');  // no proximity
    putInt32Le(out, gdbDisplayValue(options.displayIndex));
    putInt32Le(out, qint32{0});  // colour
    putInt32Le(out, static_cast<qint32>(symbolNumber(gdbSymbolName(row.name, row.encryption, row.symbol))));
    putBytes(out, 12, '\0');
    putText(out, row.url);
    putInt16Le(out, gdbCategoryMask(row.category, categories));
    out.append('\0');
    out.append('\x01');  // a time stamp follows
    putInt32Le(out, timeStamp);
    return true;
}

}  // namespace vintrel
