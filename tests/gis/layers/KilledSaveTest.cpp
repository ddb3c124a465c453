// Saves stopped at each of their renames and links, by a kill or by a failing call (strace's fault injection):
// every name the user has holds a whole old or a whole new file all along, a set caught half swapped is put back
// by the next open or save, a failed save leaves everything as it was, and nothing of the program's stays
// beside the files or in the temporary folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "gis/layers/GisLayerMIF.h"
#include "gis/layers/GisLayerSHP.h"
#include "platform/rtl/DiskCommit.h"
#include "platform/rtl/FileIO.h"
#include "platform/rtl/Variants.h"
#include "tests/engine/ExportTestUtil.h"

namespace fs = std::filesystem;

namespace {

struct Kind {
    const char* name;                 // the child's kind
    const char* target;               // the name the save is given
    std::vector<std::string> files;   // the set it writes
    bool backups;                     // the previous set stays under the names + "~"
};

const Kind kKinds[] = {
    {"mif", "set.mif", {"set.mif", "set.mid"}, false},
    {"mif-layer", "set.mif", {"set.mif", "set.mid"}, true},
    {"shp-layer", "set.shp", {"set.shp", "set.shx", "set.dbf", "set.cpg"}, true},
    {"ini", "set.ini", {"set.ini"}, true},
    {"xlsx", "set.xlsx", {"set.xlsx"}, false},
};

void PrintTo(const Kind& k, std::ostream* os) { *os << k.name; }

using Files = std::map<std::string, std::string>;

// A workbook carries the time it was made: workbooks are the same when their worksheets are.
std::string Content(const Kind& k, const std::string& bytes) {
    if (std::string(k.name) != "xlsx") return bytes;
    const std::string file = std::string(QM_TEST_OUT) + "/killed-xlsx-probe-" + std::to_string(::getpid()) + ".xlsx";
    std::ofstream(file, std::ios::binary) << bytes;
    std::string sheet;
    if (FILE* p = popen(("/usr/bin/python3 -c \"import sys, zipfile; sys.stdout.write(zipfile.ZipFile(sys.argv[1])"
                         ".read('xl/worksheets/sheet1.xml').decode())\" '" + file + "' 2>/dev/null")
                            .c_str(),
                        "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) sheet.append(buf, n);
        if (pclose(p) != 0) sheet.clear();
    }
    return sheet.empty() ? "<not a whole workbook>" : sheet;
}

bool Same(const Kind& k, const std::string& a, const std::string& b) { return Content(k, a) == Content(k, b); }

Files Snapshot(const std::string& dir) {
    Files out;
    for (auto& e : fs::directory_iterator(dir)) out[e.path().filename().string()] = ReadFile(e.path().string());
    return out;
}

// The command that runs the child, under strace when something is to be injected.
std::string ChildCommand(const Kind& k, const std::string& dir, int gen, const std::string& inject = "",
                         const char* as = nullptr, const std::string& target = "") {
    std::string cmd = "TMPDIR='" + dir + "-tmp' ";
    // Only a call that is traced is stopped; the leak checker cannot work under a tracer. Injections into
    // other calls follow, separated by spaces.
    if (!inject.empty()) {
        std::string calls, injections;
        for (size_t at = 0; at < inject.size();) {
            const size_t end = std::min(inject.find(' ', at), inject.size());
            const std::string one = inject.substr(at, end - at);
            calls += (calls.empty() ? "" : ",") + one.substr(0, one.find(':'));
            injections += " -e inject=" + one;
            at = end + 1;
        }
        cmd += "ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -e trace=" + calls + injections + " ";
    }
    return cmd + "'" + QM_SAVE_CHILD + "' " + (as ? as : k.name) + " '" + dir + "/" +
           (target.empty() ? k.target : target) + "' " + std::to_string(gen);
}

// The child's exit code; -1 when it was killed. `as`: another of the child's kinds; `message` gets what it
// said of its failure; `target`: another name (GBK) than the kind's.
int RunChild(const Kind& k, const std::string& dir, int gen, const std::string& inject = "",
             const char* as = nullptr, std::string* message = nullptr, const std::string& target = "") {
    const std::string cmd = ChildCommand(k, dir, gen, inject, as, target) +
                            (message ? " >'" + dir + "-tmp/said' 2>/dev/null" : " >/dev/null 2>&1");
    const int status = std::system(cmd.c_str());
    if (message) {
        *message = ReadFile(dir + "-tmp/said");
        fs::remove(dir + "-tmp/said");
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status) == 137 ? -1 : WEXITSTATUS(status);
    return -1;
}

std::string Fresh(const std::string& dir) {
    fs::remove_all(dir);
    fs::remove_all(dir + "-tmp");
    fs::create_directories(dir);
    fs::create_directories(dir + "-tmp");
    return dir;
}

// The set's files as one generation's save writes them into an empty folder.
Files Generation(const Kind& k, const std::string& dir, int gen) {
    Fresh(dir);
    EXPECT_EQ(RunChild(k, dir, gen), 0) << k.name;
    Files all = Snapshot(dir), set;
    for (const std::string& f : k.files) set[f] = all[f];
    return set;
}

// A folder holding the set as one generation wrote it.
std::string Holding(const std::string& dir, const Files& set) {
    Fresh(dir);
    for (auto& [name, bytes] : set) std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
    return dir;
}

// What the next open or save does first.
void Recover(const Kind& k, const std::string& path) {
    if (std::string(k.name) == "mif-layer") {
        TGIS_LayerMIF l;
        l.UseConfig = false;
        l.Path = path;
        l.Open(nullptr);
    } else if (std::string(k.name) == "shp-layer") {
        TGIS_LayerSHP l;
        l.UseConfig = false;
        l.Path = path;
        l.Open(nullptr);
    } else {
        EXPECT_EQ(DiskRecover(path), 0);
    }
}

// Nothing but the set and, where the kind keeps them, its backups.
void OnlyTheSet(const Kind& k, const std::string& dir, const std::string& when) {
    for (auto& [name, bytes] : Snapshot(dir)) {
        bool known = false;
        for (const std::string& f : k.files) known |= name == f || (k.backups && name == f + "~");
        EXPECT_TRUE(known) << k.name << " " << when << ": left " << name;
    }
    EXPECT_TRUE(fs::is_empty(dir + "-tmp")) << k.name << " " << when << ": left in the temporary folder";
}

// The calls that move a file into its target's place: an exchange where the file system can, else a rename.
const char* const kMoves[] = {"renameat2", "rename"};

// The number of the exchange (renameat2) that moves the set's last file into place.
std::string LastMove(const Kind& k) { return std::to_string(k.files.size()); }

class KilledSave : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override {
        if (!HaveTool("strace")) GTEST_SKIP() << "strace is not installed: saves cannot be stopped half way";
        // ctest runs the tests of a kind side by side: each works in a folder of its own.
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        base_ = std::string(QM_TEST_OUT) + "/killed-" + test.substr(0, test.find('/')) + "-" + GetParam().name;
        older_ = Generation(GetParam(), base_ + "-old", 2);
        newer_ = Generation(GetParam(), base_ + "-new", 3);
        // Both generations name the same code page.
        for (const std::string& f : GetParam().files)
            if (!f.ends_with(".cpg")) {
                ASSERT_FALSE(Same(GetParam(), older_[f], newer_[f])) << f;
            }
    }
    // How many of the set's files in `dir` hold the older and how many the newer generation; each holds one.
    std::pair<int, int> Tally(const std::string& dir, const std::string& when) const {
        const Kind& k = GetParam();
        int olds = 0, news = 0;
        for (const std::string& f : k.files) {
            const std::string now = ReadFile(dir + "/" + f);
            olds += Same(k, now, older_.at(f));
            news += Same(k, now, newer_.at(f));
            EXPECT_TRUE(Same(k, now, older_.at(f)) || Same(k, now, newer_.at(f))) << when << ": " << f;
        }
        return {olds, news};
    }
    bool Whole(std::pair<int, int> tally) const {
        const int n = int(GetParam().files.size());
        return tally.first == n || tally.second == n;
    }
    std::string base_;
    Files older_, newer_;
};

TEST_P(KilledSave, EveryNameHoldsAWholeFileAndTheNextOpenPutsAHalfSwappedSetBack) {
    const Kind& k = GetParam();
    // Every rename, exchange (renameat2) and link of the commit, and the first writes.
    bool stopped = false;
    for (const char* call : {"rename", "renameat2", "linkat", "write"}) {
        const bool each = std::string(call) != "write";
        bool finished = false;
        for (int n = 1; n <= (each ? 12 : 4) && !finished; ++n) {
            const std::string dir = Holding(base_, older_), path = dir + "/" + k.target;
            const std::string when = std::string(call) + " " + std::to_string(n);
            finished = RunChild(k, dir, 3, std::string(call) + ":signal=KILL:when=" + std::to_string(n)) == 0;
            if (n == 1 && std::string(call).starts_with("rename")) stopped |= !finished;
            if (finished) { EXPECT_EQ(Tally(dir, when).second, int(k.files.size())) << when; }
            else Tally(dir, when);
            Recover(k, path);
            EXPECT_TRUE(Whole(Tally(dir, when))) << when << ": a mixed set stays after the next open";
            OnlyTheSet(k, dir, when);
        }
        EXPECT_TRUE(finished || !each) << "more than 12 calls of " << call;
    }
    EXPECT_TRUE(stopped) << "the first rename did not stop it";
}

TEST_P(KilledSave, AFailingRenameOrLinkLeavesEverythingAsItWas) {
    const Kind& k = GetParam();
    bool failedAtFirst = false;
    for (const char* call : {"rename", "renameat2", "linkat"}) {
        bool finished = false;
        for (int n = 1; n <= 12 && !finished; ++n) {
            const std::string dir = Holding(base_, older_);
            const std::string when = std::string(call) + " " + std::to_string(n);
            const int rc = RunChild(k, dir, 3, std::string(call) + ":error=EIO:when=" + std::to_string(n));
            finished = rc == 0;
            if (n == 1 && std::string(call).starts_with("rename")) failedAtFirst |= !finished;
            if (finished) break;
            EXPECT_EQ(rc, 1) << when << ": the failure is reported";
            for (const std::string& f : k.files) EXPECT_EQ(ReadFile(dir + "/" + f), older_.at(f)) << when << ": " << f;
            OnlyTheSet(k, dir, when);
        }
        EXPECT_TRUE(finished) << "more than 12 calls of " << call;
    }
    EXPECT_TRUE(failedAtFirst) << "the first rename did not fail";
}

// Every rename (or every exchange) from the n-th on fails, those that would put the old files back included:
// the save reports the failure and the next open finishes putting the set back, the old files kept meanwhile.
TEST_P(KilledSave, ASetThatCannotBePutBackAtOnceIsPutBackByTheNextOpen) {
    const Kind& k = GetParam();
    for (const char* call : kMoves) {
        bool finished = false;
        for (int n = 1; n <= 12 && !finished; ++n) {
            const std::string dir = Holding(base_, older_), path = dir + "/" + k.target;
            const std::string when = std::string(call) + " failing from " + std::to_string(n);
            const int rc = RunChild(k, dir, 3, std::string(call) + ":error=EIO:when=" + std::to_string(n) + "+");
            finished = rc == 0;
            if (!finished) { EXPECT_EQ(rc, 1) << when << ": the failure is reported"; }
            Tally(dir, when);
            Recover(k, path);
            const auto [olds, news] = Tally(dir, when);
            EXPECT_EQ(finished ? news : olds, int(k.files.size())) << when;
            OnlyTheSet(k, dir, when);
        }
        EXPECT_TRUE(finished) << "more than 12 calls of " << call;
    }
}

// A file system that exchanges no names (FAT, some network file systems): the commit renames instead, each
// old file given a second name first, and a kill at each rename still leaves a whole set after the next open.
TEST_P(KilledSave, WhereNamesCannotBeExchangedTheSetIsRenamedIntoPlace) {
    const Kind& k = GetParam();
    const std::string refused = " renameat2:error=EINVAL";
    // Exchanged or renamed, the set is the new one and each backup holds its old file.
    for (const std::string& inject : {std::string(), refused.substr(1)}) {
        const std::string dir = Holding(base_, older_), how = inject.empty() ? "exchanged" : "renamed";
        ASSERT_EQ(RunChild(k, dir, 3, inject), 0) << how;
        EXPECT_EQ(Tally(dir, how).second, int(k.files.size())) << how;
        OnlyTheSet(k, dir, how);
        if (!k.backups) continue;
        for (const std::string& f : k.files) { EXPECT_EQ(ReadFile(dir + "/" + f + "~"), older_.at(f)) << how << ": " << f; }
    }
    bool finished = false;
    for (int n = 1; n <= 12 && !finished; ++n) {
        const std::string dir = Holding(base_, older_), path = dir + "/" + k.target;
        const std::string when = "killed at rename " + std::to_string(n) + ", no exchanges";
        finished = RunChild(k, dir, 3, "rename:signal=KILL:when=" + std::to_string(n) + refused) == 0;
        Tally(dir, when);
        Recover(k, path);
        EXPECT_TRUE(Whole(Tally(dir, when))) << when << ": a mixed set stays after the next open";
        OnlyTheSet(k, dir, when);
    }
    EXPECT_TRUE(finished) << "more than 12 renames";
}

// The open after a killed save cannot put the set back, every rename failing: it says so, and a later open does.
TEST_P(KilledSave, AnOpenThatCannotPutTheSetBackLeavesItToTheNext) {
    const Kind& k = GetParam();
    for (const char* call : kMoves) {
        bool finished = false;
        for (int n = 1; n <= 12 && !finished; ++n) {
            const std::string dir = Holding(base_, older_), path = dir + "/" + k.target;
            const std::string when = "killed at " + std::string(call) + " " + std::to_string(n);
            finished = RunChild(k, dir, 3, std::string(call) + ":signal=KILL:when=" + std::to_string(n)) == 0;
            const bool mixed = !Whole(Tally(dir, when));
            const int rc = RunChild(k, dir, 0, "rename:error=EIO:when=1+", "recover");
            if (mixed) { EXPECT_EQ(rc, 1) << when << ": the open does not say the set is half swapped"; }
            Tally(dir, when);
            Recover(k, path);
            const auto after = Tally(dir, when);
            EXPECT_TRUE(Whole(after)) << when << ": a mixed set stays after the next open";
            if (mixed) { EXPECT_EQ(after.first, int(k.files.size())) << when; }
            OnlyTheSet(k, dir, when);
        }
        EXPECT_TRUE(finished) << "more than 12 calls of " << call;
    }
}

// A set killed half way and then copied to another place (other inodes, other times, as on another disk or a
// FAT stick mounted again) is still known for what it is: the next open there puts it back whole.
TEST_P(KilledSave, ASetCopiedAfterAKillIsPutBackWhereItWentTo) {
    const Kind& k = GetParam();
    if (k.files.size() < 2) GTEST_SKIP() << "a single file";
    for (const char* call : kMoves) {
        bool finished = false;
        for (int n = 1; n <= 12 && !finished; ++n) {
            const std::string dir = Holding(base_, older_), copy = Fresh(base_ + "-copy");
            const std::string when = "copied after " + std::string(call) + " " + std::to_string(n);
            finished = RunChild(k, dir, 3, std::string(call) + ":signal=KILL:when=" + std::to_string(n)) == 0;
            for (auto& e : fs::directory_iterator(dir)) fs::copy(e.path(), copy + "/" + e.path().filename().string());
            Recover(k, copy + "/" + k.target);
            EXPECT_TRUE(Whole(Tally(copy, when))) << when << ": a mixed set stays after the next open";
            OnlyTheSet(k, copy, when);
        }
    }
}

// A log cut short (a power loss, a damaged disk) proves nothing: the open says which set it cannot vouch for
// instead of reading it, and no old file is removed; a save of the whole set then makes it open again.
TEST_P(KilledSave, ASetWithACutLogIsNotReadButNamed) {
    const Kind& k = GetParam();
    if (k.files.size() < 2) GTEST_SKIP() << "a single file";
    bool mixed = false;
    for (int at = 0; at < 24 && !mixed; ++at) {
        const char* call = kMoves[at / 12];
        const std::string dir = Holding(base_, older_), path = dir + "/" + k.target;
        if (RunChild(k, dir, 3, std::string(call) + ":signal=KILL:when=" + std::to_string(at % 12 + 1)) == 0) {
            at = at / 12 * 12 + 11;  // this call no longer stops the save: the next one
            continue;
        }
        mixed = !Whole(Tally(dir, "killed"));
        if (!mixed) continue;
        for (auto& e : fs::directory_iterator(dir))
            if (e.path().filename().string().ends_with(".log")) fs::resize_file(e.path(), fs::file_size(e.path()) / 2);
        if (std::string(k.name) == "mif") {
            EXPECT_EQ(DiskRecover(path), EUCLEAN);
        } else {
            std::string said;
            try {
                Recover(k, path);
            } catch (const std::exception& e) {
                said = e.what();
            }
            EXPECT_NE(said.find("0032"), std::string::npos) << said;
            EXPECT_NE(said.find(path), std::string::npos) << said;
        }
        // Every file of the older save is still there, under some name.
        const Files now = Snapshot(dir);
        for (const std::string& f : k.files) {
            bool kept = false;
            for (auto& [name, bytes] : now) kept |= Same(k, bytes, older_.at(f));
            EXPECT_TRUE(kept) << f << " of the older save is gone";
        }
        if (std::string(k.name) != "mif") {
            EXPECT_EQ(RunChild(k, dir, 3), 0);
            Recover(k, path);
            EXPECT_EQ(Tally(dir, "saved again").second, int(k.files.size()));
        }
    }
    EXPECT_TRUE(mixed) << "no kill left the set mixed";
}

// The numbers, as strace counts a process's `call` calls (its children's too with `forks`), of those a save of
// `target` makes whose line is `counted` (with -y, a descriptor's line shows its path in <>).
std::vector<int> CallNumbers(const Kind& k, const std::string& dir, const std::string& target, const std::string& call,
                             const std::function<bool(const std::string&)>& counted, bool forks = false) {
    const std::string trace = dir + "-tmp/trace";
    const std::string cmd = "TMPDIR='" + dir + "-tmp' ASAN_OPTIONS=detect_leaks=0 strace " + (forks ? "-f " : "") +
                            "-y -qq -o '" + trace + "' -e trace=" + call + " '" + QM_SAVE_CHILD + "' " + k.name +
                            " '" + dir + "/" + target + "' 3 >/dev/null 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    std::vector<int> out;
    std::ifstream in(trace);
    int n = 0;
    for (std::string line; std::getline(in, line);)
        if (line.find(call + "(") != std::string::npos) {
            ++n;
            if (counted(line)) out.push_back(n);
        }
    fs::remove(trace);
    return out;
}

std::vector<int> Openats(const Kind& k, const std::string& dir, const std::string& target, const std::string& mark) {
    return CallNumbers(k, dir, target, "openat",
                       [&](const std::string& line) { return line.find(mark) != std::string::npos; });
}

// Those by which a save opens its new files again, by their /proc names: a failure there is the first thing the
// writer of that file meets.
std::vector<int> Reopens(const Kind& k, const std::string& dir) {
    return Openats(k, dir, k.target, "\"/proc/self/fd/");
}

// A save that cannot write one of its new files names the user's file, not the new one's working name.
TEST_P(KilledSave, AFailingWriterNamesTheUsersFile) {
    const Kind& k = GetParam();
    for (int n : Reopens(k, Holding(base_, older_))) {
        const std::string dir = Holding(base_, older_);
        const std::string when = "openat " + std::to_string(n);
        std::string said;
        EXPECT_EQ(RunChild(k, dir, 3, "openat:error=EIO:when=" + std::to_string(n), nullptr, &said), 1) << when;
        EXPECT_EQ(said.find("/proc/"), std::string::npos) << when << ": " << said;
        EXPECT_EQ(said.find(".qm"), std::string::npos) << when << ": " << said;
        EXPECT_NE(said.find(dir), std::string::npos) << when << ": " << said;
        for (const std::string& f : k.files) EXPECT_EQ(ReadFile(dir + "/" + f), older_.at(f)) << when << ": " << f;
        OnlyTheSet(k, dir, when);
    }
}

// Two programs save the same set at once, the second while the first is held up two seconds before its last
// rename: the set is one of theirs, whole.
TEST_P(KilledSave, TwoSavesAtOnceLeaveOneWholeSet) {
    const Kind& k = GetParam();
    const std::string dir = Holding(base_, older_);
    const std::string both = ChildCommand(k, dir, 2, "renameat2:delay_enter=2000000:when=" + LastMove(k)) +
                             " >/dev/null 2>&1 & sleep 1.2; " + ChildCommand(k, dir, 3) + " >/dev/null 2>&1; wait";
    ASSERT_EQ(std::system(both.c_str()), 0);
    const auto [olds, news] = Tally(dir, "two saves");
    EXPECT_TRUE(Whole({olds, news})) << olds << " files of the first save, " << news << " of the second";
    OnlyTheSet(k, dir, "two saves");
}

// A private set (0600) saved and killed at each call that makes, fills or names its new files: no file in the
// folder is ever readable by others, before or after the next open.
TEST_P(KilledSave, APrivateSetNeverLiesInAFileOthersCanRead) {
    const Kind& k = GetParam();
    auto privateOnly = [&](const std::string& dir, const std::string& when) {
        for (auto& e : fs::directory_iterator(dir)) {
            if (!e.is_regular_file()) continue;
            EXPECT_EQ(fs::status(e.path()).permissions() & (fs::perms::group_all | fs::perms::others_all),
                      fs::perms::none) << when << ": " << e.path().filename().string();
        }
    };
    for (const char* call : {"write", "fchmod", "chmod", "fchown", "fsetxattr", "fsync", "linkat", "rename", "renameat2"}) {
        bool finished = false;
        for (int n = 1; n <= 12 && !finished; ++n) {
            const std::string dir = Holding(base_, older_), path = dir + "/" + k.target;
            for (const std::string& f : k.files) fs::permissions(dir + "/" + f, fs::perms::owner_read | fs::perms::owner_write);
            const std::string when = std::string(call) + " " + std::to_string(n);
            finished = RunChild(k, dir, 3, std::string(call) + ":signal=KILL:when=" + std::to_string(n)) == 0;
            privateOnly(dir, when);
            Recover(k, path);
            privateOnly(dir, when + ", opened again");
        }
    }
}

// The new files reach the disk before they take the targets' names, and the folder's names after, once per set
// and not per write.
TEST_P(KilledSave, TheNewFilesReachTheDiskBeforeTheirNamesAndTheFolderAfter) {
    const Kind& k = GetParam();
    const std::string dir = Holding(base_, older_), trace = dir + "-tmp/trace";
    const std::string cmd = "TMPDIR='" + dir + "-tmp' ASAN_OPTIONS=detect_leaks=0 strace -f -qq -y -o '" + trace +
                            "' -e trace=fsync,fdatasync,rename,renameat,renameat2 '" + QM_SAVE_CHILD + "' " +
                            k.name + " '" + dir + "/" + k.target + "' 3 >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    int filesBefore = 0, flushes = 0, folderAfter = 0, renamed = 0;
    std::ifstream in(trace);
    for (std::string line; std::getline(in, line);) {
        if (line.find("sync(") != std::string::npos && line.find(" = 0") != std::string::npos) {
            ++flushes;
            const bool folder = line.find("<" + dir + ">") != std::string::npos;
            if (folder && renamed == int(k.files.size())) ++folderAfter;
            if (!folder && renamed == 0) ++filesBefore;
        }
        for (const std::string& f : k.files)
            if (line.find("rename") != std::string::npos && line.find("\"" + dir + "/" + f + "\"") != std::string::npos)
                ++renamed;
    }
    fs::remove(trace);
    EXPECT_EQ(renamed, int(k.files.size()));
    EXPECT_GE(filesBefore, int(k.files.size())) << "new files flushed before the first rename";
    EXPECT_EQ(folderAfter, 1) << "the folder flushed after the last rename";
    EXPECT_LE(flushes, int(k.files.size()) + 2) << "a log and the folder at most besides the files";
}

// A save stopped half way holds the folder's turn past the wait: a second save is refused and says why, and
// the first one's set stays whole once it goes on.
TEST_P(KilledSave, ASaveThatCannotHaveItsTurnIsRefused) {
    const Kind& k = GetParam();
    if (k.files.size() == 1) GTEST_SKIP() << "one file takes no turn: its one rename is whole either way";
    const std::string dir = Holding(base_, older_);
    const std::string said = dir + "-tmp/said";
    // The second starts once the first holds the folder for its commit.
    const std::string begun = "for i in $(seq 600); do flock -n -s '" + dir + "' true || break; sleep 0.05; done; ";
    const std::string both = ChildCommand(k, dir, 2, "renameat2:delay_enter=12000000:when=" + LastMove(k)) +
                             " >/dev/null 2>&1 & " + begun + ChildCommand(k, dir, 3) + " >'" + said +
                             "' 2>/dev/null; rc=$?; wait; exit $rc";
    const int status = std::system(both.c_str());
    const std::string message = ReadFile(said);
    fs::remove(said);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "the second save was not refused";
    if (std::string(k.name) != "mif" && std::string(k.name) != "xlsx") {
        EXPECT_NE(message.find("另一个程序正在保存这个文件夹中的文件，文件没有保存。"), std::string::npos) << message;
    }
    const auto [olds, news] = Tally(dir, "a stalled save");
    EXPECT_EQ(olds, int(k.files.size())) << news << " files of the refused save";
    OnlyTheSet(k, dir, "a stalled save");
}

// The names of a layer's shapes read from the set, in order.
std::vector<std::string> ShapeNames(TGIS_LayerVector& layer) {
    std::vector<std::string> out;
    for (int32_t uid = 1; uid <= layer.GetLastUid(); ++uid)
        if (TGIS_Shape* s = layer.GetShape(uid)) out.push_back(VarToStr(s->GetField("NAME")));
    return out;
}

// A layer opened while another program is between the renames of its save reads one save's files: the
// generation's count of shapes, each named after it.
TEST_P(KilledSave, AnOpenDuringASaveReadsOneWholeSet) {
    const Kind& k = GetParam();
    if (std::string(k.name) != "mif-layer" && std::string(k.name) != "shp-layer") GTEST_SKIP() << "not a layer";
    const std::string dir = Holding(base_, older_), path = dir + "/" + k.target;
    // Held before the last file that differs between the generations (a .cpg is the same).
    const size_t last = k.files.size() - (k.files.back().ends_with(".cpg") ? 1 : 0);
    const std::string cmd = ChildCommand(k, dir, 3, "renameat2:delay_enter=2000000:when=" + std::to_string(last)) +
                            " >/dev/null 2>&1";
    const pid_t saver = fork();
    if (saver == 0) {
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(saver, 0);
    // The open starts once the saver holds the folder for its commit.
    const int folder = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < 600 && flock(folder, LOCK_SH | LOCK_NB) == 0; ++i) {
        flock(folder, LOCK_UN);
        usleep(50000);
    }
    close(folder);
    std::vector<std::string> names;
    {
        std::unique_ptr<TGIS_LayerVector> layer;
        if (std::string(k.name) == "mif-layer") layer = std::make_unique<TGIS_LayerMIF>();
        else layer = std::make_unique<TGIS_LayerSHP>();
        layer->UseConfig = false;
        layer->Path = path;
        layer->Open(nullptr);
        names = ShapeNames(*layer);
    }
    int status = 0;
    waitpid(saver, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names, std::vector<std::string>(names.size(), "gen" + std::to_string(names.size())));
}

// Where the file system makes no unnamed files (a USB stick's, a network share's), a new file gets a working
// name: a Chinese name is saved as any other, every file whole and nothing else left.
TEST_P(KilledSave, AChineseNameIsSavedWhereNoUnnamedFileCanBeMade) {
    const Kind& k = GetParam();
    const std::string gbk = "中文";
    std::string utf8;
    ASSERT_TRUE(GbkToDiskName(gbk, utf8));
    auto named = [&](const std::string& f, const std::string& stem) { return stem + f.substr(3); };  // "set..."
    const std::string target = named(k.target, gbk);
    Files older, newer;
    for (const std::string& f : k.files) {
        older[named(f, utf8)] = older_.at(f);
        newer[named(f, utf8)] = newer_.at(f);
    }
    for (int n : Openats(k, Holding(base_, older), target, "O_TMPFILE")) {
        const std::string dir = Holding(base_, older), when = "O_TMPFILE " + std::to_string(n);
        EXPECT_EQ(RunChild(k, dir, 3, "openat:error=EOPNOTSUPP:when=" + std::to_string(n), nullptr, nullptr, target),
                  0) << when;
        for (const std::string& f : k.files) {
            const std::string name = named(f, utf8);
            EXPECT_TRUE(Same(k, ReadFile(dir + "/" + name), newer.at(name))) << when << ": " << f;
        }
        for (auto& [name, bytes] : Snapshot(dir)) {
            bool known = false;
            for (const std::string& f : k.files) known |= name == named(f, utf8) || (k.backups && name == named(f, utf8) + "~");
            EXPECT_TRUE(known) << when << ": left " << name;
        }
    }
}

// The numbers, as strace counts a process's write calls, of those by which a save of `k` writes into files: not
// the sanitizers' probes through a pipe, nor what it says on the terminal.
std::vector<int> FileWrites(const Kind& k, const std::string& dir) {
    return CallNumbers(
        k, dir, k.target, "write",
        [](const std::string& line) {
            return line.find("<pipe:") == std::string::npos && line.find("write(1<") == std::string::npos &&
                   line.find("write(2<") == std::string::npos;
        },
        true);
}

// A disk that fills at any write of a workbook export, its work files' included: the save is refused naming the
// workbook, never made short, and the old one is kept.
TEST(KilledSaveWriting, AWorkbookWriteThatFindsTheDiskFullRefusesTheSave) {
    if (!HaveTool("strace")) GTEST_SKIP() << "strace is not installed: no write can be made to fail";
    const Kind& k = kKinds[4];
    const std::string base = std::string(QM_TEST_OUT) + "/killed-write-xlsx";
    const Files older = Generation(k, base, 2);
    const std::vector<int> writes = FileWrites(k, Holding(base, older));
    EXPECT_GT(writes.size(), 5u);
    for (int n : writes) {
        const std::string dir = Holding(base, older), when = "write " + std::to_string(n);
        std::string said;
        EXPECT_EQ(RunChild(k, dir, 3, "write:error=ENOSPC:when=" + std::to_string(n), nullptr, &said), 1) << when;
        EXPECT_NE(said.find(dir + "/" + k.target), std::string::npos) << when << ": " << said;
        EXPECT_NE(said.find("没有保存"), std::string::npos) << when << ": " << said;
        EXPECT_TRUE(ReadFile(dir + "/" + k.target) == older.at(k.target)) << when << ": the workbook was replaced";
        OnlyTheSet(k, dir, when);
    }
}

// The numbers of the read calls by which a save of `target` reads `file`.
std::vector<int> Reads(const Kind& k, const std::string& dir, const std::string& target, const std::string& file) {
    const std::string mark = "/" + file + ">";
    return CallNumbers(k, dir, target, "read",
                       [&](const std::string& line) { return line.find(mark) != std::string::npos; });
}

// A layer whose companion can no longer be read (EIO on its open or its read) is not saved over itself: its rows
// would go blank, or its text under a guessed code page. The save fails naming that file, and the set stays as it
// was.
TEST(KilledSaveReading, ACompanionThatCannotBeReadFailsTheSave) {
    if (!HaveTool("strace")) GTEST_SKIP() << "strace is not installed: no open can be made to fail";
    struct Case {
        const Kind& writer;
        const char* resave;
        const char* companion;
    };
    for (const Case& c : {Case{kKinds[1], "mif-resave", "set.mid"}, Case{kKinds[2], "shp-resave", "set.cpg"}}) {
        const std::string base = std::string(QM_TEST_OUT) + "/killed-read-" + c.resave;
        Files set = Generation(c.writer, base, 3);
        // Text that another code page than the program's names.
        if (set.count("set.cpg")) set["set.cpg"] = "UTF-8";
        Kind resave = c.writer;
        resave.name = c.resave;
        // The first open and read are the open's; a layer saved over itself opens its new set again after the
        // commit.
        const std::vector<int> opens =
            Openats(resave, Holding(base, set), c.writer.target, std::string(c.companion) + "\"");
        const std::vector<int> reads = Reads(resave, Holding(base, set), c.writer.target, c.companion);
        ASSERT_FALSE(opens.empty()) << c.resave;
        ASSERT_FALSE(reads.empty()) << c.resave;
        for (const std::string& call : {"openat:error=EIO:when=" + std::to_string(opens.front()),
                                       "read:error=EIO:when=" + std::to_string(reads.front())}) {
            const std::string dir = Holding(base, set), when = std::string(c.resave) + " " + call;
            std::string said;
            EXPECT_EQ(RunChild(resave, dir, 0, call, nullptr, &said), 1) << when;
            EXPECT_NE(said.find(dir + "/" + c.companion), std::string::npos) << when << ": " << said;
            EXPECT_EQ(Snapshot(dir), set) << when;
        }
        EXPECT_EQ(RunChild(resave, Holding(base, set), 0), 0) << c.resave << " where everything reads";
    }
}

INSTANTIATE_TEST_SUITE_P(Sets, KilledSave, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<Kind>& i) {
                             std::string n = i.param.name;
                             for (char& c : n)
                                 if (c == '-') c = '_';
                             return n;
                         });

}  // namespace
