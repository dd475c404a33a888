#include "export/mapsource/mapsource_file.h"
#include "export/mapsource/record_frames.h"

#include <cstdlib>

// The frame walk of the add path on any bytes: it must never read outside them, and what it
// accepts must hold its end record where it says.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView file(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const vintrel::MapSourceKind* kind : {&vintrel::gdbKind(), &vintrel::mpsKind()}) {
        const vintrel::MapSourceScan scan = vintrel::scanMapSourceFile(file, *kind);
        if (scan.ok() && file.sliced(scan.endRecordOffset) != QByteArrayView(vintrel::endRecord())) {
            std::abort();
        }
    }
    return 0;
}
