// The whole add path, as the window and the command line take it, on any bytes as the file added
// to, for every format that can be added to (GPX files also have a fuzzer of their own, which reads
// the result back). A refused file stays byte for byte as it was and
// nothing is left beside it; an accepted one keeps its old bytes, and a second add of the same rows
// adds nothing and finds every record the first one counted.
#include "export/export_driver.h"
#include "export/mapsource/mapsource_file.h"
#include "export/mapsource/record_frames.h"
#include "model/waypoint_list.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace {

using namespace vintrel;

[[noreturn]] void fault(const char* what, const ExportFormat& format) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(format.key), what);
    std::abort();
}

// A few rows that meet what files hold: names a file of this program holds, one without a name,
// one twice, one beyond windows-1252, one longer than a WPT name field.
void fill(WaypointList& list) {
    const char16_t* const names[] = {u"GC1A2B3",
                                     u"Old Mill",
                                     u"",
                                     u"NEW1",
                                     u"NEW1",
                                     u"Zürich €",
                                     u"\u4E1C\u4EAC",
                                     u"A name longer than any field"};
    double lat = -80;
    for (const char16_t* name : names) {
        WaypointDraft d;
        d.cell(column::kName) = QString::fromUtf16(name);
        d.cell(column::kDescription) = QStringLiteral("d");
        d.setPosition(lat, -lat / 2, PositionForm{});
        lat += 20.25;
        list.appendWaypointRow(WaypointRow(d));
    }
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        const QString path = QString::fromLocal8Bit(tmp != nullptr ? tmp : "/tmp") +
                             QStringLiteral("/vintrel-add-fuzz-") + QString::number(getpid());
        QDir().mkpath(path);
        return path;
    }();
    const QByteArray old(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const ExportFormat& format : exportFormats()) {
        if (format.add == nullptr) {
            continue;
        }
        const QString name = QStringLiteral("target.") + format.extension;
        const QString path = dir + u'/' + name;
        for (const ExportFormat& other : exportFormats()) {  // one target at a time in the folder
            QFile::remove(dir + QStringLiteral("/target.") + other.extension);
        }
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(old) != old.size()) {
            std::abort();
        }
        file.close();

        WaypointList list;
        fill(list);
        const WriteReport first = addToFile(format, list, path, ExportContext{});
        const QByteArray after = contents(path);
        if (QDir(dir).entryList(QDir::Files | QDir::Hidden) != QStringList{name}) {
            fault("a file was left beside the target", format);
        }
        if (!first.written) {
            if (after != old) {
                fault("a refused file was changed", format);
            }
            continue;
        }
        if (first.notWrittenCount != 0) {
            fault("a row was left out for want of a name", format);
        }
        // The old bytes stay, around the new ones: a WPT file's lines before them, a MapSource
        // file's records before them and its end record after them, a GPX file's waypoints before
        // them and the rest after them.
        qsizetype same = 0;
        while (same < old.size() && same < after.size() && old[same] == after[same]) {
            ++same;
        }
        if (!after.endsWith(QByteArrayView(old).sliced(same))) {
            fault("the old bytes were not kept", format);
        }
        if (format.key == QLatin1String("GDB") || format.key == QLatin1String("MPS")) {
            const MapSourceKind& kind = format.key == QLatin1String("GDB") ? gdbKind() : mpsKind();
            const qsizetype end = scanMapSourceFile(old, kind).endRecordOffset;
            if (end < 0 || !after.startsWith(QByteArrayView(old).first(end)) ||
                !after.endsWith(QByteArrayView(old).sliced(end))) {
                fault("the old records were not kept", format);
            }
        }
        WaypointList again;
        fill(again);
        const WriteReport second = addToFile(format, again, path, ExportContext{});
        if (!second.written || second.recordCount != 0 ||
            second.existingCount != first.existingCount + first.recordCount) {
            fault("a second add of the same rows found other counts", format);
        }
        if (contents(path) != after) {
            fault("a second add of the same rows changed the file", format);
        }
    }
    return 0;
}
