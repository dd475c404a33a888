// Starting MapSource on the file just written. On Windows the system finds mapsource.exe; elsewhere
// MapSource runs inside a Wine prefix, found the way Windows would find it: by the prefix's App
// Paths entry for MapSource.exe.
#pragma once

#include <QString>
#include <QStringList>

namespace vintrel {

// How to start MapSource under Wine, or what is missing.
struct WineStart {
    QString program;  // wine
    QStringList arguments;
    QString workingDirectory;  // the prefix's c:\ folder
    QString problem;           // empty when MapSource can be started
};

// `wine` is the Wine program (empty when there is none), `prefix` the Wine prefix's folder.
WineStart planWineMapSource(const QString& file, const QString& prefix, const QString& wine);

// The Windows path under which programs in the prefix see a file: the drive the prefix maps to "/"
// (Z: in a new prefix). Empty when the prefix maps no drive to "/".
QString windowsPathInPrefix(const QString& file, const QString& prefix);

// The Wine program on PATH, or Debian's wine64; empty when there is none.
QString findWine();

// $WINEPREFIX, or ~/.wine.
QString defaultWinePrefix();

}  // namespace vintrel
