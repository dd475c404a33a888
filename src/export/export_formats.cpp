#include "export/export_formats.h"

#include "export/gpx/gpx_writer.h"
#include "export/kml_writer.h"
#include "export/mapsource/mapsource_file.h"
#include "export/wpt_writer.h"

namespace vintrel {

const QList<ExportFormat>& exportFormats() {
    static const QString kAddMapSource = QStringLiteral("Select Mapsource file to add to");
    static const QString kAddWaypoints = QStringLiteral("Select Waypoint file to append");
    static const QList<ExportFormat> formats = {
        {QStringLiteral("GDB"),
         QStringLiteral("GDB (Mapsource v6.1+)"),
         QStringLiteral("gdb"),
         {QStringLiteral("Mapsource (v6.1+) File (*.gdb)"), QStringLiteral("*.gdb")},
         {QStringLiteral("Mapsource File (*.gdb)"), QStringLiteral("*.gdb")},
         kAddMapSource,
         true,
         false,
         true,
         &writeGdbFile,
         &addToGdbFile,
         1,
         false},
        {QStringLiteral("MPS"),
         QStringLiteral("MPS (Mapsource - older)"),
         QStringLiteral("mps"),
         {QStringLiteral("Mapsource File (*.mps)"), QStringLiteral("*.mps")},
         {QStringLiteral("Mapsource File (*.mps)"), QStringLiteral("*.mps")},
         kAddMapSource,
         false,
         true,
         true,
         &writeMpsFile,
         &addToMpsFile,
         0,
         false},
        {QStringLiteral("WPT"),
         QStringLiteral("WPT (Waypoint file)"),
         QStringLiteral("wpt"),
         {QStringLiteral("Waypoint File (*.wpt)"), QStringLiteral("*.wpt")},
         {QStringLiteral("Waypoint File (*.wpt)"), QStringLiteral("*.wpt")},
         kAddWaypoints,
         false,
         false,
         false,
         &writeWptFile,
         &addToWptFile,
         0,
         false},
        {QStringLiteral("KML"),
         QStringLiteral("KML (Google Earth)"),
         QStringLiteral("kml"),
         {QStringLiteral("Google Earth File (*.kml)"), QStringLiteral("*.kml")},
         {QStringLiteral("Google Earth File (*.kml)"), QStringLiteral("*.kml")},
         kAddWaypoints,
         false,
         false,
         false,
         &writeKmlFile,
         nullptr,
         0,
         true},
        {QStringLiteral("GPX"),
         QStringLiteral("GPX (GPS eXchange 1.1)"),
         QStringLiteral("gpx"),
         {QStringLiteral("GPS eXchange File (*.gpx)"), QStringLiteral("*.gpx")},
         {QStringLiteral("GPS eXchange File (*.gpx)"), QStringLiteral("*.gpx")},
         kAddWaypoints,
         false,
         false,
         false,
         &writeGpxFile,
         &addToGpxFile,
         0,
         true},
        // Last, so that the entries people know keep their places.
        {QStringLiteral("GDB"),
         QStringLiteral("GDB v3 (MapSource 6.11+, BaseCamp; Unicode names)"),
         QStringLiteral("gdb"),
         {QStringLiteral("Mapsource (v6.11+) File (*.gdb)"), QStringLiteral("*.gdb")},
         {QStringLiteral("Mapsource File (*.gdb)"), QStringLiteral("*.gdb")},
         kAddMapSource,
         true,
         false,
         true,
         &writeGdb3File,
         &addToGdbFile,
         3,
         true},
    };
    return formats;
}

const ExportFormat* exportFormatForChoice(const QString& choiceText) {
    for (const ExportFormat& f : exportFormats()) {
        if (f.choiceText == choiceText) {
            return &f;
        }
    }
    const QString key = choiceText.left(3);
    for (const ExportFormat& f : exportFormats()) {
        if (f.key == key) {
            return &f;
        }
    }
    return nullptr;
}

const ExportFormat* exportFormatForName(const QString& name, int version) {
    for (const ExportFormat& f : exportFormats()) {
        if (f.extension == name.toLower() && (version == 0 || f.version == version)) {
            return &f;
        }
    }
    return nullptr;
}

QList<int> exportVersions(const QString& extension) {
    QList<int> versions;
    for (const ExportFormat& f : exportFormats()) {
        if (f.extension == extension && f.version != 0) {
            versions.append(f.version);
        }
    }
    return versions.size() > 1 ? versions : QList<int>();
}

}  // namespace vintrel
