// MapSource inside a Wine prefix, with a stand-in wine that records how it was called.
#include "gui/mapsource_launcher.h"
#include "gui/services.h"

#include "test_support.h"

#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace vintrel;
using vintrel::test::readAll;
using vintrel::test::writeFile;

namespace {

// A prefix as Wine makes it: drive_c, dosdevices/c: and z: (the whole file system), system.reg.
class Prefix : public ::testing::Test {
  protected:
    Prefix() {
        prefix_ = dir_.filePath("prefix");
        QDir().mkpath(prefix_ + "/drive_c/Garmin");
        QDir().mkpath(prefix_ + "/dosdevices");
        QFile::link("../drive_c", prefix_ + "/dosdevices/c:");
        QFile::link("/", prefix_ + "/dosdevices/z:");
        EXPECT_TRUE(writeFile(prefix_ + "/drive_c/Garmin/MapSource.exe", "MZ"));
    }
    void registerMapSource() {
        ASSERT_TRUE(writeFile(
            prefix_ + "/system.reg",
            "WINE REGISTRY Version 2\n\n"
            "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths\\\\MapSource.exe] 1700000000\n"
            "@=\"C:\\\\Garmin\\\\MapSource.exe\"\n"));
    }
    QTemporaryDir dir_;
    QString prefix_;
};

}  // namespace

TEST_F(Prefix, WhatIsMissingIsNamed) {
    EXPECT_EQ(planWineMapSource("/a.gdb", prefix_, "").problem,
              "Wine is not installed: MapSource runs on this system under Wine.");
    EXPECT_EQ(planWineMapSource("/a.gdb", prefix_, "wine").problem,
              "MapSource is not installed in the Wine prefix " + prefix_ +
                  ": it has no App Paths entry for MapSource.exe.");
    registerMapSource();
    QFile::remove(prefix_ + "/drive_c/Garmin/MapSource.exe");
    EXPECT_EQ(
        planWineMapSource("/a.gdb", prefix_, "wine").problem,
        "MapSource's program C:\\Garmin\\MapSource.exe is missing from the Wine prefix " + prefix_ + ".");
}

TEST_F(Prefix, TheLauncherStartsTheWineOnThePathInThePrefix) {
    registerMapSource();
    // A stand-in wine that writes down its arguments, working folder and prefix.
    const QString bin = dir_.filePath("bin");
    const QString record = dir_.filePath("called.txt");
    ASSERT_TRUE(
        writeFile(bin + "/wine",
                  QStringLiteral("#!/bin/sh\n{ pwd; printf '%s\\n' \"$WINEPREFIX\" \"$@\"; } > '%1.tmp'\n"
                                 "mv '%1.tmp' '%1'\n")
                      .arg(record)
                      .toUtf8()));
    QFile::setPermissions(bin + "/wine", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray oldPath = qgetenv("PATH"), oldPrefix = qgetenv("WINEPREFIX");
    qputenv("PATH", bin.toLocal8Bit() + ":" + oldPath);
    qputenv("WINEPREFIX", prefix_.toLocal8Bit());
    ProcessLauncher launcher;
    const QString problem = launcher.openInMapSource("/tmp/out.gdb");
    qputenv("PATH", oldPath);
    qputenv("WINEPREFIX", oldPrefix);
    EXPECT_EQ(problem, "");
    for (int i = 0; i < 100 && !QFile::exists(record); ++i) {
        QThread::msleep(50);  // the program runs detached
    }
    EXPECT_EQ(QString::fromUtf8(readAll(record)).split('\n', Qt::SkipEmptyParts),
              (QStringList{QDir(prefix_ + "/drive_c").canonicalPath(), prefix_, "C:\\Garmin\\MapSource.exe",
                           "Z:\\tmp\\out.gdb"}));
}
