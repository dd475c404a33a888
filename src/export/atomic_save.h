// Replacing a file in one step: the new contents go to a temporary file beside the target, which
// takes the target's place only when complete and flushed to disk. A failure at any point leaves
// the old file as it was and no temporary file behind, and says why in the system's words ("No
// space left on device", "File too large"); a stop signal while the file is written leaves the old
// file and removes the temporary one too, and a later save in the folder removes what a killed run
// left (temporary_files.h).
//
// A target that is a symbolic link to a regular file is replaced where the link points; a target
// that exists and is not a regular file (a folder, a FIFO, a device, a link to one) is refused
// before it is opened. An existing target is locked (an advisory lock, flock) from the moment it is
// read until the new file is in place, so that two runs on one file wait for each other instead of
// one losing the other's work; a run that cannot get the lock within a few seconds changes nothing.
// Before the new file takes the target's place, the target must still be the very file that was
// locked and read. The new file keeps the old one's permissions and group (and its owner when the
// program runs as root); a file the user may not write (its mode, an immutable or append-only mark,
// a read-only file system), a folder that does not let it be replaced (write-protected, marked
// append-only, or sticky and not the user's file), and a group the new file cannot be given are
// refused, with the reason, before anything is written. Replacing makes a new file: other hard links to the
// old one keep the old contents.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include <sys/stat.h>

namespace vintrel {

class AtomicFile {
  public:
    // `path` as model/file_names.h holds names.
    explicit AtomicFile(const QString& path);
    ~AtomicFile();  // a file not committed is removed; the lock is released
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Each returns false with the reason in `error`; after a failure only the destructor counts.

    // Adding: locks the existing target and reads it whole. Call before open().
    bool readExisting(QByteArray& bytes, QString& error);
    // Locks the target when it exists (unless readExisting() did) and starts the temporary file.
    bool open(QString& error);
    bool write(QByteArrayView bytes, QString& error);
    bool commit(QString& error);

    // Faults for tests: once `failAfter` bytes of a file have been written, writes fail with the
    // system error `error` (an errno value: the disk filling up), or stall until a signal ends
    // the process; or the final rename fails with `error`; or the temporary file, once made, waits
    // `failAfter` milliseconds before it is registered for removal on a signal, and the writes then
    // stall. nullopt restores the real thing.
    struct Fault {
        qint64 failAfter;
        int error;
        enum Kind { WriteFails, WriteStalls, RenameFails, CreationStalls } kind = WriteFails;
    };
    static void injectFaultForTesting(std::optional<Fault> fault);
    // How long a run waits for another run's lock on the target (5 seconds unless set).
    static void setLockWaitForTesting(int milliseconds);

  private:
    bool lockTarget(bool mustExist, QString& error);
    bool checkReplaceable(QString& error) const;
    bool checkFolder(QString& error) const;
    bool takeOwnership(QString& error);
    void startWriteback();

    QByteArray path_;        // as given
    QByteArray target_;      // the file that is replaced: path_, or where its link points
    QByteArray temporary_;   // the file being written
    int lockFd_ = -1;        // the target, open and locked; -1 when it did not exist
    struct stat locked_ {};  // the target as it was locked and read
    int slot_ = -1;          // the temporary file's place in the table removed on a signal

    int fd_ = -1;
    qint64 written_ = 0;
    qint64 writebackFrom_ = 0;  // where the part not yet handed to the disk starts
    bool committed_ = false;
};

// Whether files on a file system of `type` (statfs's f_type) have an owner, a group and a mode of
// their own; on those that have none (FAT, exFAT, NTFS, FUSE) they are not asked to keep them.
bool fileSystemKeepsOwners(long type);

// The whole file in one step.
bool saveAtomically(const QString& path, const QByteArray& bytes, QString& error);

// A new file assembled in a buffer and written out in pieces of a quarter megabyte, so that memory
// stays flat whatever the file's size; the target is still replaced only when all of it was
// written (AtomicFile).
class ChunkedOutput {
  public:
    explicit ChunkedOutput(const QString& path);
    // Adding: locks and reads the existing file (AtomicFile::readExisting), before open().
    bool readExisting(QByteArray& bytes, QString& error) { return file_.readExisting(bytes, error); }
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
