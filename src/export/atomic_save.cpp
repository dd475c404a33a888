#include "export/atomic_save.h"

#include "model/file_names.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
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

// The temporary files being written, removed by the signal handler: a fixed table, since the
// handler may only read memory and call async-signal-safe functions.
struct TemporarySlot {
    std::atomic<int> state{0};  // 0 free, 1 being filled, 2 to be removed on a signal
    char path[PATH_MAX];
};
std::array<TemporarySlot, 16> gTemporaries;
constexpr std::array<int, 3> kStopSignals = {SIGINT, SIGTERM, SIGHUP};

extern "C" void removeTemporariesAndStop(int signal) {
    const int saved = errno;
    for (TemporarySlot& slot : gTemporaries) {
        if (slot.state.load(std::memory_order_acquire) == 2) {
            ::unlink(slot.path);
        }
    }
    errno = saved;
    // The handler was reset on entry (SA_RESETHAND) and does not block its signal (SA_NODEFER):
    // the signal now ends the process as it would have without the handler.
    ::raise(signal);
}

void installStopHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int signal : kStopSignals) {
            struct sigaction old {};
            if (::sigaction(signal, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) != 0 ||
                old.sa_handler != SIG_DFL) {
                continue;  // ignored, or handled by someone else: left alone
            }
            struct sigaction action {};
            action.sa_handler = removeTemporariesAndStop;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_RESETHAND | SA_NODEFER;
            ::sigaction(signal, &action, nullptr);
        }
    });
}

int registerTemporary(const QByteArray& path) {
    if (path.size() >= PATH_MAX) {
        return -1;
    }
    installStopHandlers();
    for (int i = 0; i < static_cast<int>(gTemporaries.size()); ++i) {
        int expected = 0;
        if (gTemporaries[i].state.compare_exchange_strong(expected, 1)) {
            std::memcpy(gTemporaries[i].path, path.constData(), static_cast<size_t>(path.size()) + 1);
            gTemporaries[i].state.store(2, std::memory_order_release);
            return i;
        }
    }
    return -1;  // more files at once than the table holds: those are only removed on failures
}

// Holds back the stop signals while a step and its bookkeeping happen together.
class StopSignalsHeld {
  public:
    StopSignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (int signal : kStopSignals) {
            sigaddset(&set, signal);
        }
        ::pthread_sigmask(SIG_BLOCK, &set, &old_);
    }
    ~StopSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
    StopSignalsHeld(const StopSignalsHeld&) = delete;
    StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

  private:
    sigset_t old_;
};

void unregisterTemporary(int slot) {
    if (slot >= 0) {
        gTemporaries[static_cast<size_t>(slot)].state.store(0, std::memory_order_release);
    }
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
        unregisterTemporary(slot_);
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
                return true;
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
        return checkReplaceable(error);
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

bool AtomicFile::takeOwnership(QString& error) {
    if (lockFd_ < 0) {
        return ::fchmod(fd_, defaultMode()) == 0 || (error = systemReason(errno), false);
    }
    // The owner can be kept only by root; the group by anyone who belongs to it. Without the group
    // the others who shared the file would lose it, so that is refused.
    if (::geteuid() == 0) {
        if (::fchown(fd_, locked_.st_uid, locked_.st_gid) != 0) {
            error = QStringLiteral("its owner and group cannot be kept (") + systemReason(errno) + u')';
            return false;
        }
    } else {
        struct stat mine {};
        if (::fstat(fd_, &mine) != 0) {
            error = systemReason(errno);
            return false;
        }
        if (mine.st_gid != locked_.st_gid && ::fchown(fd_, static_cast<uid_t>(-1), locked_.st_gid) != 0) {
            const int reason = errno;  // before the group's name is looked up
            error = QStringLiteral("its group ") + groupName(locked_.st_gid) +
                    QStringLiteral(" cannot be kept (") + systemReason(reason) + u')';
            return false;
        }
    }
    // After the change of owner, which clears the set-user and set-group bits.
    if (::fchmod(fd_, locked_.st_mode & 07777) != 0) {
        error = systemReason(errno);
        return false;
    }
    return true;
}

bool AtomicFile::open(QString& error) {
    if (lockFd_ < 0 && !lockTarget(false, error)) {
        return false;
    }
    const QByteArray folder = folderOf(target_);
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        const QString mark = unchangeableMark(folderFd);
        ::close(folderFd);
        if (!mark.isEmpty()) {
            error = QStringLiteral("its folder is marked ") + mark +
                    QStringLiteral(", so no file in it can be replaced");
            return false;
        }
    }
    // A short name, so that a target whose name is as long as names may be still gets one.
    QByteArray pattern = folder + "/.vintrel-XXXXXX";
    {
        const StopSignalsHeld held;  // the name is in the table before a signal can be handled
        fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ < 0) {
            error = systemReason(errno);
            return false;
        }
        temporary_ = pattern;
        slot_ = registerTemporary(temporary_);
    }
    return takeOwnership(error);
}

bool AtomicFile::write(QByteArrayView bytes, QString& error) {
    const char* p = bytes.data();
    qint64 left = bytes.size();
    while (left > 0) {
        qint64 chunk = left;
        if (gFault && gFault->kind != Fault::RenameFails && written_ + chunk > gFault->failAfter) {
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
        struct stat held {};
        if (::stat(target_.constData(), &now) != 0 || ::fstat(lockFd_, &held) != 0 ||
            !sameFile(now, locked_) || !sameContents(held, locked_)) {
            error = QStringLiteral("another program changed it meanwhile");
            return false;
        }
    }
    {
        const StopSignalsHeld held;
        const bool renamed = gFault && gFault->kind == Fault::RenameFails
                                 ? (errno = gFault->error, false)
                                 : ::rename(temporary_.constData(), target_.constData()) == 0;
        if (!renamed) {
            error = systemReason(errno);
            return false;
        }
        committed_ = true;
        unregisterTemporary(slot_);
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

ChunkedOutput::ChunkedOutput(const QString& path) : file_(path), stream_(StreamTarget::open(path)) {}

bool ChunkedOutput::open(QString& error) {
    buffer_.reserve(kPiece + kPiece / 2);
    if (stream_) {
        error = stream_->failure();
        return error.isEmpty();
    }
    return file_.open(error);
}

bool ChunkedOutput::writeOut(QByteArrayView bytes, QString& error) {
    return stream_ ? stream_->write(bytes, error) : file_.write(bytes, error);
}

namespace {
thread_local WorkProgress* tWriteProgress = nullptr;
}  // namespace

WriteProgressScope::WriteProgressScope(WorkProgress* progress) : outer_(tWriteProgress) {
    tWriteProgress = progress;
}

WriteProgressScope::~WriteProgressScope() {
    tWriteProgress = outer_;
}

bool ChunkedOutput::flushIfFull(QString& error) {
    if (tWriteProgress != nullptr) {
        tWriteProgress->addDone(1);
        if (tWriteProgress->cancelled()) {
            error = QLatin1String(kWriteCancelled);
            return false;
        }
    }
    if (buffer_.size() < kPiece) {
        return true;
    }
    const bool ok = writeOut(buffer_, error);
    buffer_.resize(0);  // keeps its capacity
    return ok;
}

bool ChunkedOutput::write(QByteArrayView bytes, QString& error) {
    const bool ok = writeOut(buffer_, error) && writeOut(bytes, error);
    buffer_.resize(0);
    return ok;
}

bool ChunkedOutput::commit(QString& error) {
    return writeOut(buffer_, error) && (stream_ || file_.commit(error));
}

bool saveAtomically(const QString& path, const QByteArray& bytes, QString& error) {
    AtomicFile file(path);
    return file.open(error) && file.write(bytes, error) && file.commit(error);
}

}  // namespace vintrel
