#include "gui/window_work.h"

#include "devices/device_send.h"

#include "export/export_driver.h"
#include "gui/plain_text.h"
#include "model/coordinates.h"
#include "model/file_names.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <sys/stat.h>
#include <unistd.h>

namespace vintrel {

namespace {

bool exists(const QString& path) {
    struct stat st {};
    return ::stat(fileNameBytes(path).constData(), &st) == 0;
}

bool isReadableFile(const QString& path) {
    struct stat st {};
    const QByteArray bytes = fileNameBytes(path);
    return ::stat(bytes.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(bytes.constData(), R_OK) == 0;
}

}  // namespace

SaveName saveNameFor(const QString& typed, const ExportFormat& format) {
    const QString fileName = QFileInfo(typed).fileName();
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot <= 0) {  // no extension (a leading dot starts a hidden name)
        SaveName name{typed + u'.' + format.extension, QString()};
        if (exists(name.path)) {
            name.question = QStringLiteral("%1 exists. Replace it?").arg(displayFileName(name.path));
        }
        return name;
    }
    const QString extension = fileName.mid(dot + 1).toLower();
    for (const ExportFormat& other : exportFormats()) {
        if (other.extension == extension && &other != &format && other.extension != format.extension) {
            return {typed,
                    QStringLiteral("%1 has the extension of %2 files, but %3 is chosen.\n"
                                   "Write %4 waypoints under this name?")
                        .arg(displayFileName(fileName), other.choiceText, format.choiceText, format.key)};
        }
    }
    return {typed, QString()};
}

WindowWork::WindowWork(registry::RegistryApi* registry, const Clock* clock, QChar decimalSeparator)
    : registry_(registry), clock_(clock), decimalSeparator_(decimalSeparator) {}

ImportShown WindowWork::importFiles(const QStringList& paths, WorkProgress* progress) {
    if (list_.rowCount() == 0 && !paths.isEmpty()) {
        firstInput_ = paths.front();
    }
    ImportContext context{list_, decimalSeparator_, progress};
    int rows = list_.rowCount();
    const ImportOutcome outcome = vintrel::importFiles(paths, context);
    view_ = outcome.view;
    for (const FileImport& f : outcome.files) {
        rows += f.result.appended;
        if (f.format != nullptr && f.result.finished) {
            columns_.afterFile(f.format->view, f.format->decimalsRight, f.result.appended, rows);
        }
    }
    if (!paths.isEmpty()) {
        dialogFileName_ = paths.last();
    }

    ImportShown shown;
    shown.fileLabel = shownText(outcome.fileLabel);
    shown.advice = QString(outcome.advice).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.duplicates = duplicateReportText(list_.duplicateCount());
    shown.statusLines = importReportLines(outcome);
    shown.skipLines = importSkipLines(outcome);
    QStringList problems;
    for (const FileImport& f : outcome.files) {
        if (f.result.alert) {
            shown.alerts.append({f.result.alert->title, shownText(f.result.alert->text)});
        }
        if (!f.recognised) {
            problems.append(unreadTypeText(f.path) + u'.');
        }
        for (const QString& problem : f.result.problems) {
            // Stopping was asked for: the status bar says where, no box.
            if (!f.cancelled || !problem.contains(QLatin1String(kImportCancelled))) {
                problems.append(problem);
            }
        }
        shown.cancelled = shown.cancelled || f.cancelled;
        if (f.recognised && isReadableFile(f.path)) {
            shown.opened.append(QDir::cleanPath(QDir::current().absoluteFilePath(f.path)));
        }
    }
    shown.cancelled = shown.cancelled || !outcome.notRead.isEmpty();
    shown.problems = shownText(problems.join(u'\n'));
    return shown;
}

QString WindowWork::proposedName(const ExportFormat& format) const {
    return proposedOutputName(dialogFileName_, format.extension);
}

ExportContext WindowWork::contextFor(const ExportOptions& options, WorkProgress* progress) const {
    return ExportContext{options, registry_, clock_, QLocale::system(), progress};
}

WriteShown WindowWork::createFile(const ExportFormat& format, const QString& path,
                                  const ExportOptions& options, WorkProgress* progress) {
    dialogFileName_ = path;
    if (progress != nullptr) {
        progress->setFile(QFileInfo(path).fileName());
    }
    const WriteReport report = vintrel::createFile(format, list_, path, contextFor(options, progress));
    WriteShown shown;
    if (!report.written) {
        shown.outFile = notWrittenText(path, report.error);
        return shown;
    }
    shown.written = true;
    shown.outFile = createdText(path);
    shown.nowCount = newFileCountText(report.recordCount);
    shown.warnings = shownText(report.warnings.join(u'\n'));
    lastWritten_ = path;
    return shown;
}

WriteShown WindowWork::addToFile(const ExportFormat& format, const QString& path,
                                 const ExportOptions& options, WorkProgress* progress) {
    dialogFileName_ = path;
    if (progress != nullptr) {
        progress->setFile(QFileInfo(path).fileName());
    }
    const WriteReport report = vintrel::addToFile(format, list_, path, contextFor(options, progress));
    WriteShown shown;
    if (!report.written) {
        shown.outFile = notChangedText(path, report.error);
        return shown;
    }
    shown.written = true;
    shown.existingCount = existingCountText(report.existingCount);
    shown.outFile = addedText(report.recordCount, path, report.leftOutCount, report.notWrittenCount);
    shown.nowCount = nowCountText(report.existingCount, report.recordCount);
    shown.warnings = shownText(report.warnings.join(u'\n'));
    lastWritten_ = path;
    return shown;
}

WriteShown WindowWork::sendToDevice(const ExportFormat& format, const GarminDevice& device,
                                    const ExportOptions& options, WorkProgress* progress) {
    const QString path = deviceFilePath(device, format, firstInput_);
    if (progress != nullptr) {
        progress->setFile(QFileInfo(path).fileName());
    }
    const bool there = QFileInfo::exists(path);
    const WriteReport report =
        vintrel::sendToDevice(format, list_, device, firstInput_, contextFor(options, progress));
    WriteShown shown;
    if (!report.written) {
        shown.outFile = (there ? notChangedText(path, report.error) : notWrittenText(path, report.error));
        return shown;
    }
    shown.written = true;
    if (there && format.add != nullptr) {
        shown.existingCount = existingCountText(report.existingCount);
        shown.outFile = addedText(report.recordCount, path, report.leftOutCount, report.notWrittenCount);
        shown.nowCount = nowCountText(report.existingCount, report.recordCount);
    } else {
        shown.outFile = createdText(path);
        shown.nowCount = newFileCountText(report.recordCount);
    }
    shown.outFile += QStringLiteral("\nSent to %1; eject it before you unplug it.").arg(device.model);
    shown.warnings = shownText(report.warnings.join(u'\n'));
    return shown;
}

void WindowWork::clear() {
    list_.clear();
}

void WindowWork::removeRows(const QList<int>& rows) {
    list_.removeRows(rows);
}

void WindowWork::showDecimal(bool decimal) {
    columns_.showCoordinates(view_, list_.rowCount(), decimal);
}

}  // namespace vintrel
