// What the window remembers between runs: its size and place, the column widths the user chose,
// the folders last read from and written to, the two check boxes, the recent files, and the
// map's share of the width and whether it shows the street map. Kept in
// QSettings (on Linux ~/.config/Vintrel/vintrel.conf); a value missing or of the wrong kind falls
// back to the window's start-up state.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

class QSettings;

namespace vintrel {

struct WindowSettings {
    QByteArray geometry;
    QMap<int, int> columnWidths;  // pixels of the columns the user resized, by column
    QString inputFolder;
    QString outputFolder;
    bool decimal = false;
    bool includeDescription = true;
    QStringList recentFiles;  // newest first, at most kRecentFiles
    double mapShare = 0.4;    // of the width beside the grid the map takes
    bool streetMap = false;   // online street tiles under the map
    // Another street-map server, set by hand in the file: its address with {z}, {x} and {y}, and
    // its attribution; empty: OpenStreetMap's.
    QString tileUrl;
    QString tileAttribution;

    void load(QSettings& settings);
    void save(QSettings& settings) const;
    // Puts `paths` first in the recent files, in their order, without repeating one.
    void addRecent(const QStringList& paths);
};

}  // namespace vintrel
