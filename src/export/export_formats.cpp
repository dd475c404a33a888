#include "export/export_formats.h"

#include "export/gpi_writer.h"
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
         &addToGdbFile},
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
         &addToMpsFile},
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
         &addToWptFile},
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
         nullptr},
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
         &addToGpxFile},
        {QStringLiteral("GPI"),
         QStringLiteral("GPI (Garmin POI, speed cameras)"),
         QStringLiteral("gpi"),
         {QStringLiteral("Garmin POI File (*.gpi)"), QStringLiteral("*.gpi")},
         {},
         {},
         false,
         false,
         false,
         &writeGpiFile,
         nullptr,
         true},
    };
    return formats;
}

const ExportFormat* exportFormatForChoice(const QString& choiceText) {
    const QString key = choiceText.left(3);
    for (const ExportFormat& f : exportFormats()) {
        if (f.key == key) {
            return &f;
        }
    }
    return nullptr;
}

const ExportFormat* exportFormatForName(const QString& name) {
    for (const ExportFormat& f : exportFormats()) {
        if (f.extension == name.toLower()) {
            return &f;
        }
    }
    return nullptr;
}

}  // namespace vintrel
