// The window's menu bar: File, Edit, View and Help with the usual entries and shortcuts. An entry that
// stands for one of the window's buttons clicks that button, and is enabled exactly while the
// button is shown and enabled, so the menu and the buttons never disagree.
#pragma once

#include <QMenuBar>
#include <QStringList>

#include <functional>

class QAbstractButton;
class QMenu;

namespace vintrel {

struct MenuTargets {
    QAbstractButton* open;    // Select/Add Files...
    QAbstractButton* create;  // Create New Waypoint File...
    QAbstractButton* add;     // Add to Existing...
    QAbstractButton* send;    // Send to GPS...
    QAbstractButton* clear;   // Clear List
    QAbstractButton* exit;    // Quit
    std::function<void(const QString&)> openRecent;
    std::function<void()> removeRows;
    std::function<void()> selectAll;
    std::function<void()> find;
    std::function<void()> details;
    std::function<void()> about;
};

class MainMenu : public QMenuBar {
    Q_OBJECT

  public:
    MainMenu(const MenuTargets& targets, QWidget* parent = nullptr);

    // The files offered under File > Open Recent, newest first.
    void setRecentFiles(const QStringList& paths);
    // Whether the list has rows: Remove and Select All need some.
    void setListHasRows(bool hasRows);

  private:
    QAction* buttonAction(QMenu* menu, const char* name, const QString& text, const QKeySequence& keys,
                          QAbstractButton* button);

    MenuTargets targets_;
    QMenu* recent_;
    QAction* remove_;
    QAction* selectAll_;
};

// The longest recent-files list kept.
inline constexpr int kRecentFiles = 8;

}  // namespace vintrel
