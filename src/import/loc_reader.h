// Reader for geocache .loc files:
//   <loc><waypoint><name id="GC1A2B3"><![CDATA[Old mill by Someone]]></name>
//        <coord lat="51.6854" lon="-0.187233"/><type>Geocache</type><link text="...">URL</link>
//   </waypoint>...</loc>
#pragma once

#include "import/read_result.h"

namespace vintrel {

// Appends one row per waypoint. A name already in the list (ignoring case) drops the waypoint and
// marks every earlier row of that name as a duplicate.
ReadResult readLocFile(const QString& path, ImportContext& context);

// The text shown in place of the grid when the list is still empty after a .loc file.
QString locAdviceText();

}  // namespace vintrel
