#include "gui/device_watch.h"

#include "model/file_names.h"

#include <QDir>
#include <QFile>

namespace vintrel {

DeviceWatch::DeviceWatch(const DeviceSearch& search, QObject* parent) : QObject(parent), search_(search) {
    seen_ = fingerprint();
    scan_ = findGarminDevices(search_);
    timer_.setInterval(2000);
    connect(&timer_, &QTimer::timeout, this, &DeviceWatch::checkNow);
    timer_.start();
}

QByteArray DeviceWatch::fingerprint() const {
    QByteArray all;
    QFile table;
    QString error;
    if (!search_.mountTable.isEmpty() && openForReading(table, search_.mountTable, error)) {
        all = table.readAll();
    }
    if (!search_.runtimeDir.isEmpty()) {
        const QDir gvfs(QDir(search_.runtimeDir).filePath(QStringLiteral("gvfs")));
        all += gvfs.entryList(QDir::Dirs | QDir::NoDotAndDotDot).join(u'\n').toUtf8();
    }
    return all;
}

bool DeviceWatch::checkNow() {
    const QByteArray now = fingerprint();
    if (now == seen_) {
        return false;
    }
    seen_ = now;
    scan_ = findGarminDevices(search_);
    Q_EMIT devicesChanged();
    return true;
}

}  // namespace vintrel
