// Lists of a few rows placed by hand, for the map's tests.
#pragma once

#include "model/waypoint_list.h"

#include <QString>

#include <initializer_list>

namespace vintrel::test {

struct PlacedRow {
    double lat;
    double lon;
    IconRole icon = IconRole::Waypoint;
    const char* name = "";
    bool duplicate = false;
};

inline void fillList(WaypointList& list, std::initializer_list<PlacedRow> rows) {
    for (const PlacedRow& r : rows) {
        WaypointDraft draft;
        draft.lat = r.lat;
        draft.lon = r.lon;
        draft.icon = r.icon;
        draft.cell(column::kName) = QString::fromUtf8(r.name);
        draft.cell(column::kDescription) = QStringLiteral("about ") + QString::fromUtf8(r.name);
        const int index = list.appendWaypointRow(WaypointRow(draft));
        if (r.duplicate) {
            list.markDuplicate(index);
        }
    }
}

}  // namespace vintrel::test
