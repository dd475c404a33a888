#include "map/tile_layer.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStandardPaths>
#include <QUrl>

namespace vintrel {

namespace {

constexpr int kMaxRequests = 2;  // at once, as tile servers ask
constexpr int kKeptTiles = 512;  // in memory: a few screens full
constexpr qint64 kDiskCacheBytes = 200LL << 20;

quint64 keyOf(int zoom, int x, int y) {
    return quint64(zoom) << 58 | quint64(x) << 29 | quint64(y);
}

}  // namespace

TileLayer::TileLayer(TileServer server, QObject* parent) : QObject(parent), server_(std::move(server)) {
    tiles_.setMaxCost(kKeptTiles);
}

TileLayer::~TileLayer() = default;

QString TileLayer::userAgent() {
    return QStringLiteral("Vintrel/" VINTREL_VERSION " (GPS waypoint converter)");
}

void TileLayer::setEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    queue_.clear();
    loading_.clear();
    failed_.clear();  // switched on anew: worth another try
    if (!enabled_ || network_ != nullptr) {
        return;
    }
    network_ = new QNetworkAccessManager(this);
    auto* cache = new QNetworkDiskCache(network_);
    const QString folder =
        server_.cacheFolder.isEmpty()
            ? QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/tiles")
            : server_.cacheFolder;
    cache->setCacheDirectory(folder);
    cache->setMaximumCacheSize(kDiskCacheBytes);
    network_->setCache(cache);
}

bool TileLayer::setServer(const QString& urlTemplate, const QString& attribution) {
    const QUrl url(QString(urlTemplate)
                       .replace(QLatin1Char('{'), QLatin1Char('_'))
                       .replace(QLatin1Char('}'), QLatin1Char('_')));
    const bool usable =
        url.isValid() && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http")) &&
        !url.host().isEmpty() && urlTemplate.contains(QLatin1String("{z}")) &&
        urlTemplate.contains(QLatin1String("{x}")) && urlTemplate.contains(QLatin1String("{y}"));
    if (!usable || attribution.trimmed().isEmpty()) {
        return false;
    }
    server_.urlTemplate = urlTemplate;
    server_.attribution = attribution;
    tiles_.clear();
    queue_.clear();
    loading_.clear();
    failed_.clear();
    return true;
}

void TileLayer::beginFrame() {
    wanted_.clear();
}

QImage TileLayer::tile(int zoom, int x, int y) {
    if (!enabled_ || zoom < 0 || zoom > server_.maxZoom || x < 0 || y < 0 || x >= (1 << zoom) ||
        y >= (1 << zoom)) {
        return {};
    }
    const quint64 key = keyOf(zoom, x, y);
    if (const QImage* image = tiles_.object(key)) {
        return *image;
    }
    wanted_.insert(key);
    if (!failed_.contains(key) && !loading_.contains(key)) {
        loading_.insert(key);
        queue_.push_back(key);
        fetchMore();
    }
    return {};
}

void TileLayer::fetchMore() {
    while (enabled_ && inFlight_ < kMaxRequests && !queue_.empty()) {
        const quint64 key = queue_.front();
        queue_.pop_front();
        if (!wanted_.contains(key)) {
            loading_.remove(key);  // the view moved on before its turn came
            continue;
        }
        const int zoom = static_cast<int>(key >> 58);
        const int x = static_cast<int>((key >> 29) & 0x1FFFFFFF);
        const int y = static_cast<int>(key & 0x1FFFFFFF);
        QString url = server_.urlTemplate;
        url.replace(QLatin1String("{z}"), QString::number(zoom))
            .replace(QLatin1String("{x}"), QString::number(x))
            .replace(QLatin1String("{y}"), QString::number(y));
        QNetworkRequest request{QUrl(url)};
        request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferCache);
        QNetworkReply* reply = network_->get(request);
        ++inFlight_;
        connect(reply, &QNetworkReply::finished, this, [this, reply, key] { arrived(reply, key); });
    }
}

void TileLayer::arrived(QNetworkReply* reply, quint64 key) {
    reply->deleteLater();
    --inFlight_;
    if (!loading_.remove(key)) {
        fetchMore();
        return;  // switched off meanwhile
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    QImage image;
    if (reply->error() == QNetworkReply::NoError && status == 200) {
        image.loadFromData(reply->readAll());
    }
    if (image.isNull()) {
        failed_.insert(key);
    } else {
        tiles_.insert(key, new QImage(image.convertToFormat(QImage::Format_RGB32)));
        Q_EMIT tileArrived();
    }
    fetchMore();
}

}  // namespace vintrel
