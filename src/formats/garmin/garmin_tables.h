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

// MapSource's own symbols beside the table, "Custom 0" to "Custom 7" (drawn by the user), which its
// files number from 500 on.
inline constexpr int kFirstCustomSymbol = 500;
inline constexpr int kCustomSymbolCount = 8;

// The number of a symbol name, the table's or a custom one, compared exactly (case and
// punctuation matter); kDefaultSymbol when the name is neither.
int symbolNumber(const QString& name);

// The name of a symbol number: the table's, or "Custom 0" to "Custom 7"; empty for any other.
QString symbolName(int number);

// The 17 waypoint colour entries, "Default" first; the position is the colour code.
const QStringList& waypointColourNames();

}  // namespace vintrel
