// One <wpt> element of a row, as a new file and an add write it: see gpx_writer.h for its fields.
#pragma once

#include "model/waypoint_list.h"

#include <QByteArray>
#include <QString>

namespace vintrel {

enum class GpxVersion { V10, V11 };

// The symbol names as written, by name; the last one is kept, since a list mostly holds runs of
// rows with one symbol.
class SymbolTexts {
  public:
    SymbolTexts();
    const QByteArray& textOf(const QString& name);

  private:
    QString lastName_;
    const QByteArray* last_;
};

// One <wpt> element, without a line end, in UTF-8.
void appendGpxWaypoint(QByteArray& out, const WaypointRow& row, GpxVersion version, bool includeDescription,
                       SymbolTexts& symbols);

}  // namespace vintrel
