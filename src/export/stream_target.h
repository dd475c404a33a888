// Outputs that are written straight instead of replaced, by these names only: the program's own
// streams (/dev/stdout, /dev/stderr, /dev/fd/N) and /dev/null. They cannot be replaced in one step
// (there is no folder entry to swap), so a failure part way leaves what was written so far. Any
// other name is a file to replace (AtomicFile), which refuses FIFOs, devices and links to them.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace vintrel {

class StreamTarget {
  public:
    // The stream `path` names, opened for writing; nullopt when `path` is a file to replace.
    // A stream that cannot be opened gives a target whose failure() says why.
    static std::optional<StreamTarget> open(const QString& path);
    ~StreamTarget();
    StreamTarget(StreamTarget&& other) noexcept;
    StreamTarget(const StreamTarget&) = delete;
    StreamTarget& operator=(const StreamTarget&) = delete;
    StreamTarget& operator=(StreamTarget&&) = delete;

    const QString& failure() const { return failure_; }
    bool write(QByteArrayView bytes, QString& error);

  private:
    StreamTarget() = default;
    int fd_ = -1;
    QString failure_;
};

}  // namespace vintrel
