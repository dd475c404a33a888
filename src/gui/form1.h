// The main window. Its controls carry the object names the program has always used (cmdFileOpen,
// MSFlexGrid1, cboOutput, ...); everything that decides a row, a byte or a text happens in the
// core and is only shown here.
#pragma once

#include "export/export_context.h"
#include "gui/services.h"
#include "gui/window_settings.h"
#include "model/clock.h"
#include "model/progress.h"
#include "model/waypoint_list.h"

#include <QMap>

#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSettings;
class QTableView;

namespace vintrel {

class FindBox;
class MainMenu;
class MapPane;
class StatusLine;
class WaypointTableModel;
class WorkPanel;
struct ImportOutcome;

// The outside world of the window; every pointer must outlive it.
struct Form1Services {
    FileDialogs* dialogs;
    MessageBoxes* messages;
    Launcher* launcher;
    registry::RegistryApi* registry;  // MapSource's category names; may be nullptr
    const Clock* clock;
    QChar decimalSeparator;
    QSettings* settings = nullptr;  // what is remembered between runs; nullptr: nothing is
};

class Form1 : public QWidget {
    Q_OBJECT

  public:
    explicit Form1(const Form1Services& services, QWidget* parent = nullptr);
    ~Form1() override;

    const WaypointList& waypoints() const { return list_; }
    // Reads files as if they had been picked in the open dialog.
    void importPaths(const QStringList& paths);
    // The path of the last file written successfully; MapSource is started on it.
    const QString& outputFileName() const { return lastWritten_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void buildControls();
    void buildHelpers();
    void restoreSettings();
    void onFileOpen();
    void onOutputChosen();
    void onDecimalToggled();
    void onClearGrid();
    void onCreateNew();
    void onAdd();
    void onMapsource();
    void onRemoveRows();
    void onFind(const QString& text);
    void showListWidths();
    void showListState();  // the row counts, the start hint and the menu after the list changed
    void showWriteFailed();
    ExportContext exportContext() const;
    void showBusy();  // "Processing ...." while a file is written
    // Runs work beside the window (see WorkPanel); false when the window is closing meanwhile.
    bool runWork(const std::function<void(WorkProgress&)>& work, const std::function<int()>& rows);
    void reportReaderProblems(const ImportOutcome& outcome);
    void reportWriteWarnings(const WriteReport& report);
    void remember(const QStringList& opened);

    Form1Services services_;
    WaypointList list_;
    WaypointTableModel* model_ = nullptr;
    ListView listView_ = ListView::Waypoints;  // as the last file read wants the list laid out
    QString dialogFileName_;                   // the last file opened or saved, for the next proposed name
    QString lastWritten_;
    bool closeWhenDone_ = false;  // Exit was pressed while work ran
    bool settingWidths_ = false;  // the window, not the user, is sizing the columns
    WindowSettings remembered_;
    QMap<IconRole, QIcon> icons_;

    MainMenu* menu_;
    WorkPanel* work_;
    StatusLine* status_;
    FindBox* find_;
    MapPane* map_;
    QLabel* lblStart_;
    QPushButton* cmdFileOpen_;
    QLabel* lblFile1_;
    QLabel* lblProcessing_;
    QTableView* grid_;
    QPlainTextEdit* txtRecordlist_;
    QCheckBox* chkDecimal_;
    QCheckBox* chkIncludeDesc_;
    QLabel* lblCount_;
    QPushButton* cmdClearGrid_;
    QLabel* lblOutput_;
    QComboBox* cboOutput_;
    QLabel* lblDisplay_;
    QComboBox* cboDisplay_;
    QLabel* lblColor_;
    QComboBox* cboColor_;
    QPushButton* cmdCreateNew_;
    QPushButton* cmdAdd_;
    QPushButton* cmdMapsource_;
    QLabel* lblOutFile_;
    QLabel* lblNowCount_;
    QLabel* lblExistingCount_;
    QPushButton* cmdExit_;
};

// "VINTREL v<major>.<minor> - Convert GPS Waypoint file to Garmin Mapsource file".
QString windowTitleText();

// Pixels of a width in twips (15 twips to a pixel at 96 dots per inch).
int twipsToPixels(int twips, double logicalDpi);

}  // namespace vintrel
