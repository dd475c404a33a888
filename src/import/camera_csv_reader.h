// Reader for speed-camera lists (.csv): a header line, then one camera a line,
//   -0.125,51.5,"Speed check",Fixed camera on the A40
// longitude, latitude, name and an optional description; later fields are ignored.
#pragma once

#include "import/read_result.h"

namespace vintrel {

// Appends one row per camera, its icon chosen by the first letters of its name. A name already in
// the list (ignoring case) drops the camera and marks every earlier row of that name.
ReadResult readCameraCsvFile(const QString& path, ImportContext& context);

}  // namespace vintrel
