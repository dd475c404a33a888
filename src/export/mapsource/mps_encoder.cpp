#include "export/mapsource/mps_encoder.h"

#include "export/mapsource/binary_output.h"
#include "formats/garmin/garmin_tables.h"
#include "formats/text/cp1252_text.h"

namespace vintrel {

namespace {

constexpr char kWaypointRecord = 'W';
constexpr qint32 kSymbolAndName = 1;

}  // namespace

qint32 mpsSymbolNumber(QAnyStringView name, QAnyStringView encryption, QAnyStringView rowSymbol) {
    if (encryption == QLatin1String("UnEncrypted")) {
        return 24;  // Navaid, Green
    }
    if (encryption == QLatin1String("Encrypted")) {
        return 28;  // Navaid, Red
    }
    const QAnyStringView start = firstChars(name, 2);
    if (start == QLatin1StringView("GC")) {
        return 117;  // Geocache
    }
    if (start == QLatin1StringView("RE")) {
        return 220;  // Triangle, Red
    }
    if (start == QLatin1StringView("GA") || start == QLatin1StringView("TR") ||
        start == QLatin1StringView("MO") || start == QLatin1StringView("TE") ||
        start == QLatin1StringView("SP")) {
        return 218;  // Triangle, Blue
    }
    const int own = symbolNumber(rowSymbol.toString());
    return own >= kFirstCustomSymbol ? own : kDefaultSymbol;
}

bool encodeMpsWaypoint(QByteArray& out, const MpsWaypointFields& row, const ExportOptions& options,
                       QString& error) {
    const QAnyStringView written = row.writtenName.isEmpty() ? row.name : row.writtenName;
    const std::optional<Semicircles> position = recordPosition(written, row.latitude, row.longitude, error);
    if (!position) {
        return false;
    }
    const QAnyStringView description = options.includeDescription ? row.description : QAnyStringView();
    constexpr qsizetype kFixedBytes = 87;  // the bytes after the type letter besides the texts
    RecordWriter w(out, kWaypointRecord, kFixedBytes, written.size() + description.size());
    w.text(written);
    w.fill(9, '\0');
    w.fill(12, '\xFF');
    w.fill(2, '\0');
    w.fill(4, '\xFF');
    w.int32(position->lat);
    w.int32(position->lon);
    w.fill(9, '\0');
    w.text(description);
    w.fill(9, '\0');
    w.int32(kSymbolAndName);
    w.int32(options.colourIndex < 0 ? 0 : options.colourIndex);
    w.int32(mpsSymbolNumber(row.name, row.encryption, row.symbol));
    w.fill(20, '\0');
    w.finish();
    return true;
}

bool encodeMpsRow(QByteArray& out, const WaypointRow& row, QAnyStringView name, const RecordInputs& inputs,
                  QString& error) {
    const MpsWaypointFields fields{
        row.cellView(column::kName),       row.cellView(column::kDescription), row.lat, row.lon,
        row.cellView(column::kEncryption), row.cellView(column::kSymbol),      name};
    return encodeMpsWaypoint(out, fields, inputs.options, error);
}

}  // namespace vintrel
