// Garmin units made of folders, listed in a mount table of the test's own: the machine's mounts are
// never looked at.
#pragma once

#include "devices/garmin_devices.h"
#include "test_support.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vintrel::test {

struct FakeUnits {
    FakeUnits() {
        search.mountTable = dir.filePath("mounts");
        search.runtimeDir.clear();
        mount({});
    }
    // A unit whose Garmin/GarminDevice.xml names its model and no folders; its root.
    QString unit(const QString& name, const QByteArray& model) {
        const QString root = dir.filePath(name);
        QDir().mkpath(root + "/Garmin");
        EXPECT_TRUE(writeFile(root + "/Garmin/GarminDevice.xml",
                              "<Device><Model><Description>" + model + "</Description></Model></Device>"));
        return root;
    }
    // Plugs in exactly these units.
    void mount(const QStringList& roots) {
        QByteArray table = "/dev/sda1 / ext4 rw 0 0\n";
        for (const QString& root : roots) {
            table += "/dev/sdb1 " + root.toUtf8() + " vfat rw 0 0\n";
        }
        EXPECT_TRUE(writeFile(search.mountTable, table));
    }

    QTemporaryDir dir;
    DeviceSearch search;
};

}  // namespace vintrel::test
