// Street-map tiles from a tile server: OpenStreetMap's standard tiles unless told otherwise.
//
// Off until switched on: until then no request is made and nothing of the network is even set up.
// When on it keeps to the tile servers' usage rules: an identifying User-Agent, a disk cache under
// the user's cache folder whose copies are used before the network, at most two requests at a
// time, only the tiles of the latest frame fetched, and a tile that failed is not asked for again
// until the layer is switched on anew. Where a tile is missing (no network, a server that says no)
// the base map shows through; the window's map stays usable offline.
#pragma once

#include "map/map_renderer.h"

#include <QCache>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>

#include <deque>

class QNetworkAccessManager;
class QNetworkReply;

namespace vintrel {

struct TileServer {
    // {z}, {x} and {y} stand for the tile's zoom, column and row.
    QString urlTemplate = QStringLiteral("https://tile.openstreetmap.org/{z}/{x}/{y}.png");
    int maxZoom = 19;
    QString attribution = QStringLiteral("\u00a9 OpenStreetMap contributors");
    // Where tiles are kept between runs; empty: the user's cache folder, tiles/ in it.
    QString cacheFolder;
};

class TileLayer : public QObject, public TileSource {
    Q_OBJECT

  public:
    explicit TileLayer(TileServer server = TileServer(), QObject* parent = nullptr);
    ~TileLayer() override;

    void setEnabled(bool enabled);
    bool isEnabled() const { return enabled_; }
    // Another tile server, for when the first may not be used any more: an http or https address
    // with {z}, {x} and {y} in it, and what the map must say about the tiles' source. False, and
    // nothing changes, for an address of another form.
    bool setServer(const QString& urlTemplate, const QString& attribution);
    const TileServer& server() const { return server_; }

    void beginFrame() override;
    QImage tile(int zoom, int x, int y) override;
    int maxZoom() const override { return server_.maxZoom; }
    QString attribution() const override { return server_.attribution; }

    // "Vintrel/1.0": what the program calls itself to tile servers.
    static QString userAgent();

  Q_SIGNALS:
    // A tile came: the map should be drawn again.
    void tileArrived();

  private:
    void fetchMore();
    void arrived(QNetworkReply* reply, quint64 key);

    TileServer server_;
    bool enabled_ = false;
    QNetworkAccessManager* network_ = nullptr;  // made when first switched on
    QCache<quint64, QImage> tiles_;
    QSet<quint64> wanted_;   // asked for in the latest frame
    QSet<quint64> failed_;   // not asked for again
    QSet<quint64> loading_;  // queued or in flight
    std::deque<quint64> queue_;
    int inFlight_ = 0;
};

}  // namespace vintrel
