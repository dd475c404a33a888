#include "import/import_driver.h"

#include "import/gpx_reader.h"
#include "import/loc_reader.h"

#include <QFileInfo>

namespace vintrel {

const QList<ImportFormat>& importFormats() {
    static const QList<ImportFormat> formats = {
        {QStringLiteral("loc"), QStringLiteral("TopoGrafix Data Files (*.loc)"), QStringLiteral("*.loc"),
         &readLocFile},
        {QStringLiteral("gpx"), QStringLiteral("GPS eXchange Files (*.gpx)"), QStringLiteral("*.gpx"),
         &readGpxFile},
    };
    return formats;
}

QList<QPair<QString, QString>> importDialogFilters() {
    QStringList listed, patterns;
    for (const ImportFormat& f : importFormats()) {
        listed.append(f.pattern);
        patterns.append(f.pattern);
    }
    QList<QPair<QString, QString>> filters;
    filters.append({QStringLiteral("Supported File Types (%1)").arg(listed.join(u',')), patterns.join(u';')});
    for (const ImportFormat& f : importFormats()) {
        filters.append({f.description, f.pattern});
    }
    return filters;
}

QString importExtensionOf(const QString& path) {
    return path.right(3).toLower();
}

const ImportFormat* importFormatFor(const QString& path) {
    const QString ext = importExtensionOf(path);
    for (const ImportFormat& f : importFormats()) {
        if (f.extension == ext) {
            return &f;
        }
    }
    return nullptr;
}

ImportOutcome importFiles(const QStringList& paths, ImportContext& context) {
    ImportOutcome outcome;
    for (const QString& path : paths) {
        if (paths.size() == 1) {
            outcome.fileLabel = path;
        } else {
            const QString name = QFileInfo(path).fileName();
            outcome.fileLabel =
                outcome.fileLabel.isEmpty() ? name : outcome.fileLabel + QStringLiteral(", ") + name;
        }
        outcome.fileExtension = importExtensionOf(path);
        FileImport file;
        file.path = path;
        if (const ImportFormat* format = importFormatFor(path)) {
            file.recognised = true;
            file.result = format->reader(path, context);
            if (!file.result.advice.isEmpty()) {
                outcome.advice = file.result.advice;
            }
        }
        outcome.files.append(std::move(file));
    }
    return outcome;
}

QString duplicateReportText(int duplicateCount) {
    if (duplicateCount <= 0) {
        return QString();
    }
    if (duplicateCount == 1) {
        return QStringLiteral("  1 record with duplicate name was removed.");
    }
    return QString::number(duplicateCount) + QStringLiteral(" records with duplicate names were removed.");
}

}  // namespace vintrel
