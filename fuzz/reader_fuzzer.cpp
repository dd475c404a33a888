// One reader on any bytes, chosen from the import table by VINTREL_FUZZ_EXTENSION: every row it
// accepts must be writable. The input is read twice into one list, so the duplicate rules run too:
// where names decide ignoring case, the second reading adds nothing.
#include "fuzz_support.h"
#include "import/import_formats.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const vintrel::ImportFormat* format =
        vintrel::importFormatFor(QStringLiteral("input." VINTREL_FUZZ_EXTENSION));
    if (format == nullptr) {
        std::abort();
    }
    const QString path = vintrel::fuzz::asFile(data, size, VINTREL_FUZZ_EXTENSION);
    vintrel::WaypointList list;
    vintrel::ImportContext context{list, size % 2 == 0 ? u'.' : u','};
    format->reader(path, context);
    const int first = list.rowCount();
    format->reader(path, context);
    static const bool namesIgnoringCase = QStringList{"loc", "csv", "mxf"}.contains(format->extension);
    if (namesIgnoringCase && list.rowCount() != first) {
        std::abort();
    }
    vintrel::fuzz::writeEveryRow(list);
    return 0;
}
