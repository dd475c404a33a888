// Garmin POI files (.gpi): one row per POI, its name in column 1, its comment (or, lacking one,
// its description) in column 2, its category in column 11 (the category it refers to, else the
// name of its POI group), its speed alert kept on the row for a POI file written from the list.
// Files whose texts are in a code page this program cannot read (encrypted files give numbers no
// code page has) are refused with the reason.
#pragma once

#include "import/read_result.h"

namespace vintrel {

ReadResult readGpiFile(const QString& path, ImportContext& context);

}  // namespace vintrel
