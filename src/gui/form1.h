// The main window. Its controls carry the object names the program has always used (cmdFileOpen,
// MSFlexGrid1, cboOutput, ...); everything that decides a row, a byte or a text happens in the
// core and is only shown here.
#pragma once

#include "devices/garmin_devices.h"
#include "gui/services.h"
#include "gui/waypoint_grid.h"
#include "gui/window_settings.h"
#include "gui/window_state.h"
#include "gui/window_work.h"
#include "model/clock.h"

#include <QMap>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSettings;

namespace vintrel {

class FindBox;
class GpiOptions;
class MainMenu;
class DeviceWatch;
class MapPane;
class StatusLine;
class WaypointTableModel;
class WorkPanel;

// The outside world of the window; every pointer must outlive it.
struct Form1Services {
    FileDialogs* dialogs;
    MessageBoxes* messages;
    Launcher* launcher;
    registry::RegistryApi* registry;  // MapSource's category names; may be nullptr
    const Clock* clock;
    QChar decimalSeparator;
    QSettings* settings = nullptr;  // what is remembered between runs; nullptr: nothing is
    // Where Garmin units plugged in are found; nowhere unless given (the program gives the system's).
    DeviceSearch deviceSearch{.mountTable = {}, .runtimeDir = {}};
};

class Form1 : public QWidget {
    Q_OBJECT

  public:
    explicit Form1(const Form1Services& services, QWidget* parent = nullptr);
    ~Form1() override;

    const WaypointList& waypoints() const { return work_.list(); }
    // Reads files as if they had been picked in the open dialog.
    void importPaths(const QStringList& paths);
    // The path of the last file written successfully; MapSource is started on it.
    const QString& outputFileName() const { return work_.lastWritten(); }

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
    void onSendToGps();
    void onMapsource();
    void onRemoveRows();
    void onFind(const QString& text);
    void onDetails();
    void showListWidths();
    void showListState();  // the row counts and the menu after the list changed
    // Shows and enables the controls as the table says for the window's state.
    void applyState();
    ExportOptions exportOptions() const;
    void showBusy();  // "Processing ...." while a file is written
    void showWritten(const WriteShown& shown);
    // Runs work beside the window (see WorkPanel); false when the window is closing meanwhile. The
    // focus goes back where it was when the work is done (applyState()).
    bool runWork(const std::function<void(WorkProgress&)>& work, const std::function<int()>& rows);
    void reportReaderProblems(const ImportShown& shown);
    void remember(const QStringList& opened);

    Form1Services services_;
    WindowWork work_;
    WindowState state_;
    WaypointTableModel* model_ = nullptr;
    bool closeWhenDone_ = false;     // Exit was pressed while work ran
    QPointer<QWidget> focusBefore_;  // where the focus was when work began
    WindowSettings remembered_;
    QMap<IconRole, QIcon> icons_;

    std::array<QWidget*, kControlCount> controls_{};  // by Control, as the state table rules them
    MainMenu* menu_;
    WorkPanel* panel_;
    StatusLine* status_;
    FindBox* find_;
    MapPane* map_;
    DeviceWatch* devices_;
    QPushButton* cmdSendToGps_;
    QLabel* lblStart_;
    QPushButton* cmdFileOpen_;
    QLabel* lblFile1_;
    QLabel* lblProcessing_;
    WaypointGrid* grid_;
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
    GpiOptions* gpiOptions_;
    QPushButton* cmdCreateNew_;
    QPushButton* cmdAdd_;
    QPushButton* cmdMapsource_;
    QLabel* lblOutFile_;
    QLabel* lblNowCount_;
    QLabel* lblExistingCount_;
    QPushButton* cmdExit_;
};

// The captions of cmdFileOpen, and lblFile1's text before any file.
inline const QString kSelectCaption = QStringLiteral("&Select File(s)");
inline const QString kAddCaption = QStringLiteral("&Add File(s)");
inline const QString kNoFiles = QStringLiteral("No file(s) selected");

// "VINTREL v<major>.<minor> - Convert GPS Waypoint file to Garmin Mapsource file".
QString windowTitleText();

}  // namespace vintrel
