// File names are bytes. Qt's own conversion (QFile::decodeName, QCoreApplication::arguments) turns
// every byte that is not part of a UTF-8 character into U+FFFD, so a Latin-1 name such as
// "caf\xE9.gpx" cannot be opened and two such names become one. Here a name is held in a QString
// with each such byte as the unpaired surrogate U+DC00 + byte, which no decoded text holds, so that
// it goes back to exactly the bytes it came from.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <QStringView>

namespace vintrel {

// The name for bytes from the system (a command-line argument, a folder entry).
QString fileNameFromBytes(QByteArrayView bytes);

// The bytes to give the system for a name: exactly those it came from.
QByteArray fileNameBytes(QStringView name);

// The name as messages show it: a byte that is not UTF-8 as "\xE9", a control character as "\n",
// "\r", "\t", "\x01" or "\u0085", and a character that reorders text (U+202A-202E, U+2066-2069,
// U+200E, U+200F, U+061C) as "\u202E", so that a message stays one line that reads as it is
// stored, whatever names it holds.
QString displayFileName(QStringView name);

// `text` with its control characters but tab (C0, DEL and C1) as escapes, as displayFileName()
// shows them, so that printing it cannot move a terminal's cursor, set its title or colours.
QString escapedControls(QStringView text);

// Opens `file` for reading by the name's own bytes (QFile would open the name Qt makes of them);
// false with the system's reason in `error`.
bool openForReading(QFile& file, const QString& path, QString& error,
                    QIODevice::OpenMode mode = QIODevice::ReadOnly);

}  // namespace vintrel
