// Reader for NetStumbler's text export (.txt): a creator line and three more header lines, then
// one network a line in tab-separated fields,
//   N 51.6854000  W 0.1872333  ( MyNet )  BSS  ( 00:0f:66:12:34:56 )  time  [ snr ]  # ( name )
//   0011  channel bits  beacon interval  data rate  6
// of which latitude, longitude, SSID, kind, hardware address, flags and channel are read.
#pragma once

#include "import/read_result.h"

namespace vintrel {

// Appends one row per network seen with a GPS fix: "0001:MyNet", "00:0F:66:12:34:56 (AP) Ch6", the
// position, and whether the network is encrypted. A hardware address already in the list (the
// start of a row's description, ignoring case) drops the network and marks the earlier rows. A file
// without the creator line gives an alert and reads nothing.
ReadResult readNetStumblerFile(const QString& path, ImportContext& context);

}  // namespace vintrel
