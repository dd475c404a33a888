#include "export/stream_target.h"

#include "model/file_names.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace vintrel {

namespace {

// The descriptor a name of this process's own streams stands for, or -1.
int ownStream(const QByteArray& path) {
    if (path == "/dev/stdout") {
        return STDOUT_FILENO;
    }
    if (path == "/dev/stderr") {
        return STDERR_FILENO;
    }
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        if (path.startsWith(prefix)) {
            bool ok = false;
            const int fd = path.mid(qsizetype(std::strlen(prefix))).toInt(&ok);
            return ok && fd >= 0 ? fd : -1;
        }
    }
    return -1;
}

}  // namespace

std::optional<StreamTarget> StreamTarget::open(const QString& path) {
    const QByteArray bytes = fileNameBytes(path);
    const int own = ownStream(bytes);
    if (own < 0 && bytes != "/dev/null") {
        return std::nullopt;
    }
    StreamTarget target;
    // Its own descriptor, so that closing it leaves the program's standard output open.
    target.fd_ = own >= 0 ? ::fcntl(own, F_DUPFD_CLOEXEC, 3)
                          : ::open(bytes.constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (target.fd_ < 0) {
        target.failure_ = QString::fromLocal8Bit(std::strerror(errno));
    }
    return target;
}

StreamTarget::StreamTarget(StreamTarget&& other) noexcept
    : fd_(other.fd_), failure_(std::move(other.failure_)) {
    other.fd_ = -1;
}

StreamTarget::~StreamTarget() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool StreamTarget::write(QByteArrayView bytes, QString& error) {
    const char* p = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error = QString::fromLocal8Bit(std::strerror(n < 0 ? errno : ENOSPC));
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

}  // namespace vintrel
