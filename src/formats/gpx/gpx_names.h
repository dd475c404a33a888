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

// Whether a sound file may hold the element inside one of the same name. GPX's own elements never
// nest in their namesakes, so such a start means the outer one lost its end tag; an extension's
// elements follow schemas of their own (gpx_style's <line> holds an <extensions> of its own, inside
// the GPX one).
constexpr bool nestsInItself(std::string_view uri, std::string_view local) {
    return local == "extensions" || !isGpxNamespace(uri);
}

constexpr bool isGarminNamespace(std::string_view uri) {
    return uri.starts_with("http://www.garmin.com/xmlschemas/");
}

}  // namespace vintrel::gpx
