// The rows of wireless networks, whichever scanner's file they come from (NetStumbler, WiGLE,
// Kismet): one row per network, its SSID numbered by its place in the list, its hardware address,
// kind and channel as the description, and its encryption as icon and column 9. The list's
// network duplicate rule (the same hardware address) then holds across all of them.
#pragma once

#include "import/reader_support.h"

namespace vintrel {

// What the file says a network is; its label in the row's description.
enum class NetworkKind { Unknown, AccessPoint, AdHoc, Probe, Data };

struct NetworkRecord {
    QString ssid;     // as a cell; empty for a hidden network
    QString address;  // the hardware address as the file writes it
    NetworkKind kind = NetworkKind::Unknown;
    QString channel;
    bool encrypted = false;
    Position position{0, 0};
};

// "(AP)", "(AdHoc)", "(Probe)", "(Data)"; empty for an unknown kind.
QString networkKindLabel(NetworkKind kind);

// The row of a network: "0012:MyNet" (numbered by its place in `list`, so that equal SSIDs stay
// apart; "??" for a hidden one), "00:0F:66:12:34:56 (AP) Ch6", the position with five decimals,
// the encryption icon and "Encrypted" or "UnEncrypted". It is appended under
// DuplicateRule::AddressIgnoringCase with the record's address.
WaypointDraft networkRow(const NetworkRecord& network, const WaypointList& list, QChar decimalSeparator);

// The report line for networks left out for want of a GPS fix, `why` saying how the file showed
// it: "2 networks seen without a GPS fix (latitude or longitude 0) were skipped."
QString withoutFixSentence(int networks, const QString& why);

}  // namespace vintrel
