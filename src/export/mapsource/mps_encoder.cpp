#include "export/mapsource/mps_encoder.h"

#include "export/cp1252_text.h"
#include "export/mapsource/binary_output.h"

namespace vintrel {

namespace {

constexpr char kWaypointRecord = 'W';
constexpr qint32 kSymbolAndName = 1;

void putText(QByteArray& out, QStringView text) {
    appendCp1252(out, text);
    out.append('\0');
}

}  // namespace

qint32 mpsSymbolNumber(QStringView name, QStringView encryption) {
    if (encryption == QLatin1String("UnEncrypted")) {
        return 24;  // Navaid, Green
    }
    if (encryption == QLatin1String("Encrypted")) {
        return 28;  // Navaid, Red
    }
    const QStringView start = name.left(2);
    if (start == u"GC") {
        return 117;  // Geocache
    }
    if (start == u"RE") {
        return 220;  // Triangle, Red
    }
    if (start == u"GA" || start == u"TR" || start == u"MO" || start == u"TE" || start == u"SP") {
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
    const QStringView description = options.includeDescription ? row.description : QStringView();
    const qsizetype start = out.size();
    putInt32Le(out, 0);  // the length, once the texts are written
    out.append(kWaypointRecord);
    putText(out, row.name);
    putBytes(out, 9, '\0');
    putBytes(out, 12, '\xFF');
    putBytes(out, 2, '\0');
    putBytes(out, 4, '\xFF');
    putInt32Le(out, position->lat);
    putInt32Le(out, position->lon);
    putBytes(out, 9, '\0');
    putText(out, description);
    putBytes(out, 9, '\0');
    putInt32Le(out, kSymbolAndName);
    putInt32Le(out, options.colourIndex < 0 ? 0 : options.colourIndex);
    putInt32Le(out, mpsSymbolNumber(row.name, row.encryption));
    putBytes(out, 20, '\0');
    patchRecordLength(out, start);
    return true;
}

bool encodeMpsRow(QByteArray& out, const WaypointRow& row, const RecordInputs& inputs, QString& error) {
    const MpsWaypointFields fields{row.cellView(column::kName), row.cellView(column::kDescription), row.lat,
                                   row.lon, row.cellView(column::kEncryption)};
    return encodeMpsWaypoint(out, fields, inputs.options, error);
}

}  // namespace vintrel
