#include "map/base_map.h"

#include <QFile>

#include <cmath>
#include <cstring>
#include <limits>

// The map lives in a static library; its resource must be registered from outside any namespace.
static void initMapResources() {
    Q_INIT_RESOURCE(map);
}

namespace vintrel {

namespace {

constexpr char kMagic[] = "VNTRLMAP";
constexpr int kFormatVersion = 1;
constexpr int kMaxLevels = 8;

// Reads the file's fields in order; any read past the end or any value out of its range sets the
// reason and makes every later read fail too.
class FieldReader {
  public:
    explicit FieldReader(QByteArrayView bytes) : data_(bytes) {}

    bool failed() const { return !error_.isEmpty(); }
    const QString& error() const { return error_; }
    qsizetype remaining() const { return data_.size() - at_; }
    bool fail(const QString& reason) {
        if (error_.isEmpty()) {
            error_ = QStringLiteral("%1 (at byte %2)").arg(reason).arg(at_);
        }
        return false;
    }

    quint8 byte() {
        if (failed() || remaining() < 1) {
            fail(QStringLiteral("the file ends early"));
            return 0;
        }
        return static_cast<quint8>(data_[at_++]);
    }

    double float64() {
        if (failed() || remaining() < 8) {
            fail(QStringLiteral("the file ends early"));
            return 0;
        }
        quint64 bits = 0;
        for (int i = 0; i < 8; ++i) {
            bits |= quint64(static_cast<quint8>(data_[at_ + i])) << (8 * i);
        }
        at_ += 8;
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // An unsigned LEB128 number of at most 32 bits.
    quint32 varint() {
        quint64 value = 0;
        for (int shift = 0; shift < 35; shift += 7) {
            const quint8 b = byte();
            value |= quint64(b & 0x7F) << shift;
            if ((b & 0x80) == 0) {
                if (value > std::numeric_limits<quint32>::max()) {
                    break;
                }
                return static_cast<quint32>(value);
            }
        }
        fail(QStringLiteral("a number is too long"));
        return 0;
    }

    qint64 zigzag() {
        const quint32 v = varint();
        return (v & 1) != 0 ? -static_cast<qint64>(v >> 1) - 1 : static_cast<qint64>(v >> 1);
    }

    bool magic() {
        if (remaining() < 8 || std::memcmp(data_.data(), kMagic, 8) != 0) {
            return fail(QStringLiteral("not a Vintrel base map"));
        }
        at_ = 8;
        return true;
    }

  private:
    QByteArrayView data_;
    qsizetype at_ = 0;
    QString error_;
};

struct Transform {
    double scaleX, scaleY, lonOrigin, latOrigin;
};

// Reads one shape's points into the level; false when they are damaged.
bool readShape(FieldReader& in, const Transform& t, quint32 minPoints, BaseMap::Level& level,
               std::vector<BaseMap::Shape>& shapes) {
    const quint32 count = in.varint();
    // Every point takes two bytes at least: a count beyond that is damage, not a reason to
    // reserve memory.
    if (in.failed() || count < minPoints || count > in.remaining() / 2) {
        return in.fail(QStringLiteral("a shape has a wrong number of points"));
    }
    BaseMap::Shape shape;
    shape.first = static_cast<std::uint32_t>(level.points.size() / 2);
    shape.count = count;
    qint64 x = 0;
    qint64 y = 0;
    for (quint32 i = 0; i < count; ++i) {
        if (i == 0) {
            x = in.varint();
            y = in.varint();
        } else {
            x += in.zigzag();
            y += in.zigzag();
        }
        const double lon = t.lonOrigin + x * t.scaleX;
        const double lat = t.latOrigin + y * t.scaleY;
        if (in.failed() || !(lon >= -180.001 && lon <= 180.001 && lat >= -90.001 && lat <= 90.001)) {
            return in.fail(QStringLiteral("a point lies off the globe"));
        }
        const double wx = worldX(lon);
        const double wy = worldY(lat);
        level.points.push_back(static_cast<float>(wx));
        level.points.push_back(static_cast<float>(wy));
        shape.box.add(wx, wy);
    }
    shapes.push_back(shape);
    return true;
}

bool readShapes(FieldReader& in, const Transform& t, quint32 minPoints, BaseMap::Level& level,
                std::vector<BaseMap::Shape>& shapes) {
    const quint32 count = in.varint();
    if (in.failed() || count > in.remaining() / (2 * minPoints)) {
        return in.fail(QStringLiteral("a wrong number of shapes"));
    }
    for (quint32 i = 0; i < count; ++i) {
        if (!readShape(in, t, minPoints, level, shapes)) {
            return false;
        }
    }
    return true;
}

// Below this zoom a level of 1:`scale` million shows all the detail the screen can: a pixel
// covers about as much ground as the level's smallest feature.
double finestZoomFor(int scale) {
    return std::log2(156.5 / (0.28 * scale)) + 0.5;
}

}  // namespace

std::optional<BaseMap> BaseMap::parse(QByteArrayView bytes, QString* error) {
    FieldReader in(bytes);
    BaseMap map;
    const auto failed = [&]() -> std::optional<BaseMap> {
        if (error != nullptr) {
            *error = in.error();
        }
        return std::nullopt;
    };
    if (!in.magic()) {
        return failed();
    }
    if (in.byte() != kFormatVersion) {
        in.fail(QStringLiteral("a format version this program does not know"));
        return failed();
    }
    const int levels = in.byte();
    if (levels < 1 || levels > kMaxLevels) {
        in.fail(QStringLiteral("a wrong number of levels"));
        return failed();
    }
    for (int i = 0; i < levels; ++i) {
        Level level;
        level.scale = in.byte();
        const Transform t{in.float64(), in.float64(), in.float64(), in.float64()};
        if (level.scale == 0 || !(t.scaleX > 0 && t.scaleX <= 1) || !(t.scaleY > 0 && t.scaleY <= 1) ||
            !(std::abs(t.lonOrigin) <= 180) || !(std::abs(t.latOrigin) <= 90)) {
            in.fail(QStringLiteral("a level's scale or origin is wrong"));
            return failed();
        }
        if (!readShapes(in, t, 3, level, level.land) || !readShapes(in, t, 2, level, level.borders)) {
            return failed();
        }
        map.levels_.push_back(std::move(level));
    }
    if (in.remaining() != 0) {
        in.fail(QStringLiteral("more follows the last level"));
        return failed();
    }
    return map;
}

const BaseMap& BaseMap::bundled() {
    static const BaseMap map = [] {
        initMapResources();
        QFile file(QStringLiteral(":/map/world.vmap"));
        if (!file.open(QIODevice::ReadOnly)) {
            return BaseMap();
        }
        return parse(file.readAll()).value_or(BaseMap());
    }();
    return map;
}

const BaseMap::Level* BaseMap::levelFor(double zoom) const {
    for (const Level& level : levels_) {
        if (zoom < finestZoomFor(level.scale)) {
            return &level;
        }
    }
    return levels_.empty() ? nullptr : &levels_.back();
}

}  // namespace vintrel
