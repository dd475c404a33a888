// Garmin's waypoint symbol names and MapSource's waypoint colours.
//
// The index of a symbol name is the symbol number MapSource files carry; the position of a colour
// is the colour code of MPS records.
#pragma once

#include <QString>
#include <QStringList>

namespace vintrel {

inline constexpr int kSymbolCount = 249;
// The number used for a name that is not in the table ("Waypoint").
inline constexpr int kDefaultSymbol = 18;

// The 249 symbol names in number order; no name occurs twice.
const QStringList& symbolNames();

// The number of a symbol name, compared exactly (case and punctuation matter); kDefaultSymbol
// when the name is not in the table.
int symbolNumber(const QString& name);

// The 17 waypoint colour entries, "Default" first; the position is the colour code.
const QStringList& waypointColourNames();

}  // namespace vintrel
