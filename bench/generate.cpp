// Writes a large invented input file: generate loc|gpx|csv|txt|mxf COUNT FILE. COUNT is the number
// of waypoints (one line each in the text formats, after their header lines).
//
// WiGLE exports: generate wigle|wigle-distinct COUNT FILE writes COUNT sightings (one line each):
// "wigle" of COUNT/2 networks, each heard twice over the file with other signals and positions,
// and a phone-cell row every 10th line (as real exports have: 2.1 to 2.5 sightings a network, 9 to
// 11% phone cells); "wigle-distinct" of COUNT networks heard once, the most rows and the largest
// index.
//
// Hostile GPX files for the repair bench: generate KIND COUNT FILE, KIND one of comment-control,
// comment-lt, name-control, name-lt, each with COUNT places of damage (a stray control byte, or a
// bare '<'), and each also with -clean appended: the same file with a blank in every such place.
// comment-*: a 10 MB comment, then the damage in one description; name-*: an element with a 4 MB
// name that holds the damage.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

long wigleNetworks = 1;  // the networks a WiGLE file's sightings are of

void header(std::FILE* f, const char* format) {
    if (std::strcmp(format, "loc") == 0) {
        std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<loc version=\"1.0\" src=\"bench\">\r\n",
                   f);
    } else if (std::strcmp(format, "gpx") == 0) {
        std::fputs(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<gpx version=\"1.0\" creator=\"bench\" "
            "xmlns=\"http://www.topografix.com/GPX/1/0\" "
            "xmlns:groundspeak=\"http://www.groundspeak.com/cache/1/0/1\">\r\n",
            f);
    } else if (std::strcmp(format, "csv") == 0) {
        std::fputs("Longitude,Latitude,Name,Description\r\n", f);
    } else if (std::strcmp(format, "txt") == 0) {
        std::fputs(
            "# $Creator: Network Stumbler Version 0.4.0\r\n"
            "# $Format: wi-scan summary with extensions\r\n"
            "# Latitude\tLongitude\t( SSID )\tType\t( BSSID )\tTime (GMT)\t[ SNR Sig Noise ]\t# ( Name )\t"
            "Flags\tChannelbits\tBcnIntvl\tDataRate\tLastChannel\r\n"
            "# $DateGMT: 2005-06-14\r\n",
            f);
    } else if (std::strncmp(format, "wigle", 5) == 0) {
        std::fputs(
            "WigleWifi-1.4,appRelease=2.26,model=bench,release=14,device=bench,display=bench,board=bench,"
            "brand=bench\n"
            "MAC,SSID,AuthMode,FirstSeen,Channel,RSSI,CurrentLatitude,CurrentLongitude,AltitudeMeters,"
            "AccuracyMeters,Type\n",
            f);
    }
}

void record(std::FILE* f, const char* format, long i, double lat, double lon) {
    static const char* const kCameras[] = {"GATSO: 30mph", "Truvelo", "Redlight", "SPECS", "Mobile", "Fixed"};
    if (std::strcmp(format, "loc") == 0) {
        std::fprintf(
            f,
            "<waypoint>\r\n\t<name id=\"GC%06lX\"><![CDATA[Bench cache %ld by Somebody]]></name>\r\n"
            "\t<coord lat=\"%.6f\" lon=\"%.6f\"/>\r\n\t<type>Geocache</type>\r\n"
            "\t<link text=\"Cache Details\">https://www.geocaching.com/seek/cache_details.aspx?wp=GC%06lX"
            "</link>\r\n</waypoint>\r\n",
            i, i, lat, lon, i);
    } else if (std::strcmp(format, "gpx") == 0) {
        std::fprintf(
            f,
            "  <wpt lat=\"%.6f\" lon=\"%.6f\">\r\n    <name>GC%06lX</name>\r\n"
            "    <desc>Bench cache %ld by Somebody, Traditional Cache (1.5/2)</desc>\r\n"
            "    <url>https://www.geocaching.com/seek/cache_details.aspx?wp=GC%06lX</url>\r\n"
            "    <sym>Geocache</sym>\r\n    <type>Geocache|Traditional Cache</type>\r\n"
            "    <groundspeak:cache id=\"%ld\"><groundspeak:name>Bench cache %ld</groundspeak:name>"
            "<groundspeak:type>Traditional Cache</groundspeak:type></groundspeak:cache>\r\n  </wpt>\r\n",
            lat, lon, i, i, i, i, i);
    } else if (std::strcmp(format, "csv") == 0) {
        std::fprintf(f, "%.6f,%.6f,\"%s %ld\",\"Camera %ld, northbound\"\r\n", lon, lat, kCameras[i % 6], i,
                     i);
    } else if (std::strcmp(format, "txt") == 0) {
        std::fprintf(
            f,
            "%c %.7f\t%c %.7f\t( Network %ld )\tBSS\t( 00:0f:%02lx:%02lx:%02lx:%02lx )\t10:12:01 (GMT)\t"
            "[ 32 81 49 ]\t# (  )\t%s\t00000040\t100\t540\t%ld\r\n",
            lat < 0 ? 'S' : 'N', lat < 0 ? -lat : lat, lon < 0 ? 'W' : 'E', lon < 0 ? -lon : lon, i,
            (i >> 24) & 0xff, (i >> 16) & 0xff, (i >> 8) & 0xff, i & 0xff, i % 2 ? "0011" : "0001",
            1 + i % 11);
    } else if (std::strncmp(format, "wigle", 5) == 0) {
        const long n = i % wigleNetworks;
        if (i % 10 == 9) {
            std::fprintf(f, "234_10_%ld_12,O2 UK,GSM;gb,2024-05-01 10:00:00,0,-81,%.8f,%.8f,152,36,GSM\n", n,
                         lat, lon);
            return;
        }
        std::fprintf(
            f,
            "02:%02lx:%02lx:%02lx:%02lx:%02lx,Network %ld,%s,2024-05-01 10:00:00,%ld,%d,%.8f,%.8f,152,36,"
            "WIFI\n",
            (n >> 32) & 0xff, (n >> 24) & 0xff, (n >> 16) & 0xff, (n >> 8) & 0xff, n & 0xff, n,
            n % 2 ? "[WPA2-PSK-CCMP][ESS]" : "[ESS]", 1 + n % 11, -90 + static_cast<int>(i * 7919 % 60), lat,
            lon);
    } else {
        std::fprintf(f,
                     "%.6f, %.6f, \"Bench mark %ld\", \"BM%ld\", \"Mark %ld by the harbour\", ff0000, %d\r\n",
                     lat, lon, i, i, i, i % 2 ? 37 : 47);
    }
}

int hostile(const char* kind, long count, const char* path) {
    const std::string k = kind;
    const bool clean = k.size() > 6 && k.compare(k.size() - 6, 6, "-clean") == 0;
    const std::string base = clean ? k.substr(0, k.size() - 6) : k;
    if (base != "comment-control" && base != "comment-lt" && base != "name-control" && base != "name-lt") {
        return 2;
    }
    const bool control = base.ends_with("control");
    const std::string damage = clean ? " a" : control ? "\x01a" : "< a";
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr) {
        std::perror(path);
        return 1;
    }
    std::fputs(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" "
        "xmlns=\"http://www.topografix.com/GPX/1/1\">\n<wpt lat=\"1\" lon=\"2\"><name>A</name></wpt>\n",
        f);
    if (base.starts_with("comment")) {
        std::fputs(("<!--" + std::string(10 * 1024 * 1024, 'c') + "-->\n").c_str(), f);
        std::fputs("<wpt lat=\"1\" lon=\"2\"><name>B</name><desc>", f);
        for (long i = 0; i < count; ++i) {
            std::fputs(damage.c_str(), f);
        }
        std::fputs("</desc></wpt>\n", f);
    } else {
        const std::string name(4 * 1024 * 1024, 'n');
        std::fputs(("<" + name + ">").c_str(), f);
        for (long i = 0; i < count; ++i) {
            std::fputs(("text" + damage + "\n").c_str(), f);
        }
        std::fputs(("</" + name + ">\n").c_str(), f);
    }
    std::fputs("<wpt lat=\"3\" lon=\"4\"><name>C</name></wpt>\n</gpx>\n", f);
    std::fclose(f);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && (std::strncmp(argv[1], "comment-", 8) == 0 || std::strncmp(argv[1], "name-", 5) == 0)) {
        const int status = hostile(argv[1], std::atol(argv[2]), argv[3]);
        if (status != 2) {
            return status;
        }
    }
    const char* const formats[] = {"loc", "gpx", "csv", "txt", "mxf", "wigle", "wigle-distinct"};
    bool known = false;
    for (const char* f : formats) {
        known = known || (argc == 4 && std::strcmp(argv[1], f) == 0);
    }
    if (!known) {
        std::fprintf(stderr, "usage: generate loc|gpx|csv|txt|mxf|wigle|wigle-distinct COUNT FILE\n");
        return 2;
    }
    const char* format = argv[1];
    const long count = std::atol(argv[2]);
    std::FILE* f = std::fopen(argv[3], "wb");
    if (f == nullptr) {
        std::perror(argv[3]);
        return 1;
    }
    std::srand(42);
    wigleNetworks = std::strcmp(format, "wigle") == 0 ? std::max(count / 2, 1L) : std::max(count, 1L);
    header(f, format);
    for (long i = 0; i < count; ++i) {
        const double lat = -89.0 + 178.0 * std::rand() / RAND_MAX;
        const double lon = -179.0 + 358.0 * std::rand() / RAND_MAX;
        record(f, format, i, lat, lon);
    }
    if (std::strcmp(format, "loc") == 0) {
        std::fputs("</loc>\r\n", f);
    } else if (std::strcmp(format, "gpx") == 0) {
        std::fputs("</gpx>\r\n", f);
    }
    std::fclose(f);
    return 0;
}
