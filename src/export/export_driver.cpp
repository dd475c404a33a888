#include "export/export_driver.h"

#include "model/file_names.h"

namespace vintrel {

WriteReport createFile(const ExportFormat& format, const WaypointList& list, const QString& path,
                       const ExportContext& context) {
    if (format.create == nullptr) {
        WriteReport report;
        report.error = format.key + QStringLiteral(" output is not available in this version");
        return report;
    }
    return format.create(list, path, context);
}

WriteReport addToFile(const ExportFormat& format, WaypointList& list, const QString& path,
                      const ExportContext& context) {
    if (format.add == nullptr) {
        WriteReport report;
        report.error = QStringLiteral("%1 files cannot be added to").arg(format.key);
        return report;
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
    return QStringLiteral("There are %1 records in the new file.").arg(recordCount);
}

QString existingCountText(int existingCount) {
    if (existingCount == 1) {
        return QStringLiteral("There was 1 record in the existing file.");
    }
    return QStringLiteral("There were %1 records in the existing file.").arg(existingCount);
}

QString addedText(int addedCount, const QString& path, int leftOutCount, int namelessCount) {
    QString text = (addedCount == 1 ? QStringLiteral("1 record added to ")
                                    : QString::number(addedCount) + QStringLiteral(" records added to ")) +
                   displayFileName(path);
    if (leftOutCount > 0) {
        text +=
            u'\n' + QString::number(leftOutCount) +
            (leftOutCount > 1 ? QStringLiteral(" duplicate records") : QStringLiteral(" duplicate record")) +
            QStringLiteral(" were not added.");
    }
    if (namelessCount > 0) {
        text += u'\n' + QString::number(namelessCount) +
                (namelessCount > 1 ? QStringLiteral(" records without a name were not added.")
                                   : QStringLiteral(" record without a name was not added."));
    }
    return text;
}

QString nowCountText(int existingCount, int addedCount) {
    const int total = existingCount + addedCount;
    const QString when = addedCount == 0 ? QStringLiteral("still ") : QStringLiteral("now ");
    if (total == 1) {
        return QStringLiteral("There is ") + when + QStringLiteral("1 record in the file.");
    }
    return QStringLiteral("There are ") + when + QStringLiteral("%1 records in the file.").arg(total);
}

QString notChangedText(const QString& path, const QString& reason) {
    return displayFileName(path) + QStringLiteral(" was not changed: ") + reason;
}

}  // namespace vintrel
