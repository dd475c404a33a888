#include "gui/map_pane.h"

#include "gui/map_view.h"
#include "gui/waypoint_table_model.h"
#include "gui/window_settings.h"
#include "model/waypoint_list.h"

#include <QEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTableView>

#include <algorithm>
#include <functional>

namespace vintrel {

namespace {

// Watches the grid being shown and hidden: the map goes with it.
class VisibilityWatch : public QObject {
  public:
    VisibilityWatch(QWidget* watched, std::function<void()> changed)
        : QObject(watched), changed_(std::move(changed)) {
        watched->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
            changed_();
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> changed_;
};

}  // namespace

MapPane::MapPane(const WaypointList& list, WaypointTableModel& model, QTableView* grid, QWidget* parent,
                 const TileServer& tiles)
    : QObject(parent), list_(list), model_(model), grid_(grid) {
    splitter_ = new QSplitter(Qt::Horizontal, parent);
    splitter_->setObjectName(QStringLiteral("splMap"));
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(grid);
    view_ = new MapView(splitter_);
    splitter_->addWidget(view_);
    splitter_->setStretchFactor(0, 3);
    splitter_->setStretchFactor(1, 2);
    view_->hide();
    tiles_ = new TileLayer(tiles, this);
    view_->setTiles(tiles_);

    connect(&model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] { view_->setListBusy(true); });
    connect(&model_, &QAbstractItemModel::modelReset, this, &MapPane::listChanged);
    connect(grid_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MapPane::selectionChanged);
    connect(view_, &MapView::rowClicked, this, &MapPane::showRow);
    connect(splitter_, &QSplitter::splitterMoved, this, [this] {
        const QList<int> sizes = splitter_->sizes();
        if (view_->isVisible() && sizes.value(0) + sizes.value(1) > 0) {
            share_ = double(sizes.value(1)) / (sizes.value(0) + sizes.value(1));
        }
    });
    new VisibilityWatch(grid_, [this] { updateVisibility(); });
}

QWidget* MapPane::splitter() const {
    return splitter_;
}

void MapPane::addViewMenu(QMenuBar* menuBar) {
    QMenu* view = new QMenu(QStringLiteral("&View"), menuBar);
    view->setObjectName(QStringLiteral("menuView"));
    const QList<QAction*> menus = menuBar->actions();
    menuBar->insertMenu(menus.isEmpty() ? nullptr : menus.last(), view);
    QAction* fit = view->addAction(QStringLiteral("&Fit Map to Waypoints"));
    fit->setObjectName(QStringLiteral("actMapFit"));
    connect(fit, &QAction::triggered, view_, &MapView::fit);
    streetMap_ = view->addAction(QStringLiteral("&Street Map (OpenStreetMap, online)"));
    streetMap_->setObjectName(QStringLiteral("actStreetMap"));
    streetMap_->setCheckable(true);
    streetMap_->setToolTip(
        QStringLiteral("Draw OpenStreetMap's street map under the waypoints; its tiles are fetched from the "
                       "internet and kept in your cache folder"));
    connect(streetMap_, &QAction::toggled, this, [this](bool on) {
        tiles_->setEnabled(on);
        view_->update();
    });
}

void MapPane::restore(const WindowSettings& settings) {
    if (settings.mapShare > 0.05 && settings.mapShare < 0.95) {
        share_ = settings.mapShare;
    }
    if (!settings.tileUrl.isEmpty()) {
        tiles_->setServer(settings.tileUrl, settings.tileAttribution);
    }
    if (streetMap_ != nullptr) {
        streetMap_->setChecked(settings.streetMap);
    }
}

void MapPane::keep(WindowSettings& settings) const {
    settings.mapShare = share_;
    settings.streetMap = streetMap_ != nullptr && streetMap_->isChecked();
}

void MapPane::updateVisibility() {
    const bool show = !grid_->isHidden() && list_.rowCount() > 0;
    if (show == !view_->isHidden()) {
        return;
    }
    view_->setVisible(show);
    if (show) {
        const int total = std::max(splitter_->width(), 2);
        const int map = static_cast<int>(total * share_);
        splitter_->setSizes({total - map, map});
    }
}

void MapPane::listChanged() {
    const int before = view_->points().rowCount();
    if (list_.rowCount() != before) {
        // Rows came or went: placed anew, and fitted when rows came.
        view_->setList(list_, list_.rowCount() > before);
    } else {
        view_->refreshMarks(list_);
    }
    if (model_.filtering()) {
        std::vector<int> shown;
        shown.reserve(static_cast<std::size_t>(model_.rowCount()));
        for (int r = 0; r < model_.rowCount(); ++r) {
            shown.push_back(model_.listRow(r));
        }
        view_->showOnly(&shown);
    } else {
        view_->showOnly(nullptr);
    }
    view_->setSelectedRows({}, false);  // a reset model has no selection
    view_->setListBusy(false);
    updateVisibility();
}

void MapPane::selectionChanged() {
    std::vector<int> rows;
    for (const QItemSelectionRange& range : grid_->selectionModel()->selection()) {
        for (int r = range.top(); r <= range.bottom(); ++r) {
            rows.push_back(model_.listRow(r));
        }
    }
    view_->setSelectedRows(rows, !fromMap_);
}

void MapPane::showRow(int listRow) {
    // The grid row showing it: the grid shows the rows in list order, so a search finds it.
    int lo = 0;
    int hi = model_.rowCount();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (model_.listRow(mid) < listRow) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    if (lo >= model_.rowCount() || model_.listRow(lo) != listRow) {
        return;  // hidden by the find box: not drawn, so not clicked either
    }
    const QModelIndex index = model_.index(lo, 1);
    fromMap_ = true;
    grid_->selectionModel()->setCurrentIndex(index,
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    fromMap_ = false;
    grid_->scrollTo(index);
}

}  // namespace vintrel
