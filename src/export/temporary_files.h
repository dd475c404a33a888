// The temporary files a save writes beside its target (AtomicFile), named `.vintrel-` and six
// letters or digits, and what keeps them from outliving it:
// - a stop signal (one whose default action ends the process: SIGINT, SIGTERM, SIGHUP, SIGQUIT,
//   SIGABRT, SIGUSR1, SIGALRM, SIGXCPU, ...) removes the temporary files of the process before it
//   ends the process as it would have; whichever thread the signal reaches, and however soon after
//   a file is made. Signals that have a handler of their own or are ignored are left alone.
// - SIGXFSZ is ignored, so that a write beyond the file-size limit fails ("File too large")
//   instead of ending the process;
// - each temporary file is locked (flock) while it is written, and a save removes the temporary
//   files in its folder that are left over from runs that were killed (SIGKILL, a power cut):
//   those of the user's own that no run holds locked.
#pragma once

#include <QByteArray>

#include <csignal>

namespace vintrel {

// Holds back the handled signals in this thread while a step and its bookkeeping happen together.
class StopSignalsHeld {
  public:
    StopSignalsHeld();
    ~StopSignalsHeld();
    StopSignalsHeld(const StopSignalsHeld&) = delete;
    StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

  private:
    sigset_t old_;
};

struct TemporaryFile {
    int fd = -1;      // open for writing, locked
    QByteArray path;  // folder/.vintrel-XXXXXX
    int slot = -1;    // its place in the table a signal removes files by; -1 when the table is full
};

// Installs the signal handling described above where it is not in place yet (a process may have
// reset a signal since). Cheap enough to call before every save.
void prepareSignalsForTemporaryFiles();

// Removes the leftover temporary files in the folder, when no save in it is making one just now.
void removeStaleTemporaries(int folderFd);

// Makes a locked temporary file in `folder` (`folderFd` open on it) and registers it to be removed
// on a stop signal; false with errno set when it cannot be made. `stallMs` (tests only) is a pause
// between the making and the registering, where a signal is most likely to find it unregistered.
bool makeTemporary(const QByteArray& folder, int folderFd, TemporaryFile& made, int stallMs = 0);

// The file is renamed or removed: a signal no longer removes it. Call with the signals held.
void forgetTemporary(int slot);

}  // namespace vintrel
