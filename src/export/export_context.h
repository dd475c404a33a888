// What every writer is given besides the list: the options read from the window or the command
// line, and the outside world it may consult (the registry, the clock).
#pragma once

#include "registry/registry_api.h"

#include <QChar>
#include <QDateTime>
#include <QString>

#include <array>

namespace vintrel {

struct ExportOptions {
    bool includeDescription = true;
    int displayIndex = 0;  // position in "Symbol & Name", "Symbol only", "Symbol & Description"; -1: none
    int colourIndex = 0;   // position in the waypoint colour list; -1: none
};

// The local wall clock, behind an interface so tests can fix the time.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual QDateTime localNow() const = 0;
};

class SystemClock : public Clock {
  public:
    QDateTime localNow() const override { return QDateTime::currentDateTime(); }
};

struct ExportContext {
    ExportOptions options;
    QChar decimalSeparator = u'.';
    registry::RegistryApi* registry = nullptr;  // nullptr: no category names
    const Clock* clock = nullptr;
};

// What a writer reports.
struct WriteReport {
    bool written = false;
    int recordCount = 0;  // records in the new file (or the part appended)
    QString error;        // why nothing was written
};

// MapSource's waypoint category names Category1 to Category16; an absent value is empty text.
using CategoryNames = std::array<QString, 16>;
CategoryNames readCategoryNames(registry::RegistryApi* registry);

// Seconds from 1970-01-01 00:00:00 to the given local wall-clock time, read as if it were UTC (no
// zone or daylight-saving correction); moments after 2038-01-19 03:14:07 give 0x7FFFFFFF.
qint32 wallClockStamp(const QDateTime& local);

// Writes the bytes to `path` in one step: the old file stays as it was unless the new one is
// complete. Returns false with the reason.
bool saveAtomically(const QString& path, const QByteArray& bytes, QString& error);

}  // namespace vintrel
