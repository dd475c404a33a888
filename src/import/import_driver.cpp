#include "import/import_driver.h"

#include "model/file_names.h"

#include <QFileInfo>

#include <sys/stat.h>
#include <QLocale>

namespace vintrel {

namespace {

// A file's name as reports show it.
QString shownName(const QString& path) {
    return displayFileName(QFileInfo(path).fileName());
}

bool isFolder(const QString& path) {
    struct stat st {};
    return ::stat(fileNameBytes(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

ImportOutcome importFiles(const QStringList& paths, ImportContext& context) {
    ImportOutcome outcome;
    for (const QString& path : paths) {
        if (context.progress != nullptr) {
            if (context.progress->cancelled()) {
                outcome.notRead.append(path);
                continue;
            }
            context.progress->setFile(QFileInfo(path).fileName(), QFileInfo(path).size());
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
        if (isFolder(path)) {
            file.recognised = true;  // not a file of an unknown type: no file at all
            file.result.readToEnd = false;
            file.result.problems.append(
                shownName(path) + QStringLiteral(" is a folder, not a waypoint file; it was not read."));
        } else if (format != nullptr) {
            file.recognised = true;
            file.format = format;
            context.list.resetDuplicateCount();
            context.list.expectInput(QFileInfo(path).size());
            context.list.beginSourceFile(path);
            file.result = format->reader(path, context);
            file.duplicates = context.list.duplicateCount();
            file.cancelled =
                context.progress != nullptr && context.progress->cancelled() && !file.result.readToEnd;
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
    return QLocale().toString(duplicateCount) + QStringLiteral(" records with duplicate names were removed.");
}

QString unreadTypeText(const QString& path) {
    return QStringLiteral("%1: not a waypoint file type Vintrel reads").arg(shownName(path));
}

QString fileReportLine(const FileImport& file) {
    if (!file.recognised) {
        return unreadTypeText(file.path);
    }
    const QLocale locale;
    const auto count = [&](int n, const char* one, const char* many) {
        return locale.toString(n) + u' ' + QLatin1String(n == 1 ? one : many);
    };
    QString line =
        shownName(file.path) + QStringLiteral(": ") + count(file.result.appended, "row read", "rows read");
    if (file.duplicates > 0) {
        line += QStringLiteral(", ") + count(file.duplicates, "duplicate", "duplicates") +
                QStringLiteral(" left out");
    }
    if (file.result.skipped > 0) {
        line += QStringLiteral(", ") + count(file.result.skipped, "record skipped", "records skipped");
    }
    if (file.cancelled) {
        line += QStringLiteral(", read only in part (stopped)");
    } else if (!file.result.readToEnd) {
        line += QStringLiteral(", not read to its end");
    }
    return line;
}

QStringList importReportLines(const ImportOutcome& outcome) {
    QStringList lines;
    for (const FileImport& f : outcome.files) {
        lines.append(fileReportLine(f));
    }
    if (!outcome.notRead.isEmpty()) {
        QStringList names;
        for (const QString& path : outcome.notRead) {
            names.append(shownName(path));
        }
        lines.append(names.join(QStringLiteral(", ")) + QStringLiteral(": not read (stopped)"));
    }
    return lines;
}

QStringList importSkipLines(const ImportOutcome& outcome) {
    QStringList lines;
    for (const FileImport& f : outcome.files) {
        lines += f.result.skips;
    }
    return lines;
}

}  // namespace vintrel
