#include "export/atomic_save.h"

#include "test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vintrel;
using vintrel::test::readAll;
using vintrel::test::writeFile;

namespace {

QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// A failed save: the reason named, the old file byte-identical, no temporary file left.
void expectCleanFailure(const QString& dir, const QByteArray& big) {
    const QString target = QDir(dir).filePath("keep.gdb");
    ASSERT_TRUE(writeFile(target, "old contents"));
    QString error;
    EXPECT_FALSE(saveAtomically(target, big, error));
    EXPECT_EQ(error, "No space left on device");
    EXPECT_EQ(readAll(target), "old contents");
    EXPECT_EQ(entries(dir), QStringList{"keep.gdb"});
}

}  // namespace

TEST(AtomicSave, AFullDiskFailsCleanlyAndSaysWhy) {
    QTemporaryDir dir;
    AtomicFile::injectFaultForTesting(AtomicFile::Fault{100, ENOSPC});
    expectCleanFailure(dir.path(), QByteArray(1000, 'x'));
    AtomicFile::injectFaultForTesting(std::nullopt);

    // The real thing where this test may mount a small file system of its own.
    QTemporaryDir mountPoint;
    if (geteuid() == 0 &&
        mount("tmpfs", mountPoint.path().toLocal8Bit().constData(), "tmpfs", 0, "size=64k") == 0) {
        expectCleanFailure(mountPoint.path(), QByteArray(256 * 1024, 'x'));
        umount(mountPoint.path().toLocal8Bit().constData());
    }
}

TEST(AtomicSave, ReplacesWholeKeepsPermissionsAndFollowsLinks) {
    QTemporaryDir dir;
    const QString target = dir.filePath("a.gdb");
    ASSERT_TRUE(writeFile(target, QByteArray(1000, 'o')));
    ASSERT_EQ(chmod(target.toLocal8Bit().constData(), 0640), 0);
    QString error;
    ASSERT_TRUE(saveAtomically(target, "new", error)) << error.toStdString();
    EXPECT_EQ(readAll(target), "new");
    EXPECT_EQ(QFileInfo(target).permissions() & 0x7777, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                            QFileDevice::ReadUser | QFileDevice::WriteUser |
                                                            QFileDevice::ReadGroup);

    // A new file gets the usual permissions, not a temporary file's private ones.
    ASSERT_TRUE(saveAtomically(dir.filePath("fresh.gdb"), "x", error));
    EXPECT_TRUE(QFileInfo(dir.filePath("fresh.gdb")).permissions() & QFileDevice::ReadOther);

    // A link to a regular file: the file it points to is replaced, the link stays.
    ASSERT_TRUE(QFile::link(target, dir.filePath("link.gdb")));
    ASSERT_TRUE(saveAtomically(dir.filePath("link.gdb"), "through the link", error));
    EXPECT_TRUE(QFileInfo(dir.filePath("link.gdb")).isSymLink());
    EXPECT_EQ(readAll(target), "through the link");
}

TEST(AtomicSave, TargetsThatAreNotRegularFilesAreRefused) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.gdb");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    QString error;
    EXPECT_FALSE(saveAtomically(fifo, "x", error));
    EXPECT_EQ(error, "it exists and is not a regular file");
    EXPECT_TRUE(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());

    EXPECT_FALSE(saveAtomically(dir.path(), "x", error));
    EXPECT_EQ(error, "it is a folder");
    EXPECT_FALSE(saveAtomically("/dev/null", "x", error));
    EXPECT_EQ(error, "it exists and is not a regular file");
    EXPECT_FALSE(saveAtomically(dir.filePath("no/such/folder.gdb"), "x", error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_EQ(entries(dir.path()), QStringList{"pipe.gdb"});
}
