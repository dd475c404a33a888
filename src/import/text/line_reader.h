// Lines of a text input (speed-camera lists, NetStumbler exports, Maptech marks).
//
// CR, LF and CR LF all end a line, and a line may be of any length. The bytes are read as UTF-8
// when the whole file is valid UTF-8 (a byte-order mark is dropped), else as windows-1252, which
// reads every byte. The file is mapped rather than copied, so memory stays flat whatever its size.
#pragma once

#include <QByteArrayView>
#include <QFile>
#include <QString>

namespace vintrel {

class LineReader {
  public:
    // Opens the file; false with the system's reason when it cannot be read.
    bool open(const QString& path, QString& error);

    // The next line without its end; false after the last one. A file that ends with a line end
    // has no empty line after it.
    bool next(QString& line);
    // The raw bytes of the next line, undecoded (for tests of a line's kind).
    bool nextBytes(QByteArrayView& line);
    // The number of the line last returned, from 1.
    long lineNumber() const { return lineNumber_; }

    bool isUtf8() const { return utf8_; }
    QString decode(QByteArrayView bytes) const;

  private:
    QFile file_;
    QByteArray copy_;  // the contents, when the file cannot be mapped
    const char* data_ = nullptr;
    qsizetype size_ = 0;
    qsizetype pos_ = 0;
    long lineNumber_ = 0;
    bool utf8_ = true;
};

// Whether the bytes are valid UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool isValidUtf8(QByteArrayView bytes);

}  // namespace vintrel
