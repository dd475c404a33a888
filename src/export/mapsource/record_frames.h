// Reading an existing MapSource file's frame before anything is added to it.
//
// A MapSource file is a signature ("MsRcf\0" for GDB, "MsRcd\0" for MPS) followed by records, each a
// 32-bit little-endian length L, a type letter and L bytes: the format record 'D' (its letter is the
// format version: 'k' is GDB version 1), the application record 'A' (in GDB files followed by the
// text "MapSource\0" outside any record), waypoint records 'W' and others, and last the end record
// 02 00 00 00 'V' 00 01. The header records are read as records, so files whose header differs in
// length from the one this program writes (other programs write their own name there) read the same.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace vintrel {

struct MapSourceKind;

struct MapSourceScan {
    QString error;                    // why the file cannot be added to; empty when it can
    qsizetype endRecordOffset = -1;   // where the end record starts
    QList<QByteArray> waypointNames;  // the name bytes of every waypoint record, in file order

    bool ok() const { return error.isEmpty(); }
};

// Walks every record frame of `file` and checks it is a whole, undamaged file of `kind`: every
// length inside the file, every waypoint name ended inside its record, the end record exactly at
// the end.
MapSourceScan scanMapSourceFile(QByteArrayView file, const MapSourceKind& kind);

}  // namespace vintrel
