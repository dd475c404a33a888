#include "gui/map_view.h"

#include "gui/text_tones.h"
#include "map/map_renderer.h"
#include "map/tile_layer.h"
#include "model/waypoint_list.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QToolTip>
#include <QWheelEvent>

namespace vintrel {

namespace {

constexpr double kKeyPan = 64;      // pixels an arrow key moves the map
constexpr double kPickRadius = 12;  // pixels around a click or the mouse that find a row
constexpr int kClickSlack = 4;      // pixels a click may move and still be a click

QToolButton* mapButton(QWidget* parent, const char* name, const QString& text, const QString& tip) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(text);
    button->setToolTip(tip);
    button->setFocusPolicy(Qt::NoFocus);  // the map's own keys do the same
    button->setFixedSize(28, 24);
    return button;
}

}  // namespace

MapView::MapView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("mapView"));
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::OpenHandCursor);
    setMinimumSize(160, 120);
    setAccessibleName(QStringLiteral("Map of the waypoints"));
    zoomIn_ = mapButton(this, "cmdMapZoomIn", QStringLiteral("+"), QStringLiteral("Zoom in (+)"));
    zoomOut_ = mapButton(this, "cmdMapZoomOut", QStringLiteral("\u2212"), QStringLiteral("Zoom out (-)"));
    fit_ = mapButton(this, "cmdMapFit", QStringLiteral("Fit"),
                     QStringLiteral("Show all the waypoints found (Home)"));
    const auto middle = [this] { return QPointF(width() / 2.0, height() / 2.0); };
    connect(zoomIn_, &QToolButton::clicked, this, [this, middle] { zoomBy(1, middle()); });
    connect(zoomOut_, &QToolButton::clicked, this, [this, middle] { zoomBy(-1, middle()); });
    connect(fit_, &QToolButton::clicked, this, &MapView::fit);
}

MapView::~MapView() = default;

void MapView::setList(const WaypointList& list, bool fit) {
    list_ = &list;
    points_.build(list);
    if (fit) {
        this->fit();
    }
    update();
}

void MapView::refreshMarks(const WaypointList& list) {
    points_.refreshMarks(list);
    update();
}

void MapView::showOnly(const std::vector<int>* rows) {
    if (rows != nullptr) {
        points_.showOnly(*rows);
    } else {
        points_.showAll();
    }
    update();
}

void MapView::setSelectedRows(const std::vector<int>& rows, bool centreOnOne) {
    points_.setSelected(rows);
    if (centreOnOne && rows.size() == 1 && points_.isShown(rows.front())) {
        const WorldPoint at = points_.position(rows.front());
        camera_.centreOn(at.x, at.y);
        fitPending_ = false;
    }
    update();
}

void MapView::fit() {
    camera_ = fitCamera(points_.box(), size());
    // Until the user moves the map it follows the widget's size: a splitter or a window sized
    // after the rows came keeps them all in view.
    fitPending_ = true;
    update();
}

void MapView::setTiles(TileLayer* tiles) {
    if (tiles_ != nullptr) {
        disconnect(tiles_, nullptr, this, nullptr);
    }
    tiles_ = tiles;
    if (tiles_ != nullptr) {
        connect(tiles_, &TileLayer::tileArrived, this, qOverload<>(&QWidget::update));
    }
    update();
}

QPointF MapView::pointOf(int row) const {
    const WorldPoint at = points_.position(row);
    return camera_.toScreen(at.x, at.y);
}

int MapView::rowAt(QPointF place) const {
    if (list_ == nullptr || busy_) {
        return -1;
    }
    const WorldPoint at = camera_.toWorld(place);
    return points_.nearestRow(at.x, at.y, kPickRadius / camera_.worldPixels());
}

void MapView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const MapColours colours = isLightPalette(palette()) ? MapColours::light() : MapColours::dark();
    if (!sprites_ || !sprites_->suits(colours, devicePixelRatioF())) {
        sprites_ = std::make_unique<MarkSprites>(colours, devicePixelRatioF());
    }
    camera_.size = size();
    TileSource* tiles = tiles_ != nullptr && tiles_->isEnabled() ? tiles_ : nullptr;
    drawMap(
        painter, camera_,
        MapScene{&BaseMap::bundled(), list_ != nullptr ? &points_ : nullptr, colours, tiles, sprites_.get()});
}

void MapView::resizeEvent(QResizeEvent* event) {
    camera_.size = size();
    if (fitPending_) {
        camera_ = fitCamera(points_.box(), size());
    }
    const int right = width() - zoomIn_->width() - 6;
    zoomIn_->move(right, 6);
    zoomOut_->move(right, 6 + zoomIn_->height() + 2);
    fit_->move(right, 6 + 2 * (zoomIn_->height() + 2));
    QWidget::resizeEvent(event);
}

void MapView::zoomBy(double steps, QPointF anchor) {
    camera_.zoomBy(steps, anchor);
    fitPending_ = false;
    update();
}

void MapView::panBy(QPointF pixels) {
    camera_.panBy(pixels);
    fitPending_ = false;
    update();
}

void MapView::wheelEvent(QWheelEvent* event) {
    // A notch of a wheel is a whole zoom level; a touchpad's small steps are parts of one.
    zoomBy(event->angleDelta().y() / 120.0, event->position());
    event->accept();
}

void MapView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    pressedAt_ = draggedTo_ = event->position().toPoint();
    dragging_ = true;
    moved_ = false;
    setCursor(Qt::ClosedHandCursor);
}

void MapView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        return;
    }
    const QPoint at = event->position().toPoint();
    if (!moved_ && (at - pressedAt_).manhattanLength() < kClickSlack) {
        return;  // a hand's tremble in a click
    }
    moved_ = true;
    panBy(QPointF(draggedTo_ - at));
    draggedTo_ = at;
}

void MapView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    dragging_ = false;
    setCursor(Qt::OpenHandCursor);
    if (!moved_) {
        const int row = rowAt(event->position());
        if (row >= 0) {
            Q_EMIT rowClicked(row);
        }
    }
}

void MapView::keyPressEvent(QKeyEvent* event) {
    const QPointF middle(width() / 2.0, height() / 2.0);
    switch (event->key()) {
        case Qt::Key_Left:
            panBy(QPointF(-kKeyPan, 0));
            break;
        case Qt::Key_Right:
            panBy(QPointF(kKeyPan, 0));
            break;
        case Qt::Key_Up:
            panBy(QPointF(0, -kKeyPan));
            break;
        case Qt::Key_Down:
            panBy(QPointF(0, kKeyPan));
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            zoomBy(1, middle);
            break;
        case Qt::Key_Minus:
            zoomBy(-1, middle);
            break;
        case Qt::Key_Home:
            fit();
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

bool MapView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int row = rowAt(help->pos());
        if (row < 0) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        // Escaped: a name is shown as the text it is, whatever it holds.
        const WaypointRow& r = list_->row(row);
        QToolTip::showText(
            help->globalPos(),
            QStringLiteral("<b>%1</b><br>%2")
                .arg(r.cell(column::kName).toHtmlEscaped(), r.cell(column::kDescription).toHtmlEscaped()),
            this);
        return true;
    }
    if (event->type() == QEvent::Show && fitPending_) {
        camera_ = fitCamera(points_.box(), size());
    }
    return QWidget::event(event);
}

}  // namespace vintrel
