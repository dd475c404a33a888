// The names GPX files are known by, for reading them and for adding to them alike.
#pragma once

#include <string_view>

namespace vintrel::gpx {

constexpr std::string_view kGpx10Namespace = "http://www.topografix.com/GPX/1/0";
constexpr std::string_view kGpx11Namespace = "http://www.topografix.com/GPX/1/1";

// Elements of a waypoint count in GPX 1.0, GPX 1.1 or no namespace; a same-named element of an
// extension (a geocaching block's own name or type) does not.
constexpr bool isGpxNamespace(std::string_view uri) {
    return uri.empty() || uri == kGpx10Namespace || uri == kGpx11Namespace;
}

constexpr bool isGarminNamespace(std::string_view uri) {
    return uri.starts_with("http://www.garmin.com/xmlschemas/");
}

}  // namespace vintrel::gpx
