// Draws the map: the sea, the base map's land, coastlines and borders, street tiles when a source
// of them is given, and one mark per occupied cell of the rows, coloured by the rows' kind as the
// grid's icons are, with the count of rows where a cell holds several. The window and the command
// line draw with this one function.
#pragma once

#include "map/base_map.h"
#include "map/map_camera.h"
#include "map/point_index.h"

#include <QColor>
#include <QImage>
#include <QString>

class QPainter;

namespace vintrel {

class MarkSprites;
class WaypointList;

struct MapColours {
    QColor background;  // beyond the world's edges
    QColor sea, land, coast, border;
    QColor outline;    // around every mark
    QColor duplicate;  // the ring of a cell holding a row marked as a duplicate
    QColor selection;  // the ring of a cell holding a selected row
    QColor mixed;      // a cell whose rows are of different kinds
    QColor label;      // texts drawn on the map itself (the tiles' attribution)

    static MapColours light();
    static MapColours dark();
};

// The colour of a row's mark: the main colour of its icon in the grid.
QColor kindColour(IconRole role);

// "12", "999", "1.2k", "34k", "1.2M": a cell's count in a few characters.
QString countText(int count);

// Street-map tiles drawn over the base map. A source answers from what it has at hand and may
// fetch what it has not meanwhile; where no tile is at hand the base map shows.
class TileSource {
  public:
    virtual ~TileSource() = default;
    // A frame starts: the tiles asked for from now on are the ones wanted.
    virtual void beginFrame() {}
    // The tile's picture, or a null image.
    virtual QImage tile(int zoom, int x, int y) = 0;
    virtual int maxZoom() const = 0;
    virtual QString attribution() const = 0;
};

struct MapScene {
    const BaseMap* base = nullptr;
    const PointIndex* points = nullptr;
    MapColours colours = MapColours::light();
    TileSource* tiles = nullptr;
    // The marks' pictures kept from frame to frame; nullptr, or ones of other colours: drawn anew.
    MarkSprites* sprites = nullptr;
};

// Radius in pixels of the mark of a cell of `count` rows.
double markRadius(int count);

// Draws the whole view of `camera` (its size from the painter's origin).
void drawMap(QPainter& painter, const MapCamera& camera, const MapScene& scene);

// The list drawn whole, fitted and centred on its box, in the light colours, from the bundled map
// only: the command line's picture. A null image when memory for one of `size` cannot be had.
QImage listPicture(const WaypointList& list, QSize size);

}  // namespace vintrel
