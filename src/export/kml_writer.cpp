#include "export/kml_writer.h"

#include "export/atomic_save.h"
#include "formats/xml/xml_text.h"

namespace vintrel {

using xml::appendText;
using xml::kDegreesRoom;
using xml::kMostBytesPerUnit;
using xml::putDegrees;
using xml::putLiteral;
using xml::putText;

namespace {

enum class Kind { UnEncrypted, Encrypted, Other };

Kind kindOf(const WaypointRow& row) {
    const QAnyStringView encryption = row.cellView(column::kEncryption);
    if (encryption == QLatin1StringView("Encrypted")) {
        return Kind::Encrypted;
    }
    if (encryption == QLatin1StringView("UnEncrypted")) {
        return Kind::UnEncrypted;
    }
    return Kind::Other;
}

const char* styleOf(Kind kind) {
    switch (kind) {
        case Kind::UnEncrypted:
            return "<styleUrl>#green</styleUrl>";
        case Kind::Encrypted:
            return "<styleUrl>#red</styleUrl>";
        case Kind::Other:
            break;
    }
    return "<styleUrl>#pushpin</styleUrl>";
}

// One placemark, written straight into room made for the most it can take.
void appendPlacemark(QByteArray& out, const WaypointRow& row, Kind kind, bool includeDescription) {
    const QAnyStringView name = row.cellView(column::kName);
    const QAnyStringView description =
        includeDescription ? row.cellView(column::kDescription) : QAnyStringView(u" ");
    constexpr qsizetype kFixedRoom = 160;  // the tags and the style, with room to spare
    const qsizetype start = out.size();
    out.resize(start + kFixedRoom + 2 * kDegreesRoom +
               kMostBytesPerUnit * (name.size() + description.size()));
    char* p = out.data() + start;
    p = putLiteral(p, "<Placemark><name>");
    p = putText(p, name);
    p = putLiteral(p, "</name><description>");
    p = putText(p, description);
    p = putLiteral(p, "</description>\r\n");
    p = putLiteral(p, styleOf(kind));
    p = putLiteral(p, "<Point><coordinates>");
    p = putDegrees(p, row.lon);
    *p++ = ',';
    p = putDegrees(p, row.lat);
    p = putLiteral(p, ",0</coordinates></Point></Placemark>\r\n");
    out.truncate(p - out.constData());
}

// One group of placemarks, followed by the empty line that ends a group.
bool appendGroup(ChunkedOutput& out, const WaypointList& list, Kind kind, bool includeDescription,
                 QString& error) {
    for (const WaypointRow& row : list.rows()) {
        if (kindOf(row) == kind) {
            appendPlacemark(out.buffer(), row, kind, includeDescription);
            if (!out.flushIfFull(error)) {
                return false;
            }
        }
    }
    out.buffer().append("\r\n");
    return true;
}

// The locale's long time form without its time zone, which a wall-clock reading does not have.
QString longTimeText(const QLocale& locale, const QTime& time) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString withoutZone;
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'') {
            quoted = !quoted;
        }
        if (quoted || c != u't') {
            withoutZone.append(c);
        }
    }
    return locale.toString(time, withoutZone.simplified());
}

}  // namespace

WriteReport writeKmlFile(const WaypointList& list, const QString& path, const ExportContext& context) {
    WriteReport report;
    const QDateTime now = context.clock != nullptr ? context.clock->localNow() : QDateTime::currentDateTime();
    const QString title = xml::documentTitle(path);
    const QString snippet = context.locale.toString(now.date(), QLocale::ShortFormat) + u' ' +
                            longTimeText(context.locale, now.time());
    int networks = 0;
    for (const WaypointRow& row : list.rows()) {
        if (kindOf(row) != Kind::Other) {
            ++networks;
        }
    }
    const int others = list.rowCount() - networks;
    const bool descriptions = context.options.includeDescription;

    ChunkedOutput out(path);
    if (!out.open(report.error)) {
        return report;
    }
    QByteArray& bytes = out.buffer();
    bytes.append(
        "<?xml version='1.0' encoding='UTF-8'?>\r\n"
        "<kml xmlns='http://earth.google.com/kml/2.1'>\r\n"
        "<Document>\r\n"
        "<name>");
    appendText(bytes, title);
    bytes.append("</name>\r\n<Snippet maxLines='2'>Created ");
    appendText(bytes, snippet);
    bytes.append(
        "</Snippet>\r\n"
        "<Style id='red'><IconStyle><scale>1.2</scale><Icon><href>"
        "http://maps.google.com/mapfiles/kml/paddle/red-circle.png"
        "</href></Icon></IconStyle></Style>\r\n"
        "<Style id='green'><IconStyle><scale>1.2</scale><Icon><href>"
        "http://maps.google.com/mapfiles/kml/paddle/grn-circle.png"
        "</href></Icon></IconStyle></Style>\r\n"
        "<Style id='pushpin'><IconStyle><scale>1</scale><Icon><href>"
        "http://maps.google.com/mapfiles/kml/pal3/icon55.png"
        "</href></Icon></IconStyle></Style>\r\n");
    if (networks > 0) {
        bytes.append("<Folder><name>UnEncrypted WLANs</name>\r\n");
        if (!appendGroup(out, list, Kind::UnEncrypted, descriptions, report.error)) {
            return report;
        }
        bytes.append("</Folder><Folder><name>Encrypted WLANs</name>\r\n");
        if (!appendGroup(out, list, Kind::Encrypted, descriptions, report.error)) {
            return report;
        }
        if (others > 0) {
            bytes.append("</Folder>\r\n");
        }
    }
    if (others > 0) {
        bytes.append("<Folder><name>Waypoints</name>\r\n");
        if (!appendGroup(out, list, Kind::Other, descriptions, report.error)) {
            return report;
        }
    }
    bytes.append(list.rowCount() > 0 ? "</Folder></Document></kml>\r\n" : "</Document></kml>\r\n");
    if (!out.commit(report.error)) {
        return report;
    }
    report.written = true;
    report.recordCount = list.rowCount();
    return report;
}

}  // namespace vintrel
