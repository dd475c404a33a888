// Lines of a text input (speed-camera lists, NetStumbler exports, Maptech marks), split into their
// fields as they are read.
//
// CR, LF and CR LF all end a line, and a line may be of any length. The file is read in blocks, from
// its first byte to its end whatever its size says (a pipe or a FIFO says 0), so memory stays flat
// whatever the file holds: a line keeps only the fields its reader uses, each up to kMaxField bytes,
// and counts the others. A regular file that shrinks while it is read ends the reading at the last
// whole line read, with the reason, instead of taking the program down.
//
// The bytes are read as UTF-8 unless the first byte beyond ASCII begins no valid UTF-8 sequence;
// then the whole file is read as windows-1252, which reads every byte (nothing before that byte was
// beyond ASCII). In a file read as UTF-8, a later byte that is not UTF-8 is read as windows-1252 on
// its own. A UTF-8 byte-order mark is dropped.
//
// Comma-separated lines (speed-camera lists, Maptech marks) respect double quotes: a field that
// begins with a quote runs to its closing quote, may hold commas, and "" inside it stands for one
// quote; the enclosing quotes are not part of the field, and text between the closing quote and the
// comma stays with it. Tab-separated lines (NetStumbler exports) know no quotes. Either way the
// blanks around each field are dropped, so "42.42, -71.08" reads like "42.42,-71.08".
#pragma once

#include <QByteArrayView>
#include <QFile>
#include <QString>

#include <cstddef>
#include <string>
#include <vector>

namespace vintrel {

enum class FieldSeparator { Comma, Tab };

struct TextLine {
    std::vector<QString> fields;  // the kept fields that the line has, decoded, blanks dropped
    std::size_t fieldCount = 0;   // every field of the line, kept or not
    int cutField = -1;            // the first kept field longer than kMaxField bytes, cut there
    bool blank = true;            // nothing but blanks (and separators, for tabs)
};

class LineReader {
  public:
    // The most bytes of one field that a line keeps.
    static constexpr std::size_t kMaxField = 1024 * 1024;

    // Lines are split at `separator` and keep their first `keptFields` fields.
    LineReader(FieldSeparator separator, std::size_t keptFields);

    // Opens the file; false with the system's reason when it cannot be read.
    bool open(const QString& path, QString& error);

    // Reading a regular file from `offset` on, a line start, after `linesBefore` lines; `utf8`:
    // bytes beyond ASCII before it were UTF-8, so the file is read as UTF-8 (else it is decided at
    // the first such byte from here on, as from the file's start). False when it cannot seek there.
    bool startAt(qint64 offset, long linesBefore, bool utf8);
    // Reading one piece of a file: a line that would start at or after `offset` is not read; and
    // the first byte beyond ASCII does not decide the file's encoding (the bytes are read as UTF-8),
    // it is only noted (see firstBeyondAscii()).
    void readPiece(qint64 stopFrom);
    // Where the reading stopped before a line, in a piece; -1 at the file's end.
    qint64 stoppedAt() const { return stoppedAt_; }
    enum class BeyondAscii { None, Utf8, NotUtf8 };
    // Whether a byte beyond ASCII was read, and whether the first one began valid UTF-8; where it
    // stands in the file (a byte-order mark: 0). The reader looks ahead, up to a block past where
    // it stopped.
    BeyondAscii firstBeyondAscii() const { return beyondAscii_; }
    qint64 firstBeyondAsciiAt() const { return beyondAsciiAt_; }

    // The next line; false after the last one, or when the reading failed (see failure()). A file
    // that ends with a line end has no empty line after it.
    bool next(TextLine& line);
    // The number of the line last returned, from 1.
    long lineNumber() const { return lineNumber_; }
    // Why the reading ended before the end of the file, as a clause ("the file changed while it
    // was read"); empty when it read to the end.
    const QString& failure() const { return failure_; }
    // Whether the file held no byte at all (a byte-order mark aside).
    bool wasEmpty() const { return readTo_ <= bomSize_ && failure_.isEmpty(); }
    // The offset in the file after the bytes read so far.
    qint64 bytesRead() const { return readTo_; }

    bool isUtf8() const { return mode_ != Mode::Cp1252; }

  private:
    enum class Mode { Guess, Utf8, Cp1252 };
    enum class State { Start, Plain, Quoted, QuoteSeen, AfterQuote };

    bool fill();
    void decide(const char* from, const char* to);
    void append(const char* p, std::size_t n);
    void endField(TextLine& line);
    void decodeInto(QString& out, const std::string& bytes) const;

    QFile file_;
    FieldSeparator separator_;
    std::size_t kept_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    qint64 expected_ = -1;  // the size a regular file had when opened; -1 for a pipe
    qint64 readTo_ = 0;     // the offset after the bytes read (the buffer's bytes end there)
    qint64 bomSize_ = 0;
    bool atEnd_ = false;
    bool skipLineFeed_ = false;  // the last line ended with CR: an LF right after belongs to it
    long lineNumber_ = 0;
    Mode mode_ = Mode::Guess;
    QString failure_;
    bool piece_ = false;
    qint64 stopFrom_ = -1;
    qint64 stoppedAt_ = -1;
    BeyondAscii beyondAscii_ = BeyondAscii::None;
    qint64 beyondAsciiAt_ = -1;
    long firstLine_ = 0;  // lines before the first one this reader reads

    // The line being split.
    State state_ = State::Start;
    std::size_t field_ = 0;
    std::size_t keepFrom_ = 0;  // bytes of the field that trailing blanks may not take (quoted text)
    bool cut_ = false;
    std::vector<std::string> raw_;
};

// Whether the bytes are valid UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool isValidUtf8(QByteArrayView bytes);

}  // namespace vintrel
