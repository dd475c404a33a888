#include "formats/mapsource/mapsource_layout.h"

#include "base/cp1252.h"

#include <cstring>

namespace vintrel::mapsource {

namespace {

constexpr qsizetype kFrameSize = 5;  // length and type letter
constexpr qsizetype kClassDataSize = 22;
constexpr qsizetype kLongestApplicationText = 64;

qint32 int32At(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<qint32>(static_cast<quint32>(b[0]) | static_cast<quint32>(b[1]) << 8 |
                               static_cast<quint32>(b[2]) << 16 | static_cast<quint32>(b[3]) << 24);
}

// Reads a record body field by field; any read past its end makes it fail, and stays failed.
class FieldReader {
  public:
    explicit FieldReader(QByteArrayView body) : body_(body) {}

    bool failed() const { return failed_; }
    bool atEnd() const { return !failed_ && pos_ == body_.size(); }

    QByteArrayView text() {
        if (failed_) {
            return {};
        }
        const qsizetype end = body_.indexOf('\0', pos_);
        if (end < 0) {
            failed_ = true;
            return {};
        }
        const QByteArrayView t = body_.sliced(pos_, end - pos_);
        pos_ = end + 1;
        return t;
    }
    void skip(qsizetype count) {
        if (failed_ || count < 0 || count > body_.size() - pos_) {
            failed_ = true;
            return;
        }
        pos_ += count;
    }
    qint32 int32() {
        if (failed_ || body_.size() - pos_ < 4) {
            failed_ = true;
            return 0;
        }
        const qint32 v = int32At(body_.data() + pos_);
        pos_ += 4;
        return v;
    }
    // A flag byte, and the value of `size` bytes that follows it when the flag is set.
    void optional(qsizetype size) {
        if (failed_ || pos_ >= body_.size()) {
            failed_ = true;
            return;
        }
        const char flag = body_[pos_++];
        if (flag != 0) {
            skip(size);
        }
    }
    // A count and that many groups of `textsEach` texts; the first text of the first group.
    QByteArrayView textList(int textsEach) {
        const qint32 count = int32();
        QByteArrayView first;
        for (qint32 i = 0; i < count && !failed_; ++i) {
            for (int k = 0; k < textsEach; ++k) {
                const QByteArrayView t = text();
                if (i == 0 && k == 0) {
                    first = t;
                }
            }
        }
        if (count < 0) {
            failed_ = true;
        }
        return first;
    }

  private:
    QByteArrayView body_;
    qsizetype pos_ = 0;
    bool failed_ = false;
};

// A text a GDB file puts after its application record: printable, short, ended by 0x00.
qsizetype applicationTextSize(QByteArrayView rest) {
    const qsizetype end = rest.first(std::min(rest.size(), kLongestApplicationText + 1)).indexOf('\0');
    if (end < 2) {
        return -1;
    }
    for (qsizetype i = 0; i < end; ++i) {
        const auto c = static_cast<unsigned char>(rest[i]);
        if (c < 0x20 || c >= 0x7F) {
            return -1;
        }
    }
    return end + 1;
}

bool isEndRecordBody(QByteArrayView body) {
    return body.size() >= 2 && body.back() == '\x01' && body[body.size() - 2] == '\0';
}

}  // namespace

QByteArrayView signatureOf(FileKind kind) {
    return kind == FileKind::Gdb ? QByteArrayView("MsRcf\0", 6) : QByteArrayView("MsRcd\0", 6);
}

QString kindName(FileKind kind) {
    return kind == FileKind::Gdb ? QStringLiteral("GDB") : QStringLiteral("MPS");
}

std::optional<FileKind> kindOfSignature(QByteArrayView file) {
    for (FileKind kind : {FileKind::Gdb, FileKind::Mps}) {
        if (file.startsWith(signatureOf(kind))) {
            return kind;
        }
    }
    return std::nullopt;
}

Format formatOf(FileKind kind, char letter) {
    Format f;
    f.kind = kind;
    f.letter = letter;
    if (kind == FileKind::Gdb) {
        if (letter >= 'k' && letter <= 'z') {
            f.gdbVersion = letter - 'k' + 1;
        }
        f.readable = f.gdbVersion >= 1 && f.gdbVersion <= 3;
        f.utf8Text = f.gdbVersion >= 3;
    } else {
        f.readable = letter == 'g' || letter == 'i';
    }
    return f;
}

namespace {

// A format letter as a message shows it: the letter, or its value when it is not printable.
QString letterText(char letter) {
    const auto byte = static_cast<unsigned char>(letter);
    return byte > 0x20 && byte < 0x7F ? QStringLiteral("'%1'").arg(QLatin1Char(letter))
                                      : QStringLiteral("0x%1").arg(byte, 2, 16, QLatin1Char('0'));
}

}  // namespace

QString Format::description() const {
    if (kind == FileKind::Gdb) {
        if (gdbVersion > 0) {
            return QStringLiteral("a MapSource GDB file of format version %1").arg(gdbVersion);
        }
        return QStringLiteral("a MapSource GDB file of an unknown format (%1)").arg(letterText(letter));
    }
    switch (letter) {
        case 'g':
            return QStringLiteral("a MapSource MPS file written by MapSource 4");
        case 'i':
            return QStringLiteral("a MapSource MPS file written by MapSource 5");
        default:
            if (letter >= 'a' && letter < 'g') {
                return QStringLiteral("a MapSource MPS file written by MapSource 3 or older");
            }
            return QStringLiteral("a MapSource MPS file of an unknown format (%1)").arg(letterText(letter));
    }
}

Walk walkRecords(QByteArrayView file, const std::function<void(const Record&, const Format&)>& onRecord) {
    Walk walk;
    walk.kind = kindOfSignature(file);
    if (!walk.kind) {
        walk.error = QStringLiteral("it is not a MapSource file");
        return walk;
    }
    const auto fail = [&walk](qsizetype offset, const char* what) {
        walk.error =
            QStringLiteral("it is damaged or cut short (%1 at byte %2)").arg(QLatin1String(what)).arg(offset);
        walk.errorOffset = offset;
        return walk;
    };
    qsizetype pos = signatureOf(*walk.kind).size();
    bool first = true;
    while (pos < file.size()) {
        if (file.size() - pos < kFrameSize) {
            return fail(pos, "a record without its length");
        }
        const qint32 length = int32At(file.data() + pos);
        const char type = file[pos + 4];
        const qsizetype data = pos + kFrameSize;
        if (length < 0 || length > file.size() - data) {
            return fail(pos, "a record longer than the file");
        }
        const Record record{pos, type, file.sliced(data, length)};
        if (first) {
            if (type != kFormatRecord) {
                walk.error = QStringLiteral("it is not a MapSource file (it has no format record)");
                walk.errorOffset = pos;
                return walk;
            }
            if (record.body.isEmpty()) {
                return fail(pos, "an empty format record");
            }
            walk.format = formatOf(*walk.kind, record.body[0]);
            walk.formatFound = true;
            first = false;
            pos = data + length;
            continue;
        }
        pos = data + length;
        onRecord(record, walk.format);
        if (type == kApplicationRecord && walk.kind == FileKind::Gdb) {
            const qsizetype text = applicationTextSize(file.sliced(pos));
            if (text < 0) {
                return fail(pos, "an application record without the program's name");
            }
            pos += text;
        } else if (type == kEndRecord) {
            if (!isEndRecordBody(record.body)) {
                return fail(record.offset, "an end record of another shape");
            }
            if (pos != file.size()) {
                return fail(pos, "more after the end record");
            }
            walk.endRecordOffset = record.offset;
            return walk;
        }
    }
    walk.error = first ? QStringLiteral("it is not a MapSource file (it has no format record)")
                       : QStringLiteral("it is cut short (it has no end record)");
    walk.errorOffset = file.size();
    return walk;
}

std::optional<WaypointFields> decodeWaypoint(QByteArrayView body, const Format& format) {
    constexpr qsizetype kDouble = 8;
    FieldReader r(body);
    WaypointFields w;
    w.name = r.text();
    r.skip(4);  // class
    r.text();   // country
    r.skip(kClassDataSize);
    w.lat = r.int32();
    w.lon = r.int32();
    if (format.kind == FileKind::Mps) {
        r.skip(9);
        w.comment = r.text();
        r.skip(9 + 8);  // ... display, colour
        w.symbol = r.int32();
        r.skip(20);
        return r.atEnd() ? std::optional(w) : std::nullopt;
    }
    r.optional(kDouble);  // altitude
    w.comment = r.text();
    r.optional(kDouble);  // proximity
    r.skip(8);            // display, colour
    w.symbol = r.int32();
    r.text();  // city
    r.text();  // state
    r.text();  // facility
    r.skip(1);
    r.optional(kDouble);  // depth
    r.text();             // address
    r.skip(1 + 4);
    w.notes = r.text();
    if (format.gdbVersion >= 3) {
        w.url = r.textList(1);
    } else {
        w.url = r.text();
    }
    r.skip(2);            // category bits
    r.optional(kDouble);  // temperature
    r.optional(4);        // time
    if (format.gdbVersion >= 3) {
        r.textList(2);  // phone numbers
        r.text();       // country
        r.text();       // postal code
    }
    return r.atEnd() ? std::optional(w) : std::nullopt;
}

std::optional<QByteArrayView> waypointName(QByteArrayView body) {
    const qsizetype end = body.indexOf('\0');
    if (end < 0) {
        return std::nullopt;
    }
    return body.first(end);
}

std::optional<std::pair<qint32, qint32>> waypointPosition(QByteArrayView body) {
    FieldReader r(body);
    r.text();   // name
    r.skip(4);  // class
    r.text();   // country
    r.skip(kClassDataSize);
    const qint32 lat = r.int32();
    const qint32 lon = r.int32();
    return r.failed() ? std::nullopt : std::optional(std::pair{lat, lon});
}

QString decodeText(QByteArrayView bytes, const Format& format) {
    if (format.utf8Text) {
        return QString::fromUtf8(bytes);
    }
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* p = reinterpret_cast<char16_t*>(out.data());
    for (char c : bytes) {
        *p++ = cp1252::toUnicode(static_cast<unsigned char>(c));
    }
    return out;
}

double degreesOf(qint32 semicircles) {
    return semicircles * (180.0 / 2147483648.0);
}

}  // namespace vintrel::mapsource
