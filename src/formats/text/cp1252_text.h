// windows-1252 for the Qt texts of the list: what the MapSource and PCX5 writers put in their files
// and how the names in an existing file read back.
#pragma once

#include <QAnyStringView>
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace vintrel {

// One byte per character, after the text is composed (NFC: a letter followed by a combining accent
// becomes the accented letter the code page has); a character the code page lacks becomes '?'.
qsizetype cp1252Length(QAnyStringView text);
// Appends the text's windows-1252 bytes to `out`; returns how many (cp1252Length()).
qsizetype appendCp1252(QByteArray& out, QAnyStringView text);
// Writes them at `out`, which has room for kCp1252MostPerUnit bytes a UTF-16 unit (composing can
// make a text longer), and returns the end.
inline constexpr qsizetype kCp1252MostPerUnit = 3;
char* writeCp1252(char* out, QAnyStringView text);
QString fromCp1252(QByteArrayView bytes);

// A field of exactly `width` bytes, as fixed-column text files (PCX5 .wpt) hold it: the text's
// windows-1252 bytes cut to `width` or followed by spaces, control characters (tabs, line breaks)
// made spaces so that a line stays one line with its columns in place. `out` has room for
// cp1252FieldRoom(width) bytes; returns the end.
constexpr qsizetype cp1252FieldRoom(qsizetype width) {
    return 2 * width * kCp1252MostPerUnit;  // no character takes more than two UTF-16 units
}
char* writeCp1252Field(char* out, QAnyStringView text, qsizetype width);
QByteArray cp1252Field(QAnyStringView text, qsizetype width);

// Whether the bytes stand for other characters than the text: a '?' for a character the code page
// lacks, or a composed letter for a decomposed one.
bool cp1252Changes(QAnyStringView text);

// The sentences that say two distinct names are written alike: one each for the first
// kListedWrittenAlike pairs, then one counting the rest.
inline constexpr int kListedWrittenAlike = 20;
QString writtenAlikeSentence(const QString& first, const QString& second, const QString& written);
QString moreWrittenAlikeSentence(int unlisted);

// Distinct names that one new file holds as the same bytes ("漢字" and "字漢" both as "??"), one
// sentence each for the user. (An add leaves such a row out and says so itself.)
QStringList cp1252NameCollisions(const QList<QAnyStringView>& names);

}  // namespace vintrel
