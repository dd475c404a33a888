// The status bar: how many rows the list holds (and how many a find shows), and what the last
// import read from each file, one line per file in the tooltip.
#pragma once

#include <QStatusBar>
#include <QStringList>

class QLabel;

namespace vintrel {

class StatusLine : public QStatusBar {
    Q_OBJECT

  public:
    explicit StatusLine(QWidget* parent = nullptr);

    // `shown` < 0: no find is on.
    void showRows(int total, int shown);
    // One line per file of the last import, and under them in the details what the readers said
    // of the records they skipped or passed over; empty clears it.
    void showImport(const QStringList& lines, const QStringList& skips = {});

  private:
    QLabel* lblRows_;
    QLabel* lblImport_;
};

// "19 waypoints"; with a find on, "12 of 19,000 shown; a file written holds all 19,000".
QString rowsStatusText(int total, int shown);
// What the status bar says of an import: its one line for one file, else how many files were read
// and how many of them in part.
QString importStatusText(const QStringList& lines);

}  // namespace vintrel
