#include "model/file_names.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace vintrel {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the well-formed UTF-8 character at `p` (1 to 4), or 0 when the byte there does not
// start one: overlong forms, surrogates and values past U+10FFFF are not well formed.
int utf8Length(const unsigned char* p, const unsigned char* end) {
    const unsigned char b = p[0];
    if (b < 0x80) {
        return 1;
    }
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        low = b == 0xE0 ? 0xA0 : 0x80;
        high = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        low = b == 0xF0 ? 0x90 : 0x80;
        high = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (end - p < length || p[1] < low || p[1] > high) {
        return 0;
    }
    for (int k = 2; k < length; ++k) {
        if ((p[k] & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

bool isBidiControl(char16_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F ||
           c == 0x061C;
}

bool isC1(char16_t c) {
    return c >= 0x80 && c <= 0x9F;
}

// Appends `c` as "\u0085".
void appendCodeEscape(QString& shown, char16_t c) {
    static const char* const kHex = "0123456789ABCDEF";
    shown += QLatin1StringView("\\u");
    for (int shift = 12; shift >= 0; shift -= 4) {
        shown += QLatin1Char(kHex[(c >> shift) & 0xF]);
    }
}

bool isEscape(QChar c, QChar before) {
    return c.unicode() >= kEscapeBase + 0x80 && c.unicode() <= kEscapeBase + 0xFF &&
           !before.isHighSurrogate();
}

}  // namespace

QString fileNameFromBytes(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    QString name;
    name.reserve(bytes.size());
    const auto* run = p;  // the start of the well-formed characters not yet appended
    while (p < end) {
        const int length = utf8Length(p, end);
        if (length > 0) {
            p += length;
            continue;
        }
        name += QString::fromUtf8(reinterpret_cast<const char*>(run), p - run);
        name += QChar(char16_t(kEscapeBase + *p));
        run = ++p;
    }
    name += QString::fromUtf8(reinterpret_cast<const char*>(run), p - run);
    return name;
}

QByteArray fileNameBytes(QStringView name) {
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype run = 0;  // the start of the characters not yet appended
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (isEscape(name[i], i > 0 ? name[i - 1] : QChar())) {
            bytes += name.sliced(run, i - run).toUtf8();
            bytes += static_cast<char>(name[i].unicode() - kEscapeBase);
            run = i + 1;
        }
    }
    bytes += name.sliced(run).toUtf8();
    return bytes;
}

QString displayFileName(QStringView name) {
    static const char* const kHex = "0123456789ABCDEF";
    QString shown;
    shown.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        int byte = -1;
        if (isEscape(c, i > 0 ? name[i - 1] : QChar())) {
            byte = c.unicode() - kEscapeBase;
        } else if (c == u'\n') {
            shown += QLatin1StringView("\\n");
        } else if (c == u'\r') {
            shown += QLatin1StringView("\\r");
        } else if (c == u'\t') {
            shown += QLatin1StringView("\\t");
        } else if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            byte = c.unicode();
        } else if (isC1(c.unicode()) || isBidiControl(c.unicode())) {
            appendCodeEscape(shown, c.unicode());
        } else {
            shown += c;
        }
        if (byte >= 0) {
            shown += QLatin1StringView("\\x");
            shown += QLatin1Char(kHex[byte >> 4]);
            shown += QLatin1Char(kHex[byte & 0xF]);
        }
    }
    return shown;
}

QString escapedControls(QStringView text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\t' || (u >= 0x20 && u != 0x7F && !isC1(u))) {
            shown += c;
        } else if (u < 0x80) {
            shown += displayFileName(QStringView(&c, 1));
        } else {
            appendCodeEscape(shown, u);
        }
    }
    return shown;
}

bool openForReading(QFile& file, const QString& path, QString& error, QIODevice::OpenMode mode) {
    const int fd = ::open(fileNameBytes(path).constData(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        error = file.errorString();
        ::close(fd);
        return false;
    }
    return true;
}

}  // namespace vintrel
