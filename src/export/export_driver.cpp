#include "export/export_driver.h"

#include "export/mapsource/mapsource_file.h"

namespace vintrel {

const QList<ExportFormat>& exportFormats() {
    static const QList<ExportFormat> formats = {
        {QStringLiteral("GDB"), QStringLiteral("GDB (Mapsource v6.1+)"), QStringLiteral("gdb"),
         QStringLiteral("Mapsource (v6.1+) File (*.gdb)|*.gdb"), &writeGdbFile},
        {QStringLiteral("MPS"), QStringLiteral("MPS (Mapsource - older)"), QStringLiteral("mps"),
         QStringLiteral("Mapsource File (*.mps)|*.mps"), nullptr},
        {QStringLiteral("WPT"), QStringLiteral("WPT (Waypoint file)"), QStringLiteral("wpt"),
         QStringLiteral("Waypoint File (*.wpt)|*.wpt"), nullptr},
        {QStringLiteral("KML"), QStringLiteral("KML (Google Earth)"), QStringLiteral("kml"),
         QStringLiteral("Google Earth File (*.kml)|*.kml"), nullptr},
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

QString proposedOutputName(const QString& lastDialogName, const QString& extension) {
    return (lastDialogName.isEmpty()
                ? QStringLiteral("new.")
                : lastDialogName.chopped(std::min<qsizetype>(3, lastDialogName.size()))) +
           extension;
}

QString createdText(const QString& path) {
    return path + QStringLiteral(" created");
}

QString notWrittenText(const QString& path, const QString& reason) {
    return path + QStringLiteral(" was not written: ") + reason;
}

QString newFileCountText(int recordCount) {
    if (recordCount == 1) {
        return QStringLiteral("There is 1 record in the new file.");
    }
    return QStringLiteral("There are %1 records in the new file.").arg(recordCount);
}

bool opensInMapSource(const QString& path) {
    const QString ext = path.right(3).toLower();
    return ext != QLatin1String("wpt") && ext != QLatin1String("kml");
}

}  // namespace vintrel
