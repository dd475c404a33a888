#include "export/mapsource/mps_encoder.h"

#include "formats/text/cp1252_text.h"
#include "export/mapsource/binary_output.h"

namespace vintrel {

namespace {

constexpr char kWaypointRecord = 'W';
constexpr qint32 kSymbolAndName = 1;

}  // namespace

qint32 mpsSymbolNumber(QAnyStringView name, QAnyStringView encryption) {
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
    return 18;  // Waypoint
}

bool encodeMpsWaypoint(QByteArray& out, const MpsWaypointFields& row, const ExportOptions& options,
                       QString& error) {
    const std::optional<Semicircles> position = recordPosition(row.name, row.latitude, row.longitude, error);
    if (!position) {
        return false;
    }
    const QAnyStringView description = options.includeDescription ? row.description : QAnyStringView();
    constexpr qsizetype kFixedBytes = 87;  // the bytes after the type letter besides the texts
    RecordWriter w(out, kWaypointRecord, kFixedBytes, row.name.size() + description.size());
    w.text(row.name);
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
    w.int32(mpsSymbolNumber(row.name, row.encryption));
    w.fill(20, '\0');
    w.finish();
    return true;
}

bool encodeMpsRow(QByteArray& out, const WaypointRow& row, const RecordInputs& inputs, QString& error) {
    const MpsWaypointFields fields{row.cellView(column::kName), row.cellView(column::kDescription), row.lat,
                                   row.lon, row.cellView(column::kEncryption)};
    return encodeMpsWaypoint(out, fields, inputs.options, error);
}

}  // namespace vintrel
