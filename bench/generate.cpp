// Writes a large invented waypoint file: generate loc|gpx COUNT FILE.
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[1], "loc") != 0 && std::strcmp(argv[1], "gpx") != 0)) {
        std::fprintf(stderr, "usage: generate loc|gpx COUNT FILE\n");
        return 2;
    }
    const bool loc = std::strcmp(argv[1], "loc") == 0;
    const long count = std::atol(argv[2]);
    std::FILE* f = std::fopen(argv[3], "wb");
    if (f == nullptr) {
        std::perror(argv[3]);
        return 1;
    }
    std::srand(42);
    if (loc) {
        std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<loc version=\"1.0\" src=\"bench\">\r\n",
                   f);
    } else {
        std::fputs(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<gpx version=\"1.0\" creator=\"bench\" "
            "xmlns=\"http://www.topografix.com/GPX/1/0\" "
            "xmlns:groundspeak=\"http://www.groundspeak.com/cache/1/0/1\">\r\n",
            f);
    }
    for (long i = 0; i < count; ++i) {
        const double lat = -89.0 + 178.0 * std::rand() / RAND_MAX;
        const double lon = -179.0 + 358.0 * std::rand() / RAND_MAX;
        if (loc) {
            std::fprintf(
                f,
                "<waypoint>\r\n\t<name id=\"GC%06lX\"><![CDATA[Bench cache %ld by Somebody]]></name>\r\n"
                "\t<coord lat=\"%.6f\" lon=\"%.6f\"/>\r\n\t<type>Geocache</type>\r\n"
                "\t<link text=\"Cache Details\">https://www.geocaching.com/seek/cache_details.aspx?wp=GC%06lX"
                "</link>\r\n</waypoint>\r\n",
                i, i, lat, lon, i);
        } else {
            std::fprintf(
                f,
                "  <wpt lat=\"%.6f\" lon=\"%.6f\">\r\n    <name>GC%06lX</name>\r\n"
                "    <desc>Bench cache %ld by Somebody, Traditional Cache (1.5/2)</desc>\r\n"
                "    <url>https://www.geocaching.com/seek/cache_details.aspx?wp=GC%06lX</url>\r\n"
                "    <sym>Geocache</sym>\r\n    <type>Geocache|Traditional Cache</type>\r\n"
                "    <groundspeak:cache id=\"%ld\"><groundspeak:name>Bench cache %ld</groundspeak:name>"
                "<groundspeak:type>Traditional Cache</groundspeak:type></groundspeak:cache>\r\n  </wpt>\r\n",
                lat, lon, i, i, i, i, i);
        }
    }
    std::fputs(loc ? "</loc>\r\n" : "</gpx>\r\n", f);
    std::fclose(f);
    return 0;
}
