#include "formats/gpi/gpi_poi.h"

#include "formats/gpi/gpi_layout.h"
#include "formats/text/cp1252_text.h"

#include <cstring>

namespace vintrel::gpi {

namespace {

// Writes little-endian fields at a place made ready for them.
struct Cursor {
    char* p;
    void u8(quint32 v) { *p++ = static_cast<char>(v & 0xFF); }
    void u16(quint32 v) {
        u8(v);
        u8(v >> 8);
    }
    void u32(quint32 v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void bytes(const char* b, std::size_t n) {
        std::memcpy(p, b, n);
        p += n;
    }
};

}  // namespace

qsizetype poiRoom(const PoiFields& poi, quint16 codePage) {
    // Composing a text may make it up to three times as long, and UTF-8 takes up to three bytes a
    // UTF-16 unit; windows-1252 makes room for composing itself.
    const qsizetype perUnit = codePage == kUtf8 ? 9 : kCp1252MostPerUnit;
    return 12 + 11 + 8 + 20 + 10 + 16 + perUnit * (poi.name.size() + poi.comment.size());
}

char* putPoi(char* out, const PoiFields& poi, quint16 codePage, int& cuts) {
    // Written in place, as the MapSource records are: the fields go straight where they belong. A
    // UTF-8 file's texts are encoded first (such files are few); windows-1252 is written where it
    // goes.
    QByteArray nameUtf8;
    QByteArray commentUtf8;
    if (codePage == kUtf8) {
        bool nameCut = false;
        bool commentCut = false;
        nameUtf8 = encodeText(poi.name, codePage, &nameCut);
        commentUtf8 = encodeText(poi.comment, codePage, &commentCut);
        cuts += (nameCut ? 1 : 0) + (commentCut ? 1 : 0);
    }
    char* const begin = out;
    Cursor c{begin + 12};
    const auto text = [&](QAnyStringView value, const QByteArray& utf8) {
        char* const head = c.p;
        c.p += 8;
        qsizetype bytes = utf8.size();
        if (codePage == kUtf8) {
            c.bytes(utf8.constData(), static_cast<std::size_t>(bytes));
        } else {
            bytes = writeCp1252(c.p, value) - c.p;
            if (bytes > kLongestText) {
                bytes = kLongestText;
                ++cuts;
            }
            c.p += bytes;
        }
        Cursor h{head};
        h.u32(static_cast<quint32>(bytes + 4));
        h.bytes(kLanguage.data(), 2);
        h.u16(static_cast<quint32>(bytes));
    };
    const bool alert = poi.proximity != 0 || poi.speed != 0;
    c.u32(static_cast<quint32>(poi.lat));
    c.u32(static_cast<quint32>(poi.lon));
    c.u16(1);
    c.u8(alert ? 1 : 0);
    text(poi.name, nameUtf8);
    const auto main = static_cast<quint32>(c.p - begin - 12);
    if (alert) {
        c.bytes("\x03\x00\x00\x00\x0c\x00\x00\x00", 8);
        c.u16(poi.proximity);
        c.u16(poi.speed);
        c.bytes("\x00\x01\x10\x00\x01\x01", 6);
        c.u8(poi.speed != 0 ? 5 : 4);
        c.u8(0x10);
    }
    if (poi.icon >= 0) {
        c.bytes("\x04\x00\x00\x00\x02\x00\x00\x00", 8);
        c.u16(static_cast<quint32>(poi.icon));
    }
    if (!poi.comment.isEmpty()) {
        char* const record = c.p;
        c.p += 8;
        text(poi.comment, commentUtf8);
        Cursor h{record};
        h.u16(kComment);
        h.u16(0);
        h.u32(static_cast<quint32>(c.p - record - 8));
    }
    Cursor h{begin};
    h.u16(kPoi);
    h.u16(kHasMain);
    h.u32(static_cast<quint32>(c.p - begin - 12));
    h.u32(main);
    return c.p;
}

}  // namespace vintrel::gpi
