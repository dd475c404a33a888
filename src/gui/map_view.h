// The window's map: the list's rows on the offline base map (and street tiles when chosen).
//
// The mouse wheel and + / - zoom, dragging and the arrow keys pan, Home or the fit button shows
// the rows found again; a click on a mark picks the row under it, and a pause over one shows its
// name and description. The rows are placed once per list (PointIndex); a frame draws a mark per
// occupied cell, never a scene item per row, so a million rows pan and zoom smoothly.
#pragma once

#include "map/map_camera.h"
#include "map/mark_sprites.h"
#include "map/point_index.h"

#include <QWidget>

#include <memory>
#include <vector>

class QToolButton;

namespace vintrel {

class TileLayer;
class WaypointList;

class MapView : public QWidget {
    Q_OBJECT

  public:
    explicit MapView(QWidget* parent = nullptr);
    ~MapView() override;

    // Places the rows of `list` anew, and fits them when `fit` is true.
    void setList(const WaypointList& list, bool fit);
    // The rows' kinds and duplicate marks changed, none moved.
    void refreshMarks(const WaypointList& list);
    // While the list is being changed elsewhere nothing of it is read (no tooltip, no click).
    void setListBusy(bool busy) { busy_ = busy; }
    // The rows the find box lets through; all when `rows` is nullptr.
    void showOnly(const std::vector<int>* rows);
    // Rows selected in the grid; the map centres on the row when it is the only one.
    void setSelectedRows(const std::vector<int>& rows, bool centreOnOne);
    // Shows every row found, as closely as they allow.
    void fit();

    void setTiles(TileLayer* tiles);
    const MapCamera& camera() const { return camera_; }
    const PointIndex& points() const { return points_; }
    // Where a row is drawn, in the widget's pixels.
    QPointF pointOf(int row) const;
    // The row drawn at a place in the widget, or -1.
    int rowAt(QPointF place) const;

  Q_SIGNALS:
    void rowClicked(int row);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void zoomBy(double steps, QPointF anchor);
    void panBy(QPointF pixels);

    const WaypointList* list_ = nullptr;
    PointIndex points_;
    MapCamera camera_;
    bool fitPending_ = false;  // to fit once the widget has its size
    bool busy_ = false;
    TileLayer* tiles_ = nullptr;
    std::unique_ptr<MarkSprites> sprites_;
    QPoint pressedAt_;
    QPoint draggedTo_;
    bool dragging_ = false;
    bool moved_ = false;  // the press became a drag
    QToolButton* fit_;
    QToolButton* zoomIn_;
    QToolButton* zoomOut_;
};

}  // namespace vintrel
