#include "formats/gpx/gpx_names.h"

#include "model/coordinates.h"

namespace vintrel::gpx {

std::optional<Place> placeOfAttributes(const char** attributes) {
    std::optional<double> lat;
    std::optional<double> lon;
    for (const char** a = attributes; a[0] != nullptr; a += 2) {
        const std::string_view name(a[0]);
        if (name == "lat") {
            lat = parseCoordinateUtf8(a[1]);
        } else if (name == "lon") {
            lon = parseCoordinateUtf8(a[1]);
        }
    }
    return lat && lon ? std::optional(placeKey(*lat, *lon)) : std::nullopt;
}

}  // namespace vintrel::gpx
