// Reader for GPX 1.0 and 1.1 files: waypoints (wpt) and route points (rtept), including the
// wireless-network variant whose waypoints carry privacy and ChannelID elements.
#pragma once

#include "import/read_result.h"

namespace vintrel {

// Appends one row per waypoint or route point. A non-empty name already in the list (exactly, case
// mattering) drops the later waypoint; the earlier row is left as it is.
ReadResult readGpxFile(const QString& path, ImportContext& context);

// The text shown in place of the grid when the list is still empty after a .gpx file.
QString gpxAdviceText();

}  // namespace vintrel
