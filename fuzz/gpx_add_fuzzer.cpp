// Adding to a GPX file on any bytes: a refused file stays byte-identical; an accepted one keeps
// every old byte around the new ones, and the GPX reader then reads the new waypoint from it
// without a repair (which it would report as a problem the old file did not have).
#include "export/gpx/gpx_writer.h"
#include "fuzz_support.h"
#include "import/gpx_reader.h"

#include <QFile>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        std::abort();
    }
    return f.readAll();
}

vintrel::ReadResult readGpx(const QString& path, vintrel::WaypointList& list) {
    vintrel::ImportContext context{list};
    return vintrel::readGpxFile(path, context);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = vintrel::fuzz::asFile(data, size, "gpx");
    const QByteArray before(reinterpret_cast<const char*>(data), qsizetype(size));
    vintrel::WaypointList old;
    const int oldProblems = static_cast<int>(readGpx(path, old).problems.size());

    vintrel::WaypointList list;
    vintrel::WaypointDraft d;
    d.cell(vintrel::column::kName) = QStringLiteral("Fuzz \u00FC\u20AC");
    d.lat = 1.5;
    d.lon = -2.5;
    list.appendWaypointRow(vintrel::WaypointRow(d));
    const vintrel::WriteReport report = vintrel::addToGpxFile(list, path, vintrel::ExportContext{});
    const QByteArray after = readAll(path);
    if (!report.written || report.recordCount == 0) {
        if (after != before) {
            std::abort();
        }
        return 0;
    }
    qsizetype same = 0;
    while (same < before.size() && before[same] == after[same]) {
        ++same;
    }
    if (!after.endsWith(before.sliced(same))) {
        std::abort();
    }
    vintrel::WaypointList back;
    const vintrel::ReadResult result = readGpx(path, back);
    if (result.problems.size() > oldProblems || back.findRowByName(d.cell(vintrel::column::kName)) < 0) {
        std::abort();
    }
    return 0;
}
