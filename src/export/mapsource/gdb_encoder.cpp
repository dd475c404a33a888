#include "export/mapsource/gdb_encoder.h"

#include "export/cp1252_text.h"
#include "export/mapsource/binary_output.h"
#include "model/garmin_tables.h"
#include "registry/c_registry.h"

namespace vintrel {

namespace {

constexpr char kWaypointRecord = 'W';

}  // namespace

QString gdbSymbolName(QAnyStringView name, QAnyStringView encryption, QAnyStringView rowSymbol) {
    if (encryption == QLatin1String("UnEncrypted")) {
        return QStringLiteral("Navaid, Green");
    }
    if (encryption == QLatin1String("Encrypted")) {
        return QStringLiteral("Navaid, Red");
    }
    const QAnyStringView start = firstChars(name, 2);
    if (start == QLatin1StringView("GC")) {
        return QStringLiteral("Geocache");
    }
    if (start == QLatin1StringView("RE")) {
        return QStringLiteral("Triangle, Red");
    }
    if (start == QLatin1StringView("GA") || start == QLatin1StringView("TR") ||
        start == QLatin1StringView("MO") || start == QLatin1StringView("TE") ||
        start == QLatin1StringView("SP")) {
        return QStringLiteral("Triangle, Blue");
    }
    return rowSymbol.toString();
}

quint16 gdbCategoryMask(QAnyStringView category, const CategoryNames& categories) {
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
    const QAnyStringView description = options.includeDescription ? row.description : QAnyStringView();
    constexpr qsizetype kFixedBytes = 72;  // the bytes after the type letter besides the texts
    RecordWriter w(out, kWaypointRecord, kFixedBytes, row.name.size() + description.size() + row.url.size());
    w.text(row.name);
    w.fill(9, '\0');  // class 0, empty country, start of the subclass block
    w.fill(12, '\xFF');
    w.fill(2, '\0');
    w.fill(4, '\xFF');
    w.int32(position->lat);
    w.int32(position->lon);
    w.byte('\0');  // no altitude
    w.text(description);
    w.byte('\0');  // no proximity
    w.int32(gdbDisplayValue(options.displayIndex));
    w.int32(0);  // colour
    w.int32(static_cast<qint32>(symbolNumber(gdbSymbolName(row.name, row.encryption, row.symbol))));
    w.fill(12, '\0');
    w.text(row.url);
    w.int16(gdbCategoryMask(row.category, categories));
    w.byte('\0');
    w.byte('\x01');  // a time stamp follows
    w.int32(timeStamp);
    w.finish();
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
