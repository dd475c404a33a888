// Reader for the CSV files of WiGLE WiFi Wardriving (Android) and of the many loggers that write
// its layout (Kismet's .wiglecsv among them):
//   WigleWifi-1.4,appRelease=2.26,model=GT-I9301I,...              the format line
//   MAC,SSID,AuthMode,FirstSeen,Channel,RSSI,CurrentLatitude,...   the column names
//   44:6e:e5:67:98:13,Partner,[WPA2-PSK-CCMP][ESS],2017-11-09 02:49:14,9,-87,32.1079,35.0177,...
// then one line per sighting: a network seen again is written again, with the new position and
// signal. Version 1.4 has 11 columns, 1.6 adds Frequency, RCOIs and MfgrId (14); loggers write
// either under either version number, so the columns are found by their names.
#pragma once

#include "import/read_result.h"

#include <QByteArrayView>

namespace vintrel {

// Appends one row per Wi-Fi network (hardware address) seen with a GPS fix, placed where it was
// heard strongest, as the NetStumbler reader makes them: "0001:MyNet", "44:6E:E5:67:98:13 (AP)
// Ch9", the position, and whether the network is encrypted. Sightings at 0,0 (no fix) do not
// count; rows of other radios (phone cells, Bluetooth) are passed over and counted. A hardware
// address already in the list drops the network and marks the earlier rows.
ReadResult readWigleFile(const QString& path, ImportContext& context);

// Whether a file begins with WiGLE's format line ("WigleWifi-1.4,..."), a UTF-8 byte-order mark
// aside.
bool isWigleStart(QByteArrayView head);

// Whether an AuthMode text ("[WPA2-PSK-CCMP][ESS]") names any encryption: WEP, WPA of any
// version, RSN, SAE (WPA3), OWE, or a PSK or EAP key scheme. "[ESS]", "[IBSS]", "[WPS]", the
// management-frame flags, OWE's transition mark on the open half of a pair, and an empty text are
// open.
bool wigleAuthEncrypted(QStringView authMode);

}  // namespace vintrel
