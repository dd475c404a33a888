#include "gui/waypoint_grid.h"

#include "gui/waypoint_table_model.h"

#include <QHeaderView>
#include <QStyledItemDelegate>

namespace vintrel {

namespace {

// Draws the row icon in the middle of its cell.
class CentredIconDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->decorationAlignment = Qt::AlignCenter;
        option->decorationPosition = QStyleOptionViewItem::Top;
    }
};

}  // namespace

int twipsToPixels(int twips, double logicalDpi) {
    return qRound(twips / 15.0 * logicalDpi / 96.0);
}

WaypointGrid::WaypointGrid(WaypointTableModel* model, QWidget* parent) : QTableView(parent) {
    setObjectName(QStringLiteral("MSFlexGrid1"));
    setModel(model);
    setItemDelegateForColumn(column::kIcon, new CentredIconDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);  // no per-row measuring
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setStretchLastSection(true);
    setTabKeyNavigation(false);  // Tab leaves the grid; the arrow keys move inside it
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (!settingWidths_ && width > 0) {
            Q_EMIT columnSized(column, width);
        }
    });
}

void WaypointGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    if (model()->rowCount() == 0 || selectionModel()->hasSelection()) {
        return;
    }
    const QModelIndex current = currentIndex();
    const int row = current.isValid() ? current.row() : 0;
    setCurrentIndex(model()->index(row, column::kName));
    selectRow(row);
}

void WaypointGrid::showWidths(const ColumnLayout& columns, const QMap<int, int>& userWidths) {
    const double dpi = logicalDpiX();
    settingWidths_ = true;
    for (int c = 0; c < kColumnCount - 1; ++c) {
        const int twips = columns.width(c);
        setColumnHidden(c, twips <= 1);  // the hidden coordinate pair
        if (twips > 1) {
            setColumnWidth(c, userWidths.value(c, twipsToPixels(twips, dpi)));
        }
    }
    settingWidths_ = false;
}

}  // namespace vintrel
