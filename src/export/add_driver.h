// Adding the list to an existing file, one way for every format that can be added to. A format
// scans the file and says what it holds and where new records go (an AddTarget); the driver decides
// which rows are added, writes the file's old bytes around the new records in one locked, atomic
// replacement, and marks the rows the file held only once the new file is in place.
#pragma once

#include "export/export_context.h"
#include "model/waypoint_list.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace vintrel {

class AddTarget {
  public:
    virtual ~AddTarget() = default;

    // The form in which the file would hold `name`, compared with the forms of the names it holds
    // and of the names added before it.
    virtual QByteArray nameKey(QAnyStringView name) const = 0;
    // The file's own text of the name whose form is `key`, when the file holds it.
    virtual std::optional<QString> heldName(const QByteArray& key) const = 0;
    // The text that `key` reads as in the file, for messages.
    virtual QString keyText(const QByteArray& key) const = 0;
    // Appends the new record of the list's row `row` in the file's own format and encoding; false
    // with the reason.
    virtual bool appendRecord(QByteArray& out, const WaypointList& list, int row, QString& error) = 0;
    // What is worth knowing about the records appended (distinct names written alike), once all are in.
    virtual QStringList appendedWarnings() const { return {}; }

    int existingCount = 0;     // waypoints the file holds
    qsizetype insertAt = 0;    // the file's bytes before this offset stay in front of the new records
    QByteArray leadIn;         // written in front of the first new record (a file with no records yet)
    bool uniqueNames = false;  // two new records may not share a name form (one would hide the other)
};

// Scans the existing file `bytes` for an add of `list`; both stay alive and unchanged while the target
// is used. Returns nullptr with the reason in `error` when the file cannot be added to.
using AddScanner = std::unique_ptr<AddTarget> (*)(const QByteArray& bytes, const WaypointList& list,
                                                  const ExportContext& context, QString& error);

// Adds a record for every row whose name the file at `path` does not hold (rows without a name are
// left out and counted apart). A file it refuses, or any failure, leaves the file byte-identical and
// the list unmarked; when no row is new the file is not rewritten.
WriteReport addRows(AddScanner scan, WaypointList& list, const QString& path, const ExportContext& context);

}  // namespace vintrel
