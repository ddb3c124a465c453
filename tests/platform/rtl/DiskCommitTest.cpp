#include "platform/rtl/DiskCommit.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/sched.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <csignal>
#include <chrono>
#include <filesystem>
#include <future>
#include <array>
#include <set>

#include "platform/rtl/Classes.h"
#include "platform/rtl/FileIO.h"
#include "tests/engine/ExportTestUtil.h"

namespace {

namespace fs = std::filesystem;

std::set<std::string> Names(const std::string& dir) {
    std::set<std::string> out;
    for (auto& e : fs::directory_iterator(dir)) out.insert(e.path().filename().string());
    return out;
}

// The number of a process that has ended.
long DeadPid() {
    const pid_t pid = fork();
    if (pid == 0) _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

std::string Working(const std::string& set, long pid, const std::string& hex, const char* kind) {
    return "." + set + ".qm" + std::to_string(pid) + "-" + hex + "." + kind;
}

// A log of one set as a commit writes it: the count of files, then per file its name, where its old file is,
// whether that is kept, whether there was one, and the old and the new file's identity (Ids).
std::string Log(const std::vector<std::vector<std::string>>& entries) {
    std::string text = "qm-commit 2\n" + std::to_string(std::to_string(entries.size()).size()) + ":" +
                       std::to_string(entries.size()) + "\n";
    for (auto& fields : entries) {
        for (const std::string& f : fields) text += std::to_string(f.size()) + ":" + f;
        text += "\n";
    }
    return text;
}

std::vector<std::string> Ids(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    // Device, inode, size, modification time; the hash is only looked at where the others differ.
    return {std::to_string(st.st_dev), std::to_string(st.st_ino), std::to_string(st.st_size),
            std::to_string(st.st_mtim.tv_sec * 1000000000ULL + st.st_mtim.tv_nsec), "0"};
}

const std::vector<std::string> kNoId = {"0", "0", "0", "0", "0"};

TEST(DiskCommit, ReplacesWithoutATraceAndKeepsTheBackupOnlyWhenAsked) {
    const std::string d = TestDir("commit");
    const std::string a = d + "/a.txt";
    ASSERT_EQ(DiskReplace(a, "one"), 0);
    ASSERT_EQ(DiskReplace(a, "two", a + "~"), 0);
    ASSERT_EQ(DiskReplace(a, "three"), 0);
    EXPECT_EQ(ReadFile(a), "three");
    EXPECT_EQ(ReadFile(a + "~"), "one");
    EXPECT_EQ(Names(d), (std::set<std::string>{"a.txt", "a.txt~"}));

    // A target that is a folder, a read-only file (for the superuser too) or in a missing folder is refused
    // when the new file is made, before any of it is written.
    TDiskWorkFile f;
    fs::create_directories(d + "/folder.txt");
    EXPECT_EQ(f.Create(d + "/folder.txt"), EISDIR);
    DiskWriteAll(d + "/ro.txt", "ro");
    chmod((d + "/ro.txt").c_str(), 0444);
    EXPECT_EQ(f.Create(d + "/ro.txt"), EACCES);
    EXPECT_EQ(f.Create(d + "/none/x.txt"), ENOENT);
    EXPECT_EQ(f.Create(d + "/a\xB1.txt"), EILSEQ);
    // A file never committed leaves nothing, named or not.
    {
        TDiskWorkFile unnamed, reserved;
        ASSERT_EQ(unnamed.Create(a), 0);
        EXPECT_EQ(unnamed.Write("x", 1), 0);
        ASSERT_EQ(reserved.Create(a, "", true), 0);
        EXPECT_EQ(reserved.Fd(), -1);
        ASSERT_TRUE(DiskWriteAll(reserved.Path(), "made by its writer"));
    }
    EXPECT_EQ(Names(d), (std::set<std::string>{"a.txt", "a.txt~", "folder.txt", "ro.txt"}));
    // A reserved name, made by its writer, is committed like any other file.
    TDiskWorkFile reserved;
    ASSERT_EQ(reserved.Create(d + "/b.txt", "", true), 0);
    ASSERT_TRUE(DiskWriteAll(reserved.Path(), "b"));
    EXPECT_EQ(DiskCommit({&reserved}, {d + "/b.txt"}, {}), 0);
    EXPECT_EQ(ReadFile(d + "/b.txt"), "b");
    EXPECT_EQ(Names(d), (std::set<std::string>{"a.txt", "a.txt~", "b.txt", "folder.txt", "ro.txt"}));
}

// Working names of old ("x~tmp", "x.~tmp") are the user's: what holds them is neither written nor removed.
TEST(DiskCommit, FilesAndEmptyFoldersNamedLikeOldWorkingNamesSurvive) {
    const std::string d = TestDir("commit");
    const std::string a = d + "/page.txt";
    DiskWriteAll(a + ".~tmp", "user");
    fs::create_directories(d + "/page.txt~tmp");
    fs::create_directories(d + "/page.txt~old");
    TStringList l;
    l.Add("line");
    l.SaveToFile(a);
    l.SaveToFile(a);
    EXPECT_EQ(ReadFile(a), "line\r\n");
    EXPECT_EQ(ReadFile(a + ".~tmp"), "user");
    EXPECT_TRUE(fs::is_directory(d + "/page.txt~tmp"));
    EXPECT_TRUE(fs::is_directory(d + "/page.txt~old"));
    EXPECT_EQ(Names(d).size(), 4u);
}

TEST(DiskCommit, RecoveryRemovesOnlyTheLeftoversOfEndedWriters) {
    const std::string d = TestDir("commit");
    const long dead = DeadPid(), alive = getppid(), self = getpid();
    const std::set<std::string> theirs = {Working("a.mif", dead, "0123abcd", "new"),
                                          Working("a.mif", dead, "89abcdef", "old"),
                                          Working("a.mif", self, "00000000", "new"),
                                          Working("a.mif", dead, "0000ffff", "log")};
    const std::set<std::string> kept = {
        "a.mif",
        "a.mif~tmp",
        Working("a.mif", alive, "0123abcd", "new"),   // a writer still at work
        Working("a.mif", dead, "0123abc", "new"),     // not quite a working name
        Working("a.mif", dead, "0123abcd", "newer"),
        Working("a.mif", dead, "0123abcd", "new") + "~",
        Working("b.mif", dead, "0123abcd", "new"),    // another set's
        ".a.mif.qm-0123abcd.new",
    };
    for (auto* names : {&theirs, &kept})
        for (const std::string& n : *names) DiskWriteAll(d + "/" + n, "x");
    // The old file is a second name of the target, and the log says the set never moved.
    const std::string old = d + "/" + Working("a.mif", dead, "89abcdef", "old");
    fs::remove(old);
    ASSERT_EQ(link((d + "/a.mif").c_str(), old.c_str()), 0);
    std::vector<std::string> entry = {"a.mif", Working("a.mif", dead, "89abcdef", "old"), "0", "1"};
    for (const std::string& id : Ids(d + "/a.mif")) entry.push_back(id);
    entry.insert(entry.end(), kNoId.begin(), kNoId.end());
    DiskWriteAll(d + "/" + Working("a.mif", dead, "0000ffff", "log"), Log({entry}));
    fs::create_directories(d + "/" + Working("a.mif", dead, "fedcba98", "old") + "/inside");
    EXPECT_EQ(DiskRecover(d + "/a.mif"), 0);
    std::set<std::string> left = kept;
    left.insert(Working("a.mif", dead, "fedcba98", "old"));  // a folder is nobody's file
    EXPECT_EQ(Names(d), left);
    // A file this process is still writing stays.
    TDiskWorkFile busy;
    ASSERT_EQ(busy.Create(d + "/c.mif", "", true), 0);
    ASSERT_TRUE(DiskWriteAll(busy.Path(), "writing"));
    EXPECT_EQ(DiskRecover(d + "/c.mif"), 0);
    EXPECT_EQ(ReadFile(busy.Path()), "writing");
}

// A save does not look through a folder again that it found clean, unless another program has made a working
// name there since, or the folder is another one by now.
TEST(DiskCommit, ASaveLooksAgainWhereAnotherProgramLeftWorkingFiles) {
    const std::string d = TestDir("commit");
    DiskWriteAll(d + "/a.mif", "a");
    // Another set's leftover is not looked at by a's recovery, so the folder is not taken for clean.
    const std::string theirs = Working("b.mif", DeadPid(), "0123abcd", "new");
    DiskWriteAll(d + "/" + theirs, "x");
    EXPECT_EQ(DiskRecover(d + "/a.mif"), 0);
    EXPECT_EQ(DiskRecover(d + "/b.mif"), 0);
    EXPECT_EQ(Names(d), (std::set<std::string>{"a.mif"}));
    // Made by another process after the folder was found clean.
    auto leaveOne = [&](const std::string& set) {
        const pid_t pid = fork();
        if (pid == 0) _exit(DiskWriteAll(d + "/" + Working(set, getpid(), "89abcdef", "old"), "x") ? 0 : 1);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    };
    leaveOne("a.mif");
    EXPECT_EQ(DiskRecover(d + "/a.mif"), 0);
    EXPECT_EQ(Names(d), (std::set<std::string>{"a.mif"}));
    // The folder removed and made again, perhaps with the same number: it is looked through.
    fs::remove_all(d);
    fs::create_directories(d);
    DiskWriteAll(d + "/a.mif", "a");
    DiskWriteAll(d + "/" + Working("a.mif", DeadPid(), "76543210", "new"), "x");
    EXPECT_EQ(DiskRecover(d + "/a.mif"), 0);
    EXPECT_EQ(Names(d), (std::set<std::string>{"a.mif"}));
}

// Names that only look like the program's working names are the user's: upper-case hex digits, a process number
// with a leading zero or a sign, or one too large for a process.
TEST(DiskCommit, RecoveryRemovesExactlyTheNamesTheProgramMakes) {
    const std::string d = TestDir("commit");
    const long dead = DeadPid();
    const std::string ours = Working("l.mif", dead, "0a1b2c3d", "new");
    const std::set<std::string> alike = {
        Working("l.mif", dead, "0A1B2C3D", "new"),
        ".l.mif.qm0" + std::to_string(dead) + "-0a1b2c3d.new",
        ".l.mif.qm+" + std::to_string(dead) + "-0a1b2c3d.old",
        ".l.mif.qm0-0a1b2c3d.new",
        ".l.mif.qm99999999999-0a1b2c3d.new",
        ".l.mif.qm4294967297-0a1b2c3d.log",
    };
    DiskWriteAll(d + "/" + ours, "x");
    for (const std::string& n : alike) DiskWriteAll(d + "/" + n, "user");
    EXPECT_EQ(DiskRecover(d + "/l.mif"), 0);
    EXPECT_EQ(Names(d), alike);
}

TEST(DiskCommit, AHalfSwappedSetIsPutBackAndAWholeOneKept) {
    const std::string d = TestDir("commit");
    const long dead = DeadPid();
    const std::string mif = d + "/s.mif", mid = d + "/s.mid";
    const std::string asideMif = Working("s.mif", dead, "00000001", "old"), asideMid = Working("s.mif", dead, "00000002", "old");
    // The MIF was replaced, the MID not yet: the old MIF is under its working name.
    DiskWriteAll(d + "/" + asideMif, "old mif");
    DiskWriteAll(mid, "old mid");
    ASSERT_EQ(link(mid.c_str(), (d + "/" + asideMid).c_str()), 0);
    DiskWriteAll(mif, "new mif");
    DiskWriteAll(d + "/new mid", "new mid");
    auto entry = [&](const std::string& name, const std::string& old, const std::string& oldPath,
                     const std::string& newPath) {
        std::vector<std::string> e = {name, old, "0", "1"};
        for (auto* p : {&oldPath, &newPath})
            for (const std::string& id : Ids(*p)) e.push_back(id);
        return e;
    };
    const std::string log = Log({entry("s.mif", asideMif, d + "/" + asideMif, mif),
                                 entry("s.mid", asideMid, mid, d + "/new mid")});
    DiskWriteAll(d + "/" + Working("s.mif", dead, "0000000a", "log"), log);
    EXPECT_EQ(DiskRecover(mif), 0);
    EXPECT_EQ(ReadFile(mif), "old mif");
    EXPECT_EQ(ReadFile(mid), "old mid");
    EXPECT_EQ(Names(d), (std::set<std::string>{"s.mif", "s.mid", "new mid"}));

    // Both new: the set moved whole and stays.
    DiskWriteAll(d + "/" + asideMif, "old mif");
    DiskWriteAll(d + "/" + asideMid, "old mid");
    DiskWriteAll(mif, "new mif");
    fs::rename(d + "/new mid", mid);
    const std::string whole = Log({entry("s.mif", asideMif, d + "/" + asideMif, mif),
                                   entry("s.mid", asideMid, d + "/" + asideMid, mid)});
    DiskWriteAll(d + "/" + Working("s.mif", dead, "0000000b", "log"), whole);
    // The entries' old ids are those of the asides, the new ones those of the targets: all new.
    EXPECT_EQ(DiskRecover(mif), 0);
    EXPECT_EQ(ReadFile(mif), "new mif");
    EXPECT_EQ(ReadFile(mid), "new mid");
    EXPECT_EQ(Names(d), (std::set<std::string>{"s.mif", "s.mid"}));
}

// A log is a file in the user's folder like any other: one that names files outside the set's working names,
// other folders, or is cut short moves nothing.
TEST(DiskCommit, AHostileLogMovesNothing) {
    const std::string d = TestDir("commit");
    const long dead = DeadPid();
    const std::string mif = d + "/h.mif", mid = d + "/h.mid";
    DiskWriteAll(mif, "current mif");
    DiskWriteAll(mid, "current mid");
    DiskWriteAll(d + "/victim", "victim");
    // The MIF counts as replaced, the MID as not yet: were the log believed, "victim" would move over the MIF.
    std::vector<std::string> swapped = {"h.mif", "victim", "0", "1"};
    swapped.insert(swapped.end(), kNoId.begin(), kNoId.end());
    for (const std::string& id : Ids(mif)) swapped.push_back(id);
    std::vector<std::string> waiting = {"h.mid", Working("h.mif", dead, "00000003", "old"), "0", "1"};
    for (const std::string& id : Ids(mid)) waiting.push_back(id);
    waiting.insert(waiting.end(), kNoId.begin(), kNoId.end());
    std::vector<std::string> outside = swapped;
    outside[1] = "../" + Working("h.mif", dead, "00000001", "old");
    std::vector<std::string> kept = swapped;
    kept[1] = "/etc/hostname";
    kept[2] = "1";
    const std::string full = Log({swapped, waiting});
    for (const std::string& text : {full, Log({outside, waiting}), Log({kept, waiting}), full.substr(0, full.size() - 3),
                                    std::string("qm-commit 1\n99999999:x"), std::string("not a log")}) {
        const std::string log = Working("h.mif", dead, "0000000c", "log");
        DiskWriteAll(d + "/" + log, text);
        // Nothing proves the set whole: the open says so.
        EXPECT_EQ(DiskRecover(mif), EUCLEAN);
        EXPECT_EQ(ReadFile(mif), "current mif");
        EXPECT_EQ(ReadFile(mid), "current mid");
        EXPECT_EQ(ReadFile(d + "/victim"), "victim");
        EXPECT_EQ(Names(d), (std::set<std::string>{"h.mif", "h.mid", "victim", log}));
        fs::remove(d + "/" + log);
    }
}

// What another user leaves in a folder both may write is theirs: their log moves none of this user's files,
// and neither it nor their leftovers are removed.
TEST(DiskCommit, ALogOrLeftoverOfAnotherUserIsLeftAlone) {
    if (geteuid() != 0) GTEST_SKIP() << "only the superuser can make a file of another user";
    const std::string d = TestDir("commit");
    const long dead = DeadPid();
    const std::string mif = d + "/u.mif", mid = d + "/u.mid";
    DiskWriteAll(mif, "current mif");
    DiskWriteAll(mid, "current mid");
    DiskWriteAll(d + "/theirs", "their file");
    // Believed, the log would say the MIF was replaced and the MID not: "theirs" would come over the MIF.
    std::vector<std::string> swapped = {"u.mif", "theirs", "1", "1"}, waiting = {"u.mid", "", "0", "0"};
    for (const std::string& id : Ids(d + "/theirs")) swapped.push_back(id);
    for (const std::string& id : Ids(mif)) swapped.push_back(id);
    for (int i = 0; i < 2; ++i) waiting.insert(waiting.end(), kNoId.begin(), kNoId.end());
    fs::remove(mid);
    const std::string log = d + "/" + Working("u.mif", dead, "0000000d", "log");
    const std::string leftover = d + "/" + Working("u.mif", dead, "0000000e", "new");
    DiskWriteAll(log, Log({swapped, waiting}));
    DiskWriteAll(leftover, "x");
    for (const std::string& f : {log, leftover}) ASSERT_EQ(chown(f.c_str(), 4321, 4321), 0);
    EXPECT_EQ(DiskRecover(mif), 0);
    EXPECT_EQ(ReadFile(mif), "current mif");
    EXPECT_EQ(ReadFile(d + "/theirs"), "their file");
    EXPECT_TRUE(fs::exists(log));
    EXPECT_TRUE(fs::exists(leftover));
    // The same log of this user's own is believed.
    ASSERT_EQ(chown(log.c_str(), 0, 0), 0);
    EXPECT_EQ(DiskRecover(mif), 0);
    EXPECT_EQ(ReadFile(mif), "their file");
    EXPECT_FALSE(fs::exists(log));
}

// A pipe under a log's name holds no commit: the open that looks at it goes on at once.
TEST(DiskCommit, APipeNamedLikeALogDoesNotStopTheOpen) {
    const std::string d = TestDir("commit");
    const std::string pipe = d + "/" + Working("p.mif", DeadPid(), "0000000f", "log");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    DiskWriteAll(d + "/p.mif", "mif");
    auto recovery = std::async(std::launch::async, [&] { return DiskRecover(d + "/p.mif"); });
    if (recovery.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // A writer lets the waiting reader go, so the test can end.
        const int fd = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) close(fd);
        ADD_FAILURE() << "the open waits for a writer of the pipe";
    }
    EXPECT_EQ(recovery.get(), 0);
    EXPECT_EQ(ReadFile(d + "/p.mif"), "mif");
}

// A new file takes the old one's permissions: a private file stays private after a save.
TEST(DiskCommit, TheNewFileKeepsTheOldOnesPermissions) {
    const std::string d = TestDir("commit");
    const mode_t mask = umask(022);
    const std::string a = d + "/private.txt", mif = d + "/p.mif", mid = d + "/p.mid";
    auto mode = [](const std::string& p) {
        struct stat st {};
        stat(p.c_str(), &st);
        return st.st_mode & 0777;
    };
    ASSERT_EQ(DiskReplace(a, "one"), 0);
    EXPECT_EQ(mode(a), 0644u);
    chmod(a.c_str(), 0600);
    ASSERT_EQ(DiskReplace(a, "two", a + "~"), 0);
    EXPECT_EQ(ReadFile(a), "two");
    EXPECT_EQ(mode(a), 0600u);
    EXPECT_EQ(mode(a + "~"), 0600u);
    // Each file of a set keeps its own.
    DiskWriteAll(mif, "old mif");
    DiskWriteAll(mid, "old mid");
    chmod(mif.c_str(), 0640);
    TDiskWorkFile f1, f2;
    ASSERT_EQ(f1.Create(mif), 0);
    ASSERT_EQ(f2.Create(mid, mif), 0);
    EXPECT_EQ(DiskCommit({&f1, &f2}, {mif, mid}, {}), 0);
    EXPECT_EQ(mode(mif), 0640u);
    EXPECT_EQ(mode(mid), 0644u);
    umask(mask);
}

// A backup that already is a second name of the file (a hard link the user made) takes the old file all the
// same, and no working name stays beside it.
TEST(DiskCommit, ABackupLinkedToTheTargetLeavesNoWorkingName) {
    const std::string d = TestDir("commit");
    const std::string a = d + "/linked.txt";
    DiskWriteAll(a, "one");
    ASSERT_EQ(link(a.c_str(), (a + "~").c_str()), 0);
    ASSERT_EQ(DiskReplace(a, "two", a + "~"), 0);
    EXPECT_EQ(ReadFile(a), "two");
    EXPECT_EQ(ReadFile(a + "~"), "one");
    EXPECT_EQ(Names(d), (std::set<std::string>{"linked.txt", "linked.txt~"}));
}

// A process of the number `pid`, started now and waiting to be killed; -1 where the system gives no chosen
// numbers (or gave this one away meanwhile).
pid_t ProcessNumbered(pid_t pid) {
    clone_args args {};
    args.exit_signal = SIGCHLD;
    args.set_tid = reinterpret_cast<uintptr_t>(&pid);
    args.set_tid_size = 1;
    const long made = syscall(SYS_clone3, &args, sizeof args);
    if (made == 0)
        for (;;) pause();
    return made > 0 ? pid_t(made) : -1;
}

// Once the numbers wrap, or after a reboot, the number of a writer that was killed belongs to a new process:
// its leftovers go all the same, since they are older than that process. What a process makes after it started
// may be its own and stays.
TEST(DiskCommit, LeftoversGoWhenTheirWritersNumberIsInUseAgain) {
    const std::string d = TestDir("commit");
    const long dead = DeadPid();
    const std::string old = Working("w.mif", dead, "01234567", "new"), young = Working("w.mif", dead, "89abcdef", "new");
    DiskWriteAll(d + "/" + old, "x");
    sleep(3);
    const pid_t again = ProcessNumbered(pid_t(dead));
    if (again < 0) GTEST_SKIP() << "no process of a chosen number can be made here";
    DiskWriteAll(d + "/" + young, "y");
    EXPECT_EQ(DiskRecover(d + "/w.mif"), 0);
    kill(again, SIGKILL);
    waitpid(again, nullptr, 0);
    EXPECT_EQ(Names(d), (std::set<std::string>{young}));
}

}  // namespace

namespace {

struct stat Status(const std::string& p) {
    struct stat st {};
    lstat(p.c_str(), &st);
    return st;
}

std::string Attribute(const std::string& p, const char* name) {
    char buf[256];
    const ssize_t n = getxattr(p.c_str(), name, buf, sizeof buf);
    return n < 0 ? "<none>" : std::string(buf, size_t(n));
}

// An ACL as the system stores it: a version, then per entry its tag, permissions and id.
std::string Acl(const std::vector<std::array<unsigned, 3>>& entries) {
    std::string out;
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out += char((v >> (8 * i)) & 0xFF);
    };
    put(2, 4);
    for (auto& [tag, perm, id] : entries) {
        put(tag, 2);
        put(perm, 2);
        put(id, 4);
    }
    return out;
}

}  // namespace

// Owners that are not the superuser: the tests run as the superuser, who can give files to any number.
constexpr uid_t kOwner = 42101, kMember = 42102;
constexpr gid_t kShared = 42103, kMemberOwn = 42104;

// A group-writable file of another user: the superuser's save leaves it its owner, group and mode; a member of
// the group, who could not give the new file away, is refused with the cause, and the file stays its owner's.
TEST(DiskCommit, AnotherUsersFileStaysTheirs) {
    if (geteuid() != 0) GTEST_SKIP() << "only the superuser can make files of other users here";
    const std::string d = TestDir("commit");
    const std::string a = d + "/shared.txt";
    ASSERT_TRUE(DiskWriteAll(a, "old"));
    ASSERT_EQ(chown(a.c_str(), kOwner, kShared), 0);
    ASSERT_EQ(chmod(a.c_str(), 0664), 0);
    ASSERT_EQ(chmod(d.c_str(), 0777), 0);
    ASSERT_EQ(DiskReplace(a, "root's"), 0);
    EXPECT_EQ(ReadFile(a), "root's");
    EXPECT_EQ(Status(a).st_uid, kOwner);
    EXPECT_EQ(Status(a).st_gid, kShared);
    EXPECT_EQ(Status(a).st_mode & 07777, 0664u);

    const pid_t child = fork();
    if (child == 0) {
        const gid_t groups[] = {kShared};
        if (setgroups(1, groups) != 0 || setresgid(kMemberOwn, kMemberOwn, kMemberOwn) != 0 ||
            setresuid(kMember, kMember, kMember) != 0)
            _exit(100);
        const int code = DiskReplace(a, "member's");
        _exit(code == kDiskOtherOwner ? 0 : code == 0 ? 101 : 102);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 100) GTEST_SKIP() << "no other user can be taken on here";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the member's save was not refused: " << status;
    EXPECT_EQ(ReadFile(a), "root's");
    EXPECT_EQ(Status(a).st_uid, kOwner);
    EXPECT_EQ(Status(a).st_gid, kShared);
    EXPECT_EQ(Names(d), (std::set<std::string>{"shared.txt"}));
    EXPECT_NE(FileErrorText(kDiskOtherOwner).find("其他用户"), std::string::npos);
}

// A link, into another folder or to a file not made yet, is written through: the file it names takes the new
// content in its own folder, its backup beside it, and the link stays a link. A set may hold one.
TEST(DiskCommit, ALinkIsWrittenThroughToTheFileItNames) {
    const std::string d = TestDir("commit");
    fs::create_directories(d + "/a");
    fs::create_directories(d + "/b");
    ASSERT_TRUE(DiskWriteAll(d + "/b/real.ini", "old"));
    ASSERT_EQ(symlink("../b/real.ini", (d + "/a/link.ini").c_str()), 0);
    ASSERT_EQ(DiskReplace(d + "/a/link.ini", "new", d + "/a/link.ini~"), 0);
    EXPECT_TRUE(fs::is_symlink(d + "/a/link.ini"));
    EXPECT_EQ(ReadFile(d + "/b/real.ini"), "new");
    EXPECT_EQ(ReadFile(d + "/b/real.ini~"), "old");

    ASSERT_EQ(symlink("../b/later.ini", (d + "/a/later.ini").c_str()), 0);
    ASSERT_EQ(DiskReplace(d + "/a/later.ini", "made"), 0);
    EXPECT_TRUE(fs::is_symlink(d + "/a/later.ini"));
    EXPECT_EQ(ReadFile(d + "/b/later.ini"), "made");

    ASSERT_TRUE(DiskWriteAll(d + "/b/p.mif", "old mif"));
    ASSERT_TRUE(DiskWriteAll(d + "/a/p.mid", "old mid"));
    ASSERT_EQ(symlink((d + "/b/p.mif").c_str(), (d + "/a/p.mif").c_str()), 0);
    EXPECT_EQ(DiskRecover(d + "/a/p.mif"), 0);
    TDiskWorkFile mif, mid;
    ASSERT_EQ(mif.Create(d + "/a/p.mif"), 0);
    ASSERT_EQ(mid.Create(d + "/a/p.mid", d + "/a/p.mif"), 0);
    ASSERT_EQ(mif.Write("new mif", 7), 0);
    ASSERT_EQ(mid.Write("new mid", 7), 0);
    ASSERT_EQ(DiskCommit({&mif, &mid}, {d + "/a/p.mif", d + "/a/p.mid"}, {}), 0);
    EXPECT_TRUE(fs::is_symlink(d + "/a/p.mif"));
    EXPECT_EQ(ReadFile(d + "/a/p.mif"), "new mif");
    EXPECT_EQ(ReadFile(d + "/a/p.mid"), "new mid");
    EXPECT_EQ(Names(d + "/a"), (std::set<std::string>{"link.ini", "later.ini", "p.mif", "p.mid"}));
    EXPECT_EQ(Names(d + "/b"), (std::set<std::string>{"real.ini", "real.ini~", "later.ini", "p.mif"}));
}

// The new file has the old one's ACL and extended attributes, and its mode, from before its first byte: a
// private file's new content is never in a file others may read, even while it is written.
TEST(DiskCommit, TheNewFileHasTheOldOnesAccessBeforeItsContent) {
    const std::string d = TestDir("commit");
    const std::string a = d + "/acl.txt", p = d + "/private.txt";
    ASSERT_TRUE(DiskWriteAll(a, "old"));
    chmod(a.c_str(), 0640);
    // owner rw, user kOwner rw, group r, mask rw, others none
    const std::string acl = Acl({{1, 6, 0xFFFFFFFF}, {2, 6, kOwner}, {4, 4, 0xFFFFFFFF}, {0x10, 6, 0xFFFFFFFF},
                                 {0x20, 0, 0xFFFFFFFF}});
    if (setxattr(a.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0 ||
        setxattr(a.c_str(), "user.note", "kept", 4, 0) != 0)
        GTEST_SKIP() << "this file system keeps no ACL or attributes: " << std::strerror(errno);
    const mode_t mode = Status(a).st_mode & 07777;
    ASSERT_EQ(DiskReplace(a, "new", a + "~"), 0);
    EXPECT_EQ(ReadFile(a), "new");
    EXPECT_EQ(Attribute(a, "system.posix_acl_access"), acl);
    EXPECT_EQ(Attribute(a, "user.note"), "kept");
    EXPECT_EQ(Status(a).st_mode & 07777, mode);
    // Files moved in whole by their names too.
    ASSERT_TRUE(DiskWriteAll(d + "/temp", "newer"));
    ASSERT_EQ(DiskSwapIn({d + "/temp"}, {a}, {a + "~"}), 0);
    EXPECT_EQ(ReadFile(a), "newer");
    EXPECT_EQ(Attribute(a, "system.posix_acl_access"), acl);
    EXPECT_EQ(Attribute(a, "user.note"), "kept");

    const mode_t mask = umask(022);
    ASSERT_TRUE(DiskWriteAll(p, "old"));
    chmod(p.c_str(), 0600);
    TDiskWorkFile f;
    ASSERT_EQ(f.Create(p), 0);
    struct stat st {};
    ASSERT_EQ(fstat(f.Fd(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u) << "before its content";
    umask(mask);
}
