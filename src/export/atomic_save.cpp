#include "export/atomic_save.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vintrel {

namespace {

std::optional<AtomicFile::Fault> gFault;

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray nativePath(const QString& path) {
    return QFile::encodeName(path);
}

// The permissions a new file gets from the process's umask.
mode_t defaultMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

void AtomicFile::injectFaultForTesting(std::optional<Fault> fault) {
    gFault = fault;
}

AtomicFile::AtomicFile(const QString& path) : path_(path) {}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!committed_ && !temporary_.isEmpty()) {
        ::unlink(nativePath(temporary_).constData());
    }
}

bool AtomicFile::open(QString& error) {
    const QFileInfo info(path_);
    target_ = path_;
    mode_t mode = defaultMode();
    if (info.exists() || info.isSymLink()) {
        if (!info.isFile()) {
            error = info.isDir()    ? QStringLiteral("it is a folder")
                    : info.exists() ? QStringLiteral("it exists and is not a regular file")
                                    : QStringLiteral("it is a link to nothing");
            return false;
        }
        target_ = info.canonicalFilePath();  // the file a link points to is the one replaced
        struct stat st {};
        if (::stat(nativePath(target_).constData(), &st) == 0) {
            mode = st.st_mode & 07777;
        }
    }
    const QFileInfo targetInfo(target_);
    QByteArray pattern = nativePath(
        targetInfo.absoluteDir().filePath(QStringLiteral(".") + targetInfo.fileName() + ".XXXXXX"));
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0) {
        error = systemReason(errno);
        return false;
    }
    temporary_ = QFile::decodeName(pattern);
    if (::fchmod(fd_, mode) != 0) {
        error = systemReason(errno);
        return false;
    }
    return true;
}

bool AtomicFile::write(QByteArrayView bytes, QString& error) {
    const char* p = bytes.data();
    qint64 left = bytes.size();
    while (left > 0) {
        qint64 chunk = left;
        if (gFault && written_ + chunk > gFault->failAfter) {
            chunk = gFault->failAfter - written_;
            if (chunk <= 0) {
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
    if (::rename(nativePath(temporary_).constData(), nativePath(target_).constData()) != 0) {
        error = systemReason(errno);
        return false;
    }
    committed_ = true;
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

bool readWholeFile(const QString& path, QByteArray& bytes, QString& error) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
        if (file.error() == QFileDevice::NoError) {
            return true;
        }
    }
    error = QStringLiteral("it cannot be read (%1)").arg(file.errorString());
    return false;
}

bool saveAtomically(const QString& path, const QByteArray& bytes, QString& error) {
    AtomicFile file(path);
    return file.open(error) && file.write(bytes, error) && file.commit(error);
}

}  // namespace vintrel
