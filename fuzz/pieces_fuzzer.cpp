// Any bytes read in pieces on several threads give what one thread gives: the same rows, marks and
// report. The first byte picks the reader, the second the size of the pieces (1 to 64 bytes, so
// that a small input is cut often); the rest is the file.
#include "fuzz_support.h"
#include "import/import_formats.h"

#include <QStringList>

namespace {

QString readAs(const vintrel::ImportFormat& format, const QString& path,
               const vintrel::PieceSettings& pieces) {
    vintrel::WaypointList list;
    vintrel::ImportContext context{list, u'.', nullptr, pieces};
    const vintrel::ReadResult r = format.reader(path, context);
    QString s;
    for (const vintrel::WaypointRow& row : list.rows()) {
        s += vintrel::iconRoleName(row.icon);
        for (int c = 1; c < vintrel::kColumnCount; ++c) {
            s += u'\t' + row.cell(c);
        }
        s += row.redName ? QStringLiteral("\t(red)\n") : QStringLiteral("\n");
    }
    return s +
           QStringLiteral("%1 %2 %3 %4 %5 %6\n")
               .arg(r.appended)
               .arg(r.skipped)
               .arg(r.readToEnd)
               .arg(r.documentFound)
               .arg(list.duplicateCount())
               .arg(r.finished) +
           (r.problems + r.skips).join(u'\n') + r.advice;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const kExtensions[] = {"gpx", "loc", "csv", "mxf", "gdb"};
    if (size < 2) {
        return 0;
    }
    const char* extension = kExtensions[data[0] % std::size(kExtensions)];
    const vintrel::ImportFormat* format =
        vintrel::importFormatFor(QStringLiteral("input.") + QLatin1String(extension));
    if (format == nullptr) {
        std::abort();
    }
    const QString path = vintrel::fuzz::asFile(data + 2, size - 2, extension);
    vintrel::PieceSettings one;
    one.threads = 1;
    vintrel::PieceSettings pieces;
    pieces.threads = 2 + data[1] % 2;
    pieces.fromBytes = 0;
    pieces.pieceBytes = 1 + data[1] % 64;
    const QString expected = readAs(*format, path, one);
    const QString got = readAs(*format, path, pieces);
    if (got != expected) {
        std::fprintf(stderr, "read in pieces:\n%s\n-- on one thread:\n%s\n", qPrintable(got),
                     qPrintable(expected));
        std::abort();
    }
    return 0;
}
