// What the tests of saving look at in a folder: every name in it, whatever its bytes, and what a
// name is without opening anything but a regular file.
#pragma once

#include "model/file_names.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vintrel::test {

inline QByteArray native(const QString& path) {
    return fileNameBytes(path);
}

// Every name in a folder, sorted; Qt's own listing leaves out names that are not UTF-8.
inline QStringList entries(const QString& dir) {
    QStringList names;
    if (DIR* d = ::opendir(native(dir).constData())) {
        while (const dirent* e = ::readdir(d)) {
            if (qstrcmp(e->d_name, ".") != 0 && qstrcmp(e->d_name, "..") != 0) {
                names.append(fileNameFromBytes(e->d_name));
            }
        }
        ::closedir(d);
    }
    names.sort();
    return names;
}

// A regular file's bytes; what anything else is, without opening it.
inline QByteArray contents(const QString& path) {
    struct stat st {};
    if (::lstat(native(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return QByteArray("(not a regular file, mode ") + QByteArray::number(st.st_mode, 8) + ")";
    }
    QFile f;
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    return fd >= 0 && f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)
               ? f.readAll()
               : QByteArray("(unreadable)");
}

}  // namespace vintrel::test
