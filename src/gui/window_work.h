// The window's work without its widgets: reading files into the list, creating and adding to
// files, and the texts each leaves for the window to show. The window runs it beside its event
// loop and shows what it returns; tests drive it directly.
#pragma once

#include "devices/garmin_devices.h"
#include "export/export_formats.h"
#include "import/import_driver.h"
#include "model/progress.h"
#include "model/waypoint_list.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vintrel {

// What an import leaves to show; texts that hold names or what files hold are made as
// shownText() shows them.
struct ImportShown {
    QString fileLabel;        // the names read, for lblFile1
    QString advice;           // shown in place of the grid when the list is empty
    QString duplicates;       // the last file's duplicate line; null when it had none
    QStringList statusLines;  // one per file, for the status bar
    QStringList skipLines;    // the records the readers skipped or passed over
    QList<ReadAlert> alerts;  // each in a box of its own
    QString problems;         // what went wrong with the files as a whole, in one box; empty: none
    QStringList opened;       // the files read, as absolute paths, for the recent files
    bool cancelled = false;   // the user stopped the import: not a problem, so not in `problems`
};

// What a create or an add leaves to show.
struct WriteShown {
    bool written = false;
    QString outFile;        // lblOutFile: the file created or added to, or why it was not
    QString nowCount;       // lblNowCount
    QString existingCount;  // lblExistingCount
    QString warnings;       // names written alike, in one box; empty: none
};

// The name a create writes to, from the name typed in the save dialog.
struct SaveName {
    QString path;      // with the format's extension added when it had none
    QString question;  // to ask before writing, when the name is another format's or the file the
                       // added extension makes exists; empty: nothing to ask
};
SaveName saveNameFor(const QString& typed, const ExportFormat& format);

// The title of the box that holds the problems of an import.
inline constexpr char kImportProblemsTitle[] = "Some waypoints could not be read";
// The title of the box that holds the names written alike.
inline constexpr char kWriteWarningsTitle[] = "About the names written";

class WindowWork {
  public:
    WindowWork(registry::RegistryApi* registry, const Clock* clock, QChar decimalSeparator);

    const WaypointList& list() const { return list_; }
    // As the last file read lays the list out.
    ListView view() const { return view_; }
    // The grid's column widths and alignments, as the files read and the decimal toggle leave them.
    const ColumnLayout& columns() const { return columns_; }

    // Reads `paths` into the list, in order. Runs beside the window: it touches only the list and
    // this object, which the window leaves alone meanwhile. `progress` may be nullptr.
    ImportShown importFiles(const QStringList& paths, WorkProgress* progress);

    // The name the save dialog proposes for a new file of `format`.
    QString proposedName(const ExportFormat& format) const;
    // Writes the list as a new file; runs beside the window as importFiles() does.
    WriteShown createFile(const ExportFormat& format, const QString& path, const ExportOptions& options,
                          WorkProgress* progress);
    // Adds the list to an existing file, marking the rows it holds already.
    WriteShown addToFile(const ExportFormat& format, const QString& path, const ExportOptions& options,
                         WorkProgress* progress);
    // Writes or adds the list to a Garmin unit, named after the first file read into the list.
    WriteShown sendToDevice(const ExportFormat& format, const GarminDevice& device,
                            const ExportOptions& options, WorkProgress* progress);
    // The last file written: MapSource opens it.
    const QString& lastWritten() const { return lastWritten_; }

    void clear();
    // Removes the list's rows `rows`, in any order.
    void removeRows(const QList<int>& rows);
    // Lays the coordinates out as decimal degrees or as degrees and minutes.
    void showDecimal(bool decimal);

  private:
    ExportContext contextFor(const ExportOptions& options, WorkProgress* progress) const;

    WaypointList list_;
    registry::RegistryApi* registry_;
    const Clock* clock_;
    QChar decimalSeparator_;
    ListView view_ = ListView::Waypoints;
    ColumnLayout columns_;
    QString dialogFileName_;  // the last file opened or saved, for the next proposed name
    QString lastWritten_;
    QString firstInput_;  // the first file read into the list since it was last empty
};

}  // namespace vintrel
