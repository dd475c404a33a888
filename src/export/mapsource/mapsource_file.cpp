#include "export/mapsource/mapsource_file.h"

#include "export/add_driver.h"
#include "export/atomic_save.h"
#include "export/mapsource/gdb_encoder.h"
#include "export/mapsource/mps_encoder.h"
#include "export/mapsource/record_frames.h"
#include "formats/text/cp1252_text.h"

#include "model/field_text.h"

#include <QHash>

#include <algorithm>
#include <optional>

namespace vintrel {

namespace {

QByteArray bytesOf(std::initializer_list<unsigned char> bytes) {
    QByteArray out;
    for (unsigned char b : bytes) {
        out.append(static_cast<char>(b));
    }
    return out;
}

// Everything a file's records share, read once per file: the same answer for every record.
RecordInputs recordInputsFor(const MapSourceKind& kind, const ExportContext& context) {
    RecordInputs inputs;
    inputs.options = context.options;
    if (kind.usesCategories) {
        inputs.categories = readCategoryNames(context.registry);
    }
    inputs.timeStamp =
        wallClockStamp(context.clock != nullptr ? context.clock->localNow() : QDateTime::currentDateTime());
    return inputs;
}

// The names an existing file holds, in every form a row's name may be written to match them: their
// bytes; composed, in a UTF-8 file; and as a reader reads them (blanks at the ends dropped, tabs
// and line breaks made spaces), so that a file's own waypoints, read and added back, are found.
class HeldNames {
  public:
    HeldNames(const QList<QByteArray>& names, const mapsource::Format& format) : format_(format) {
        forms_.reserve(names.size());
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QByteArray& raw = names[i];
            forms_.insert(raw, i);
            if (plain(raw)) {
                continue;  // every other form is the same bytes
            }
            const QString text = mapsource::decodeText(raw, format);
            forms_.insert(nameBytes(text, format), i);
            forms_.insert(nameBytes(fieldText(text.toStdString()), format), i);
        }
        names_ = &names;
    }

    // The text of the file's name that `written` matches, if any.
    std::optional<QString> textOf(const QByteArray& written) const {
        const auto it = forms_.constFind(written);
        if (it == forms_.constEnd()) {
            return std::nullopt;
        }
        return mapsource::decodeText((*names_)[*it], format_);
    }

  private:
    // Printable ASCII without blanks at its ends: the same in every encoding and every form.
    static bool plain(QByteArrayView raw) {
        return !raw.isEmpty() && raw.front() != ' ' && raw.back() != ' ' &&
               std::all_of(raw.begin(), raw.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
    }

    mapsource::Format format_;
    QHash<QByteArray, qsizetype> forms_;
    const QList<QByteArray>* names_ = nullptr;
};

// An existing file as an add sees it: its names in every form, new records in its own format in
// front of its end record, which is kept as it is.
class MapSourceTarget : public AddTarget {
  public:
    MapSourceTarget(const MapSourceKind& kind, MapSourceScan scan, const ExportContext& context)
        : kind_(kind), scan_(std::move(scan)), held_(scan_.waypointNames, scan_.format) {
        inputs_ = recordInputsFor(kind, context);
        inputs_.gdbVersion = scan_.format.gdbVersion;
        existingCount = static_cast<int>(scan_.waypointNames.size());
        insertAt = scan_.endRecordOffset;
        uniqueNames = true;
    }

    QByteArray nameKey(QAnyStringView name) const override { return nameBytes(name, scan_.format); }
    std::optional<QString> heldName(const QByteArray& key) const override { return held_.textOf(key); }
    QString keyText(const QByteArray& key) const override { return mapsource::decodeText(key, scan_.format); }
    bool appendRecord(QByteArray& out, const WaypointList& list, int row, QString& error) override {
        return kind_.encode(out, list.row(row), inputs_, error);
    }

  private:
    const MapSourceKind& kind_;
    MapSourceScan scan_;
    HeldNames held_;
    RecordInputs inputs_;
};

}  // namespace

const MapSourceKind& gdbKind() {
    static const MapSourceKind kind{
        mapsource::FileKind::Gdb,
        QByteArray("MsRcf\0", 6) +                                              // signature
            bytesOf({2, 0, 0, 0, 'D', 'k', 0}) +                                // format version 1
            bytesOf({27, 0, 0, 0, 'A', 0x5B, 0x02}) + QByteArray("SQA\0", 4) +  // application 603
            QByteArray("Jun 21 2004\0", 12) + QByteArray("14:29:29\0", 9) +     // its build
            QByteArray("MapSource\0", 10),                                      // outside any record
        true,
        false,
        &encodeGdbRow,
    };
    return kind;
}

const MapSourceKind& mpsKind() {
    static const MapSourceKind kind{
        mapsource::FileKind::Mps,
        QByteArray("MsRcd\0", 6) +                                              // signature
            bytesOf({2, 0, 0, 0, 'D', 'i', 0}) +                                // format
            bytesOf({27, 0, 0, 0, 'A', 0xF8, 0x01}) + QByteArray("SQA\0", 4) +  // application 504
            QByteArray("Nov  6 2003\0", 12) + QByteArray("16:01:32\0", 9),      // its build
        false,
        true,
        &encodeMpsRow,
    };
    return kind;
}

QByteArray nameBytes(QAnyStringView name, const mapsource::Format& format) {
    if (format.utf8Text) {
        return name.toString().normalized(QString::NormalizationForm_C).toUtf8();
    }
    QByteArray bytes;
    appendCp1252(bytes, name);
    return bytes;
}

QByteArray endRecord() {
    return QByteArray("\x02\x00\x00\x00\x56\x00\x01", kEndRecordSize);
}

WriteReport writeMapSourceFile(const MapSourceKind& kind, const WaypointList& list, const QString& path,
                               const ExportContext& context) {
    WriteReport report;
    const RecordInputs inputs = recordInputsFor(kind, context);
    ChunkedOutput out(path);
    if (!out.open(report.error)) {
        return report;
    }
    out.buffer().append(kind.header);
    const auto written = [&kind](const WaypointRow& row) {
        return kind.writesNamelessRows || !row.cellView(column::kName).isEmpty();
    };
    // Names can only meet in their bytes when one of them is changed by the code page, which most
    // files never are: the names are gathered for the check only then.
    bool namesChanged = false;
    int nameless = 0;
    for (const WaypointRow& row : list.rows()) {
        if (!written(row)) {
            ++nameless;
            continue;
        }
        if (!kind.encode(out.buffer(), row, inputs, report.error) || !out.flushIfFull(report.error)) {
            report.recordCount = 0;
            return report;
        }
        namesChanged = namesChanged || cp1252Changes(row.cellView(column::kName));
        ++report.recordCount;
    }
    out.buffer().append(endRecord());
    if (!out.commit(report.error)) {
        report.recordCount = 0;
        return report;
    }
    report.written = true;
    if (namesChanged) {
        QList<QAnyStringView> names;
        for (const WaypointRow& row : list.rows()) {
            if (written(row)) {
                names.append(row.cellView(column::kName));
            }
        }
        report.warnings = cp1252NameCollisions(names);
    }
    if (nameless > 0) {
        report.warnings.append(nameless == 1
                                   ? QStringLiteral("1 waypoint without a name was not written: MapSource "
                                                    "needs a name for every waypoint.")
                                   : QStringLiteral("%1 waypoints without a name were not written: "
                                                    "MapSource needs a name for every waypoint.")
                                         .arg(nameless));
    }
    return report;
}

std::unique_ptr<AddTarget> scanMapSourceTarget(const MapSourceKind& kind, const QByteArray& bytes,
                                               const ExportContext& context, QString& error) {
    MapSourceScan scan = scanMapSourceFile(bytes, kind);
    if (!scan.ok()) {
        error = scan.error;
        return nullptr;
    }
    return std::make_unique<MapSourceTarget>(kind, std::move(scan), context);
}

WriteReport writeGdbFile(const WaypointList& list, const QString& path, const ExportContext& context) {
    return writeMapSourceFile(gdbKind(), list, path, context);
}

WriteReport addToGdbFile(WaypointList& list, const QString& path, const ExportContext& context) {
    return addRows([](const QByteArray& bytes, const WaypointList&, const ExportContext& c,
                      QString& error) { return scanMapSourceTarget(gdbKind(), bytes, c, error); },
                   list, path, context);
}

WriteReport writeMpsFile(const WaypointList& list, const QString& path, const ExportContext& context) {
    return writeMapSourceFile(mpsKind(), list, path, context);
}

WriteReport addToMpsFile(WaypointList& list, const QString& path, const ExportContext& context) {
    return addRows([](const QByteArray& bytes, const WaypointList&, const ExportContext& c,
                      QString& error) { return scanMapSourceTarget(mpsKind(), bytes, c, error); },
                   list, path, context);
}

}  // namespace vintrel
