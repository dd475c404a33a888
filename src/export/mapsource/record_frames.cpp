#include "export/mapsource/record_frames.h"

#include "export/mapsource/mapsource_file.h"

namespace vintrel {

namespace {

// "a MapSource GDB file"
QString fileOf(mapsource::FileKind kind) {
    return QStringLiteral("a MapSource %1 file").arg(mapsource::kindName(kind));
}

}  // namespace

MapSourceScan scanMapSourceFile(QByteArrayView file, const MapSourceKind& kind) {
    MapSourceScan scan;
    const std::optional<mapsource::FileKind> found = mapsource::kindOfSignature(file);
    if (found != kind.fileKind) {
        scan.error = found ? QStringLiteral("it is %1, not %2").arg(fileOf(*found), fileOf(kind.fileKind))
                           : QStringLiteral("it is not %1").arg(fileOf(kind.fileKind));
        return scan;
    }
    qsizetype unnamed = -1;
    const mapsource::Walk walk =
        mapsource::walkRecords(file, [&](const mapsource::Record& record, const mapsource::Format&) {
            if (record.type != mapsource::kWaypointRecord || unnamed >= 0) {
                return;
            }
            const std::optional<QByteArrayView> name = mapsource::waypointName(record.body);
            if (name) {
                scan.waypointNames.append(name->toByteArray());
                if (const auto place = mapsource::waypointPosition(record.body)) {
                    scan.waypointPlaces.insert(packedPlace(place->first, place->second));
                }
            } else {
                unnamed = record.offset;
            }
        });
    scan.format = walk.format;
    if (!walk.formatFound) {
        scan.error = walk.error;
    } else if (!walk.format.readable) {
        scan.error = QStringLiteral("it is %1, which Vintrel cannot add to").arg(walk.format.description());
    } else if (unnamed >= 0 && (walk.ok() || unnamed < walk.errorOffset)) {
        scan.error = QStringLiteral("it is damaged or cut short (a waypoint name without its end at byte %1)")
                         .arg(unnamed);
    } else if (!walk.ok()) {
        scan.error = walk.error;
    }
    if (!scan.ok()) {
        scan.waypointNames.clear();
        scan.waypointPlaces.clear();
        return scan;
    }
    scan.endRecordOffset = walk.endRecordOffset;
    return scan;
}

}  // namespace vintrel
