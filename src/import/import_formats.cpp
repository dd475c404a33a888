#include "import/import_formats.h"

#include "import/camera_csv_reader.h"
#include "import/gpi_reader.h"
#include "import/gpx_reader.h"
#include "import/kismet_reader.h"
#include "import/loc_reader.h"
#include "import/mapsource_reader.h"
#include "import/mxf_reader.h"
#include "import/netstumbler_reader.h"
#include "import/wigle_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace vintrel {

const QList<ImportFormat>& importFormats() {
    static const QList<ImportFormat> formats = {
        {QStringLiteral("loc"),
         {QStringLiteral("TopoGrafix Data Files (*.loc)"), QStringLiteral("*.loc")},
         &readLocFile,
         ListView::Waypoints,
         nullptr,
         true},
        {QStringLiteral("gpx"),
         {QStringLiteral("GPS eXchange Files (*.gpx)"), QStringLiteral("*.gpx")},
         &readGpxFile,
         ListView::Waypoints},
        {QStringLiteral("csv"),
         {QStringLiteral("Speed Camera Database (*.csv)"), QStringLiteral("*.csv")},
         &readCameraCsvFile,
         ListView::Waypoints},
        {QStringLiteral("txt"),
         {QStringLiteral("NetStumbler Text (*.txt)"), QStringLiteral("*.txt")},
         &readNetStumblerFile,
         ListView::Networks},
        {QStringLiteral("wiglecsv"),
         {QStringLiteral("WiGLE Wardriving CSV (*.csv,*.wiglecsv)"), QStringLiteral("*.csv;*.wiglecsv")},
         &readWigleFile,
         ListView::Networks,
         &isWigleStart},
        {QStringLiteral("netxml"),
         {QStringLiteral("Kismet Network XML (*.netxml)"), QStringLiteral("*.netxml")},
         &readKismetFile,
         ListView::Networks},
        {QStringLiteral("mxf"),
         {QStringLiteral("Maptech Terrain Marks (*.mxf)"), QStringLiteral("*.mxf")},
         &readMxfFile,
         ListView::Waypoints},
        {QStringLiteral("gdb"),
         {QStringLiteral("MapSource GDB Files (*.gdb)"), QStringLiteral("*.gdb")},
         &readMapSourceFile,
         ListView::Waypoints},
        {QStringLiteral("mps"),
         {QStringLiteral("MapSource MPS Files (*.mps)"), QStringLiteral("*.mps")},
         &readMapSourceFile,
         ListView::Waypoints},
        {QStringLiteral("gpi"),
         {QStringLiteral("Garmin POI Files (*.gpi)"), QStringLiteral("*.gpi")},
         &readGpiFile,
         ListView::Waypoints},
    };
    return formats;
}

QList<FileFilter> importDialogFilters() {
    QStringList patterns;
    for (const ImportFormat& f : importFormats()) {
        for (const QString& pattern : f.filter.pattern.split(u';')) {
            if (!patterns.contains(pattern)) {
                patterns.append(pattern);  // *.csv once, for both kinds of .csv file
            }
        }
    }
    QList<FileFilter> filters;
    filters.append(
        {QStringLiteral("Supported File Types (%1)").arg(patterns.join(u',')), patterns.join(u';')});
    for (const ImportFormat& f : importFormats()) {
        filters.append(f.filter);
    }
    return filters;
}

namespace {

// The first bytes of a regular file; empty for anything else or a file that cannot be read.
QByteArray regularFileHead(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        return {};
    }
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(kSniffBytes) : QByteArray();
}

}  // namespace

const ImportFormat* importFormatFor(const QString& path) {
    const QList<ImportFormat>& formats = importFormats();
    const QByteArray head = regularFileHead(path);
    if (!head.isEmpty()) {
        for (const ImportFormat& f : formats) {
            if (f.sniff != nullptr && f.sniff(head)) {
                return &f;
            }
        }
    }
    // An extension is the last characters of the path, whatever stands before them; a longer one
    // wins over the shorter one it ends in (.wiglecsv over .csv).
    const ImportFormat* found = nullptr;
    for (const ImportFormat& f : formats) {
        if (path.endsWith(f.extension, Qt::CaseInsensitive) &&
            (found == nullptr || f.extension.size() > found->extension.size())) {
            found = &f;
        }
    }
    return found;
}

}  // namespace vintrel
