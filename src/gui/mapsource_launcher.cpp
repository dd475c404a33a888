#include "gui/mapsource_launcher.h"

#include "registry/c_registry.h"
#include "registry/hive_registry.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vintrel {

namespace {

const char* const kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MapSource.exe";

// The Windows path of MapSource's program as the prefix's registry gives it, or empty.
QString appPathsEntry(const QString& prefix) {
    registry::HiveRegistry hive;
    std::string error;
    if (!hive.loadWine(QDir(prefix).filePath(QStringLiteral("system.reg")).toStdString(),
                       registry::kHkeyLocalMachine, error)) {
        return {};
    }
    registry::cRegistry reg(hive);
    reg.ClassKey(registry::kHkeyLocalMachine);
    reg.SectionKey(kAppPaths);
    reg.ValueKey("");
    reg.ValueType(registry::kRegSz);
    QString path = QString::fromStdString(registry::valueText(reg.Value()));
    if (path.size() >= 2 && path.startsWith(u'"') && path.endsWith(u'"')) {
        path = path.mid(1, path.size() - 2);
    }
    return path;
}

// The folder a drive letter stands for in the prefix ("c" -> .../dosdevices/c:), as a file path.
QString unixPathInPrefix(const QString& windowsPath, const QString& prefix) {
    if (windowsPath.size() < 3 || windowsPath[1] != u':') {
        return {};
    }
    const QString drive =
        QDir(prefix).filePath(QStringLiteral("dosdevices/") + windowsPath.left(2).toLower());
    return drive + QString(windowsPath.mid(2)).replace(u'\\', u'/');
}

}  // namespace

QString windowsPathInPrefix(const QString& file, const QString& prefix) {
    const QDir devices(QDir(prefix).filePath(QStringLiteral("dosdevices")));
    for (const QFileInfo& drive :
         devices.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (drive.fileName().size() == 2 && drive.fileName().endsWith(u':') && drive.isSymLink() &&
            QFileInfo(drive.symLinkTarget()).canonicalFilePath() == QStringLiteral("/")) {
            const QString absolute = QFileInfo(file).absoluteFilePath();
            return drive.fileName().toUpper() + QString(absolute).replace(u'/', u'\\');
        }
    }
    return {};
}

WineStart planWineMapSource(const QString& file, const QString& prefix, const QString& wine) {
    WineStart start;
    if (wine.isEmpty()) {
        start.problem = QStringLiteral("Wine is not installed: MapSource runs on this system under Wine.");
        return start;
    }
    if (!QFileInfo(prefix).isDir()) {
        start.problem =
            QStringLiteral(
                "There is no Wine prefix at %1 (set WINEPREFIX to the one MapSource is installed in).")
                .arg(prefix);
        return start;
    }
    const QString program = appPathsEntry(prefix);
    if (program.isEmpty()) {
        start.problem = QStringLiteral(
                            "MapSource is not installed in the Wine prefix %1: it has no App Paths entry for "
                            "MapSource.exe.")
                            .arg(prefix);
        return start;
    }
    if (!QFileInfo::exists(unixPathInPrefix(program, prefix))) {
        start.problem =
            QStringLiteral("MapSource's program %1 is missing from the Wine prefix %2.").arg(program, prefix);
        return start;
    }
    const QString windowsFile = windowsPathInPrefix(file, prefix);
    if (windowsFile.isEmpty()) {
        start.problem =
            QStringLiteral("The Wine prefix %1 has no drive for the file system, so MapSource cannot see %2.")
                .arg(prefix, file);
        return start;
    }
    start.program = wine;
    start.arguments = {program, windowsFile};
    start.workingDirectory = QDir(prefix).filePath(QStringLiteral("drive_c"));
    return start;
}

QString findWine() {
    for (const char* name : {"wine", "wine64"}) {
        const QString found = QStandardPaths::findExecutable(QLatin1String(name));
        if (!found.isEmpty()) {
            return found;
        }
    }
    return QFileInfo(QStringLiteral("/usr/lib/wine/wine64")).isExecutable()
               ? QStringLiteral("/usr/lib/wine/wine64")
               : QString();
}

QString defaultWinePrefix() {
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    return prefix.isEmpty() ? QDir::home().filePath(QStringLiteral(".wine")) : prefix;
}

}  // namespace vintrel
