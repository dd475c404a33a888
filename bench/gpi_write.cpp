// Writes one list of speed cameras as a GDB and as a GPI file and prints the best of RUNS times (11
// unless given) of each, wall and processor: the writers' own cost, without the import.
// gpi_write COUNT FOLDER [RUNS]; RUNS=1 is what one run of the program pays, fresh memory and all.
#include "export/gpi_writer.h"
#include "export/mapsource/mapsource_file.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

using namespace vintrel;

namespace {

// The processor time of this thread, which other programs on a busy machine change little.
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Times {
    double wall = 1e9;
    double cpu = 1e9;
};

Times best(int runs, const std::function<bool()>& write) {
    Times times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = cpuSeconds();
        if (!write()) {
            std::fprintf(stderr, "a write failed\n");
            std::exit(1);
        }
        times.cpu = std::min(times.cpu, cpuSeconds() - cpuStart);
        times.wall = std::min(
            times.wall, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return times;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: gpi_write COUNT FOLDER [RUNS]\n");
        return 2;
    }
    const int runs = argc == 4 ? std::max(1, std::atoi(argv[3])) : 11;
    const int count = std::atoi(argv[1]);
    const QDir folder(QString::fromLocal8Bit(argv[2]));
    // Cameras as a POI Loader list gives them: over Europe, named by their limit, with a place.
    WaypointList list;
    static const char* const kNames[] = {"max@30", "max@50", "max@70", "max@90", "max@110", "max@130"};
    quint32 seed = 1;
    for (int i = 0; i < count; ++i) {
        seed = seed * 1103515245 + 12345;
        const double lat = 36 + (seed >> 8) % 2000000 / 100000.0;
        seed = seed * 1103515245 + 12345;
        const double lon = -9 + (seed >> 8) % 3500000 / 100000.0;
        WaypointDraft d;
        d.cell(column::kName) = QLatin1String(kNames[i % 6]);
        d.cell(column::kDescription) =
            QStringLiteral("VILLE %1 VERS VILLE %2 RD%3").arg(i % 977).arg(i % 613).arg(i % 1000);
        d.icon = IconRole::Gatso;
        d.lat = lat;
        d.lon = lon;
        list.appendWaypointRow(WaypointRow(d));
    }
    const ExportContext context;
    const QString gdb = folder.filePath("cameras.gdb");
    const QString gpi = folder.filePath("cameras.gpi");
    const Times gdbTimes = best(runs, [&] { return writeGdbFile(list, gdb, context).written; });
    const Times gpiTimes = best(runs, [&] { return writeGpiFile(list, gpi, context).written; });
    std::printf(
        "%d cameras: gdb %.3fs (cpu %.3fs, %lld kB)  gpi %.3fs (cpu %.3fs, %lld kB)  ratio %.2f (cpu %.2f)\n",
        count, gdbTimes.wall, gdbTimes.cpu, QFileInfo(gdb).size() / 1024, gpiTimes.wall, gpiTimes.cpu,
        QFileInfo(gpi).size() / 1024, gpiTimes.wall / gdbTimes.wall, gpiTimes.cpu / gdbTimes.cpu);
    return 0;
}
