// How far a long import or write has come: written by the thread doing the work, read by the one
// showing it (the window's progress bar, the command line's progress line), and a way to ask the
// work to stop.
#pragma once

#include "model/clock.h"

#include <QMutex>
#include <QString>

#include <atomic>
#include <functional>

namespace vintrel {

class WorkProgress {
  public:
    // The file being read or written, and how much work it is: bytes to read or rows to write (0:
    // not known). The amount done starts again from 0.
    void setFile(const QString& name, qint64 size = 0);
    QString file() const;
    // Says how much work there is, as setFile() does, keeping the file.
    void setSize(qint64 size);
    qint64 size() const { return size_.load(std::memory_order_relaxed); }
    // How much is done: bytes read, or rows written. It only grows: threads reading pieces of one
    // file each say how far theirs has come.
    void setDone(qint64 done) {
        qint64 was = done_.load(std::memory_order_relaxed);
        while (was < done && !done_.compare_exchange_weak(was, done, std::memory_order_relaxed)) {
        }
    }
    void addDone(qint64 n) { done_.fetch_add(n, std::memory_order_relaxed); }
    qint64 done() const { return done_.load(std::memory_order_relaxed); }
    // How much of the size is done, 0 to 100; -1 when the size is not known.
    int percent() const;

    // Asks the work to stop at the next record; what was done stays.
    void cancel() { cancelled_.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

  private:
    mutable QMutex mutex_;
    QString file_;
    std::atomic<qint64> size_{0};
    std::atomic<qint64> done_{0};
    std::atomic<bool> cancelled_{false};
};

// Work shorter than this shows no progress; longer work is shown a few times a second.
inline constexpr qint64 kProgressDelayMs = 500;
inline constexpr qint64 kProgressIntervalMs = 250;

// Says when a progress report is due: not before `delayMs` from the start (short work shows
// nothing), then at most once every `intervalMs`, so a display is never flooded.
class ProgressThrottle {
  public:
    ProgressThrottle(const Clock& clock, qint64 delayMs, qint64 intervalMs);
    bool due();

  private:
    const Clock& clock_;
    qint64 intervalMs_;
    QDateTime next_;
};

// What a progress line says: "Reading caches.gpx: 12,345 rows (40%)" with the rows read so far, or
// for rows < 0 "Writing caches.gdb: 1,234 of 5,000 rows", each part only when it is known.
QString progressText(const WorkProgress& progress, int rows);

// Shows the progress of work running on another thread, a few times a second from half a second
// on, until `done` is true: `show` gets the text, and once more an empty text at the end when
// anything was shown.
void followProgress(const WorkProgress& progress, const std::atomic<bool>& done, const Clock& clock,
                    const std::function<int()>& rows, const std::function<void(const QString&)>& show);

}  // namespace vintrel
