#include "gui/waypoint_table_model.h"

#include <QColor>

#include <type_traits>

namespace vintrel {

WaypointTableModel::WaypointTableModel(const WaypointList& list, const ColumnLayout& columns,
                                       QMap<IconRole, QIcon> icons, QObject* parent)
    : QAbstractTableModel(parent), list_(list), columns_(columns), icons_(std::move(icons)) {}

int WaypointTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return filtering() ? static_cast<int>(shown_.size()) : list_.rowCount();
}

void WaypointTableModel::endChange() {
    applyFilter();
    endResetModel();
}

void WaypointTableModel::setFilter(const QString& text) {
    beginResetModel();
    filter_ = text;
    applyFilter();
    endResetModel();
}

void WaypointTableModel::applyFilter() {
    shown_.clear();
    if (!filtering()) {
        return;
    }
    const auto holds = [this](QAnyStringView cell) {
        return cell.visit([this](auto view) {
            if constexpr (std::is_same_v<decltype(view), QUtf8StringView>) {
                return view.toString().contains(filter_, Qt::CaseInsensitive);  // rows hold none
            } else {
                return view.contains(filter_, Qt::CaseInsensitive);
            }
        });
    };
    for (int r = 0; r < list_.rowCount(); ++r) {
        const WaypointRow& row = list_.row(r);
        if (holds(row.cellView(column::kName)) || holds(row.cellView(column::kDescription))) {
            shown_.push_back(r);
        }
    }
}

int WaypointTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant WaypointTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const WaypointRow& row = list_.row(listRow(index.row()));
    const int col = index.column();
    switch (role) {
        case Qt::DisplayRole:
            if (col == column::kIcon) {
                return {};
            }
            if (col == column::kLatDM || col == column::kLonDM) {
                // The degree-minute cells end in their raw text for the writers; the grid shows
                // the part before the two spaces.
                const QString cell = row.cell(col);
                const qsizetype gap = cell.indexOf(u"  ");
                return gap < 0 ? cell : cell.left(gap);
            }
            return row.cell(col);
        case Qt::ToolTipRole:
            return col == column::kLatDM || col == column::kLonDM ? QVariant(row.cell(col)) : QVariant();
        case Qt::DecorationRole:
            return col == column::kIcon && row.icon != IconRole::None ? QVariant(icons_.value(row.icon))
                                                                      : QVariant();
        case Qt::ForegroundRole:
            return col == column::kName && row.redName ? QVariant(warning_) : QVariant();
        case Qt::TextAlignmentRole:
            if (col == column::kIcon) {
                return int(Qt::AlignCenter);
            }
            switch (columns_.alignment(col)) {
                case ColumnAlignment::Right:
                    return int(Qt::AlignRight | Qt::AlignVCenter);
                default:
                    return int(Qt::AlignLeft | Qt::AlignVCenter);
            }
        default:
            return {};
    }
}

QVariant WaypointTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kColumnCount) {
        return WaypointList::headerTexts().at(section);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags WaypointTableModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace vintrel
