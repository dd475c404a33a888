// Reader for Maptech marks (.mxf): one mark a line, no header,
//   42.4219, -71.0869, "Boston Light", "BL", "Harbour entrance", ff0000, 37
// latitude, longitude, name, short name, description, colour and symbol number; the description
// and the fields after it may be missing.
#pragma once

#include "import/read_result.h"

namespace vintrel {

// Appends one row per mark: symbol 37 shows as a geocache, any other as a waypoint. A name already
// in the list (ignoring case) drops the mark and marks every earlier row of that name.
ReadResult readMxfFile(const QString& path, ImportContext& context);

}  // namespace vintrel
