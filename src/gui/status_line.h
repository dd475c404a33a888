// The status bar: how many rows the list holds (and how many a find shows, or have been read so
// far), what the last import read from each file, and the work running beside the window. The
// lines of each file and the records the readers skipped are in the tooltip and, for the keyboard,
// behind the Details button.
#pragma once

#include <QStatusBar>
#include <QStringList>

class QLabel;
class QPushButton;

namespace vintrel {

class ElidingLabel;

class StatusLine : public QStatusBar {
    Q_OBJECT

  public:
    explicit StatusLine(QWidget* parent = nullptr);

    // Puts lblProcessing and the work's progress at the left of the bar; the bar keeps the height
    // they need whether they show or not, so nothing above it moves when work starts.
    void addWork(QWidget* processing, QWidget* panel);

    // `shown` < 0: no find is on.
    void showRows(int total, int shown);
    // The rows read so far while files are read.
    void showRowsRead(int rows);
    // One line per file of the last import, and under them in the details what the readers said
    // of the records they skipped or passed over; empty clears it. `cancelled`: the user stopped
    // the import, which the bar says.
    void showImport(const QStringList& lines, const QStringList& skips = {}, bool cancelled = false);
    // The lines of the last import and what was skipped, as the tooltip and Details give them.
    const QString& details() const { return details_; }

  Q_SIGNALS:
    void detailsWanted();

  private:
    QLabel* lblRows_;
    ElidingLabel* lblImport_;
    QPushButton* cmdDetails_;
    QString details_;
};

// "19 waypoints"; with a find on, "12 of 19,000 shown; a file written holds all 19,000".
QString rowsStatusText(int total, int shown);
// What the status bar says of an import: its one line for one file, else how many files were read
// and how many of them in part.
QString importStatusText(const QStringList& lines, bool cancelled = false);

}  // namespace vintrel
