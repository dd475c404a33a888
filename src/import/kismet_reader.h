// Reader for Kismet's network logs (.netxml, Kismet 2016 and the "newcore" versions before it):
//   <detection-run kismet-version="2016.01.R1" ...>
//     <wireless-network number="2" type="infrastructure" ...>
//       <SSID> ... <encryption>WPA+PSK</encryption> <essid cloaked="false">Net</essid> </SSID>
//       <BSSID>00:00:00:00:00:01</BSSID> <channel>6</channel>
//       <gps-info> ... <peak-lat>-31.985735</peak-lat><peak-lon>115.824046</peak-lon> ... </gps-info>
//       <wireless-client> (its own channel and gps-info, not read) </wireless-client>
//     </wireless-network>
// The DOCTYPE names a DTD on the web, which is never fetched.
#pragma once

#include "import/read_result.h"

namespace vintrel {

// Appends one row per wireless network with a position, placed at its peak (where its signal was
// strongest), as the NetStumbler reader makes them: "0001:Net", "00:00:00:00:00:01 (AP) Ch6", and
// whether it is encrypted (any <encryption> entry but "None"). A network without a name (a hidden
// one) is "??"; the kind comes from its type: infrastructure (AP), ad-hoc (AdHoc), probe (Probe),
// data (Data). A hardware address already in the list drops the network and marks the earlier
// rows.
ReadResult readKismetFile(const QString& path, ImportContext& context);

}  // namespace vintrel
