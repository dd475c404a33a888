// What becomes of the temporary file when a run is stopped: by a signal (any thread may get it, at
// any moment of the save), or killed outright, when the next run in the folder cleans up after it.
// Each case runs in a child process that starts with the signals at their default actions, as a
// program does whatever the shell that started the tests ignores.
#include "export/atomic_save.h"

#include "folder_support.h"
#include "test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vintrel;
using namespace vintrel::test;

namespace {

// Forks a child that saves `bytes` to `target` under `fault`, with `signal` at its default action
// and a second thread idle beside the saving one (as the command line's worker and the window's
// helpers are).
pid_t startSave(const QString& target, std::optional<AtomicFile::Fault> fault, int signal) {
    const pid_t child = ::fork();
    if (child != 0) {
        return child;
    }
    ::alarm(30);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);  // SIGQUIT, SIGABRT and SIGXCPU would dump one
    ::signal(signal, SIG_DFL);
    std::thread([] {
        for (;;) {
            ::pause();
        }
    }).detach();
    AtomicFile::injectFaultForTesting(fault);
    QString error;
    ::_exit(saveAtomically(target, QByteArray(1000, 'x'), error) ? 0 : 1);
}

// Waits for the temporary file beside `target`; its name, or nothing after five seconds.
QString temporaryBeside(const QString& dir) {
    for (int i = 0; i < 500; ++i) {
        for (const QString& name : entries(dir)) {
            if (name.startsWith(QStringLiteral(".vintrel-"))) {
                return name;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return QString();
}

}  // namespace

// Stopped by a signal while the new file is written, or in the moment after the temporary file is
// made: the process ends by that signal, the old file is as it was and no temporary file is left.
TEST(TemporaryFiles, AStopSignalRemovesTheTemporaryFile) {
    const AtomicFile::Fault stallsInWrite{100, 0, AtomicFile::Fault::WriteStalls};
    const AtomicFile::Fault stallsWhenMade{300, 0, AtomicFile::Fault::CreationStalls};
    const struct {
        int signal;
        AtomicFile::Fault fault;
    } cases[] = {
        {SIGTERM, stallsInWrite}, {SIGINT, stallsInWrite},  {SIGQUIT, stallsInWrite},
        {SIGALRM, stallsInWrite}, {SIGXCPU, stallsInWrite}, {SIGUSR1, stallsWhenMade},
    };
    for (const auto& c : cases) {
        const std::string what =
            std::string(strsignal(c.signal)) +
            (c.fault.kind == AtomicFile::Fault::WriteStalls ? " in the write" : " when made");
        QTemporaryDir dir;
        const QString target = dir.filePath("t.gdb");
        ASSERT_TRUE(writeFile(target, "old contents"));
        const pid_t child = startSave(target, c.fault, c.signal);
        EXPECT_FALSE(temporaryBeside(dir.path()).isEmpty()) << what;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::kill(child, c.signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << what << ": " << status;
        EXPECT_EQ(entries(dir.path()), QStringList{"t.gdb"}) << what;
        EXPECT_EQ(contents(target), "old contents") << what;
    }
}

// A run killed outright leaves its temporary file; the next save in the folder removes it, but
// never one that a live run holds, one of another user, or anything not named as ours.
TEST(TemporaryFiles, TheNextSaveRemovesWhatAKilledRunLeft) {
    QTemporaryDir dir;
    const QString target = dir.filePath("t.gdb");
    ASSERT_TRUE(writeFile(target, "old contents"));
    const QString other = dir.filePath("other.gdb");
    QString error;

    const pid_t live = startSave(target, AtomicFile::Fault{100, 0, AtomicFile::Fault::WriteStalls}, SIGTERM);
    const QString held = temporaryBeside(dir.path());
    ASSERT_FALSE(held.isEmpty());
    ASSERT_TRUE(writeFile(dir.filePath(".vintrel-Stale1"), "left by a killed run"));
    ASSERT_TRUE(writeFile(dir.filePath(".vintrel-notours"), "not a name this program gives"));
    ASSERT_TRUE(QFile::link(target, dir.filePath(".vintrel-Link01")));
    const bool asRoot = ::geteuid() == 0;
    if (asRoot) {
        ASSERT_TRUE(writeFile(dir.filePath(".vintrel-Other1"), "another user's"));
        ASSERT_EQ(::chown(native(dir.filePath(".vintrel-Other1")).constData(), 4243, 4243), 0);
    }
    ASSERT_TRUE(saveAtomically(other, "1", error)) << error.toStdString();
    QStringList expected = {".vintrel-Link01", ".vintrel-notours", held, "other.gdb", "t.gdb"};
    if (asRoot) {
        expected.append(".vintrel-Other1");
    }
    expected.sort();
    EXPECT_EQ(entries(dir.path()), expected);

    // Killed: nothing could remove its file then, the next save does.
    ::kill(live, SIGKILL);
    ::waitpid(live, nullptr, 0);
    ASSERT_TRUE(entries(dir.path()).contains(held));
    ASSERT_TRUE(saveAtomically(other, "2", error)) << error.toStdString();
    expected.removeOne(held);
    EXPECT_EQ(entries(dir.path()), expected);
    EXPECT_EQ(contents(target), "old contents");
}
