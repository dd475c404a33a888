// What the readers share: the list they append to, and what they hand back to the window.
#pragma once

#include "model/waypoint_list.h"

#include <QChar>
#include <QString>
#include <QStringList>

namespace vintrel {

struct ImportContext {
    WaypointList& list;
    QChar decimalSeparator = u'.';
};

struct ReadResult {
    int appended = 0;
    int skipped = 0;        // records dropped for want of a usable name or position
    bool readToEnd = true;  // false when an error stopped the file early
    // The file held a document of its format (an XML root element), waypoints or not; a file that
    // could not be opened, or is empty or garbage from its first byte, held none.
    bool documentFound = false;
    QStringList problems;  // one sentence each, naming the file and the line
    QString advice;        // shown in place of the grid when the list is empty after the file
};

using ReaderFunction = ReadResult (*)(const QString& path, ImportContext& context);

}  // namespace vintrel
