#include "export/atomic_save.h"
#include "export/export_driver.h"
#include "export/mapsource/mapsource_file.h"
#include "export/mapsource/record_frames.h"
#include "model/file_names.h"

#include "folder_support.h"
#include "test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vintrel;
using vintrel::test::contents;
using vintrel::test::entries;
using vintrel::test::native;
using vintrel::test::readAll;
using vintrel::test::writeFile;

namespace {

// Empties a folder, whatever its names, so that QTemporaryDir can remove it.
void empty(const QString& dir) {
    for (const QString& name : entries(dir)) {
        ::unlink(native(dir + u'/' + name).constData());
    }
}

void fill(WaypointList& list, const QStringList& names) {
    for (const QString& name : names) {
        WaypointDraft d;
        d.cell(column::kName) = name;
        d.setPosition(51.5, -0.125, PositionForm{});
        list.appendWaypointRow(WaypointRow(d));
    }
}

// The waypoints a GDB or WPT file holds, or -1 when it is neither whole nor undamaged.
int waypointCount(const QByteArray& bytes) {
    if (bytes.startsWith("H  ")) {
        return static_cast<int>(bytes.count("\r\nW  "));
    }
    if (bytes.contains("<gpx")) {
        return static_cast<int>(bytes.count("<wpt "));
    }
    const MapSourceScan scan = scanMapSourceFile(bytes, gdbKind());
    return scan.ok() ? static_cast<int>(scan.waypointNames.size()) : -1;
}

// The whole file's run of a create or an add, as the window and the command line make it.
WriteReport run(bool add, const QString& path, const QStringList& names) {
    const ExportFormat& format = *exportFormatForName(path.section(u'.', -1));
    WaypointList list;
    fill(list, names);
    return add ? addToFile(format, list, path, ExportContext{})
               : createFile(format, list, path, ExportContext{});
}

bool chattr(const QString& path, const char* flags) {
    const QByteArray command = QByteArray("chattr ") + flags + " '" + native(path) + "' 2>/dev/null";
    return std::system(command.constData()) == 0;
}

// An open descriptor of `path` holding the lock another run would hold.
int lockOf(const QString& path) {
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::flock(fd, LOCK_EX), 0);
    return fd;
}

// Runs `work` in a child process under another user with the given groups; what it returns comes
// back through a pipe. Nothing when the test cannot become that user (it does not run as root).
std::optional<QString> asUser(uid_t uid, gid_t gid, std::vector<gid_t> groups,
                              const std::function<QString()>& work) {
    if (::geteuid() != 0) {
        return std::nullopt;
    }
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return std::nullopt;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        ::alarm(30);
        if (::setgroups(groups.size(), groups.data()) != 0 || ::setresgid(gid, gid, gid) != 0 ||
            ::setresuid(uid, uid, uid) != 0) {
            ::_exit(2);
        }
        const QByteArray text = work().toUtf8();
        const bool sent =
            ::write(pipeFds[1], text.constData(), static_cast<size_t>(text.size())) == text.size();
        ::_exit(sent ? 0 : 3);
    }
    ::close(pipeFds[1]);
    QByteArray text;
    char buffer[512];
    ssize_t n = 0;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) {
        text.append(buffer, n);
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    return QString::fromUtf8(text);
}

QString errorOrOk(const WriteReport& report) {
    return report.written ? QStringLiteral("ok") : report.error;
}

}  // namespace

TEST(AtomicSave, ReplacesWholeKeepsPermissionsAndFollowsLinks) {
    QTemporaryDir dir;
    const QString target = dir.filePath("a.gdb");
    ASSERT_TRUE(writeFile(target, QByteArray(1000, 'o')));
    ASSERT_EQ(chmod(target.toLocal8Bit().constData(), 0640), 0);
    QString error;
    ASSERT_TRUE(saveAtomically(target, "new", error)) << error.toStdString();
    EXPECT_EQ(readAll(target), "new");
    EXPECT_EQ(QFileInfo(target).permissions() & 0x7777, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                            QFileDevice::ReadUser | QFileDevice::WriteUser |
                                                            QFileDevice::ReadGroup);

    // A new file gets the usual permissions, not a temporary file's private ones.
    ASSERT_TRUE(saveAtomically(dir.filePath("fresh.gdb"), "x", error));
    EXPECT_TRUE(QFileInfo(dir.filePath("fresh.gdb")).permissions() & QFileDevice::ReadOther);

    // A link to a regular file: the file it points to is replaced, the link stays.
    ASSERT_TRUE(QFile::link(target, dir.filePath("link.gdb")));
    ASSERT_TRUE(saveAtomically(dir.filePath("link.gdb"), "through the link", error));
    EXPECT_TRUE(QFileInfo(dir.filePath("link.gdb")).isSymLink());
    EXPECT_EQ(readAll(target), "through the link");
}

// Every way a target can be wrong or in use, for a create and an add of a GDB, a WPT and a GPX file: a
// refusal names the reason, changes no byte and leaves nothing behind; what may be done is done.
TEST(AtomicSave, CreateAndAddCheckLockAndKeepTheTarget) {
    struct Case {
        const char* what;
        const char* name;  // of the target; it holds OLD1 unless `prepare` says otherwise
        std::function<bool(const QString& dir, const QString& target)> prepare;  // false: not here
        const char* refusal;                                                     // nullptr: done
        std::function<void(const QString& target)> undo = nullptr;
    };
    const auto none = [](const QString&, const QString&) { return true; };
    const auto fault = [](AtomicFile::Fault f) {
        return [f](const QString&, const QString&) {
            AtomicFile::injectFaultForTesting(f);
            return true;
        };
    };
    const auto noFault = [](const QString&) { AtomicFile::injectFaultForTesting(std::nullopt); };
    rlimit sizeLimit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &sizeLimit), 0);
    int lockFd = -1;
    const QList<Case> cases = {
        {"a link to a device is not read", "t",
         [](const QString&, const QString& t) { return QFile::remove(t) && QFile::link("/dev/zero", t); },
         "it exists and is not a regular file"},
        {"a link to nothing", "t",
         [](const QString& d, const QString& t) { return QFile::remove(t) && QFile::link(d + "/gone", t); },
         "it is a link to nothing"},
        {"another run holds the lock", "t",
         [&](const QString&, const QString& t) {
             lockFd = lockOf(t);
             AtomicFile::setLockWaitForTesting(200);
             return true;
         },
         "another program kept it locked for 0.2 seconds; try again when it is done",
         [&](const QString&) {
             ::close(lockFd);
             AtomicFile::setLockWaitForTesting(5000);
         }},
        {"an immutable file", "t", [](const QString&, const QString& t) { return chattr(t, "+i"); },
         "it is marked immutable (chattr +i)", [](const QString& t) { chattr(t, "-i"); }},
        {"an append-only folder, where a temporary file could not be removed", "t",
         [](const QString& d, const QString&) { return chattr(d, "+a"); },
         "its folder is marked append-only (chattr +a), so no file in it can be replaced",
         [](const QString& t) { chattr(QFileInfo(t).path(), "-a"); }},
        {"a full disk", "t", fault({100, ENOSPC}), "No space left on device", noFault},
        {"a rename that fails", "t", fault({0, EXDEV, AtomicFile::Fault::RenameFails}),
         "Invalid cross-device link", noFault},
        // Beyond the file-size limit (ulimit -f) the write fails, instead of SIGXFSZ ending the program.
        {"a file-size limit", "t",
         [&](const QString&, const QString&) {
             const rlimit small{100, sizeLimit.rlim_max};
             return ::setrlimit(RLIMIT_FSIZE, &small) == 0;
         },
         "File too large", [&](const QString&) { ::setrlimit(RLIMIT_FSIZE, &sizeLimit); }},
        {"a name that is not UTF-8", "caf\xE9", none, nullptr},
        {"a hard link keeps the old contents", "t",
         [](const QString& d, const QString& t) {
             return ::link(native(t).constData(), native(d + "/other").constData()) == 0;
         },
         nullptr},
    };
    for (const Case& c : cases) {
        for (const char* extension : {".gdb", ".wpt", ".gpx"}) {
            for (const bool add : {false, true}) {
                const std::string what = std::string(c.what) + extension + (add ? " add" : " create");
                QTemporaryDir dir;
                const QString target = dir.filePath(fileNameFromBytes(c.name) + extension);
                ASSERT_TRUE(run(false, target, {"OLD1"}).written) << what;
                if (!c.prepare(dir.path(), target)) {
                    if (c.undo) {
                        c.undo(target);
                    }
                    std::cout << "[ SKIPPED  ] " << what << ": not possible here\n";
                    continue;
                }
                const QByteArray before = contents(target);
                const QStringList entriesBefore = entries(dir.path());
                const WriteReport report = run(add, target, {"OLD1", "NEW1"});
                const QByteArray after = contents(target);
                const QStringList entriesAfter = entries(dir.path());
                if (c.undo) {
                    c.undo(target);
                }
                const QByteArray other = contents(dir.filePath("other"));
                empty(dir.path());
                EXPECT_EQ(entriesAfter, entriesBefore) << what;  // no temporary file left
                if (c.refusal != nullptr) {
                    EXPECT_FALSE(report.written) << what;
                    EXPECT_EQ(report.error, c.refusal) << what;
                    EXPECT_EQ(after, before) << what;
                    continue;
                }
                ASSERT_TRUE(report.written) << what << ": " << report.error.toStdString();
                EXPECT_EQ(waypointCount(after), 2) << what;
                EXPECT_EQ(report.recordCount, add ? 1 : 2) << what;
                EXPECT_TRUE(entriesAfter.contains(QFileInfo(target).fileName())) << what;
                if (entriesAfter.contains("other")) {
                    EXPECT_EQ(other, before) << what;
                }
            }
        }
    }
}

// What was read must still be there when the new file takes its place: a program that writes
// without locking, between the read and the replace, is noticed.
TEST(AtomicSave, AChangeMadeMeanwhileIsNotOverwritten) {
    QTemporaryDir dir;
    const QString target = dir.filePath("t.gdb");
    ASSERT_TRUE(run(false, target, {"OLD1"}).written);
    ChunkedOutput out(target);
    QByteArray old;
    QString error;
    ASSERT_TRUE(out.readExisting(old, error)) << error.toStdString();
    ASSERT_TRUE(out.open(error));
    QFile inPlace(target);
    ASSERT_TRUE(inPlace.open(QIODevice::Append));
    inPlace.write("x");
    inPlace.close();
    ASSERT_TRUE(out.write(old, error));
    EXPECT_FALSE(out.commit(error));
    EXPECT_EQ(error, "another program changed it meanwhile");
    EXPECT_EQ(contents(target), old + "x");
}

// Two processes adding to one file at once: every waypoint of both is there.
TEST(AtomicSave, TwoProcessesAddingAtOnceLoseNothing) {
    QTemporaryDir dir;
    for (const char* name : {"t.gdb", "t.wpt", "t.gpx"}) {
        const QString target = dir.filePath(name);
        ASSERT_TRUE(run(false, target, {"OLD1"}).written);
        constexpr int kAdds = 15;
        const pid_t child = ::fork();
        if (child == 0) {
            ::alarm(60);
            int done = 0;
            for (int i = 0; i < kAdds; ++i) {
                done += run(true, target, {QStringLiteral("C%1").arg(i)}).recordCount;
            }
            ::_exit(done == kAdds ? 0 : 1);
        }
        int added = 0;
        for (int i = 0; i < kAdds; ++i) {
            added += run(true, target, {QStringLiteral("P%1").arg(i)}).recordCount;
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << name;
        EXPECT_EQ(added, kAdds) << name;
        EXPECT_EQ(waypointCount(contents(target)), 1 + 2 * kAdds) << name;
    }
}

// The file's own protection and its group, as other users meet them. Root may write any file, so
// as root these run in child processes under other user ids; as another user the parts that need
// a second user are skipped.
TEST(AtomicSave, ProtectionOwnerAndGroupAreKept) {
    QTemporaryDir dir;
    ASSERT_EQ(::chmod(native(dir.path()).constData(), 0777), 0);
    const QString target = dir.filePath("team.gdb");
    const auto fresh = [&](uid_t owner, gid_t group, mode_t mode) {
        QFile::remove(target);
        ASSERT_TRUE(run(false, target, {"OLD1"}).written);
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(native(target).constData(), owner, group), 0);
        }
        ASSERT_EQ(::chmod(native(target).constData(), mode), 0);
    };
    const auto ownerGroupMode = [&] {
        struct stat st {};
        ::stat(native(target).constData(), &st);
        return std::tuple<uid_t, gid_t, mode_t>(st.st_uid, st.st_gid, st.st_mode & 07777);
    };
    const auto add = [&] { return errorOrOk(run(true, target, {"NEW1"})); };
    const auto create = [&] { return errorOrOk(run(false, target, {"NEW1"})); };
    constexpr uid_t kOwner = 4241, kMember = 4242, kStranger = 4243;
    constexpr gid_t kTeam = 4240;

    // Write-protected: refused for the user that owns it, as a plain write would be.
    fresh(kMember, kMember, 0444);
    const QByteArray before = contents(target);
    const QString refused = QStringLiteral("it is write-protected: you may not change it");
    EXPECT_EQ(::geteuid() != 0 ? create() : asUser(kMember, kMember, {kMember}, create), refused);
    EXPECT_EQ(contents(target), before);

    if (::geteuid() != 0) {
        std::cout << "[ SKIPPED  ] the group and owner cases need root to act as other users\n";
        return;
    }
    // Root keeps the owner, the group and the mode as they were, the set-group bit too.
    fresh(kOwner, kTeam, 02640);
    EXPECT_EQ(add(), "ok");
    EXPECT_EQ(ownerGroupMode(), std::make_tuple(kOwner, kTeam, mode_t(02640)));
    // A member of the file's group adds to it: the group stays, so its owner can still use it.
    fresh(kOwner, kTeam, 0660);
    EXPECT_EQ(asUser(kMember, kMember, {kMember, kTeam}, add), "ok");
    EXPECT_EQ(ownerGroupMode(), std::make_tuple(kMember, kTeam, mode_t(0660)));
    EXPECT_EQ(waypointCount(contents(target)), 2);
    // Someone outside the group may write the file, but the new one could not have its group.
    fresh(kOwner, kTeam, 0666);
    const QByteArray shared = contents(target);
    EXPECT_EQ(asUser(kStranger, kStranger, {kStranger}, add),
              "its group 4240 cannot be kept (Operation not permitted)");
    EXPECT_EQ(contents(target), shared);
    EXPECT_EQ(entries(dir.path()), QStringList{"team.gdb"});
}

TEST(FileNames, AnyBytesComeBackAndAreShownReadably) {
    struct Case {
        QByteArray bytes;
        const char* shown;
    };
    const QList<Case> cases = {
        {"caf\xC3\xA9.gpx", "caf\xC3\xA9.gpx"},            // UTF-8 stays as it is
        {"a\nb\tc\rd\x01.gdb", "a\\nb\\tc\\rd\\x01.gdb"},  // control characters
        {"\xED\xB3\xA9 \xC0\xAF \xF4\x90\x80\x80",
         "\\xED\\xB3\\xA9 \\xC0\\xAF \\xF4\\x90\\x80\\x80"},  // not well formed
        {"\xF0\x9F\x98\x80\xFF", "\xF0\x9F\x98\x80\\xFF"},    // a character beyond 16 bits, a stray byte
        {"cut\xE2\x82", "cut\\xE2\\x82"},                     // a character cut short
    };
    for (const Case& c : cases) {
        const QString name = fileNameFromBytes(c.bytes);
        EXPECT_EQ(fileNameBytes(name), c.bytes) << c.shown;
        EXPECT_EQ(displayFileName(name), QString::fromUtf8(c.shown));
    }
}
