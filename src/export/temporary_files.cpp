#include "export/temporary_files.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <string_view>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vintrel {

namespace {

// The signals whose default action ends the process and that users, shells, timers and the system
// send. Faults (SIGSEGV, SIGBUS, ...) are left to the debuggers and sanitizers that watch for them.
constexpr std::array kStopSignals = {
    SIGHUP,  SIGINT, SIGQUIT, SIGABRT, SIGUSR1, SIGUSR2, SIGALRM, SIGTERM, SIGXCPU, SIGVTALRM, SIGPROF,
#ifdef SIGPOLL
    SIGPOLL,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
};

// The temporary files being written, removed by the signal handler: a fixed table, since the
// handler may only read memory and call async-signal-safe functions.
enum SlotState : int {
    kFree,
    kMaking,  // its thread is making the file, with the signals held: it is registered at once
    kArmed,   // `path` is a file of ours, to be removed on a signal
};
struct TemporarySlot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free);
std::array<TemporarySlot, 16> gTemporaries;

extern "C" void removeTemporariesAndStop(int signal) {
    const int saved = errno;
    for (TemporarySlot& slot : gTemporaries) {
        int state = slot.state.load(std::memory_order_acquire);
        // The thread making it holds the signals, so it is not this one, and it is between two
        // system calls: its file, if it got one, is armed in a moment.
        while (state == kMaking) {
            state = slot.state.load(std::memory_order_acquire);
        }
        if (state == kArmed) {
            ::unlink(slot.path);
        }
    }
    errno = saved;
    // The handler was reset on entry (SA_RESETHAND) and does not block its signal (SA_NODEFER):
    // the signal now ends the process as it would have without the handler.
    ::raise(signal);
}

int claimSlot() {
    for (int i = 0; i < static_cast<int>(gTemporaries.size()); ++i) {
        int expected = kFree;
        if (gTemporaries[static_cast<std::size_t>(i)].state.compare_exchange_strong(expected, kMaking)) {
            return i;
        }
    }
    return -1;  // more files at once than the table holds: those are only removed on failures
}

bool isTemporaryName(const char* name) {
    constexpr std::string_view kPrefix = ".vintrel-";
    const std::string_view n(name);
    if (n.size() != kPrefix.size() + 6 || !n.starts_with(kPrefix)) {
        return false;
    }
    for (const char c : n.substr(kPrefix.size())) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return true;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A shared lock on the folder while a save makes and locks its file, waiting a moment for a run
// that is removing leftovers; false when it is not held (no locks there, or it took too long).
bool holdFolderShared(int folderFd) {
    if (folderFd < 0) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    for (;;) {
        if (::flock(folderFd, LOCK_SH | LOCK_NB) == 0) {
            return true;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

StopSignalsHeld::StopSignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kStopSignals) {
        sigaddset(&set, signal);
    }
    ::pthread_sigmask(SIG_BLOCK, &set, &old_);
}

StopSignalsHeld::~StopSignalsHeld() {
    ::pthread_sigmask(SIG_SETMASK, &old_, nullptr);
}

void prepareSignalsForTemporaryFiles() {
    const auto untouched = [](int signal) {
        struct sigaction old {};
        return ::sigaction(signal, nullptr, &old) == 0 && (old.sa_flags & SA_SIGINFO) == 0 &&
               old.sa_handler == SIG_DFL;
    };
    for (const int signal : kStopSignals) {
        if (!untouched(signal)) {
            continue;  // ignored, handled by someone else, or ours already: left alone
        }
        struct sigaction action {};
        action.sa_handler = removeTemporariesAndStop;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND | SA_NODEFER;
        ::sigaction(signal, &action, nullptr);
    }
    if (untouched(SIGXFSZ)) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGXFSZ, &ignore, nullptr);
    }
}

void removeStaleTemporaries(int folderFd) {
    // Exclusive: no save in the folder is between making its file and locking it.
    if (folderFd < 0 || ::flock(folderFd, LOCK_EX | LOCK_NB) != 0) {
        return;  // one is, or the folder has no locks: another time
    }
    const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (dir == nullptr) {
        if (listFd >= 0) {
            ::close(listFd);
        }
        ::flock(folderFd, LOCK_UN);
        return;
    }
    const uid_t me = ::geteuid();
    while (const dirent* entry = ::readdir(dir)) {
        struct stat seen {};
        if (!isTemporaryName(entry->d_name) ||
            ::fstatat(folderFd, entry->d_name, &seen, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(seen.st_mode) ||
            seen.st_uid != me) {
            continue;
        }
        constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
        int fd = ::openat(folderFd, entry->d_name, O_RDONLY | kFlags);
        if (fd < 0 && errno == EACCES) {
            fd = ::openat(folderFd, entry->d_name, O_WRONLY | kFlags);  // it took a write-only mode
        }
        if (fd < 0) {
            continue;
        }
        // Locked by nobody: the run that wrote it is gone. Removed only while it is still the file
        // looked at.
        struct stat opened {};
        struct stat now {};
        if (::fstat(fd, &opened) == 0 && sameFile(opened, seen) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(folderFd, entry->d_name, &now, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(now, opened)) {
            ::unlinkat(folderFd, entry->d_name, 0);
        }
        ::close(fd);
    }
    ::closedir(dir);
    ::flock(folderFd, LOCK_UN);
}

bool makeTemporary(const QByteArray& folder, int folderFd, TemporaryFile& made, int stallMs) {
    const bool folderHeld = holdFolderShared(folderFd);
    // A short name, so that a target whose name is as long as names may be still gets one.
    QByteArray pattern = folder + "/.vintrel-XXXXXX";
    int reason = 0;
    {
        const StopSignalsHeld held;  // a signal is handled by another thread, which waits for the slot
        const int slot = pattern.size() < PATH_MAX ? claimSlot() : -1;
        made.fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        reason = errno;
        if (made.fd >= 0) {
            // Nobody else can hold a file just made; a file system without locks still gets it.
            ::flock(made.fd, LOCK_EX | LOCK_NB);
            made.path = pattern;
            if (stallMs > 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(stallMs));
            }
        }
        if (slot >= 0) {
            TemporarySlot& s = gTemporaries[static_cast<std::size_t>(slot)];
            if (made.fd >= 0) {
                std::memcpy(s.path, pattern.constData(), static_cast<std::size_t>(pattern.size()) + 1);
                made.slot = slot;
            }
            s.state.store(made.fd >= 0 ? kArmed : kFree, std::memory_order_release);
        }
    }
    if (folderHeld) {
        ::flock(folderFd, LOCK_UN);
    }
    errno = reason;
    return made.fd >= 0;
}

void forgetTemporary(int slot) {
    if (slot >= 0) {
        gTemporaries[static_cast<std::size_t>(slot)].state.store(kFree, std::memory_order_release);
    }
}

}  // namespace vintrel
