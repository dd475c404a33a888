// Keeps the list of Garmin units plugged in up to date while the window is open: the mount table
// and gvfs's MTP folders are looked at every two seconds, and the units searched for again only
// when either changed, so a unit plugged in or ejected shows within moments at next to no cost.
#pragma once

#include "devices/garmin_devices.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

namespace vintrel {

class DeviceWatch : public QObject {
    Q_OBJECT

  public:
    DeviceWatch(const DeviceSearch& search, QObject* parent);

    const DeviceScan& scan() const { return scan_; }
    // Looks now, as the timer does; true when the units changed.
    bool checkNow();

  Q_SIGNALS:
    void devicesChanged();

  private:
    QByteArray fingerprint() const;

    DeviceSearch search_;
    DeviceScan scan_;
    QByteArray seen_;
    QTimer timer_;
};

}  // namespace vintrel
