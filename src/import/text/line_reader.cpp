#include "import/text/line_reader.h"

#include "base/cp1252.h"

#include <cstring>

namespace vintrel {

bool isValidUtf8(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        // Runs of ASCII, eight bytes at a time.
        while (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            if ((word & 0x8080808080808080ULL) != 0) {
                break;
            }
            p += 8;
        }
        if (p == end) {
            break;
        }
        const unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        int extra;
        unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            if (b == 0xE0) {
                low = 0xA0;  // no overlong forms
            } else if (b == 0xED) {
                high = 0x9F;  // no surrogates
            }
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            if (b == 0xF0) {
                low = 0x90;
            } else if (b == 0xF4) {
                high = 0x8F;  // nothing above U+10FFFF
            }
        } else {
            return false;
        }
        if (end - p <= extra || p[1] < low || p[1] > high) {
            return false;
        }
        for (int k = 2; k <= extra; ++k) {
            if ((p[k] & 0xC0) != 0x80) {
                return false;
            }
        }
        p += extra + 1;
    }
    return true;
}

bool LineReader::open(const QString& path, QString& error) {
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadOnly)) {
        error = file_.errorString();
        return false;
    }
    const qint64 size = file_.size();
    if (size > 0) {
        if (const uchar* mapped = file_.map(0, size)) {
            data_ = reinterpret_cast<const char*>(mapped);
            size_ = static_cast<qsizetype>(size);
        } else {
            copy_ = file_.readAll();
            if (file_.error() != QFileDevice::NoError) {
                error = file_.errorString();
                return false;
            }
            data_ = copy_.constData();
            size_ = copy_.size();
        }
    }
    const QByteArrayView all(data_, size_);
    if (all.startsWith("\xEF\xBB\xBF")) {
        pos_ = 3;
    }
    utf8_ = isValidUtf8(all.sliced(pos_));
    return true;
}

bool LineReader::nextBytes(QByteArrayView& line) {
    if (pos_ >= size_) {
        return false;
    }
    const char* start = data_ + pos_;
    const qsizetype left = size_ - pos_;
    qsizetype n = 0;
    while (n < left && start[n] != '\n' && start[n] != '\r') {
        ++n;
    }
    line = QByteArrayView(start, n);
    pos_ += n;
    if (pos_ < size_) {
        pos_ += data_[pos_] == '\r' && pos_ + 1 < size_ && data_[pos_ + 1] == '\n' ? 2 : 1;
    }
    ++lineNumber_;
    return true;
}

bool LineReader::next(QString& line) {
    QByteArrayView bytes;
    if (!nextBytes(bytes)) {
        return false;
    }
    line = decode(bytes);
    return true;
}

QString LineReader::decode(QByteArrayView bytes) const {
    if (utf8_) {
        return QString::fromUtf8(bytes);
    }
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* p = reinterpret_cast<char16_t*>(out.data());
    for (char c : bytes) {
        *p++ = cp1252::toUnicode(static_cast<unsigned char>(c));
    }
    return out;
}

}  // namespace vintrel
