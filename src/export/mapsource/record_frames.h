// Reading an existing MapSource file's frame before anything is added to it: every record is
// walked (formats/mapsource/mapsource_layout.h), so a damaged, cut-short or foreign file is refused before a
// byte is written, and files whose header differs from the one this program writes (other programs
// write their own name and date there) read the same.
#pragma once

#include "formats/mapsource/mapsource_layout.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

namespace vintrel {

struct MapSourceKind;

struct MapSourceScan {
    QString error;                    // why the file cannot be added to; empty when it can
    mapsource::Format format;         // the file's own format: new records are written in it
    qsizetype endRecordOffset = -1;   // where the end record starts; it is kept as it is
    QList<QByteArray> waypointNames;  // the name bytes of every waypoint record, in file order
    QSet<quint64> waypointPlaces;     // their positions: latitude and longitude semicircles, packed

    bool ok() const { return error.isEmpty(); }
};

// Walks every record frame of `file` and checks it is a whole, undamaged file of `kind` in a format
// this program writes: every length inside the file, every waypoint name ended inside its record,
// an end record exactly at the end.
MapSourceScan scanMapSourceFile(QByteArrayView file, const MapSourceKind& kind);

// A position as waypointPlaces holds it.
inline quint64 packedPlace(qint32 lat, qint32 lon) {
    return static_cast<quint64>(static_cast<quint32>(lat)) << 32 | static_cast<quint32>(lon);
}

}  // namespace vintrel
