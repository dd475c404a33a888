#include "export/mapsource/mapsource_file.h"

#include "base/huge_pages.h"
#include "export/mapsource/gdb_encoder.h"

namespace vintrel {

QByteArray gdbHeader() {
    static const char kHeader[kGdbHeaderSize] = {
        'M', 's', 'R', 'c', 'f', 0,                                  // magic
        2,   0,   0,   0,   'D', 'k',  0,                            // format version
        27,  0,   0,   0,   'A', 0x5B, 0x02,                         // application record: version 603
        'S', 'Q', 'A', 0,                                            //
        'J', 'u', 'n', ' ', '2', '1',  ' ',  '2', '0', '0', '4', 0,  // build date
        '1', '4', ':', '2', '9', ':',  '2',  '9', 0,                 // build time
        'M', 'a', 'p', 'S', 'o', 'u',  'r',  'c', 'e', 0,            // outside any record
    };
    return QByteArray(kHeader, kGdbHeaderSize);
}

QByteArray gdbTrailer() {
    return QByteArray("\x02\x00\x00\x00\x56\x00\x01", kGdbTrailerSize);
}

bool isWrittenToMapSource(const WaypointRow& row) {
    return !row.isMarkedDuplicate() && !row.cellView(column::kName).isEmpty();
}

GdbWaypointFields gdbFieldsOf(const WaypointRow& row) {
    return {row.cellView(column::kName),       row.cellView(column::kDescription),
            row.cellView(column::kUrl),        row.cellView(column::kLatDecimal),
            row.cellView(column::kLonDecimal), row.cellView(column::kEncryption),
            row.cellView(column::kSymbol),     row.cellView(column::kCategory)};
}

WriteReport writeGdbFile(const WaypointList& list, const QString& path, const ExportContext& context) {
    WriteReport report;
    // The category names are read once per file: the same answer for every record.
    const CategoryNames categories = readCategoryNames(context.registry);
    const qint32 stamp =
        wallClockStamp(context.clock != nullptr ? context.clock->localNow() : QDateTime::currentDateTime());
    // One byte per UTF-16 unit is an upper bound of the texts' windows-1252 size: reserve it all.
    qsizetype size = kGdbHeaderSize + kGdbTrailerSize;
    for (const WaypointRow& row : list.rows()) {
        size += 77 + row.cellView(column::kName).size() + row.cellView(column::kDescription).size() +
                row.cellView(column::kUrl).size();
    }
    QByteArray bytes = gdbHeader();
    bytes.reserve(size);
    offerHugePages(bytes.data(), static_cast<size_t>(size));
    int records = 0;
    for (const WaypointRow& row : list.rows()) {
        if (!isWrittenToMapSource(row)) {
            continue;
        }
        QString error;
        if (!encodeGdbWaypoint(bytes, gdbFieldsOf(row), context.options, categories, stamp,
                               context.decimalSeparator, error)) {
            report.error = error;
            return report;
        }
        ++records;
    }
    bytes.append(gdbTrailer());
    if (!saveAtomically(path, bytes, report.error)) {
        return report;
    }
    report.written = true;
    report.recordCount = records;
    return report;
}

}  // namespace vintrel
