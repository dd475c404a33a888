#include "model/progress.h"

#include <QLocale>
#include <QThread>

namespace vintrel {

void WorkProgress::setFile(const QString& name) {
    const QMutexLocker lock(&mutex_);
    file_ = name;
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

QString progressText(const QString& file, int rows) {
    if (rows < 0) {
        return QStringLiteral("Writing %1").arg(file);
    }
    return QStringLiteral("Reading %1: %2 rows").arg(file, QLocale().toString(rows));
}

void followProgress(const WorkProgress& progress, const std::atomic<bool>& done, const Clock& clock,
                    const std::function<int()>& rows, const std::function<void(const QString&)>& show) {
    ProgressThrottle throttle(clock, kProgressDelayMs, kProgressIntervalMs);
    bool shown = false;
    while (!done.load()) {
        if (throttle.due()) {
            show(progressText(progress.file(), rows()));
            shown = true;
        }
        QThread::msleep(kProgressIntervalMs / 5);
    }
    if (shown) {
        show(QString());
    }
}

}  // namespace vintrel
