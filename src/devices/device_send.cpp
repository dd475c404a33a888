#include "devices/device_send.h"

#include "export/atomic_save.h"
#include "export/export_driver.h"
#include "model/file_names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/statvfs.h>

#include <vector>

namespace vintrel {

namespace {

qint64 freeBytesAt(const QString& path) {
    struct statvfs fs {};
    if (::statvfs(fileNameBytes(path).constData(), &fs) != 0) {
        return -1;
    }
    return static_cast<qint64>(fs.f_bavail) * static_cast<qint64>(fs.f_frsize);
}

qint64 kilobytes(qint64 bytes) {
    return (bytes + 1023) / 1024;
}

bool readWhole(const QString& path, QByteArray& bytes, QString& error) {
    QFile file;
    if (!openForReading(file, path, error)) {
        return false;
    }
    bytes = file.readAll();
    return true;
}

bool writeWhole(const QString& path, const QByteArray& bytes, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
        error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace

QString deviceFilePath(const GarminDevice& device, const ExportFormat& format, const QString& firstInput) {
    const QString folder = format.extension == QLatin1StringView("gpi") ? device.poiFolder : device.gpxFolder;
    const QString base = QFileInfo(firstInput).completeBaseName();
    return QDir(folder).filePath((base.isEmpty() ? QStringLiteral("vintrel") : base) + u'.' +
                                 format.extension);
}

WriteReport sendToDevice(const ExportFormat& format, WaypointList& list, const GarminDevice& device,
                         const QString& firstInput, const ExportContext& context) {
    WriteReport report;
    const QString target = deviceFilePath(device, format, firstInput);
    if (!QDir().mkpath(QFileInfo(target).path())) {
        report.error = QStringLiteral("its folder %1 cannot be made on %2")
                           .arg(displayFileName(QFileInfo(target).path()), device.model);
        return report;
    }
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        report.error = QStringLiteral("no scratch folder can be made: %1").arg(scratch.errorString());
        return report;
    }
    const QString local = scratch.filePath(QFileInfo(target).fileName());
    AtomicFile unitFile(target);
    QByteArray old;
    const bool adding = QFileInfo::exists(fileNameBytes(target)) && format.add != nullptr;
    if (adding && (!unitFile.readExisting(old, report.error) || !writeWhole(local, old, report.error))) {
        return report;
    }
    std::vector<bool> markedBefore(static_cast<std::size_t>(list.rowCount()));
    for (int r = 0; r < list.rowCount(); ++r) {
        markedBefore[static_cast<std::size_t>(r)] = list.row(r).isMarkedDuplicate();
    }
    report = adding ? addToFile(format, list, local, context) : createFile(format, list, local, context);
    QByteArray bytes;
    if (report.written && !readWhole(local, bytes, report.error)) {
        report.written = false;
    }
    if (report.written && !(adding && bytes == old)) {
        const qint64 free = freeBytesAt(QFileInfo(target).path());
        // The new file stands beside the old one until it takes its place.
        if (free >= 0 && bytes.size() > free) {
            report.error = QStringLiteral("not enough space on %1: %2 kB needed, %3 kB free")
                               .arg(device.model)
                               .arg(kilobytes(bytes.size()))
                               .arg(free / 1024);
            report.written = false;
        } else if (!unitFile.open(report.error) || !unitFile.write(bytes, report.error) ||
                   !unitFile.commit(report.error)) {
            report.written = false;
        }
    }
    if (!report.written) {
        for (int r = 0; r < list.rowCount(); ++r) {
            if (!markedBefore[static_cast<std::size_t>(r)] && list.row(r).isMarkedDuplicate()) {
                list.unmarkDuplicate(r);
            }
        }
        report.recordCount = report.existingCount = report.leftOutCount = report.namelessCount = 0;
        report.warnings.clear();
    }
    return report;
}

}  // namespace vintrel
