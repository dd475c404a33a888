#include "devices/garmin_devices.h"

#include "model/file_names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <sys/statvfs.h>

namespace vintrel {

namespace {

const QString kDefaultGpxFolder = QStringLiteral("Garmin/GPX");
const QString kDefaultPoiFolder = QStringLiteral("Garmin/POI");

// File systems that are never a unit: the kernel's own, and network ones, which may hang when looked at.
bool passedOver(QByteArrayView type) {
    static const QList<QByteArray> kTypes = {"proc",
                                             "sysfs",
                                             "devpts",
                                             "cgroup",
                                             "cgroup2",
                                             "securityfs",
                                             "debugfs",
                                             "tracefs",
                                             "pstore",
                                             "bpf",
                                             "mqueue",
                                             "hugetlbfs",
                                             "configfs",
                                             "fusectl",
                                             "autofs",
                                             "binfmt_misc",
                                             "nsfs",
                                             "efivarfs",
                                             "rpc_pipefs",
                                             "nfsd",
                                             "devtmpfs",
                                             "nfs",
                                             "nfs4",
                                             "cifs",
                                             "smb3",
                                             "ceph",
                                             "9p",
                                             "fuse.sshfs",
                                             "fuse.gvfsd-fuse",
                                             "fuse.portal",
                                             "squashfs"};
    return kTypes.contains(type.toByteArray());
}

// A mount point as the table writes it: space, tab, newline and backslash as octal escapes ("\\040").
QByteArray unescapeMountPath(QByteArrayView field) {
    const auto octal = [](char c) { return c >= '0' && c <= '7'; };
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && octal(field[i + 1]) && octal(field[i + 2]) &&
            octal(field[i + 3])) {
            out.append(static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                                         (field[i + 3] - '0')));
            i += 3;
        } else {
            out.append(field[i]);
        }
    }
    return out;
}

// The entry of `folder` named `name` in any letter case, or an empty string.
QString entryIgnoringCase(const QString& folder, const QString& name) {
    const QDir dir(folder);
    for (const QString& entry : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) {
            return dir.filePath(entry);
        }
    }
    return {};
}

// `relative` ("Garmin/GPX") under `root`, each step matched in any letter case; steps not there yet
// keep the file's spelling.
QString pathIgnoringCase(const QString& root, const QString& relative) {
    QString at = root;
    for (const QString& step : relative.split(u'/', Qt::SkipEmptyParts)) {
        const QString found = entryIgnoringCase(at, step);
        at = found.isEmpty() ? QDir(at).filePath(step) : found;
    }
    return at;
}

// A folder named by the unit, as a path inside its drive: "/" separated, never leaving the drive.
bool insideDrive(const QString& path) {
    if (path.isEmpty() || path.startsWith(u'/') || path.contains(u'\\') || path.contains(u':')) {
        return false;
    }
    for (const QString& step : path.split(u'/', Qt::SkipEmptyParts)) {
        if (step == QStringLiteral("..") || step == QStringLiteral(".")) {
            return false;
        }
    }
    return true;
}

qint64 freeBytesAt(const QString& path) {
    struct statvfs fs {};
    if (::statvfs(fileNameBytes(path).constData(), &fs) != 0) {
        return -1;
    }
    return static_cast<qint64>(fs.f_bavail) * static_cast<qint64>(fs.f_frsize);
}

// A unit whose drive is `root`, when it is one.
void lookAt(const QString& root, bool mtp, DeviceScan& scan) {
    const QString garmin = entryIgnoringCase(root, QStringLiteral("Garmin"));
    if (garmin.isEmpty() || !QFileInfo(garmin).isDir()) {
        return;
    }
    const QString xmlPath = entryIgnoringCase(garmin, QStringLiteral("GarminDevice.xml"));
    if (xmlPath.isEmpty()) {
        return;
    }
    QFile file;
    QString error;
    GarminDeviceDescription description;
    if (!openForReading(file, xmlPath, error)) {
        scan.problems.append(
            QStringLiteral("%1: its GarminDevice.xml cannot be read (%2); the unit is passed over")
                .arg(displayFileName(root), error));
        return;
    }
    constexpr qint64 kLargest = 4 * 1024 * 1024;  // real ones are a few kilobytes
    if (!parseGarminDeviceXml(file.read(kLargest), description, error)) {
        scan.problems.append(QStringLiteral("%1: its GarminDevice.xml %2; the unit is passed over")
                                 .arg(displayFileName(root), error));
        return;
    }
    GarminDevice device;
    device.root = root;
    device.model = description.model;
    device.gpxFolder = pathIgnoringCase(root, description.gpxFolder);
    device.poiFolder = pathIgnoringCase(root, description.poiFolder);
    device.freeBytes = freeBytesAt(root);
    device.mtp = mtp;
    scan.devices.append(device);
}

// A <File> entry of the description, as far as it matters.
struct FileEntry {
    QString path;
    QString extension;
    QString direction;
};

}  // namespace

bool parseGarminDeviceXml(const QByteArray& xml, GarminDeviceDescription& description, QString& error) {
    QXmlStreamReader reader(xml);
    QStringList open;  // local names of the open elements
    QString dataType;
    FileEntry entry;
    QString gpx;
    QString poi;
    bool rootSeen = false;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (open.isEmpty()) {
                if (reader.name() != QLatin1StringView("Device")) {
                    error = QStringLiteral("is not a device description (its document is <%1>)")
                                .arg(reader.name().toString().left(40));
                    return false;
                }
                rootSeen = true;
            }
            open.append(reader.name().toString());
            if (reader.name() == QLatin1StringView("File")) {
                entry = FileEntry{};
            }
        } else if (token == QXmlStreamReader::Characters && !open.isEmpty()) {
            const QString text = reader.text().toString().trimmed();
            const QString& here = open.last();
            const QString parent = open.size() > 1 ? open[open.size() - 2] : QString();
            if (here == QLatin1StringView("Description") && parent == QLatin1StringView("Model") &&
                open.size() == 3) {
                description.model = text;
            } else if (here == QLatin1StringView("Name") && parent == QLatin1StringView("DataType")) {
                dataType = text;
            } else if (here == QLatin1StringView("Path") && parent == QLatin1StringView("Location")) {
                entry.path = text;
            } else if (here == QLatin1StringView("FileExtension") &&
                       parent == QLatin1StringView("Location")) {
                entry.extension = text;
            } else if (here == QLatin1StringView("TransferDirection")) {
                entry.direction = text;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (reader.name() == QLatin1StringView("File")) {
                const bool toUnit = entry.direction == QLatin1StringView("InputToUnit") ||
                                    entry.direction == QLatin1StringView("InputOutput");
                const QString extension = entry.extension.toLower();
                if (toUnit && insideDrive(entry.path)) {
                    if (gpx.isEmpty() && extension == QLatin1StringView("gpx") &&
                        dataType == QLatin1StringView("GPSData")) {
                        gpx = entry.path;
                    } else if (poi.isEmpty() && extension == QLatin1StringView("gpi")) {
                        poi = entry.path;
                    }
                }
            }
            if (!open.isEmpty()) {
                open.removeLast();
            }
        }
    }
    if (reader.hasError()) {
        error = QStringLiteral("is damaged (line %1: %2)").arg(reader.lineNumber()).arg(reader.errorString());
        return false;
    }
    if (!rootSeen) {
        error = QStringLiteral("is empty");
        return false;
    }
    if (description.model.isEmpty()) {
        description.model = QStringLiteral("Garmin unit");
    }
    description.gpxFolder = gpx.isEmpty() ? kDefaultGpxFolder : gpx;
    description.poiFolder = poi.isEmpty() ? kDefaultPoiFolder : poi;
    return true;
}

DeviceSearch systemDeviceSearch() {
    DeviceSearch search;
    search.runtimeDir = fileNameFromBytes(qgetenv("XDG_RUNTIME_DIR"));
    return search;
}

DeviceScan findGarminDevices(const DeviceSearch& search) {
    DeviceScan scan;
    QFile table;
    QString error;
    if (!search.mountTable.isEmpty() && openForReading(table, search.mountTable, error)) {
        QStringList seen;
        for (const QByteArray& line : table.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() < 3 || passedOver(fields[2])) {
                continue;
            }
            const QString root = fileNameFromBytes(unescapeMountPath(fields[1]));
            if (root == QStringLiteral("/") || seen.contains(root)) {
                continue;  // the system's own root is no unit; a folder mounted twice is one unit
            }
            seen.append(root);
            lookAt(root, false, scan);
        }
    }
    if (!search.runtimeDir.isEmpty()) {
        const QDir gvfs(QDir(search.runtimeDir).filePath(QStringLiteral("gvfs")));
        for (const QString& host :
             gvfs.entryList({QStringLiteral("mtp:host=*")}, QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QDir unit(gvfs.filePath(host));
            for (const QString& storage : unit.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
                lookAt(unit.filePath(storage), true, scan);
            }
        }
    }
    return scan;
}

const GarminDevice* chooseDevice(const DeviceScan& scan, const QString& path, QString& error) {
    const auto listing = [&scan] {
        QStringList lines;
        for (const GarminDevice& d : scan.devices) {
            lines.append(deviceLine(d));
        }
        return lines.join(QStringLiteral("; "));
    };
    if (!path.isEmpty()) {
        const QString wanted = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        for (const GarminDevice& d : scan.devices) {
            const QString root = QDir::cleanPath(d.root);
            if (wanted == root || wanted.startsWith(root + u'/')) {
                return &d;
            }
        }
        error =
            scan.devices.isEmpty()
                ? QStringLiteral("%1 is not a Garmin unit (no unit was found)").arg(displayFileName(path))
                : QStringLiteral("%1 is not a Garmin unit; found: %2").arg(displayFileName(path), listing());
        return nullptr;
    }
    if (scan.devices.size() == 1) {
        return &scan.devices.front();
    }
    error = scan.devices.isEmpty()
                ? QStringLiteral("no Garmin unit was found (plug it in and let it mount as a drive)")
                : QStringLiteral("%1 Garmin units were found; name the one to send to: %2")
                      .arg(scan.devices.size())
                      .arg(listing());
    return nullptr;
}

QString deviceLine(const GarminDevice& device) {
    const QString free = device.freeBytes < 0 ? QStringLiteral("free space unknown")
                                              : QStringLiteral("%1 kB free").arg(device.freeBytes / 1024);
    return QStringLiteral("%1\t%2\t%3").arg(displayFileName(device.root), device.model, free);
}

}  // namespace vintrel
