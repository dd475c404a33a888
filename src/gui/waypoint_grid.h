// The grid of the waypoint list (MSFlexGrid1): read-only rows selected whole, the row icon in the
// middle of its cell, one line per row, and the column widths the list asks for unless the user
// sized a column. Tab leaves it; the arrow keys move inside it. When the keyboard enters it with
// no row selected, the current row is selected, so that the user sees where it is.
#pragma once

#include "model/waypoint_list.h"

#include <QMap>
#include <QTableView>

namespace vintrel {

class WaypointTableModel;

class WaypointGrid : public QTableView {
    Q_OBJECT

  public:
    WaypointGrid(WaypointTableModel* model, QWidget* parent = nullptr);

    // Lays the columns out as `list` says, in twips, except those in `userWidths` (pixels by
    // column); hides the coordinate pair the list hides.
    void showWidths(const ColumnLayout& columns, const QMap<int, int>& userWidths);

  Q_SIGNALS:
    // The user sized a column.
    void columnSized(int column, int width);

  protected:
    void focusInEvent(QFocusEvent* event) override;

  private:
    bool settingWidths_ = false;  // the window, not the user, is sizing the columns
};

// Pixels of a width in twips (15 twips to a pixel at 96 dots per inch).
int twipsToPixels(int twips, double logicalDpi);

}  // namespace vintrel
