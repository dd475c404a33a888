#include "export/gpx/gpx_waypoint.h"

#include "export/mapsource/gdb_encoder.h"
#include "formats/garmin/garmin_tables.h"
#include "formats/xml/xml_text.h"

#include <vector>

namespace vintrel {

namespace {

using xml::kDegreesRoom;
using xml::kMostBytesPerUnit;
using xml::putLiteral;

// Degrees with at most seven decimals, trailing zeros dropped ("51.68541", "-0.5", "3").
char* putCoordinate(char* p, double degrees) {
    char* const start = p;
    p = xml::putDegrees(p, degrees);
    while (p[-1] == '0') {
        --p;
    }
    if (p[-1] == '.') {
        --p;
    }
    if (p - start == 2 && start[0] == '-' && start[1] == '0') {
        start[0] = '0';
        p = start + 1;
    }
    return p;
}

// The symbol names as written, escaped, by their number (the custom ones' too; none between).
const std::vector<QByteArray>& symbolTexts() {
    static const std::vector<QByteArray> texts = [] {
        std::vector<QByteArray> out;
        for (int number = 0; number < kFirstCustomSymbol + kCustomSymbolCount; ++number) {
            QByteArray text;
            xml::appendText(text, symbolName(number));
            out.push_back(text);
        }
        return out;
    }();
    return texts;
}

// The geocache type of a row, from the icon its reader chose by the type, in the words the readers
// know the type by: reading the file back gives the same icon.
QLatin1StringView cacheTypeText(IconRole icon) {
    switch (icon) {
        case IconRole::Geocache:
            return QLatin1StringView("Geocache");
        case IconRole::Traditional:
            return QLatin1StringView("Traditional Cache");
        case IconRole::Webcam:
            return QLatin1StringView("Webcam Cache");
        case IconRole::Multi:
            return QLatin1StringView("Multi Cache");
        case IconRole::Mystery:
            return QLatin1StringView("Mystery Cache");
        case IconRole::Event:
            return QLatin1StringView("Event Cache");
        case IconRole::Virtual:
            return QLatin1StringView("Virtual Hybrid");
        case IconRole::Locationless:
            return QLatin1StringView("Locationless Cache");
        default:
            break;
    }
    return {};
}

bool isNetwork(QAnyStringView encryption) {
    return encryption == QLatin1StringView("Encrypted") || encryption == QLatin1StringView("UnEncrypted");
}

}  // namespace

SymbolTexts::SymbolTexts()
    : lastName_(symbolNames()[kDefaultSymbol]), last_(&symbolTexts()[kDefaultSymbol]) {}

const QByteArray& SymbolTexts::textOf(const QString& name) {
    if (name != lastName_) {
        lastName_ = name;
        last_ = &symbolTexts()[static_cast<std::size_t>(symbolNumber(name))];
    }
    return *last_;
}

void appendGpxWaypoint(QByteArray& out, const WaypointRow& row, GpxVersion version, bool includeDescription,
                       SymbolTexts& symbols) {
    // Written straight into room made for the most it can take.
    const QAnyStringView name = row.cellView(column::kName);
    const QAnyStringView encryption = row.cellView(column::kEncryption);
    const QAnyStringView url = row.cellView(column::kUrl);
    QAnyStringView description = includeDescription ? row.cellView(column::kDescription) : QAnyStringView();
    QString networkDescription;
    if (isNetwork(encryption)) {
        networkDescription = description.isEmpty()
                                 ? encryption.toString()
                                 : description.toString() + QStringLiteral(", ") + encryption.toString();
        description = networkDescription;
    }
    const QAnyStringView category = row.cellView(column::kCategory);
    const QAnyStringView type = category.isEmpty() ? QAnyStringView(cacheTypeText(row.icon)) : category;
    const QByteArray& symbol = symbols.textOf(gdbSymbolName(name, encryption, row.cellView(column::kSymbol)));

    constexpr qsizetype kFixedRoom = 160;  // the tags, with room to spare
    const qsizetype start = out.size();
    out.resize(start + kFixedRoom + 2 * kDegreesRoom + symbol.size() +
               kMostBytesPerUnit * (name.size() + description.size() + url.size() + type.size()));
    char* p = out.data() + start;
    p = putLiteral(p, "<wpt lat=\"");
    p = putCoordinate(p, row.lat);
    p = putLiteral(p, "\" lon=\"");
    // +180 rounds to the same meridian as -180, which is the one GPX 1.1 allows.
    p = putCoordinate(p, row.lon >= 179.99999995 ? row.lon - 360.0 : row.lon);
    p = putLiteral(p, "\">");
    if (!name.isEmpty()) {
        p = putLiteral(p, "<name>");
        p = xml::putText(p, name);
        p = putLiteral(p, "</name>");
    }
    if (!description.isEmpty()) {
        p = putLiteral(p, "<desc>");
        p = xml::putText(p, description);
        p = putLiteral(p, "</desc>");
    }
    if (!url.isEmpty()) {
        if (version == GpxVersion::V11) {
            p = putLiteral(p, "<link href=\"");
            p = xml::putAttribute(p, url);
            p = putLiteral(p, "\"/>");
        } else {
            p = putLiteral(p, "<url>");
            p = xml::putText(p, url);
            p = putLiteral(p, "</url>");
        }
    }
    p = putLiteral(p, "<sym>");
    p = std::copy(symbol.begin(), symbol.end(), p);
    p = putLiteral(p, "</sym>");
    if (!type.isEmpty()) {
        p = putLiteral(p, "<type>");
        p = xml::putText(p, type);
        p = putLiteral(p, "</type>");
    }
    p = putLiteral(p, "</wpt>");
    out.truncate(p - out.constData());
}

}  // namespace vintrel
