#include "gui/window_work.h"

#include "export/export_driver.h"
#include "model/coordinates.h"

#include <QFileInfo>
#include <QLocale>

namespace vintrel {

WindowWork::WindowWork(registry::RegistryApi* registry, const Clock* clock, QChar decimalSeparator)
    : registry_(registry), clock_(clock), decimalSeparator_(decimalSeparator) {}

ImportShown WindowWork::importFiles(const QStringList& paths, WorkProgress* progress) {
    ImportContext context{list_, decimalSeparator_, progress};
    const ImportOutcome outcome = vintrel::importFiles(paths, context);
    view_ = outcome.view;
    if (!paths.isEmpty()) {
        dialogFileName_ = paths.last();
    }

    ImportShown shown;
    shown.fileLabel = outcome.fileLabel;
    shown.advice = QString(outcome.advice).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.duplicates = duplicateReportText(list_.duplicateCount());
    shown.statusLines = importReportLines(outcome);
    shown.skipLines = importSkipLines(outcome);
    QStringList problems;
    for (const FileImport& f : outcome.files) {
        if (f.result.alert) {
            shown.alerts.append(*f.result.alert);
        }
        if (!f.recognised) {
            problems.append(unreadTypeText(f.path) + u'.');
        }
        problems.append(f.result.problems);
        if (f.recognised && f.result.documentFound) {
            shown.opened.append(f.path);
        }
    }
    for (const QString& path : outcome.notRead) {
        problems.append(
            QStringLiteral("%1: not read; the import was cancelled.").arg(QFileInfo(path).fileName()));
    }
    shown.problems = problems.join(u'\n');
    return shown;
}

QString WindowWork::proposedName(const ExportFormat& format) const {
    return proposedOutputName(dialogFileName_, format.extension);
}

ExportContext WindowWork::contextFor(const ExportOptions& options) const {
    return ExportContext{options, registry_, clock_, QLocale::system()};
}

WriteShown WindowWork::createFile(const ExportFormat& format, const QString& path,
                                  const ExportOptions& options, WorkProgress* progress) {
    dialogFileName_ = path;
    if (progress != nullptr) {
        progress->setFile(QFileInfo(path).fileName());
    }
    const WriteReport report = vintrel::createFile(format, list_, path, contextFor(options));
    WriteShown shown;
    if (!report.written) {
        shown.outFile = notWrittenText(path, report.error);
        return shown;
    }
    shown.written = true;
    shown.outFile = createdText(path);
    shown.nowCount = newFileCountText(report.recordCount);
    shown.warnings = report.warnings;
    lastWritten_ = path;
    return shown;
}

WriteShown WindowWork::addToFile(const ExportFormat& format, const QString& path,
                                 const ExportOptions& options, WorkProgress* progress) {
    dialogFileName_ = path;
    if (progress != nullptr) {
        progress->setFile(QFileInfo(path).fileName());
    }
    const WriteReport report = vintrel::addToFile(format, list_, path, contextFor(options));
    WriteShown shown;
    if (!report.written) {
        shown.outFile = notChangedText(path, report.error);
        return shown;
    }
    shown.written = true;
    shown.existingCount = existingCountText(report.existingCount);
    shown.outFile = addedText(report.recordCount, path, report.leftOutCount, report.namelessCount);
    shown.nowCount = nowCountText(report.existingCount, report.recordCount);
    shown.warnings = report.warnings;
    lastWritten_ = path;
    return shown;
}

void WindowWork::clear() {
    list_.clear();
}

void WindowWork::removeRows(const QList<int>& rows) {
    list_.removeRows(rows);
}

void WindowWork::showDecimal(bool decimal) {
    list_.setCoordinateWidths(applyCoordinateView(view_, list_.rowCount(), decimal));
}

}  // namespace vintrel
