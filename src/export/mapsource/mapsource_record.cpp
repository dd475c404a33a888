#include "export/mapsource/mapsource_record.h"

#include "export/mapsource/binary_output.h"

namespace vintrel {

std::optional<Semicircles> recordPosition(QAnyStringView name, double lat, double lon, QString& error) {
    const std::optional<qint32> latSc = semicircles(lat);
    const std::optional<qint32> lonSc = semicircles(lon);
    if (latSc && lonSc) {
        return Semicircles{*latSc, *lonSc};
    }
    error = QStringLiteral("waypoint \"%1\" has a %2 that cannot be written (%3)")
                .arg(name.toString(), latSc ? QStringLiteral("longitude") : QStringLiteral("latitude"),
                     QString::number(latSc ? lon : lat, 'g', 12));
    return std::nullopt;
}

}  // namespace vintrel
