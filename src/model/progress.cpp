#include "model/progress.h"

#include <QLocale>

#include <QThread>
#include <algorithm>

namespace vintrel {

void WorkProgress::setFile(const QString& name, qint64 size) {
    const QMutexLocker lock(&mutex_);
    file_ = name;
    setSize(size);
}

void WorkProgress::setSize(qint64 size) {
    size_.store(size, std::memory_order_relaxed);
    done_.store(0, std::memory_order_relaxed);
}

QString WorkProgress::file() const {
    const QMutexLocker lock(&mutex_);
    return file_;
}

ProgressThrottle::ProgressThrottle(const Clock& clock, qint64 delayMs, qint64 intervalMs)
    : clock_(clock), intervalMs_(intervalMs), next_(clock.localNow().addMSecs(delayMs)) {}

bool ProgressThrottle::due() {
    const QDateTime now = clock_.localNow();
    if (now < next_) {
        return false;
    }
    next_ = now.addMSecs(intervalMs_);
    return true;
}

int WorkProgress::percent() const {
    const qint64 total = size();
    return total > 0 ? static_cast<int>(std::min<qint64>(100, done() * 100 / total)) : -1;
}

QString progressText(const WorkProgress& progress, int rows) {
    const QLocale locale;
    if (rows < 0) {
        const qint64 total = progress.size();
        return total > 0 ? QStringLiteral("Writing %1: %2 of %3 rows")
                               .arg(progress.file(), locale.toString(progress.done()), locale.toString(total))
                         : QStringLiteral("Writing %1").arg(progress.file());
    }
    const QString text = QStringLiteral("Reading %1: %2 rows").arg(progress.file(), locale.toString(rows));
    const int percent = progress.percent();
    return percent < 0 ? text : text + QStringLiteral(" (%1%)").arg(percent);
}

void followProgress(const WorkProgress& progress, const std::atomic<bool>& done, const Clock& clock,
                    const std::function<int()>& rows, const std::function<void(const QString&)>& show) {
    ProgressThrottle throttle(clock, kProgressDelayMs, kProgressIntervalMs);
    bool shown = false;
    while (!done.load()) {
        if (throttle.due()) {
            show(progressText(progress, rows()));
            shown = true;
        }
        QThread::msleep(kProgressIntervalMs / 5);
    }
    if (shown) {
        show(QString());
    }
}

}  // namespace vintrel
