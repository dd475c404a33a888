// The grid's view of the waypoint list: read-only cells, the row icon centred in column 0, red
// names for rows marked as duplicates, and the columns' alignments. A filter shows only the
// rows whose name or description holds a text; the list itself keeps every row.
#pragma once

#include "model/waypoint_list.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QMap>

#include <vector>

namespace vintrel {

class WaypointTableModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    WaypointTableModel(const WaypointList& list, const ColumnLayout& columns, QMap<IconRole, QIcon> icons,
                       QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Around a change of the list: views ask nothing in between, and are told once at the end.
    void beginChange() { beginResetModel(); }
    void endChange();

    // Shows only the rows whose name or description holds `text`, ignoring letter case; an empty
    // text shows every row.
    void setFilter(const QString& text);
    bool filtering() const { return !filter_.isEmpty(); }
    // The list's row shown in the grid's row `viewRow`.
    int listRow(int viewRow) const { return filtering() ? shown_[static_cast<size_t>(viewRow)] : viewRow; }
    // The colour of a duplicate's name.
    void setWarningColour(const QColor& colour) { warning_ = colour; }

  private:
    void applyFilter();

    const WaypointList& list_;
    const ColumnLayout& columns_;
    QMap<IconRole, QIcon> icons_;
    QString filter_;
    std::vector<int> shown_;  // the list's rows the filter lets through, in list order
    QColor warning_{255, 0, 0};
};

}  // namespace vintrel
