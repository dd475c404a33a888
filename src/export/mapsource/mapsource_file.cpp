#include "export/mapsource/mapsource_file.h"

#include "export/atomic_save.h"
#include "export/cp1252_text.h"
#include "export/mapsource/gdb_encoder.h"
#include "export/mapsource/mps_encoder.h"
#include "export/mapsource/record_frames.h"

#include <QSet>

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

WriteReport addToMapSourceFile(const MapSourceKind& kind, WaypointList& list, const QString& path,
                               const ExportContext& context) {
    WriteReport report;
    ChunkedOutput out(path);
    QByteArray old;
    if (!out.readExisting(old, report.error)) {
        return report;
    }
    const MapSourceScan scan = scanMapSourceFile(old, kind);
    if (!scan.ok()) {
        report.error = scan.error;
        return report;
    }
    QSet<QByteArray> held(scan.waypointNames.cbegin(), scan.waypointNames.cend());

    RecordInputs inputs = recordInputsFor(kind, context);
    inputs.gdbVersion = scan.format.gdbVersion;
    if (!out.open(report.error) ||
        !out.write(QByteArrayView(old).first(scan.endRecordOffset), report.error)) {
        return report;
    }
    QList<int> heldRows;
    QList<QAnyStringView> names;
    int added = 0;
    for (int r = 0; r < list.rowCount(); ++r) {
        const WaypointRow& row = list.row(r);
        const QAnyStringView name = row.cellView(column::kName);
        if (name.isEmpty()) {
            ++report.leftOutCount;
            continue;
        }
        names.append(name);
        // A name the file holds, or will once an earlier row is in: two rows whose names the file's
        // encoding writes alike would be one name twice.
        QByteArray bytes = nameBytes(name, scan.format);
        if (held.contains(bytes)) {
            heldRows.append(r);
            ++report.leftOutCount;
            continue;
        }
        if (!kind.encode(out.buffer(), row, inputs, report.error) || !out.flushIfFull(report.error)) {
            report.leftOutCount = 0;
            return report;
        }
        held.insert(std::move(bytes));
        ++added;
    }
    out.buffer().append(QByteArrayView(old).sliced(scan.endRecordOffset));
    if (!out.commit(report.error)) {
        report.leftOutCount = 0;
        return report;
    }
    // The names are views of the rows' texts, which marking a row moves: they are read first.
    if (!scan.format.utf8Text) {
        report.warnings = cp1252NameCollisions(names, scan.waypointNames);
    }
    names.clear();
    for (int r : heldRows) {
        list.markDuplicate(r);
    }
    report.written = true;
    report.recordCount = added;
    report.existingCount = static_cast<int>(scan.waypointNames.size());
    return report;
}

WriteReport writeGdbFile(const WaypointList& list, const QString& path, const ExportContext& context) {
    return writeMapSourceFile(gdbKind(), list, path, context);
}

WriteReport addToGdbFile(WaypointList& list, const QString& path, const ExportContext& context) {
    return addToMapSourceFile(gdbKind(), list, path, context);
}

WriteReport writeMpsFile(const WaypointList& list, const QString& path, const ExportContext& context) {
    return writeMapSourceFile(mpsKind(), list, path, context);
}

WriteReport addToMpsFile(WaypointList& list, const QString& path, const ExportContext& context) {
    return addToMapSourceFile(mpsKind(), list, path, context);
}

}  // namespace vintrel
