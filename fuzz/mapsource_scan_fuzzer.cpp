#include "export/mapsource/mapsource_file.h"
#include "export/mapsource/record_frames.h"

#include <cstdlib>

// The frame walk of the add path, and the waypoint decoding of the reader, on any bytes: they must
// never read outside them, and what the walk accepts must hold an end record where it says.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView file(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const vintrel::MapSourceKind* kind : {&vintrel::gdbKind(), &vintrel::mpsKind()}) {
        const vintrel::MapSourceScan scan = vintrel::scanMapSourceFile(file, *kind);
        if (scan.ok() && (file.size() - scan.endRecordOffset < 7 || file[scan.endRecordOffset + 4] != 'V' ||
                          file.back() != '\x01')) {
            std::abort();
        }
    }
    vintrel::mapsource::walkRecords(
        file, [](const vintrel::mapsource::Record& record, const vintrel::mapsource::Format&) {
            for (char letter : {'k', 'l', 'm'}) {
                vintrel::mapsource::decodeWaypoint(
                    record.body, vintrel::mapsource::formatOf(vintrel::mapsource::FileKind::Gdb, letter));
            }
            vintrel::mapsource::decodeWaypoint(
                record.body, vintrel::mapsource::formatOf(vintrel::mapsource::FileKind::Mps, 'i'));
        });
    return 0;
}
