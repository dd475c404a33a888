// MapSource files as inputs: GDB (format versions 1 to 3) and MPS (formats 'g' and 'i'). Every
// waypoint record becomes a row; routes, tracks and other records are passed over and counted.
#pragma once

#include "import/read_result.h"

namespace vintrel {

// Reads the MapSource file at `path`, GDB or MPS by its signature, whatever its name says.
ReadResult readMapSourceFile(const QString& path, ImportContext& context);

}  // namespace vintrel
