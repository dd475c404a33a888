#include "export/mapsource/gdb_encoder.h"

#include "export/mapsource/binary_output.h"
#include "formats/garmin/garmin_tables.h"
#include "formats/text/cp1252_text.h"
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
                       const CategoryNames& categories, qint32 timeStamp, QString& error, int gdbVersion) {
    const QAnyStringView written = row.writtenName.isEmpty() ? row.name : row.writtenName;
    const std::optional<Semicircles> position = recordPosition(written, row.latitude, row.longitude, error);
    if (!position) {
        return false;
    }
    const bool utf8 = gdbVersion >= 3;
    // Version 3 texts are UTF-8 of the composed text, the form every other program compares.
    const auto composed = [utf8](QAnyStringView text) {
        return utf8 ? text.toString().normalized(QString::NormalizationForm_C) : QString();
    };
    const QString name = composed(written);
    const QString description = composed(options.includeDescription ? row.description : QAnyStringView());
    const QString url = composed(row.url);
    const QAnyStringView descriptionText = options.includeDescription ? row.description : QAnyStringView();
    const auto text = [utf8](RecordWriter& w, QAnyStringView original, const QString& composedText) {
        if (utf8) {
            w.utf8Text(composedText);
        } else {
            w.text(original);
        }
    };
    // The bytes after the type letter besides the texts: version 3 has a count of web addresses and
    // six more bytes at the end.
    const qsizetype fixedBytes = utf8 ? 82 : 72;
    const qsizetype textUnits = utf8 ? name.size() + description.size() + url.size()
                                     : written.size() + descriptionText.size() + row.url.size();
    RecordWriter w(out, kWaypointRecord, fixedBytes, textUnits);
    text(w, written, name);
    w.fill(9, '\0');  // class 0, empty country, start of the class data
    w.fill(12, '\xFF');
    w.fill(2, '\0');
    w.fill(4, '\xFF');
    w.int32(position->lat);
    w.int32(position->lon);
    w.byte('\0');  // no altitude
    text(w, descriptionText, description);
    w.byte('\0');  // no proximity
    w.int32(gdbDisplayValue(options.displayIndex));
    w.int32(0);  // colour
    w.int32(static_cast<qint32>(symbolNumber(gdbSymbolName(row.name, row.encryption, row.symbol))));
    w.fill(12, '\0');  // no city, state, facility, depth, address; no notes
    if (!utf8) {
        w.text(row.url);
    } else if (url.isEmpty()) {
        w.int32(0);
    } else {
        w.int32(1);
        w.utf8Text(url);
    }
    w.int16(gdbCategoryMask(row.category, categories));
    w.byte('\0');    // no temperature
    w.byte('\x01');  // a time stamp follows
    w.int32(timeStamp);
    if (utf8) {
        w.fill(6, '\0');  // no phone numbers, country or postal code
    }
    w.finish();
    return true;
}

bool encodeGdbRow(QByteArray& out, const WaypointRow& row, QAnyStringView name, const RecordInputs& inputs,
                  QString& error) {
    const GdbWaypointFields fields{row.cellView(column::kName),
                                   row.cellView(column::kDescription),
                                   row.cellView(column::kUrl),
                                   row.lat,
                                   row.lon,
                                   row.cellView(column::kEncryption),
                                   row.cellView(column::kSymbol),
                                   row.cellView(column::kCategory),
                                   name};
    return encodeGdbWaypoint(out, fields, inputs.options, inputs.categories, inputs.timeStamp, error,
                             inputs.gdbVersion);
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
