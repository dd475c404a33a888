// The KML and GPX writers on hostile row texts: control characters, lone surrogates, U+FFFE,
// markup, quotes, characters beyond 16 bits, any length. Whatever the rows hold, each file must be
// well-formed XML to a strict parser (expat), hold one placemark or waypoint per row, and give
// back every name as the writers' rule keeps it (a character XML does not allow becomes a space).
//
// The input: rows separated by 0x1E, fields of a row by 0x1F (name, description, link, encryption,
// symbol, category, position). A field that begins with 0x01 is read as UTF-16 units, so that it
// may hold what no UTF-8 does; else as UTF-8. The position field's bytes make a latitude and a
// longitude anywhere in range, the edges included.
#include "export/gpx/gpx_writer.h"
#include "export/kml_writer.h"
#include "fuzz_support.h"
#include "model/waypoint_list.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <expat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace vintrel;

QString fieldText(const QByteArray& bytes) {
    if (bytes.startsWith('\x01')) {
        const QByteArray units = bytes.mid(1);
        QString text(units.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i) {
            text[i] = QChar(static_cast<char16_t>(static_cast<unsigned char>(units[2 * i]) |
                                                  (static_cast<unsigned char>(units[2 * i + 1]) << 8)));
        }
        return text;
    }
    return QString::fromUtf8(bytes);
}

// A name as the writers keep it.
QString asWritten(const QString& name) {
    QString kept = name;
    for (qsizetype i = 0; i < kept.size(); ++i) {
        const char16_t c = kept[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < kept.size() && kept[i + 1].isLowSurrogate()) {
            ++i;
        } else if ((c < 0x20 && c != u'\t') || QChar::isSurrogate(c) || c == 0xFFFE || c == 0xFFFF) {
            kept[i] = u' ';
        }
    }
    return kept;
}

double inRange(const QByteArray& bytes, qsizetype at, double edge) {
    const auto b = [&](qsizetype i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u; };
    return -edge + 2 * edge * ((b(at) << 8) | b(at + 1)) / 65535.0;
}

// What a strict parse of a written file finds: the texts of <name> directly in each placemark or
// waypoint element.
struct Parsed {
    QStringList names;
    int records = 0;
    QByteArray text;
    QList<QByteArray> open;
    const char* record = nullptr;
};

[[noreturn]] void fault(const char* what, const QByteArray& file) {
    std::fprintf(stderr, "%s\n%.*s\n", what, static_cast<int>(std::min<qsizetype>(file.size(), 4000)),
                 file.constData());
    std::abort();
}

Parsed parseStrictly(const QByteArray& file, const char* record) {
    Parsed parsed;
    parsed.record = record;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &parsed);
    XML_SetElementHandler(
        parser,
        [](void* data, const XML_Char* name, const XML_Char**) {
            auto* p = static_cast<Parsed*>(data);
            p->open.append(name);
            p->records += qstrcmp(name, p->record) == 0 ? 1 : 0;
            p->text.clear();
        },
        [](void* data, const XML_Char* name) {
            auto* p = static_cast<Parsed*>(data);
            p->open.removeLast();
            if (qstrcmp(name, "name") == 0 && !p->open.isEmpty() && p->open.last() == p->record) {
                p->names.append(QString::fromUtf8(p->text));
            }
            p->text.clear();
        });
    XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* s, int length) {
        static_cast<Parsed*>(data)->text.append(s, length);
    });
    if (XML_Parse(parser, file.constData(), static_cast<int>(file.size()), XML_TRUE) != XML_STATUS_OK) {
        std::fprintf(stderr, "line %lu: %s\n", XML_GetCurrentLineNumber(parser),
                     XML_ErrorString(XML_GetErrorCode(parser)));
        XML_ParserFree(parser);
        fault("not well-formed", file);
    }
    XML_ParserFree(parser);
    return parsed;
}

QByteArray contents(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        std::abort();
    }
    return f.readAll();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    WaypointList list;
    QStringList names;
    for (const QByteArray& record : input.split('\x1E').mid(0, 64)) {
        const QList<QByteArray> fields = record.split('\x1F');
        const auto field = [&](qsizetype i) { return i < fields.size() ? fieldText(fields[i]) : QString(); };
        WaypointDraft d;
        d.cell(column::kName) = field(0);
        d.cell(column::kDescription) = field(1);
        d.cell(column::kUrl) = field(2);
        d.cell(column::kEncryption) = field(3);
        d.cell(column::kSymbol) = field(4);
        d.cell(column::kCategory) = field(5);
        const QByteArray position = fields.size() > 6 ? fields[6] : QByteArray();
        d.icon = static_cast<IconRole>(position.isEmpty() ? 0 : static_cast<unsigned char>(position[0]) % 17);
        d.setPosition(inRange(position, 1, 90.0), inRange(position, 3, 180.0), PositionForm{});
        list.appendWaypointRow(WaypointRow(d));
        names.append(asWritten(d.cell(column::kName)));
    }
    const QString kml = fuzz::asFile(nullptr, 0, "kml");
    const QString gpx = fuzz::asFile(nullptr, 0, "gpx");
    ExportContext context;
    context.options.includeDescription = size % 2 == 0;
    if (!writeKmlFile(list, kml, context).written || !writeGpxFile(list, gpx, context).written) {
        std::abort();
    }

    const QByteArray kmlFile = contents(kml);
    Parsed parsed = parseStrictly(kmlFile, "Placemark");
    QStringList expected = names;
    std::sort(expected.begin(), expected.end());
    std::sort(parsed.names.begin(), parsed.names.end());
    if (parsed.records != list.rowCount() || parsed.names != expected) {
        fault("the KML file lost or changed a placemark's name", kmlFile);
    }
    const QByteArray gpxFile = contents(gpx);
    parsed = parseStrictly(gpxFile, "wpt");
    expected = names;
    expected.removeAll(QString());
    if (parsed.records != list.rowCount() || parsed.names != expected) {
        fault("the GPX file lost or changed a waypoint's name", gpxFile);
    }
    return 0;
}
