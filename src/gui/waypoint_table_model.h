// The grid's view of the waypoint list: read-only cells, the row icon centred in column 0, red
// names for rows marked as duplicates, and the list's column alignments.
#pragma once

#include "model/waypoint_list.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QMap>

namespace vintrel {

class WaypointTableModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    WaypointTableModel(const WaypointList& list, QMap<IconRole, QIcon> icons, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Around a change of the list: views ask nothing in between, and are told once at the end.
    void beginChange() { beginResetModel(); }
    void endChange() { endResetModel(); }

  private:
    const WaypointList& list_;
    QMap<IconRole, QIcon> icons_;
};

}  // namespace vintrel
