#include "import/pieces.h"

#include "model/file_names.h"

#include <sys/stat.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace vintrel {

namespace {

// Pieces small enough to keep both threads busy to the end, large enough that starting one (a
// parser, a file opened, a batch) costs nothing worth naming.
constexpr qint64 kSmallestPiece = qint64{1} << 20;
constexpr qint64 kLargestPiece = qint64{8} << 20;
constexpr int kPiecesPerThread = 8;
// VINTREL_THREADS beyond any machine this runs on is taken as this many.
constexpr int kMostAskedThreads = 64;

}  // namespace

int pieceThreads(const PieceSettings& settings) {
    if (settings.threads > 0) {
        return std::min(settings.threads, kMostAskedThreads);
    }
    bool ok = false;
    const int asked = qEnvironmentVariableIntValue("VINTREL_THREADS", &ok);
    if (ok && asked > 0) {
        return std::min(asked, kMostAskedThreads);
    }
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMostThreads);
}

qint64 sizeForPieces(const QString& path, const PieceSettings& settings) {
    // Asked of the name's bytes, without opening it: a FIFO opened and closed here would lose its
    // writer.
    struct stat info {};
    if (pieceThreads(settings) < 2 || ::stat(fileNameBytes(path).constData(), &info) != 0 ||
        !S_ISREG(info.st_mode) || info.st_size < settings.fromBytes || info.st_size == 0) {
        return -1;
    }
    return static_cast<qint64>(info.st_size);
}

qint64 pieceBytes(const PieceSettings& settings, qint64 fileBytes) {
    if (settings.pieceBytes > 0) {
        return settings.pieceBytes;
    }
    const qint64 even = fileBytes / (qint64{pieceThreads(settings)} * kPiecesPerThread);
    return std::clamp(even, kSmallestPiece, kLargestPiece);
}

int pieceSlots(int threads) {
    return 2 * threads;
}

void runPieces(int count, int threads, const std::function<void(int, int)>& parse,
               const std::function<bool(int, int)>& merge) {
    const int slots = pieceSlots(threads);
    std::mutex mutex;
    std::condition_variable slotFree;     // the workers wait for a slot, or for the end
    std::condition_variable pieceParsed;  // the calling thread waits for the next piece
    int next = 0;                         // the next piece to parse
    int merged = 0;                       // pieces merged: their slots are free again
    bool stop = false;
    std::vector<int> parsed(static_cast<std::size_t>(slots), -1);  // the piece each slot holds
    const auto work = [&] {
        for (;;) {
            int piece = 0;
            {
                std::unique_lock lock(mutex);
                slotFree.wait(lock, [&] { return stop || next >= count || next < merged + slots; });
                if (stop || next >= count) {
                    return;
                }
                piece = next++;
            }
            parse(piece, piece % slots);
            {
                const std::lock_guard lock(mutex);
                parsed[static_cast<std::size_t>(piece % slots)] = piece;
            }
            pieceParsed.notify_one();
        }
    };
    std::vector<std::thread> pool;
    for (int t = 0; t < std::min(threads, count); ++t) {
        pool.emplace_back(work);
    }
    for (int piece = 0; piece < count; ++piece) {
        {
            std::unique_lock lock(mutex);
            pieceParsed.wait(lock, [&] { return parsed[static_cast<std::size_t>(piece % slots)] == piece; });
        }
        const bool goOn = merge(piece, piece % slots);
        {
            const std::lock_guard lock(mutex);
            merged = piece + 1;
            stop = !goOn;
        }
        slotFree.notify_all();
        if (!goOn) {
            break;
        }
    }
    for (std::thread& t : pool) {
        t.join();
    }
}

}  // namespace vintrel
