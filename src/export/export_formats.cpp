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
        {
            .key = QStringLiteral("GDB"),
            .choiceText = QStringLiteral("GDB (Mapsource v6.1+)"),
            .extension = QStringLiteral("gdb"),
            .saveFilter = {QStringLiteral("Mapsource (v6.1+) File (*.gdb)"), QStringLiteral("*.gdb")},
            .addFilter = {QStringLiteral("Mapsource File (*.gdb)"), QStringLiteral("*.gdb")},
            .addTitle = kAddMapSource,
            .hasDisplayMode = true,
            .opensInMapSource = true,
            .create = &writeGdbFile,
            .add = &addToGdbFile,
            .version = 1,
        },
        {
            .key = QStringLiteral("MPS"),
            .choiceText = QStringLiteral("MPS (Mapsource - older)"),
            .extension = QStringLiteral("mps"),
            .saveFilter = {QStringLiteral("Mapsource File (*.mps)"), QStringLiteral("*.mps")},
            .addFilter = {QStringLiteral("Mapsource File (*.mps)"), QStringLiteral("*.mps")},
            .addTitle = kAddMapSource,
            .hasColour = true,
            .opensInMapSource = true,
            .create = &writeMpsFile,
            .add = &addToMpsFile,
        },
        {
            .key = QStringLiteral("WPT"),
            .choiceText = QStringLiteral("WPT (Waypoint file)"),
            .extension = QStringLiteral("wpt"),
            .saveFilter = {QStringLiteral("Waypoint File (*.wpt)"), QStringLiteral("*.wpt")},
            .addFilter = {QStringLiteral("Waypoint File (*.wpt)"), QStringLiteral("*.wpt")},
            .addTitle = kAddWaypoints,
            .create = &writeWptFile,
            .add = &addToWptFile,
        },
        {
            .key = QStringLiteral("KML"),
            .choiceText = QStringLiteral("KML (Google Earth)"),
            .extension = QStringLiteral("kml"),
            .saveFilter = {QStringLiteral("Google Earth File (*.kml)"), QStringLiteral("*.kml")},
            .addFilter = {QStringLiteral("Google Earth File (*.kml)"), QStringLiteral("*.kml")},
            .addTitle = kAddWaypoints,
            .create = &writeKmlFile,
            .unicodeNames = true,
        },
        {
            .key = QStringLiteral("GPX"),
            .choiceText = QStringLiteral("GPX (GPS eXchange 1.1)"),
            .extension = QStringLiteral("gpx"),
            .saveFilter = {QStringLiteral("GPS eXchange File (*.gpx)"), QStringLiteral("*.gpx")},
            .addFilter = {QStringLiteral("GPS eXchange File (*.gpx)"), QStringLiteral("*.gpx")},
            .addTitle = kAddWaypoints,
            .create = &writeGpxFile,
            .add = &addToGpxFile,
            .unicodeNames = true,
        },
        // Last, so that the entries people know keep their places.
        {
            .key = QStringLiteral("GDB"),
            .choiceText = QStringLiteral("GDB v3 (MapSource 6.11+, BaseCamp; Unicode names)"),
            .extension = QStringLiteral("gdb"),
            .saveFilter = {QStringLiteral("Mapsource (v6.11+) File (*.gdb)"), QStringLiteral("*.gdb")},
            .addFilter = {QStringLiteral("Mapsource File (*.gdb)"), QStringLiteral("*.gdb")},
            .addTitle = kAddMapSource,
            .hasDisplayMode = true,
            .opensInMapSource = true,
            .create = &writeGdb3File,
            .add = &addToGdbFile,
            .version = 3,
            .unicodeNames = true,
        },
        {
            .key = QStringLiteral("GPI"),
            .choiceText = QStringLiteral("GPI (Garmin POI, speed cameras)"),
            .extension = QStringLiteral("gpi"),
            .saveFilter = {QStringLiteral("Garmin POI File (*.gpi)"), QStringLiteral("*.gpi")},
            .addFilter = {},  // POI files are only ever made whole
            .addTitle = {},
            .create = &writeGpiFile,
            .hasAlerts = true,
        },
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
