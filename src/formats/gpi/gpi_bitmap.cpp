#include "formats/gpi/gpi_bitmap.h"

#include "formats/gpi/gpi_icon_data.h"
#include "formats/gpi/gpi_layout.h"

#include <QHash>

#include <array>

namespace vintrel::gpi {

namespace {

constexpr quint32 kMagenta = 0x00FF00FF;
constexpr quint32 kBiRgb = 0;
constexpr quint32 kBiBitfields = 3;
constexpr qsizetype kFileHeaderSize = 14;

quint32 colourOf(quint8 red, quint8 green, quint8 blue) {
    return red | static_cast<quint32>(green) << 8 | static_cast<quint32>(blue) << 16;
}

// The colour numbers of a picture given as colours, and its table: exact when it has at most 256
// colours, else 3 bits of red and green and 2 of blue each.
void numberColours(const QList<quint32>& colours, Image& image) {
    QHash<quint32, quint8> numbers;
    image.pixels.resize(colours.size());
    for (qsizetype i = 0; i < colours.size(); ++i) {
        auto it = numbers.constFind(colours[i]);
        if (it == numbers.constEnd()) {
            if (numbers.size() == 256) {
                numbers.clear();  // too many: the fixed table below
                break;
            }
            it = numbers.insert(colours[i], static_cast<quint8>(numbers.size()));
            image.colours.append(colours[i]);
        }
        image.pixels[i] = static_cast<char>(*it);
    }
    if (!numbers.isEmpty()) {
        return;
    }
    image.colours.clear();
    for (int n = 0; n < 256; ++n) {
        image.colours.append(colourOf(static_cast<quint8>((n >> 5) * 255 / 7),
                                      static_cast<quint8>(((n >> 2) & 7) * 255 / 7),
                                      static_cast<quint8>((n & 3) * 255 / 3)));
    }
    for (qsizetype i = 0; i < colours.size(); ++i) {
        const quint32 c = colours[i];
        image.pixels[i] = static_cast<char>((c & 0xE0) | ((c >> 11) & 0x1C) | ((c >> 22) & 0x03));
    }
}

}  // namespace

std::optional<Image> imageFromBmp(QByteArrayView bmp, QString& why) {
    FieldReader file(bmp);
    if (file.take(2) != "BM") {
        why = QStringLiteral("is not a BMP picture");
        return std::nullopt;
    }
    file.take(8);
    const quint32 pixelsAt = file.u32();
    const quint32 headerSize = file.u32();
    const qint32 width = file.i32();
    const qint32 rawHeight = file.i32();
    file.u16();
    const int bits = file.u16();
    const quint32 compression = file.u32();
    file.take(12);
    const quint32 coloursUsed = file.u32();
    if (!file.ok() || headerSize < 40) {
        why = QStringLiteral(
            "is not a BMP picture this program reads (its header is cut short or of an old kind)");
        return std::nullopt;
    }
    const qint64 height = rawHeight < 0 ? -qint64{rawHeight} : rawHeight;
    if (width <= 0 || height == 0 || width > kLargestIcon || height > kLargestIcon) {
        why = QStringLiteral("is %1 × %2 pixels; an icon may be %3 × %3 at most")
                  .arg(width)
                  .arg(height)
                  .arg(kLargestIcon);
        return std::nullopt;
    }
    // 32-bit pictures may give their channels as masks, an alpha channel among them in the newer
    // headers: only the usual byte order is read.
    bool masksUsual = compression == kBiRgb;
    bool alpha = false;
    if (compression == kBiBitfields && bits == 32) {
        FieldReader masks(bmp.sliced(std::min<qsizetype>(bmp.size(), kFileHeaderSize + 40)));
        masksUsual = masks.u32() == 0x00FF0000 && masks.u32() == 0x0000FF00 && masks.u32() == 0x000000FF;
        alpha = headerSize >= 56 && masks.u32() == 0xFF000000;
    }
    if ((bits != 8 && bits != 24 && bits != 32) || !masksUsual) {
        why = QStringLiteral(
                  "has %1 bits a pixel%2; icons of 8, 24 or 32 bits a pixel, not compressed, are read")
                  .arg(bits)
                  .arg(compression == kBiRgb ? QString() : QStringLiteral(", compressed"));
        return std::nullopt;
    }
    const qsizetype stride = (width * bits + 31) / 32 * 4;
    if (pixelsAt > static_cast<quint64>(bmp.size()) || stride * height > bmp.size() - pixelsAt) {
        why = QStringLiteral("is cut short");
        return std::nullopt;
    }
    // The colour table follows the header (and, in the oldest header with masks, the three masks).
    std::array<quint32, 256> table{};
    if (bits == 8) {
        const quint32 count = coloursUsed == 0 || coloursUsed > 256 ? 256 : coloursUsed;
        FieldReader colours(bmp.sliced(std::min<qsizetype>(bmp.size(), kFileHeaderSize + headerSize)));
        for (quint32 i = 0; i < count && colours.left() >= 4; ++i) {
            const QByteArrayView bgr = colours.take(4);
            table[i] = colourOf(static_cast<quint8>(bgr[2]), static_cast<quint8>(bgr[1]),
                                static_cast<quint8>(bgr[0]));
        }
    }
    QList<quint32> colours;
    colours.reserve(width * height);
    for (qint64 y = 0; y < height; ++y) {
        // Rows are kept bottom first unless the height is negative.
        const qint64 row = rawHeight < 0 ? y : height - 1 - y;
        const char* p = bmp.data() + pixelsAt + row * stride;
        for (qint32 x = 0; x < width; ++x) {
            if (bits == 8) {
                colours.append(table[static_cast<quint8>(p[x])]);
                continue;
            }
            const char* px = p + x * (bits / 8);
            const bool clear = alpha && static_cast<quint8>(px[3]) < 128;
            colours.append(clear ? kMagenta
                                 : colourOf(static_cast<quint8>(px[2]), static_cast<quint8>(px[1]),
                                            static_cast<quint8>(px[0])));
        }
    }
    Image image;
    image.width = width;
    image.height = static_cast<int>(height);
    numberColours(colours, image);
    return image;
}

void putBitmap(QByteArray& out, quint16 index, const Image& image) {
    constexpr quint32 kPixelsAt = 44;
    const int stride = (image.width + 3) / 4 * 4;
    const auto pixelBytes = static_cast<quint32>(stride * image.height);
    RecordFrame record(out, kBitmap, false);
    putU16(out, index);
    putU16(out, static_cast<quint16>(image.height));
    putU16(out, static_cast<quint16>(image.width));
    putU16(out, static_cast<quint16>(stride));
    putU16(out, 8);
    putU16(out, 0);
    putU32(out, pixelBytes);
    putU32(out, kPixelsAt);
    putU32(out, 256);
    putU32(out, kMagenta);
    putU32(out, 1);
    putU32(out, kPixelsAt + pixelBytes);
    for (int y = 0; y < image.height; ++y) {
        out.append(image.pixels.constData() + qsizetype{y} * image.width, image.width);
        out.append(stride - image.width, '\0');
    }
    for (int i = 0; i < 256; ++i) {
        putU32(out, i < image.colours.size() ? image.colours[i] : 0);
    }
    record.end();
}

const Image* cameraImage(IconRole role) {
    static const auto images = [] {
        QHash<IconRole, Image> decoded;
        for (IconRole r : {IconRole::Gatso, IconRole::RedLight, IconRole::Specs, IconRole::Mobile}) {
            QString why;
            if (const std::optional<Image> image = imageFromBmp(cameraIconBmp(iconRoleName(r)), why)) {
                decoded.insert(r, *image);
            }
        }
        return decoded;
    }();
    const auto it = images.constFind(role);
    return it == images.constEnd() ? nullptr : &*it;
}

}  // namespace vintrel::gpi
