#include "export/kml_writer.h"

#include "export/atomic_save.h"

#include <QFileInfo>

#include <array>
#include <charconv>
#include <string_view>
#include <type_traits>

namespace vintrel {

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

// The most bytes one UTF-16 unit can take once escaped ("&amp;").
constexpr qsizetype kMostBytesPerUnit = 5;
// Room for a coordinate with seven decimals, whatever the number.
constexpr qsizetype kDegreesRoom = 400;

// Writes `text` at `p` as UTF-8 character data: '&', '<' and '>' escaped, and what XML does not
// allow (control characters other than tab, U+FFFE, U+FFFF, unpaired surrogates) as spaces. `p` has
// room for kMostBytesPerUnit bytes a unit; returns the end. Written in place, since it runs over
// every name and description of the list.
char* putXmlText16(char* p, QStringView text) {
    const auto put = [&p](const char* s, int n) {
        std::copy_n(s, n, p);
        p += n;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char32_t c = text[i].unicode();
        if (c < 0x80) {
            if (c == '&') {
                put("&amp;", 5);
            } else if (c == '<') {
                put("&lt;", 4);
            } else if (c == '>') {
                put("&gt;", 4);
            } else {
                *p++ = (c < 0x20 && c != '\t') ? ' ' : static_cast<char>(c);
            }
        } else if (c < 0x800) {
            *p++ = static_cast<char>(0xC0 | (c >> 6));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            const char32_t u = QChar::surrogateToUcs4(static_cast<char16_t>(c), text[++i].unicode());
            *p++ = static_cast<char>(0xF0 | (u >> 18));
            *p++ = static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            *p++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (u & 0x3F));
        } else if (QChar::isSurrogate(c) || c == 0xFFFE || c == 0xFFFF) {
            *p++ = ' ';
        } else {
            *p++ = static_cast<char>(0xE0 | (c >> 12));
            *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return p;
}

// The same for a Latin-1 text: every character is one byte, and two in UTF-8 from 0x80 on.
char* putXmlTextLatin1(char* p, QLatin1StringView text) {
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x80) {
            *p++ = static_cast<char>(0xC0 | (c >> 6));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c == '&') {
            p = std::copy_n("&amp;", 5, p);
        } else if (c == '<') {
            p = std::copy_n("&lt;", 4, p);
        } else if (c == '>') {
            p = std::copy_n("&gt;", 4, p);
        } else {
            *p++ = (c < 0x20 && c != '\t') ? ' ' : static_cast<char>(c);
        }
    }
    return p;
}

char* putXmlText(char* p, QAnyStringView text) {
    return text.visit([p](auto view) {
        if constexpr (std::is_same_v<decltype(view), QLatin1StringView>) {
            return putXmlTextLatin1(p, view);
        } else if constexpr (std::is_same_v<decltype(view), QStringView>) {
            return putXmlText16(p, view);
        } else {
            return putXmlText16(p, view.toString());
        }
    });
}

void appendXmlText(QByteArray& out, QAnyStringView text) {
    const qsizetype start = out.size();
    out.resize(start + kMostBytesPerUnit * text.size());
    out.truncate(putXmlText(out.data() + start, text) - out.constData());
}

char* putLiteral(char* p, std::string_view text) {
    return std::copy(text.begin(), text.end(), p);
}

char* putDegrees(char* p, double degrees) {
    return std::to_chars(p, p + kDegreesRoom, degrees, std::chars_format::fixed, 7).ptr;
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
    p = putXmlText(p, name);
    p = putLiteral(p, "</name><description>");
    p = putXmlText(p, description);
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

// The file's name without its folder and its extension ("caches" for C:\out\caches.kml).
QString documentTitle(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
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
    const QString title = documentTitle(path);
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
    appendXmlText(bytes, title);
    bytes.append("</name>\r\n<Snippet maxLines='2'>Created ");
    appendXmlText(bytes, snippet);
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
