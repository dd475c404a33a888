// What the MapSource record encoders (GDB and MPS) share: the inputs that are the same for every
// record of one file, and the one signature the file module calls them by.
#pragma once

#include "export/export_context.h"
#include "model/waypoint_list.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace vintrel {

// MapSource's waypoint category names Category1 to Category16; an absent value is empty text.
using CategoryNames = std::array<QString, 16>;

struct RecordInputs {
    ExportOptions options;
    CategoryNames categories;  // read only for the formats that use them
    qint32 timeStamp = 0;
    int gdbVersion = 1;  // the GDB format version the records are laid out for
};

// Appends one record for `row`, named `name` in the file (its own name, or one made for it: see
// export/written_names.h); a row whose position cannot be written fails with `error` naming it, and
// nothing is appended.
using RecordEncoder = bool (*)(QByteArray& out, const WaypointRow& row, QAnyStringView name,
                               const RecordInputs& inputs, QString& error);

// A waypoint's latitude and longitude in semicircles; nothing, with `error` naming the waypoint and
// the coordinate, when one cannot be written.
struct Semicircles {
    qint32 lat;
    qint32 lon;
};
std::optional<Semicircles> recordPosition(QAnyStringView name, double lat, double lon, QString& error);

}  // namespace vintrel
