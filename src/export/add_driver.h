// Adding the list to an existing file, one way for every format that can be added to. A format
// scans the file and says what it holds and where new records go (an AddTarget); the driver decides
// which rows are added, writes the file's old bytes around the new records in one locked, atomic
// replacement, and marks the rows the file held only once the new file is in place.
#pragma once

#include "export/export_context.h"
#include "export/written_names.h"
#include "model/waypoint_list.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace vintrel {

class AddTarget : public HeldWaypoints {
  public:
    // The form in which the file would hold `name`, compared with the forms of the names it holds.
    // Where the file needs distinct names, it is the name's bytes in `uniqueNames`' form.
    virtual QByteArray nameKey(QAnyStringView name) const = 0;
    // The file's own text of the name whose form is `key`, when the file holds it.
    virtual std::optional<QString> heldName(const QByteArray& key) const = 0;
    bool holdsName(const QByteArray& bytes) const override { return heldName(bytes).has_value(); }
    // Whether the file holds a waypoint at the place of `row`, as the file writes places: how a row
    // known by its place (a camera, a row without a name) is found in it.
    bool holdsPlace(const WaypointRow& row) const override = 0;
    // Appends the new record of the list's row `row`, named `name` in the file (its own name, or one
    // made for it), in the file's own format and encoding; false with the reason.
    virtual bool appendRecord(QByteArray& out, const WaypointList& list, int row, QAnyStringView name,
                              QString& error) = 0;

    int existingCount = 0;   // waypoints the file holds
    qsizetype insertAt = 0;  // the file's bytes before this offset stay in front of the new records
    QByteArray leadIn;       // written in front of the first new record (a file with no records yet)
    // The file needs a distinct, non-empty name for every waypoint, written in this form (one of two
    // alike would hide the other); nothing: names may repeat or be missing.
    std::optional<NameForm> uniqueNames;
};

// Scans the existing file `bytes` for an add of `list`; both stay alive and unchanged while the target
// is used. Returns nullptr with the reason in `error` when the file cannot be added to.
using AddScanner = std::unique_ptr<AddTarget> (*)(const QByteArray& bytes, const WaypointList& list,
                                                  const ExportContext& context, QString& error);

// Adds a record for every row the file at `path` does not hold: a row known by its name (the
// list's rule for most rows) when the file holds no waypoint of its name, a row known by its place
// too (a camera, a row without a name) when the file holds no waypoint at its place. Where the file
// needs distinct names, each added row gets one (export/written_names.h): rows without a name are
// named, repeated names given a number; a row no name is left for is not added and is counted in
// notWrittenCount. A file it refuses, or any failure, leaves the file byte-identical and the list
// unmarked; when no row is new the file is not rewritten.
WriteReport addRows(AddScanner scan, WaypointList& list, const QString& path, const ExportContext& context);

}  // namespace vintrel
