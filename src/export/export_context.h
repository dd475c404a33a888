// What every writer is given besides the list: the options read from the window or the command
// line, and the outside world it may consult (the registry, the clock); and what it reports.
#pragma once

#include "formats/gpi/gpi_layout.h"
#include "model/clock.h"
#include "model/progress.h"
#include "registry/registry_api.h"

#include <QLocale>
#include <QString>
#include <QStringList>

namespace vintrel {

struct ExportOptions {
    bool includeDescription = true;
    int displayIndex = 0;  // position in "Symbol & Name", "Symbol only", "Symbol & Description"; -1: none
    int colourIndex = 0;   // position in the waypoint colour list; -1: none
    // POI files: the unit of the speeds names give ("max@50"), and the distance at which every POI
    // alerts (0: no proximity alerts).
    gpi::SpeedUnit speedUnit = gpi::SpeedUnit::Kmh;
    int proximityMetres = kDefaultProximity;
    static constexpr int kDefaultProximity = 300;
    static constexpr int kLargestProximity = 65535;
};

struct ExportContext {
    ExportOptions options;
    registry::RegistryApi* registry = nullptr;  // nullptr: no category names
    const Clock* clock = nullptr;               // nullptr: the system's
    QLocale locale = QLocale::system();         // the date and time texts shown inside a file
    // Told the rows written; a cancel there stops the write, leaving the target as it was.
    // nullptr: neither.
    WorkProgress* progress = nullptr;
};

// What a writer reports: creating a file, or adding to an existing one.
struct WriteReport {
    bool written = false;
    int recordCount = 0;    // records in the new file, or records added to the existing one
    int existingCount = 0;  // adding: waypoint records the file held before
    int leftOutCount = 0;   // adding: rows not added because the file held them (their names or places)
    // Rows of the list the file did not get for another reason than a waypoint it held already (no
    // distinct name was left for them): the warnings say why.
    int notWrittenCount = 0;
    // Names written with '?' for characters the file's code page lacks.
    int namesLosingCharacters = 0;
    QString error;         // why nothing was written
    QStringList warnings;  // what was written but is worth knowing (names made, characters lost)
};

}  // namespace vintrel
