#include "export/gpx/gpx_writer.h"

#include "export/atomic_save.h"
#include "export/gpx/gpx_waypoint.h"
#include "formats/xml/xml_text.h"

namespace vintrel {

WriteReport writeGpxFile(const WaypointList& list, const QString& path, const ExportContext& context) {
    WriteReport report;
    const QDateTime now = context.clock != nullptr ? context.clock->localNow() : QDateTime::currentDateTime();
    ChunkedOutput out(path);
    if (!out.open(report.error)) {
        return report;
    }
    QByteArray& bytes = out.buffer();
    bytes.append(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<gpx version=\"1.1\" creator=\"Vintrel\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
        "http://www.topografix.com/GPX/1/1/gpx.xsd\">\r\n"
        "<metadata><name>");
    xml::appendText(bytes, xml::documentTitle(path));
    bytes.append("</name><time>");
    bytes.append(now.toUTC().toString(Qt::ISODate).toLatin1());
    bytes.append("</time></metadata>\r\n");
    const bool descriptions = context.options.includeDescription;
    SymbolTexts symbols;
    for (const WaypointRow& row : list.rows()) {
        appendGpxWaypoint(bytes, row, GpxVersion::V11, descriptions, symbols);
        bytes.append("\r\n");
        if (!out.flushIfFull(report.error)) {
            return report;
        }
    }
    bytes.append("</gpx>\r\n");
    if (!out.commit(report.error)) {
        return report;
    }
    report.written = true;
    report.recordCount = list.rowCount();
    return report;
}

}  // namespace vintrel
