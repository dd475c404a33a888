#include "import/text/line_reader.h"

#include "base/cp1252.h"
#include "model/file_names.h"

#include <algorithm>
#include <cstring>

namespace vintrel {

namespace {

constexpr std::size_t kBlockSize = 256 * 1024;
// Room after a block for the rest of a character that the block's end cuts.
constexpr std::size_t kTail = 4;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

const char* skipAscii(const char* p, const char* end) {
    while (end - p >= 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        if ((word & 0x8080808080808080ULL) != 0) {
            break;
        }
        p += 8;
    }
    while (p < end && static_cast<unsigned char>(*p) < 0x80) {
        ++p;
    }
    return p;
}

// The length of the UTF-8 sequence at p, whose first byte is beyond ASCII: 0 when it is not valid
// UTF-8, -1 when the bytes so far are valid but `end` cuts it.
int sequenceAt(const unsigned char* p, const unsigned char* end) {
    const unsigned char b = *p;
    int length;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        low = b == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        high = b == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        low = b == 0xF0 ? 0x90 : 0x80;
        high = b == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    for (int k = 1; k < length; ++k) {
        if (p + k >= end) {
            return -1;
        }
        if (p[k] < (k == 1 ? low : 0x80) || p[k] > (k == 1 ? high : 0xBF)) {
            return 0;
        }
    }
    return length;
}

}  // namespace

bool isValidUtf8(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        p = reinterpret_cast<const unsigned char*>(
            skipAscii(reinterpret_cast<const char*>(p), reinterpret_cast<const char*>(end)));
        if (p == end) {
            break;
        }
        const int n = sequenceAt(p, end);
        if (n <= 0) {
            return false;
        }
        p += n;
    }
    return true;
}

LineReader::LineReader(FieldSeparator separator, std::size_t keptFields)
    : separator_(separator), kept_(keptFields), raw_(keptFields) {}

bool LineReader::open(const QString& path, QString& error) {
    if (!openForReading(file_, path, error, QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return false;
    }
    // A pipe or a FIFO has no size to hold it to; it is read until it ends.
    expected_ = file_.isSequential() ? -1 : file_.size();
    buffer_.resize(kBlockSize + kTail);
    return true;
}

bool LineReader::startAt(qint64 offset, long linesBefore, bool utf8) {
    if (offset > 0 && !file_.seek(offset)) {
        return false;
    }
    readTo_ = offset;
    lineNumber_ = firstLine_ = linesBefore;
    if (utf8) {
        mode_ = Mode::Utf8;
    }
    return true;
}

void LineReader::readPiece(qint64 stopFrom) {
    piece_ = true;
    stopFrom_ = stopFrom;
}

bool LineReader::fill() {
    pos_ = end_ = 0;
    if (atEnd_) {
        return false;
    }
    const bool first = readTo_ == 0;
    const qint64 n = file_.read(buffer_.data(), kBlockSize);
    if (n <= 0) {
        atEnd_ = true;
        if (n < 0) {
            failure_ = QStringLiteral("the file could not be read to its end (%1)").arg(file_.errorString());
        } else if (expected_ >= 0 && readTo_ < expected_) {
            failure_ = QStringLiteral("the file changed while it was read");
        }
        return false;
    }
    readTo_ += n;
    end_ = static_cast<std::size_t>(n);
    if (first) {
        // A pipe may hand out fewer bytes than a byte-order mark has.
        while (end_ < 3) {
            const qint64 more = file_.read(buffer_.data() + end_, static_cast<qint64>(3 - end_));
            if (more <= 0) {
                break;
            }
            end_ += static_cast<std::size_t>(more);
            readTo_ += more;
        }
        if (end_ >= 3 && std::memcmp(buffer_.data(), "\xEF\xBB\xBF", 3) == 0) {
            pos_ = bomSize_ = 3;
            mode_ = Mode::Utf8;
            beyondAscii_ = BeyondAscii::Utf8;
            beyondAsciiAt_ = 0;
        }
    }
    if (mode_ == Mode::Guess) {
        decide(buffer_.data() + pos_, buffer_.data() + end_);
    }
    return true;
}

// Decides how the file is read at its first byte beyond ASCII, if the block holds one.
void LineReader::decide(const char* from, const char* to) {
    const char* p = skipAscii(from, to);
    if (p == to) {
        return;
    }
    beyondAsciiAt_ = readTo_ - static_cast<qint64>(end_) + (p - buffer_.data());
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    int n = sequenceAt(u, reinterpret_cast<const unsigned char*>(to));
    // The block's end cuts the character: the rest of it is read into the room after the block.
    while (n < 0 && end_ < buffer_.size()) {
        const qint64 more = file_.read(buffer_.data() + end_, static_cast<qint64>(buffer_.size() - end_));
        if (more <= 0) {
            break;
        }
        end_ += static_cast<std::size_t>(more);
        readTo_ += more;
        n = sequenceAt(u, reinterpret_cast<const unsigned char*>(buffer_.data() + end_));
    }
    beyondAscii_ = n > 0 ? BeyondAscii::Utf8 : BeyondAscii::NotUtf8;
    // A piece reads on as UTF-8: whether the file is windows-1252 depends on the pieces before.
    mode_ = n > 0 || piece_ ? Mode::Utf8 : Mode::Cp1252;
}

void LineReader::append(const char* p, std::size_t n) {
    if (field_ >= kept_ || cut_ || n == 0) {
        return;
    }
    std::string& bytes = raw_[field_];
    const std::size_t room = kMaxField - std::min(kMaxField, bytes.size());
    if (n <= room) {
        bytes.append(p, n);
        return;
    }
    bytes.append(p, room);
    cut_ = true;
    if (mode_ == Mode::Cp1252) {
        return;
    }
    // The cut falls between characters: a sequence the limit cut goes whole.
    std::size_t start = bytes.size();
    while (start > 0 && bytes.size() - start < 4 &&
           (static_cast<unsigned char>(bytes[start - 1]) & 0xC0) == 0x80) {
        --start;
    }
    if (start > 0 && static_cast<unsigned char>(bytes[start - 1]) >= 0xC0) {
        const auto* lead = reinterpret_cast<const unsigned char*>(bytes.data() + start - 1);
        if (sequenceAt(lead, reinterpret_cast<const unsigned char*>(bytes.data() + bytes.size())) < 0) {
            bytes.resize(start - 1);
        }
    }
}

void LineReader::endField(TextLine& line) {
    if (field_ < kept_) {
        std::string& bytes = raw_[field_];
        if (state_ == State::Quoted || state_ == State::QuoteSeen) {
            keepFrom_ = bytes.size();  // an unclosed quote keeps the line's end as it is
        }
        std::size_t size = bytes.size();
        while (size > keepFrom_ && isBlank(bytes[size - 1])) {
            --size;
        }
        bytes.resize(size);
        decodeInto(line.fields[field_], bytes);
        if (cut_ && line.cutField < 0) {
            line.cutField = static_cast<int>(field_);
        }
    }
    ++field_;
    state_ = State::Start;
    keepFrom_ = 0;
    cut_ = false;
}

bool LineReader::next(TextLine& line) {
    line.fields.resize(kept_);
    line.fieldCount = 0;
    line.cutField = -1;
    line.blank = true;
    state_ = State::Start;
    field_ = 0;
    keepFrom_ = 0;
    cut_ = false;
    for (std::string& bytes : raw_) {
        bytes.clear();
    }
    const char separator = separator_ == FieldSeparator::Comma ? ',' : '\t';
    bool begun = false;
    for (;;) {
        if (pos_ == end_ && !fill()) {
            // A line the file's end cut without a line end is a line, unless the file changed under
            // it: then it may be any part of what it was.
            if (!failure_.isEmpty() || !begun) {
                return false;
            }
            break;
        }
        const char* const base = buffer_.data();
        const char* p = base + pos_;
        const char* const e = base + end_;
        if (skipLineFeed_) {
            skipLineFeed_ = false;
            if (*p == '\n') {
                ++pos_;
                continue;
            }
        }
        // A piece reads its first line whatever: the file's first may start after a byte-order mark.
        if (!begun && stopFrom_ >= 0 && lineNumber_ > firstLine_ &&
            readTo_ - static_cast<qint64>(end_ - pos_) >= stopFrom_) {
            stoppedAt_ = readTo_ - static_cast<qint64>(end_ - pos_);
            return false;  // the next piece's line
        }
        begun = true;
        bool lineEnd = false;
        while (p < e && !lineEnd) {
            const char c = *p;
            if (c == '\n' || c == '\r') {
                skipLineFeed_ = c == '\r';
                ++p;
                lineEnd = true;
                break;
            }
            switch (state_) {
                case State::Start:
                    if (c == separator) {
                        line.blank = line.blank && separator_ == FieldSeparator::Tab;  // a tab is a blank too
                        endField(line);
                        ++p;
                        continue;
                    }
                    if (isBlank(c)) {
                        ++p;
                        continue;
                    }
                    line.blank = false;
                    if (c == '"' && separator_ == FieldSeparator::Comma) {
                        state_ = State::Quoted;
                        ++p;
                        continue;
                    }
                    state_ = State::Plain;
                    [[fallthrough]];
                case State::Plain:
                case State::AfterQuote: {
                    const char* q = p;
                    while (q < e && *q != separator && *q != '\n' && *q != '\r') {
                        ++q;
                    }
                    append(p, static_cast<std::size_t>(q - p));
                    p = q;
                    if (p < e && *p == separator) {
                        endField(line);
                        ++p;
                    }
                    continue;
                }
                case State::Quoted: {
                    const char* q = p;
                    while (q < e && *q != '"' && *q != '\n' && *q != '\r') {
                        ++q;
                    }
                    append(p, static_cast<std::size_t>(q - p));
                    p = q;
                    if (p < e && *p == '"') {
                        state_ = State::QuoteSeen;
                        ++p;
                    }
                    continue;
                }
                case State::QuoteSeen:
                    if (c == '"') {
                        append(p, 1);  // "" stands for one quote
                        state_ = State::Quoted;
                        ++p;
                        continue;
                    }
                    // The closing quote: what follows up to the separator stays with the field, but
                    // not the blanks before the separator.
                    keepFrom_ = field_ < kept_ ? raw_[field_].size() : 0;
                    state_ = State::AfterQuote;
                    continue;
            }
        }
        pos_ = static_cast<std::size_t>(p - base);
        if (lineEnd) {
            break;
        }
    }
    if (state_ == State::QuoteSeen) {
        keepFrom_ = field_ < kept_ ? raw_[field_].size() : 0;
        state_ = State::AfterQuote;
    }
    endField(line);
    line.fieldCount = field_;
    for (std::size_t i = field_; i < kept_; ++i) {
        line.fields[i].resize(0);
    }
    ++lineNumber_;
    return true;
}

void LineReader::decodeInto(QString& out, const std::string& bytes) const {
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    if (skipAscii(begin, end) == end) {
        // Nearly every field: widened in place, the string's buffer reused.
        out.resize(static_cast<qsizetype>(bytes.size()));
        std::copy(begin, end, reinterpret_cast<char16_t*>(out.data()));
        return;
    }
    if (mode_ == Mode::Cp1252) {
        out.resize(static_cast<qsizetype>(bytes.size()));
        char16_t* q = reinterpret_cast<char16_t*>(out.data());
        for (const char* p = begin; p < end; ++p) {
            *q++ = cp1252::toUnicode(static_cast<unsigned char>(*p));
        }
        return;
    }
    if (isValidUtf8(QByteArrayView(begin, end - begin))) {
        out = QString::fromUtf8(begin, end - begin);
        return;
    }
    // A file read as UTF-8 with a stray byte that is not: that byte alone is windows-1252.
    out.resize(0);
    for (const char* p = begin; p < end;) {
        const char* run = skipAscii(p, end);
        out.append(QLatin1StringView(p, run - p));
        p = run;
        if (p == end) {
            break;
        }
        const int n = sequenceAt(reinterpret_cast<const unsigned char*>(p),
                                 reinterpret_cast<const unsigned char*>(end));
        if (n > 0) {
            out.append(QString::fromUtf8(p, n));
            p += n;
        } else {
            out.append(QChar(cp1252::toUnicode(static_cast<unsigned char>(*p))));
            ++p;
        }
    }
}

}  // namespace vintrel
