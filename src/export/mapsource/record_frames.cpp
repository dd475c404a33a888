#include "export/mapsource/record_frames.h"

#include "export/mapsource/binary_output.h"
#include "export/mapsource/mapsource_file.h"

namespace vintrel {

namespace {

constexpr qsizetype kFrameSize = 5;  // length and type letter
constexpr char kFormatRecord = 'D';
constexpr char kApplicationRecord = 'A';
constexpr char kWaypointRecord = 'W';
constexpr char kEndRecord = 'V';
const QByteArrayView kApplicationText("MapSource\0", 10);

// "a MapSource GDB file"
QString fileOf(const MapSourceKind& kind) {
    return QStringLiteral("a MapSource %1 file").arg(kind.name);
}

QString damaged(qsizetype offset, const char* what) {
    return QStringLiteral("it is damaged or cut short (%1 at byte %2)").arg(QLatin1String(what)).arg(offset);
}

// "format version 2" where the letters count versions (GDB: 'k' is 1, 'l' is 2, ...), else the letter.
QString formatName(const MapSourceKind& kind, char letter) {
    if (kind.versionOneLetter != 0) {
        return QStringLiteral("format version %1").arg(letter - kind.versionOneLetter + 1);
    }
    return QStringLiteral("format '%1'").arg(QLatin1Char(letter));
}

}  // namespace

MapSourceScan scanMapSourceFile(QByteArrayView file, const MapSourceKind& kind) {
    MapSourceScan scan;
    const QByteArrayView signature(kind.signature);
    if (!file.startsWith(signature)) {
        const MapSourceKind* other = mapSourceKindOfSignature(file);
        scan.error = other != nullptr ? QStringLiteral("it is %1, not %2").arg(fileOf(*other), fileOf(kind))
                                      : QStringLiteral("it is not %1").arg(fileOf(kind));
        return scan;
    }
    qsizetype pos = signature.size();
    bool first = true;
    while (pos < file.size()) {
        if (file.size() - pos < kFrameSize) {
            scan.error = damaged(pos, "a record without its length");
            return scan;
        }
        const qint32 length = readInt32Le(file.data() + pos);
        const char type = file[pos + 4];
        const qsizetype data = pos + kFrameSize;
        if (length < 0 || length > file.size() - data) {
            scan.error = damaged(pos, "a record longer than the file");
            return scan;
        }
        const QByteArrayView body = file.sliced(data, length);
        if (first && type != kFormatRecord) {
            scan.error = QStringLiteral("it is not %1 (no format record)").arg(fileOf(kind));
            return scan;
        }
        if (first && (body.isEmpty() || body[0] != kind.formatLetter)) {
            scan.error = body.isEmpty() ? damaged(pos, "an empty format record")
                                        : QStringLiteral("it is %1 of %2; only %3 files can be added to")
                                              .arg(fileOf(kind), formatName(kind, body[0]),
                                                   formatName(kind, kind.formatLetter));
            return scan;
        }
        first = false;
        pos = data + length;
        if (type == kApplicationRecord && kind.textAfterApplication &&
            file.sliced(pos).startsWith(kApplicationText)) {
            pos += kApplicationText.size();
        } else if (type == kWaypointRecord) {
            const qsizetype end = body.indexOf('\0');
            if (end < 0) {
                scan.error = damaged(data - kFrameSize, "a waypoint name without its end");
                return scan;
            }
            scan.waypointNames.append(body.first(end).toByteArray());
        } else if (type == kEndRecord) {
            if (pos != file.size() || body != QByteArrayView("\x00\x01", 2)) {
                scan.error = damaged(data - kFrameSize, "an end record that is not the end");
                return scan;
            }
            scan.endRecordOffset = data - kFrameSize;
            return scan;
        }
    }
    scan.error = QStringLiteral("it is cut short (it has no end record)");
    return scan;
}

}  // namespace vintrel
