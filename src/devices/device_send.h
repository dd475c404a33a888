// Sending the list to a Garmin unit: a GPX file in the folder the unit reads GPX files from (or a
// GPI file in its POI folder), named after the first input file. A file of that name already on
// the unit is added to, never replaced blindly: a second send of the same list changes nothing.
//
// The new contents are made first in a scratch folder on the computer (a copy of the unit's file,
// added to there), so that their size is known before the unit is written: a unit without the
// room for them is not touched. The unit's file stays locked from the read to the replacement,
// which happens in one step, as for any other target.
#pragma once

#include "devices/garmin_devices.h"
#include "export/export_formats.h"

#include <QString>

namespace vintrel {

// The file a send writes: "caches.loc" -> "<folder>/caches.gpx".
QString deviceFilePath(const GarminDevice& device, const ExportFormat& format, const QString& firstInput);

// Writes or adds the list to the unit as deviceFilePath() names it. The report is the create's or the
// add's; nothing is written and the list stays unmarked when the unit is short of room ("not
// enough space on eTrex 30: 120 kB needed, 64 kB free") or any step fails.
WriteReport sendToDevice(const ExportFormat& format, WaypointList& list, const GarminDevice& device,
                         const QString& firstInput, const ExportContext& context);

}  // namespace vintrel
