#pragma once

#include "import/read_result.h"
#include "model/clock.h"
#include "model/waypoint_list.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <ostream>
#include <utility>

namespace vintrel::test {

inline QString dataPath(const char* name) {
    return QStringLiteral(VINTREL_TEST_DATA "/") + QLatin1String(name);
}

// Bytes written as spaced hexadecimal pairs: "4d 73 52".
inline QByteArray hex(const char* spaced) {
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

// A clock that always reads the same local time.
struct FixedClock : Clock {
    explicit FixedClock(QDateTime at = QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5))) : when(std::move(at)) {}
    QDateTime localNow() const override { return when; }
    QDateTime when;
};

// A file that another program wrote, kept beside the repository in shared/real/ ("gdb/x.gdb"); an
// empty text when that folder is not there, and the tests that need it are skipped.
inline QString realFile(const char* relative) {
    const QString path = QStringLiteral(VINTREL_REAL_DATA "/") + QLatin1String(relative);
    return QFileInfo::exists(path) ? path : QString();
}

// A path with this file name that certainly does not exist.
inline QString missingPath(const char* name) {
    return QStringLiteral(VINTREL_TEST_DATA "/no-such-folder/") + QLatin1String(name);
}

// A file's bytes; a file that cannot be read gives a text no file written by the program is.
inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

// Writes a whole file, making its folder first.
[[nodiscard]] inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Reads one fixture with `reader` into `list`; the duplicate count starts again, as the import
// driver does before every file.
inline ReadResult readFixture(ReaderFunction reader, WaypointList& list, const char* name,
                              QChar separator = u'.') {
    ImportContext context{list, separator};
    list.resetDuplicateCount();
    return reader(dataPath(name), context);
}

inline QString cell(const WaypointList& list, int row, int col) {
    return list.row(row).cell(col);
}

// One column of every row, top to bottom.
inline QStringList columnTexts(const WaypointList& list, int col) {
    QStringList texts;
    for (int r = 0; r < list.rowCount(); ++r) {
        texts.append(list.row(r).cell(col));
    }
    return texts;
}

// A row's cells 1 to 11 joined by '|': a whole row compared at once.
inline QString rowText(const WaypointRow& row) {
    QStringList cells;
    for (int c = 1; c < kColumnCount; ++c) {
        cells.append(row.cell(c));
    }
    return cells.join(u'|');
}
inline QString rowText(const WaypointList& list, int row) {
    return rowText(list.row(row));
}

}  // namespace vintrel::test

QT_BEGIN_NAMESPACE
// Lets GoogleTest print QStrings readably in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '{';
    for (const QString& s : list) {
        *os << "\n  \"" << s.toStdString() << '"';
    }
    *os << " }";
}
QT_END_NAMESPACE
