#include "export/export_driver.h"

#include "export/atomic_save.h"
#include "model/file_names.h"

#include <QLocale>

namespace vintrel {

WriteReport createFile(const ExportFormat& format, const WaypointList& list, const QString& path,
                       const ExportContext& context) {
    if (format.create == nullptr) {
        WriteReport report;
        report.error = format.key + QStringLiteral(" output is not available in this version");
        return report;
    }
    const WriteProgressScope scope(context.progress);
    if (context.progress != nullptr) {
        context.progress->setSize(list.rowCount());
    }
    WriteReport report = format.create(list, path, context);
    if (report.namesLosingCharacters > 0) {
        // Another entry for a file MapSource opens may keep them.
        for (const ExportFormat& f : exportFormats()) {
            if (f.opensInMapSource && f.unicodeNames && f.create != nullptr) {
                report.warnings.append(QStringLiteral("\"%1\" keeps them (vintrel-convert --%2-version %3).")
                                           .arg(f.choiceText, f.extension, QString::number(f.version)));
                break;
            }
        }
    }
    return report;
}

WriteReport addToFile(const ExportFormat& format, WaypointList& list, const QString& path,
                      const ExportContext& context) {
    if (format.add == nullptr) {
        WriteReport report;
        report.error = QStringLiteral("%1 files cannot be added to").arg(format.key);
        return report;
    }
    const WriteProgressScope scope(context.progress);
    if (context.progress != nullptr) {
        context.progress->setSize(list.rowCount());
    }
    return format.add(list, path, context);
}

QString proposedOutputName(const QString& lastDialogName, const QString& extension) {
    return (lastDialogName.isEmpty()
                ? QStringLiteral("new.")
                : lastDialogName.chopped(std::min<qsizetype>(3, lastDialogName.size()))) +
           extension;
}

QString createdText(const QString& path) {
    return displayFileName(path) + QStringLiteral(" created");
}

QString notWrittenText(const QString& path, const QString& reason) {
    return displayFileName(path) + QStringLiteral(" was not written: ") + reason;
}

QString newFileCountText(int recordCount) {
    if (recordCount == 1) {
        return QStringLiteral("There is 1 record in the new file.");
    }
    return QStringLiteral("There are %1 records in the new file.").arg(QLocale().toString(recordCount));
}

QString existingCountText(int existingCount) {
    if (existingCount == 1) {
        return QStringLiteral("There was 1 record in the existing file.");
    }
    return QStringLiteral("There were %1 records in the existing file.")
        .arg(QLocale().toString(existingCount));
}

QString addedText(int addedCount, const QString& path, int leftOutCount, int notAddedCount) {
    QString text = (addedCount == 1 ? QStringLiteral("1 record added to ")
                                    : QLocale().toString(addedCount) + QStringLiteral(" records added to ")) +
                   displayFileName(path);
    if (leftOutCount > 0) {
        text +=
            u'\n' + QLocale().toString(leftOutCount) +
            (leftOutCount > 1 ? QStringLiteral(" duplicate records") : QStringLiteral(" duplicate record")) +
            QStringLiteral(" were not added.");
    }
    if (notAddedCount > 0) {
        text += u'\n' + QLocale().toString(notAddedCount) +
                (notAddedCount > 1
                     ? QStringLiteral(" records could not be added: no distinct name was left for them.")
                     : QStringLiteral(" record could not be added: no distinct name was left for it."));
    }
    return text;
}

QString nowCountText(int existingCount, int addedCount) {
    const int total = existingCount + addedCount;
    const QString when = addedCount == 0 ? QStringLiteral("still ") : QStringLiteral("now ");
    if (total == 1) {
        return QStringLiteral("There is ") + when + QStringLiteral("1 record in the file.");
    }
    return QStringLiteral("There are ") + when +
           QStringLiteral("%1 records in the file.").arg(QLocale().toString(total));
}

QString notChangedText(const QString& path, const QString& reason) {
    return displayFileName(path) + QStringLiteral(" was not changed: ") + reason;
}

}  // namespace vintrel
