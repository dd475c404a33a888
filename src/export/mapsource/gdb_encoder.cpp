#include "export/mapsource/gdb_encoder.h"

#include "export/cp1252_text.h"
#include "export/mapsource/binary_output.h"
#include "model/garmin_tables.h"
#include "registry/c_registry.h"

namespace vintrel {

namespace {

constexpr char kWaypointRecord = 'W';

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

bool encodeGdbWaypoint(QByteArray& out, const GdbWaypointFields& row, const ExportOptions& options,
                       const CategoryNames& categories, qint32 timeStamp, QString& error) {
    const std::optional<Semicircles> position = recordPosition(row.name, row.latitude, row.longitude, error);
    if (!position) {
        return false;
    }
    const QStringView description = options.includeDescription ? row.description : QStringView();
    const qsizetype start = out.size();
    putInt32Le(out, 0);  // the length, once the texts are written
    out.append(kWaypointRecord);
    putText(out, row.name);
    putBytes(out, 9, '\0');  // class 0, empty country, start of the subclass block
    putBytes(out, 12, '\xFF');
    putBytes(out, 2, '\0');
    putBytes(out, 4, '\xFF');
    putInt32Le(out, position->lat);
    putInt32Le(out, position->lon);
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
    patchRecordLength(out, start);
    return true;
}

bool encodeGdbRow(QByteArray& out, const WaypointRow& row, const RecordInputs& inputs, QString& error) {
    const GdbWaypointFields fields{row.cellView(column::kName),
                                   row.cellView(column::kDescription),
                                   row.cellView(column::kUrl),
                                   row.lat,
                                   row.lon,
                                   row.cellView(column::kEncryption),
                                   row.cellView(column::kSymbol),
                                   row.cellView(column::kCategory)};
    return encodeGdbWaypoint(out, fields, inputs.options, inputs.categories, inputs.timeStamp, error);
}

CategoryNames readCategoryNames(registry::RegistryApi* api) {
    CategoryNames names;
    if (api == nullptr) {
        return names;
    }
    registry::cRegistry reg(*api);
    for (int k = 1; k <= 16; ++k) {
        reg.ClassKey(registry::kHkeyCurrentUser);
        reg.SectionKey("SOFTWARE\\Garmin\\MapSource\\Settings\\WaypointCategoryNames");
        reg.ValueKey("Category" + std::to_string(k));
        reg.ValueType(registry::kRegSz);
        const std::string text = registry::valueText(reg.Value());
        names[static_cast<size_t>(k - 1)] = fromCp1252(QByteArrayView(text.data(), qsizetype(text.size())));
    }
    return names;
}

qint32 wallClockStamp(const QDateTime& local) {
    const QDateTime asUtc(local.date(), local.time(), Qt::UTC);
    const qint64 seconds = asUtc.toSecsSinceEpoch();
    constexpr qint64 kLast = 0x7FFFFFFF;
    return static_cast<qint32>(seconds > kLast ? kLast : seconds);
}

}  // namespace vintrel
