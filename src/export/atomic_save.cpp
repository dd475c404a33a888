#include "export/atomic_save.h"

#include "export/temporary_files.h"
#include "model/file_names.h"

#include <QScopeGuard>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/vfs.h>
#endif

namespace vintrel {

namespace {

std::optional<AtomicFile::Fault> gFault;
std::atomic<int> gLockWaitMs{5000};

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The permissions a new file gets from the process's umask.
mode_t defaultMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.first(slash);
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool sameContents(const struct stat& a, const struct stat& b) {
    return sameFile(a, b) && a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// The inode mark (chattr) that forbids replacing a file or changing a folder's entries, if any.
QString unchangeableMark(int fd) {
#ifdef __linux__
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        if ((flags & FS_IMMUTABLE_FL) != 0) {
            return QStringLiteral("immutable (chattr +i)");
        }
        if ((flags & FS_APPEND_FL) != 0) {
            return QStringLiteral("append-only (chattr +a)");
        }
    }
#else
    (void)fd;
#endif
    return QString();
}

QString groupName(gid_t gid) {
    std::array<char, 4096> buffer;
    struct group entry {};
    struct group* found = nullptr;
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        return QString::fromLocal8Bit(found->gr_name);
    }
    return QString::number(gid);
}

}  // namespace

void AtomicFile::injectFaultForTesting(std::optional<Fault> fault) {
    gFault = fault;
}

void AtomicFile::setLockWaitForTesting(int milliseconds) {
    gLockWaitMs.store(milliseconds);
}

AtomicFile::AtomicFile(const QString& path) : path_(fileNameBytes(path)) {}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!committed_ && !temporary_.isEmpty()) {
        const StopSignalsHeld held;
        ::unlink(temporary_.constData());
        forgetTemporary(slot_);
    }
    if (lockFd_ >= 0) {
        ::close(lockFd_);  // releases the lock
    }
}

bool AtomicFile::lockTarget(bool mustExist, QString& error) {
    if (path_.isEmpty()) {
        error = QStringLiteral("the file name is empty");
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(gLockWaitMs.load());
    for (;;) {
        // What the name stands for is checked before anything opens it: opening a FIFO would wait
        // for a writer, and reading a device may never end.
        struct stat seen {};
        if (::stat(path_.constData(), &seen) != 0) {
            const int reason = errno;
            struct stat link {};
            if (reason == ENOENT && ::lstat(path_.constData(), &link) == 0) {
                error = QStringLiteral("it is a link to nothing");
                return false;
            }
            if (reason == ENOENT && !mustExist) {
                target_ = path_;  // a new file: nothing to lock
                return checkFolder(error);
            }
            error = mustExist ? QStringLiteral("it cannot be read (") + systemReason(reason) + u')'
                              : systemReason(reason);
            return false;
        }
        if (S_ISDIR(seen.st_mode)) {
            error = QStringLiteral("it is a folder");
            return false;
        }
        if (!S_ISREG(seen.st_mode)) {
            error = QStringLiteral("it exists and is not a regular file");
            return false;
        }
        target_ = path_;
        struct stat link {};
        if (::lstat(path_.constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
            char resolved[PATH_MAX];
            if (::realpath(path_.constData(), resolved) == nullptr) {
                error = systemReason(errno);
                return false;
            }
            target_ = resolved;  // the file a link points to is the one replaced
        }
        // Not blocking, so that a FIFO put in its place meanwhile is not waited on either.
        int fd = ::open(target_.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0 && errno == EACCES && !mustExist) {
            fd = ::open(target_.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        }
        if (fd < 0) {
            const QString reason = systemReason(errno);
            error = mustExist ? QStringLiteral("it cannot be read (") + reason + u')' : reason;
            return false;
        }
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || !sameFile(opened, seen)) {
            ::close(fd);  // replaced between the look and the opening: look again
            if (std::chrono::steady_clock::now() >= deadline) {
                error = QStringLiteral("other programs kept replacing it; try again when they are done");
                return false;
            }
            continue;
        }
        bool locked = false;
        while (!(locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0) && (errno == EWOULDBLOCK || errno == EINTR) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        // A file system without locks (some network ones) still gets the check before the
        // replace; only a lock another program holds is waited for.
        if (!locked && (errno == EWOULDBLOCK || errno == EINTR)) {
            ::close(fd);
            error = QStringLiteral("another program kept it locked for %1 seconds; try again when it is done")
                        .arg(gLockWaitMs.load() / 1000.0);
            return false;
        }
        // The run that held the lock may have put a new file in its place: that one is the target.
        struct stat now {};
        if (::stat(target_.constData(), &now) != 0 || !sameFile(now, opened) || ::fstat(fd, &locked_) != 0) {
            ::close(fd);
            if (std::chrono::steady_clock::now() >= deadline) {
                error = QStringLiteral("other programs kept replacing it; try again when they are done");
                return false;
            }
            continue;
        }
        lockFd_ = fd;
        return checkReplaceable(error) && checkFolder(error);
    }
}

bool AtomicFile::checkReplaceable(QString& error) const {
    if (const QString mark = unchangeableMark(lockFd_); !mark.isEmpty()) {
        error = QStringLiteral("it is marked ") + mark;
        return false;
    }
    // A rename needs only the folder to be writable; the file's own protection is honoured as a
    // plain write to it would be.
    if (::faccessat(AT_FDCWD, target_.constData(), W_OK, AT_EACCESS) != 0) {
        error = errno == EACCES ? QStringLiteral("it is write-protected: you may not change it")
                                : QStringLiteral("you may not change it (") + systemReason(errno) + u')';
        return false;
    }
    return true;
}

bool AtomicFile::checkFolder(QString& error) const {
    const QByteArray folder = folderOf(target_);
    struct stat seen {};
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool known = folderFd >= 0 && ::fstat(folderFd, &seen) == 0;
    const QString mark = folderFd >= 0 ? unchangeableMark(folderFd) : QString();
    if (folderFd >= 0) {
        ::close(folderFd);
    }
    if (!mark.isEmpty()) {
        error = QStringLiteral("its folder is marked ") + mark +
                QStringLiteral(", so no file in it can be replaced");
        return false;
    }
    // The new file is made in the folder and renamed there: both need the folder, whatever the
    // file allows.
    if (::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) != 0) {
        error = errno != EACCES ? systemReason(errno)
                : lockFd_ >= 0
                    ? QStringLiteral("its folder is write-protected: you may not replace files in it")
                    : QStringLiteral("its folder is write-protected: you may not create files in it");
        return false;
    }
    // In a sticky folder only a file's owner (or the folder's) may rename another file over it.
    const uid_t me = ::geteuid();
    if (lockFd_ >= 0 && known && (seen.st_mode & S_ISVTX) != 0 && me != 0 && locked_.st_uid != me &&
        seen.st_uid != me) {
        error = QStringLiteral(
            "its folder is a sticky one (as /tmp is), where only the file's owner may replace it");
        return false;
    }
    return true;
}

bool AtomicFile::readExisting(QByteArray& bytes, QString& error) {
    if (!lockTarget(true, error)) {
        return false;
    }
    bytes.clear();
    bytes.reserve(static_cast<qsizetype>(locked_.st_size));
    constexpr qsizetype kStep = 1024 * 1024;
    for (;;) {
        const qsizetype at = bytes.size();
        bytes.resize(at + kStep);
        const ssize_t n = ::read(lockFd_, bytes.data() + at, static_cast<size_t>(kStep));
        if (n < 0 && errno == EINTR) {
            bytes.resize(at);
            continue;
        }
        if (n < 0) {
            error = QStringLiteral("it cannot be read (") + systemReason(errno) + u')';
            bytes.clear();
            return false;
        }
        bytes.resize(at + n);
        if (n == 0) {
            return true;
        }
    }
}

bool fileSystemKeepsOwners(long type) {
    // FAT, exFAT and NTFS (in the kernel or through FUSE, as GPS units, cards and gvfs's MTP folders
    // come) hold no owner, group or mode of a file's own: the mount gives every file the same.
    constexpr long kFat = 0x4d44;
    constexpr long kExfat = 0x2011BAB0;
    constexpr long kNtfs = 0x5346544E;
    constexpr long kNtfs3 = 0x7366746E;
    constexpr long kFuse = 0x65735546;
    return type != kFat && type != kExfat && type != kNtfs && type != kNtfs3 && type != kFuse;
}

bool AtomicFile::takeOwnership(QString& error) {
    // Where the file system keeps no owners, the new file is as the old one was whatever is asked.
    struct statfs fs {};
    const bool ownersKept = ::fstatfs(fd_, &fs) != 0 || fileSystemKeepsOwners(static_cast<long>(fs.f_type));
    const auto refused = [ownersKept](int reason) {
        return ownersKept ||
               (reason != EPERM && reason != ENOSYS && reason != EOPNOTSUPP && reason != EINVAL);
    };
    if (lockFd_ < 0) {
        return ::fchmod(fd_, defaultMode()) == 0 || !refused(errno) || (error = systemReason(errno), false);
    }
    // The owner can be kept only by root; the group by anyone who belongs to it. Without the group
    // the others who shared the file would lose it, so that is refused.
    if (::geteuid() == 0) {
        if (::fchown(fd_, locked_.st_uid, locked_.st_gid) != 0 && refused(errno)) {
            error = QStringLiteral("its owner and group cannot be kept (") + systemReason(errno) + u')';
            return false;
        }
    } else {
        struct stat mine {};
        if (::fstat(fd_, &mine) != 0) {
            error = systemReason(errno);
            return false;
        }
        if (mine.st_gid != locked_.st_gid && ::fchown(fd_, static_cast<uid_t>(-1), locked_.st_gid) != 0 &&
            refused(errno)) {
            const int reason = errno;  // before the group's name is looked up
            error = QStringLiteral("its group ") + groupName(locked_.st_gid) +
                    QStringLiteral(" cannot be kept (") + systemReason(reason) + u')';
            return false;
        }
    }
    // After the change of owner, which clears the set-user and set-group bits.
    if (::fchmod(fd_, locked_.st_mode & 07777) != 0 && refused(errno)) {
        error = systemReason(errno);
        return false;
    }
    return true;
}

bool AtomicFile::open(QString& error) {
    if (lockFd_ < 0 && !lockTarget(false, error)) {
        return false;
    }
    prepareSignalsForTemporaryFiles();
    const QByteArray folder = folderOf(target_);
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    removeStaleTemporaries(folderFd);
    TemporaryFile made;
    const int stallMs =
        gFault && gFault->kind == Fault::CreationStalls ? static_cast<int>(gFault->failAfter) : 0;
    const bool ok = makeTemporary(folder, folderFd, made, stallMs);
    const int reason = errno;
    if (folderFd >= 0) {
        ::close(folderFd);
    }
    if (!ok) {
        error = systemReason(reason);
        return false;
    }
    fd_ = made.fd;
    temporary_ = made.path;
    slot_ = made.slot;
    return takeOwnership(error);
}

bool AtomicFile::write(QByteArrayView bytes, QString& error) {
    while (gFault && gFault->kind == Fault::CreationStalls) {
        ::pause();
    }
    const char* p = bytes.data();
    qint64 left = bytes.size();
    while (left > 0) {
        qint64 chunk = left;
        if (gFault && (gFault->kind == Fault::WriteFails || gFault->kind == Fault::WriteStalls) &&
            written_ + chunk > gFault->failAfter) {
            chunk = gFault->failAfter - written_;
            if (chunk <= 0) {
                if (gFault->kind == Fault::WriteStalls) {
                    for (;;) {
                        ::pause();
                    }
                }
                error = systemReason(gFault->error);
                return false;
            }
        }
        const ssize_t n = ::write(fd_, p, static_cast<size_t>(chunk));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = systemReason(errno);
            return false;
        }
        p += n;
        left -= n;
        written_ += n;
    }
    startWriteback();
    return true;
}

void AtomicFile::startWriteback() {
#ifdef __linux__
    // The disk starts on what is written while the rest is being made, so that commit()'s fsync
    // waits for the last piece, not the whole file. Only a start: the fsync still makes it sure.
    constexpr qint64 kWritebackStep = 4 * 1024 * 1024;
    if (written_ - writebackFrom_ >= kWritebackStep) {
        ::sync_file_range(fd_, writebackFrom_, written_ - writebackFrom_, SYNC_FILE_RANGE_WRITE);
        writebackFrom_ = written_;
    }
#endif
}

bool AtomicFile::commit(QString& error) {
    if (::fsync(fd_) != 0) {
        error = systemReason(errno);
        return false;
    }
    // The temporary file stays locked until it has the target's name, so that no other run takes
    // it for a leftover meanwhile; its close is checked all the same (a network file system may
    // report a failed write only then).
    const int held = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    const auto release = qScopeGuard([held] {
        if (held >= 0) {
            ::close(held);
        }
    });
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        error = systemReason(errno);
        return false;
    }
    if (lockFd_ >= 0) {
        // Still the file that was locked and read, unchanged: a program that does not lock may
        // have written to it or put another file in its place.
        struct stat now {};
        struct stat locked {};
        if (::stat(target_.constData(), &now) != 0 || ::fstat(lockFd_, &locked) != 0 ||
            !sameFile(now, locked_) || !sameContents(locked, locked_)) {
            error = QStringLiteral("another program changed it meanwhile");
            return false;
        }
    }
    {
        const StopSignalsHeld signalsHeld;
        const bool renamed = gFault && gFault->kind == Fault::RenameFails
                                 ? (errno = gFault->error, false)
                                 : ::rename(temporary_.constData(), target_.constData()) == 0;
        if (!renamed) {
            error = systemReason(errno);
            return false;
        }
        committed_ = true;
        forgetTemporary(slot_);
    }
    // The new name on disk too, before the lock lets the next run read it.
    const int folderFd = ::open(folderOf(target_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}

namespace {
// Small enough that the buffer's memory is soon touched and then reused for the whole file (a new
// page costs a fault, and where memory is virtualised a dear one), large enough that the writes
// stay few.
constexpr qsizetype kPiece = 256 * 1024;
}  // namespace

ChunkedOutput::ChunkedOutput(const QString& path) : file_(path) {}

bool ChunkedOutput::open(QString& error) {
    buffer_.reserve(kPiece + kPiece / 2);
    return file_.open(error);
}

bool ChunkedOutput::flushIfFull(QString& error) {
    if (buffer_.size() < kPiece) {
        return true;
    }
    const bool ok = file_.write(buffer_, error);
    buffer_.resize(0);  // keeps its capacity
    return ok;
}

bool ChunkedOutput::write(QByteArrayView bytes, QString& error) {
    const bool ok = file_.write(buffer_, error) && file_.write(bytes, error);
    buffer_.resize(0);
    return ok;
}

bool ChunkedOutput::commit(QString& error) {
    return file_.write(buffer_, error) && file_.commit(error);
}

bool saveAtomically(const QString& path, const QByteArray& bytes, QString& error) {
    AtomicFile file(path);
    return file.open(error) && file.write(bytes, error) && file.commit(error);
}

}  // namespace vintrel
