// The map beside the grid: a splitter holding both, and everything that keeps the two in step.
//
// The map shows while the grid does and the list has rows. It places the rows anew when the list
// changes (fitting them when rows came), follows the find box and the duplicate marks, marks the
// rows selected in the grid and centres on a single one; a click on the map selects the row in the
// grid and scrolls to it. View > Street Map switches the online tiles on and off; the choice and
// the splitter's share are kept with the window's other settings.
#pragma once

#include "map/tile_layer.h"

#include <QObject>

class QAction;
class QMenuBar;
class QSplitter;
class QTableView;
class QWidget;

namespace vintrel {

class MapView;
class TileLayer;
class WaypointList;
class WaypointTableModel;
struct WindowSettings;

class MapPane : public QObject {
    Q_OBJECT

  public:
    // Puts `grid` into a splitter with the map, inside `parent`. `tiles` says where street tiles
    // come from (OpenStreetMap's unless a test gives its own server).
    MapPane(const WaypointList& list, WaypointTableModel& model, QTableView* grid, QWidget* parent,
            const TileServer& tiles = TileServer());

    // The splitter, to go where the grid went.
    QWidget* splitter() const;
    MapView* view() const { return view_; }
    TileLayer* tiles() const { return tiles_; }
    // Adds the View menu, before the last menu (Help).
    void addViewMenu(QMenuBar* menuBar);

    void restore(const WindowSettings& settings);
    void keep(WindowSettings& settings) const;

  private:
    void listChanged();
    void selectionChanged();
    void showRow(int listRow);
    void updateVisibility();

    const WaypointList& list_;
    WaypointTableModel& model_;
    QTableView* grid_;
    QSplitter* splitter_;
    MapView* view_;
    TileLayer* tiles_;
    QAction* streetMap_ = nullptr;
    double share_ = 0.4;    // of the splitter's width the map takes
    bool fromMap_ = false;  // the selection is the map's own click
};

}  // namespace vintrel
