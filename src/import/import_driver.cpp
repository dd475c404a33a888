#include "import/import_driver.h"

#include <QFileInfo>

namespace vintrel {

ImportOutcome importFiles(const QStringList& paths, ImportContext& context) {
    ImportOutcome outcome;
    for (const QString& path : paths) {
        if (context.progress != nullptr) {
            if (context.progress->cancelled()) {
                break;
            }
            context.progress->setFile(QFileInfo(path).fileName());
        }
        if (paths.size() == 1) {
            outcome.fileLabel = path;
        } else {
            const QString name = QFileInfo(path).fileName();
            outcome.fileLabel =
                outcome.fileLabel.isEmpty() ? name : outcome.fileLabel + QStringLiteral(", ") + name;
        }
        FileImport file;
        file.path = path;
        const ImportFormat* format = importFormatFor(path);
        outcome.view = format != nullptr ? format->view : ListView::Waypoints;
        if (format != nullptr) {
            file.recognised = true;
            context.list.resetDuplicateCount();
            context.list.expectInput(QFileInfo(path).size());
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
