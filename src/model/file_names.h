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
// "\r", "\t" or "\x01", so that a message stays one readable line.
QString displayFileName(QStringView name);

// Opens `file` for reading by the name's own bytes (QFile would open the name Qt makes of them);
// false with the system's reason in `error`.
bool openForReading(QFile& file, const QString& path, QString& error,
                    QIODevice::OpenMode mode = QIODevice::ReadOnly);

}  // namespace vintrel
