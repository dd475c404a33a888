// How files are told apart and offered in dialogs: by the last three characters of their names.
#pragma once

#include <QString>

namespace vintrel {

// A file dialog's filter entry.
struct FileFilter {
    QString description;  // "GPS eXchange Files (*.gpx)"
    QString pattern;      // "*.gpx", several joined by ';'
};

// The lower-cased last three characters of a path ("gpx" for "C:\maps\a.GPX"), which choose the
// reader of an input and the format of an output.
inline QString fileExtensionOf(const QString& path) {
    return path.right(3).toLower();
}

}  // namespace vintrel
