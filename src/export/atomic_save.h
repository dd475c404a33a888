// Replacing a file in one step: the new contents go to a temporary file beside the target, which
// takes the target's place only when complete and flushed to disk. A failure at any point leaves
// the old file as it was and no temporary file behind, and says why in the system's words ("No
// space left on device"). A target that is a symbolic link to a regular file is replaced where the
// link points; a target that exists and is not a regular file (a folder, a FIFO, a device) is
// refused.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vintrel {

class AtomicFile {
  public:
    explicit AtomicFile(const QString& path);
    ~AtomicFile();  // a file not committed is removed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Each returns false with the reason in `error`; after a failure only the destructor counts.
    bool open(QString& error);
    bool write(QByteArrayView bytes, QString& error);
    bool commit(QString& error);

    // Makes writes fail with the system error `error` (an errno value) once `failAfter` bytes of a
    // file have been written: the disk filling up, for tests. nullopt restores real writes.
    struct Fault {
        qint64 failAfter;
        int error;
    };
    static void injectFaultForTesting(std::optional<Fault> fault);

  private:
    QString path_;
    QString target_;     // the file that is replaced: path_, or where its link points
    QString temporary_;  // the file being written
    void startWriteback();

    int fd_ = -1;
    qint64 written_ = 0;
    qint64 writebackFrom_ = 0;  // where the part not yet handed to the disk starts
    bool committed_ = false;
};

// Reads a whole existing file; false with "it cannot be read (reason)" in `error`.
bool readWholeFile(const QString& path, QByteArray& bytes, QString& error);

// The whole file in one step.
bool saveAtomically(const QString& path, const QByteArray& bytes, QString& error);

// A new file assembled in a buffer and written out in pieces of a quarter megabyte, so that memory
// stays flat whatever the file's size; the target is still replaced only when all of it was
// written (AtomicFile).
class ChunkedOutput {
  public:
    explicit ChunkedOutput(const QString& path);
    bool open(QString& error);
    // Where the next bytes go.
    QByteArray& buffer() { return buffer_; }
    // Writes the buffer out once it holds a piece's worth.
    bool flushIfFull(QString& error);
    // Writes what the buffer holds, then `bytes` as they are.
    bool write(QByteArrayView bytes, QString& error);
    // Writes what the buffer holds, then the rest of the file.
    bool commit(QString& error);

  private:
    AtomicFile file_;
    QByteArray buffer_;
};

}  // namespace vintrel
