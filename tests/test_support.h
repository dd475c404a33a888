#pragma once

#include "import/read_result.h"
#include "model/waypoint_list.h"

#include <QString>
#include <QStringList>

#include <ostream>

namespace vintrel::test {

inline QString dataPath(const char* name) {
    return QStringLiteral(VINTREL_TEST_DATA "/") + QLatin1String(name);
}

// A path with this file name that certainly does not exist.
inline QString missingPath(const char* name) {
    return QStringLiteral(VINTREL_TEST_DATA "/no-such-folder/") + QLatin1String(name);
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
