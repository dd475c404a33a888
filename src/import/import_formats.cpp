#include "import/import_formats.h"

#include "import/camera_csv_reader.h"
#include "import/gpi_reader.h"
#include "import/gpx_reader.h"
#include "import/loc_reader.h"
#include "import/mapsource_reader.h"
#include "import/mxf_reader.h"
#include "import/netstumbler_reader.h"

#include <QStringList>

namespace vintrel {

const QList<ImportFormat>& importFormats() {
    static const QList<ImportFormat> formats = {
        {QStringLiteral("loc"),
         {QStringLiteral("TopoGrafix Data Files (*.loc)"), QStringLiteral("*.loc")},
         &readLocFile,
         ListView::Waypoints},
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
        patterns.append(f.filter.pattern);
    }
    QList<FileFilter> filters;
    filters.append(
        {QStringLiteral("Supported File Types (%1)").arg(patterns.join(u',')), patterns.join(u';')});
    for (const ImportFormat& f : importFormats()) {
        filters.append(f.filter);
    }
    return filters;
}

const ImportFormat* importFormatFor(const QString& path) {
    const QString ext = fileExtensionOf(path);
    for (const ImportFormat& f : importFormats()) {
        if (f.extension == ext) {
            return &f;
        }
    }
    return nullptr;
}

}  // namespace vintrel
