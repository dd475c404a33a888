// What the fuzz targets share: the input as a file (the readers take paths), and the check that
// every row a reader accepted can be written.
#pragma once

#include "export/mapsource/gdb_encoder.h"
#include "export/mapsource/mps_encoder.h"
#include "model/waypoint_list.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace vintrel::fuzz {

// The bytes as a file of the given extension; the same path on every run of one process.
inline QString asFile(const uint8_t* data, size_t size, const char* extension) {
    static const QString dir = QString::fromLocal8Bit(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    const QString path = QStringLiteral("%1/vintrel-fuzz-%2.%3").arg(dir).arg(getpid()).arg(QLatin1String(extension));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size)) {
        std::abort();
    }
    return path;
}

// Every row the list accepted must become a GDB and an MPS record; anything else is a fault.
inline void writeEveryRow(const WaypointList& list) {
    RecordInputs inputs;
    for (const WaypointRow& row : list.rows()) {
        QByteArray out;
        QString error;
        const QAnyStringView name = row.cellView(column::kName);
        if (!encodeGdbRow(out, row, name, inputs, error) || !encodeMpsRow(out, row, name, inputs, error)) {
            std::fprintf(stderr, "an accepted row cannot be written: %s\n", qPrintable(error));
            std::abort();
        }
    }
}

}  // namespace vintrel::fuzz
