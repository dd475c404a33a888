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
    // The file being read or written.
    void setFile(const QString& name);
    QString file() const;

    // Asks the work to stop at the next record; what was done stays.
    void cancel() { cancelled_.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

  private:
    mutable QMutex mutex_;
    QString file_;
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

// What a progress line says: "Reading caches.gpx: 12,345 rows", or "Writing caches.gdb" for
// rows < 0.
QString progressText(const QString& file, int rows);

// Shows the progress of work running on another thread, a few times a second from half a second
// on, until `done` is true: `show` gets the text, and once more an empty text at the end when
// anything was shown.
void followProgress(const WorkProgress& progress, const std::atomic<bool>& done, const Clock& clock,
                    const std::function<int()>& rows, const std::function<void(const QString&)>& show);

}  // namespace vintrel
