#include "platform/rtl/DiskCommit.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <utility>

#include "platform/rtl/FileIO.h"

namespace {

// A long name is cut in the working names, which must stay within the 255 bytes of a name.
constexpr size_t kKeyBytes = 160;
constexpr size_t kLogLimit = 1 << 16;
const char* const kKinds[] = {"new", "old", "log"};
enum Kind { kNew, kOld, kLog };
const char kLogMagic[] = "qm-commit 2\n";

// Working names this process is using now: no recovery of the same folder takes them for leftovers.
std::mutex& LiveLock() {
    static std::mutex m;
    return m;
}
std::set<std::string>& Live() {
    static std::set<std::string> s;
    return s;
}
void Hold(const std::string& name) {
    std::lock_guard<std::mutex> g(LiveLock());
    Live().insert(name);
}
void Drop(const std::string& name) {
    std::lock_guard<std::mutex> g(LiveLock());
    Live().erase(name);
}
bool Held(const std::string& name) {
    std::lock_guard<std::mutex> g(LiveLock());
    return Live().count(name) != 0;
}

int Err() { return errno != 0 ? errno : EIO; }

std::atomic<bool> g_flush{true};

// 0, or why the file's bytes may not be on the disk. A file system that flushes nothing (EINVAL) has nothing
// to wait for.
int Flush(int fd) {
    if (!g_flush.load(std::memory_order_relaxed)) return 0;
    while (::fsync(fd) != 0)
        if (errno != EINTR) return errno == EINVAL || errno == EROFS ? 0 : Err();
    return 0;
}


// Folder (with its '/', "" for the current one) and name of a disk path.
std::string FolderOf(const std::string& disk) { return disk.substr(0, disk.rfind('/') + 1); }
std::string NameOf(const std::string& disk) { return disk.substr(disk.rfind('/') + 1); }

// The file a name stands for: a symbolic link is followed to the file it names (which may not exist yet), so a
// save replaces that file, in its own folder, and the link stays. A loop of links is left as it is: it opens
// nothing, and the save is refused.
std::string Resolve(const std::string& disk) {
    std::string path = disk;
    char buf[PATH_MAX];
    for (int hops = 0; hops < 40; ++hops) {
        const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
        if (n <= 0 || size_t(n) >= sizeof buf) return path;
        const std::string to(buf, size_t(n));
        path = to[0] == '/' ? to : FolderOf(path) + to;
    }
    return disk;
}

// Names in the security and trusted spaces are kept by the system and the superuser: what this user may not
// set there was never given by this user either.
bool SystemKept(const char* name, int code) {
    return (code == EPERM || code == EOPNOTSUPP || code == ENOTSUP) &&
           (std::strncmp(name, "security.", 9) == 0 || std::strncmp(name, "trusted.", 8) == 0);
}

// Gives the new file `fd` what made the old file `old` (status `st`) the user's: its owner and group, its mode,
// its extended attributes and ACL (stored among them). Done before any byte goes in, so the new content is
// never readable by more users than the old. 0, or why it cannot be: kDiskOtherOwner where the new file
// cannot belong to the old one's owner (or to its group, when the group had access).
int Adopt(int fd, const std::string& old, const struct stat& st) {
    struct stat mine {};
    if (::fstat(fd, &mine) != 0) return Err();
    if ((mine.st_uid != st.st_uid || mine.st_gid != st.st_gid) && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
        if (mine.st_uid != st.st_uid) return kDiskOtherOwner;
        // This user's own file: its group may be one the user is not in. Only a group that had access counts.
        if (st.st_mode & 070) return kDiskOtherOwner;
    }
    // Where modes cannot be set (FAT) it stays as made: never more open than the old file.
    if ((mine.st_mode & 0777) != (st.st_mode & 0777)) ::fchmod(fd, st.st_mode & 0777);
    ssize_t size = ::listxattr(old.c_str(), nullptr, 0);
    if (size <= 0) return 0;  // none, or a file system that keeps none
    std::string names(size_t(size), '\0');
    size = ::listxattr(old.c_str(), names.data(), names.size());
    if (size < 0) return Err();
    std::string value;
    for (size_t at = 0; at < size_t(size);) {
        const char* name = names.c_str() + at;
        at += std::strlen(name) + 1;
        ssize_t got = ::getxattr(old.c_str(), name, nullptr, 0);
        if (got < 0 && errno == ENODATA) continue;  // removed meanwhile
        if (got < 0) return Err();
        value.resize(size_t(got));
        got = ::getxattr(old.c_str(), name, value.data(), value.size());
        if (got < 0) return errno == ENODATA ? 0 : Err();
        if (::fsetxattr(fd, name, value.data(), size_t(got), 0) != 0 && !SystemKept(name, errno)) return Err();
    }
    return 0;
}

// 0 when the file at `disk` may be replaced (as DiskNameWritable says), else why not; `st` gets its status and
// `had` whether it exists.
// `checked`: only the status is wanted, the rest was asked when the new file was made.
int Replaceable(const std::string& disk, struct stat& st, bool& had, bool checked = false) {
    had = ::stat(disk.c_str(), &st) == 0;
    if (!had) return errno == ENOENT ? 0 : Err();
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (checked) return 0;
    // The superuser may write anything: a file nobody may write is still refused, as on any other account.
    if ((st.st_mode & 0222) == 0) return EACCES;
    return ::access(disk.c_str(), W_OK) == 0 ? 0 : Err();
}

// Whether files open in this process can be opened again by their /proc names; asked once.
bool ProcFdsOpen(const std::string& proc) {
    static const bool open = ::access(proc.c_str(), F_OK) == 0;
    return open;
}

// A backup named after a link goes beside the file the link names, as the old file cannot leave its folder.
std::string Rebased(const std::string& backup, const std::string& named, const std::string& file) {
    if (backup.empty() || named == file || backup.compare(0, named.size(), named) != 0) return backup;
    return file + backup.substr(named.size());
}

// Makes the new file `fd` (-1: opened by its `name`) ready to take the target's name: the old file's owner and
// access where it has not got them yet, and its bytes on the disk.
int Ready(int fd, const std::string& name, const std::string& target, bool adopted) {
    struct stat old {};
    const bool adopt = !adopted && ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    if (!adopt && !g_flush.load(std::memory_order_relaxed)) return 0;
    int own = -1;
    if (fd < 0 && (own = fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW)) < 0) return Err();
    int code = adopt ? Adopt(fd, target, old) : 0;
    if (!code) code = Flush(fd);
    if (own >= 0) ::close(own);
    return code;
}

int Move(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : Err(); }

// Whether the two names now stand for each other's file.
bool Exchange(const std::string& a, const std::string& b) {
    return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

// Why a file system refuses to exchange two names (FAT, some network file systems).
bool CannotExchange(int code) { return code == EINVAL || code == ENOSYS || code == EOPNOTSUPP || code == ENOTSUP; }

// One file in its old one's place. The two are exchanged where the file system can: a rename over a file makes
// some (ext4) write the new one out at once, milliseconds a save where nothing else asked for it. The old file,
// then under the new one's working name, goes; a backup kept is another name of it.
int Replace(const std::string& fresh, const std::string& target, bool hadOld) {
    if (hadOld) {
        if (Exchange(fresh, target)) {
            ::unlink(fresh.c_str());
            return 0;
        }
        // A file system that exchanges nothing, or an old file gone meanwhile: a rename does.
        if (!CannotExchange(errno) && errno != ENOENT) return Err();
    }
    return Move(fresh, target);
}

// The start shared by every working name of the set whose first target is `group`.
std::string Prefix(const std::string& group) {
    std::string base = NameOf(group);
    if (base.size() > kKeyBytes) {
        size_t cut = kKeyBytes;
        while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80) --cut;  // whole UTF-8 characters
        base.resize(cut);
    }
    return "." + base + ".qm";
}

// This process's number, asked once and again in a child made by fork.
std::atomic<long> g_pid{0};
long Pid() {
    long pid = g_pid.load(std::memory_order_relaxed);
    if (pid == 0) {
        static const int once = ::pthread_atfork(nullptr, nullptr, [] { g_pid.store(0); });
        (void)once;
        pid = static_cast<long>(::getpid());
        g_pid.store(pid, std::memory_order_relaxed);
    }
    return pid;
}

std::string FreshName(const std::string& folder, const std::string& group, Kind kind) {
    static std::mutex m;
    const long pid = Pid();
    static std::mt19937_64 random(std::random_device{}() ^ (static_cast<uint64_t>(pid) << 32));
    uint32_t r;
    {
        std::lock_guard<std::mutex> g(m);
        r = static_cast<uint32_t>(random());
    }
    char tail[48];
    std::snprintf(tail, sizeof tail, "%ld-%08x.%s", pid, r, kKinds[kind]);
    return folder + Prefix(group) + tail;
}

// Makes a fresh working name with `make` (0 or errno), trying other names while one is taken.
template <class Make>
int Exclusive(const std::string& folder, const std::string& group, Kind kind, std::string& made, Make make) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = FreshName(folder, group, kind);
        errno = 0;
        const int code = make(name);
        if (code == EEXIST) continue;
        if (code == 0) {
            made = name;
            Hold(made);
        }
        return code;
    }
    return EEXIST;
}

void Remove(const std::string& name) {
    ::unlink(name.c_str());
    Drop(name);
}

int CopyFile(const std::string& from, const std::string& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return Err();
    // The copy is never readable by more users than the file.
    struct stat st {};
    const int out = ::fstat(in, &st) == 0 ? ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600) : -1;
    if (out < 0) {
        const int code = Err();
        ::close(in);
        return code;
    }
    ::fchmod(out, st.st_mode & 0777);  // where modes cannot be set (FAT) it stays private
    int code = 0;
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) code = Err();
        if (code || n <= 0 || (code = DiskWriteFd(out, buf, static_cast<size_t>(n))) != 0) break;
    }
    ::close(in);
    if (::close(out) != 0 && !code) code = Err();
    if (code) ::unlink(to.c_str());
    return code;
}

// A second name for the file at `from`, in the folder of `beside`: a link, or a copy where the file system has
// no links.
int SecondName(const std::string& from, const std::string& beside, const std::string& group, Kind kind,
               std::string& made) {
    const int flags = from.rfind("/proc/self/fd/", 0) == 0 ? AT_SYMLINK_FOLLOW : 0;
    int code = Exclusive(FolderOf(beside), group, kind, made, [&](const std::string& name) {
        return ::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, name.c_str(), flags) == 0 ? 0 : Err();
    });
    if (code == EPERM || code == EOPNOTSUPP || code == EMLINK || code == ENOSYS || code == EXDEV)
        code = Exclusive(FolderOf(beside), group, kind, made,
                         [&](const std::string& name) { return CopyFile(from, name); });
    return code;
}

// What tells one file from another after a kill. Its device and inode say it where the set stayed put; a set
// copied to another disk, or on a file system that numbers its files anew at each mount (FAT), is known by the
// size and a hash of the bytes.
struct Id {
    unsigned long long dev = 0, ino = 0, size = 0, mtime = 0, hash = 0;
};

// The hash of a file's bytes, or of 16 slices spread over a large one: enough to tell two saves of it apart
// without reading a whole large file at each commit. False when it cannot be read.
bool HashFd(int fd, unsigned long long size, unsigned long long& hash) {
    constexpr unsigned long long kSlice = 64 << 10, kWhole = 1 << 20;
    std::vector<char> buf(size <= kWhole ? size : kSlice);
    uint64_t h = 0x9E3779B97F4A7C15ULL ^ size;
    bool ok = true;
    const int slices = size <= kWhole ? 1 : 16;
    for (int i = 0; i < slices && ok; ++i) {
        const unsigned long long at = slices == 1 ? 0 : (size - kSlice) / (slices - 1) * i;
        size_t got = 0;
        while (got < buf.size()) {
            const ssize_t r = ::pread(fd, buf.data() + got, buf.size() - got, static_cast<off_t>(at + got));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) break;
            got += static_cast<size_t>(r);
        }
        ok = got == buf.size();
        for (size_t k = 0; k < got; k += 8) {
            uint64_t w = 0;
            for (size_t b = 0; b < 8 && k + b < got; ++b) w |= uint64_t(static_cast<unsigned char>(buf[k + b])) << (8 * b);
            h = (h ^ w) * 0x100000001B3ULL;
            h ^= h >> 29;
        }
    }
    hash = h;
    return ok;
}

bool HashOf(const std::string& path, unsigned long long size, unsigned long long& hash) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return false;
    const bool ok = HashFd(fd, size, hash);
    ::close(fd);
    return ok;
}

unsigned long long MTime(const struct stat& st) {
    return static_cast<unsigned long long>(st.st_mtim.tv_sec) * 1000000000ULL +
           static_cast<unsigned long long>(st.st_mtim.tv_nsec);
}

// `fd`: the file open for reading, or -1.
int IdOf(const std::string& path, int fd, Id& id) {
    struct stat st {};
    if ((fd >= 0 ? ::fstat(fd, &st) : ::lstat(path.c_str(), &st)) != 0) return Err();
    id = {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
          static_cast<unsigned long long>(st.st_size), MTime(st), 0};
    // A link (replaced as such) is known by its numbers alone.
    if (!S_ISREG(st.st_mode)) return 0;
    return (fd >= 0 ? HashFd(fd, id.size, id.hash) : HashOf(path, id.size, id.hash)) ? 0 : Err();
}

// Whether the file at `path` (its lstat in `st`) is the one `id` names: 2 by its numbers, 1 by its bytes, 0 it
// is not, -1 it cannot be read to tell.
int Matches(const std::string& path, const struct stat& st, const Id& id) {
    if (static_cast<unsigned long long>(st.st_size) != id.size) return 0;
    if (static_cast<unsigned long long>(st.st_dev) == id.dev && static_cast<unsigned long long>(st.st_ino) == id.ino &&
        MTime(st) == id.mtime)
        return 2;
    if (!S_ISREG(st.st_mode)) return 0;
    unsigned long long hash = 0;
    if (!HashOf(path, id.size, hash)) return -1;
    return hash == id.hash ? 1 : 0;
}

struct Entry {
    std::string target, fresh;
    std::string old;  // where the old file is while the set moves: its backup, a working name, or none
    bool kept = false, hadOld = false;
    Id oldId, newId;
};

// The old file back under the target's name, which never stands empty meanwhile. `giveBack`: the new file gets
// its own name again first.
int PutBack(const Entry& e, const std::string& group, bool giveBack) {
    if (giveBack) ::linkat(AT_FDCWD, e.target.c_str(), AT_FDCWD, e.fresh.c_str(), 0);
    if (!e.hadOld) return ::unlink(e.target.c_str()) == 0 || errno == ENOENT ? 0 : Err();
    if (!e.kept) {
        if (::rename(e.old.c_str(), e.target.c_str()) != 0) return Err();
        Drop(e.old);
        return 0;
    }
    std::string copy;
    if (int code = SecondName(e.old, e.target, group, kOld, copy)) return code;
    if (::rename(copy.c_str(), e.target.c_str()) != 0) {
        const int code = Err();
        Remove(copy);
        return code;
    }
    Drop(copy);
    return 0;
}

void Field(std::string& out, const std::string& value) { out += std::to_string(value.size()) + ":" + value; }
void Field(std::string& out, unsigned long long value) { Field(out, std::to_string(value)); }

// Names in the log are names in the log's own folder. The count of entries comes first: a log cut short is
// never taken for the log of a smaller set.
std::string LogText(const std::vector<Entry>& set) {
    std::string text = kLogMagic;
    Field(text, set.size());
    text += "\n";
    for (const Entry& e : set) {
        Field(text, NameOf(e.target));
        Field(text, NameOf(e.old));
        Field(text, e.kept ? 1 : 0);
        Field(text, e.hadOld ? 1 : 0);
        for (const Id* id : {&e.oldId, &e.newId})
            for (unsigned long long v : {id->dev, id->ino, id->size, id->mtime, id->hash}) Field(text, v);
        text += "\n";
    }
    return text;
}

// The log takes its name only once it is written whole: a killed commit leaves a whole log or none.
int WriteLog(const std::vector<Entry>& set, const std::string& group, std::string& made) {
    const std::string text = LogText(set);
    const std::string folder = FolderOf(group);
    // Written unnamed where the file system can, it takes its name in one step.
    if (const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600); fd >= 0) {
        const std::string proc = "/proc/self/fd/" + std::to_string(fd);
        int code = DiskWriteFd(fd, text.data(), text.size());
        if (!code) code = Flush(fd);
        if (!code && ProcFdsOpen(proc))
            code = Exclusive(folder, group, kLog, made, [&](const std::string& name) {
                return ::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : Err();
            });
        else if (!code) code = -1;
        ::close(fd);
        if (code >= 0) return code;
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOSYS) {
        return Err();
    }
    std::string written;
    int code = Exclusive(FolderOf(group), group, kNew, written, [&](const std::string& name) {
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) return Err();
        int err = DiskWriteFd(fd, text.data(), text.size());
        if (!err) err = Flush(fd);
        if (::close(fd) != 0 && !err) err = Err();
        if (err) ::unlink(name.c_str());
        return err;
    });
    if (code) return code;
    code = Exclusive(FolderOf(group), group, kLog, made, [&](const std::string& name) {
        if (::renameat2(AT_FDCWD, written.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0) return 0;
        if (errno != EINVAL && errno != ENOSYS) return Err();
        return ::rename(written.c_str(), name.c_str()) == 0 ? 0 : Err();  // no such rename here: the name is fresh
    });
    if (code) Remove(written);
    else Drop(written);
    return code;
}

bool SameFolder(const std::vector<std::string>& targets) {
    for (const std::string& t : targets)
        if (FolderOf(t) != FolderOf(targets[0])) return false;
    return true;
}

// Commits in one folder take turns: two programs saving the same set at once would mix their files, each
// renaming some of its own over the other's; readers share a turn, so no commit moves a file while a set is
// opened. A holder that keeps the turn past the wait (a stopped process) makes the other side give up
// (EDEADLK): going ahead could leave or read a mixed set. A folder that takes no lock is used without one.
constexpr int kTurnWaitMs = 5000;

int TakeTurn(const std::string& folder, bool shared, int& fd) {
    fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int waited = 0; fd >= 0; waited += 10) {
        if (::flock(fd, (shared ? LOCK_SH : LOCK_EX) | LOCK_NB) == 0 || (errno != EWOULDBLOCK && errno != EINTR))
            return 0;
        if (waited >= kTurnWaitMs) {
            ::close(fd);
            fd = -1;
            return EDEADLK;
        }
        ::usleep(10000);
    }
    return 0;
}

class FolderTurn {
public:
    explicit FolderTurn(const std::string& folder) : err_(TakeTurn(folder, false, fd_)) {}
    ~FolderTurn() {
        if (fd_ >= 0) ::close(fd_);
    }
    // The folder, open; -1 when it could not be opened.
    int Fd() const { return fd_; }
    FolderTurn(const FolderTurn&) = delete;
    FolderTurn& operator=(const FolderTurn&) = delete;
    int Error() const { return err_; }

private:
    int fd_ = -1;
    int err_;
};

// This process left working files in the folder: the next save there looks through it.
void LeftBehind(const std::string& folder);

// Disk names throughout. The new files are complete and named; the old ones get their backups first, the log of
// the set is written, then the new ones take the targets' names, one exchange (or rename) each.
// `checked`: the targets were found replaceable when their new files were made. `fds`: the new files, open
// for reading where they are (-1, or none).
int CommitSet(std::vector<std::string>& news, const std::vector<std::string>& targets,
              const std::vector<std::string>& backups, size_t* which, bool checked = false,
              const std::vector<int>& fds = {}) {
    const size_t n = targets.size();
    if (n == 0) return 0;
    const std::string& group = targets[0];
    // One file needs no turn: its one rename gives it the old or the new file whole, whoever saves it.
    std::optional<FolderTurn> turn;
    if (n > 1) {
        turn.emplace(FolderOf(group));
        if (turn->Error()) {
            if (which) *which = 0;
            return turn->Error();
        }
    }
    size_t at = 0;
    int err = 0;
    auto fail = [&](size_t i, int code) {
        at = i;
        err = code;
    };
    auto backup = [&](size_t i) -> const std::string& {
        static const std::string none;
        return i < backups.size() ? backups[i] : none;
    };
    // Whatever may stop the set is found before anything moves.
    std::vector<Entry> set(n);
    std::vector<char> linkedBackup(n, 0), backupThere(n, 0);
    for (size_t i = 0; i < n && !err; ++i) {
        Entry& e = set[i];
        e.target = targets[i];
        e.fresh = news[i];
        struct stat st {};
        if (int code = Replaceable(e.target, st, e.hadOld, checked)) {
            fail(i, code);
            break;
        }
        e.oldId.dev = st.st_dev;
        e.oldId.ino = st.st_ino;
        // Only the log tells the new files apart; one file's rename fails by itself where it is missing.
        if (n > 1 && ::lstat(e.fresh.c_str(), &st) != 0) {
            fail(i, Err());
            break;
        }
        e.newId.dev = st.st_dev;
        e.newId.ino = st.st_ino;
        if (!backup(i).empty() && ::lstat(backup(i).c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode)) fail(i, EISDIR);
            linkedBackup[i] = e.hadOld && st.st_dev == e.oldId.dev && st.st_ino == e.oldId.ino;
            backupThere[i] = 1;
        }
    }
    const bool logged = n > 1 && SameFolder(targets);
    for (size_t i = 0; logged && i < n && !err; ++i) {
        int code = IdOf(set[i].fresh, i < fds.size() ? fds[i] : -1, set[i].newId);
        if (!code && set[i].hadOld) code = IdOf(set[i].target, -1, set[i].oldId);
        if (code) fail(i, code);
    }
    // Each new file is exchanged with its old one where the file system can: a rename over a file makes some
    // (ext4) write the new one out at once, most of a small save. The old file is then under the new one's
    // working name, which the log gives as its place, and takes its backup's name once the set is whole. The
    // first exchange tells whether the file system can, before anything has moved; where it cannot, each old
    // file gets its backup or a second name first and the new ones are renamed over the targets.
    bool exchange = true;
    std::vector<char> exchanged(n, 0);
    // The files with an old one move first: the first of them tells whether the set can be exchanged.
    std::vector<size_t> order;
    for (size_t i = 0; i < n; ++i)
        if (set[i].hadOld) order.push_back(i);
    for (size_t i = 0; i < n; ++i)
        if (!set[i].hadOld) order.push_back(i);
    std::string log;
    size_t moved = 0;
    for (int round = 0; round < 2 && !err; ++round) {
        for (size_t i = 0; i < n && !err; ++i) {
            Entry& e = set[i];
            if (!e.hadOld) continue;
            if (exchange) {
                e.old = e.fresh;
                continue;
            }
            if (backup(i).empty()) {
                // A single file without a backup needs no second name: its rename replaces it or leaves it.
                if (n > 1)
                    if (int code = SecondName(e.target, e.target, group, kOld, e.old)) fail(i, code);
                continue;
            }
            if (int code = SecondName(e.target, e.target, group, kOld, e.old)) {
                fail(i, code);
                break;
            }
            if (int code = Replace(e.old, backup(i), backupThere[i])) {
                fail(i, code);
                Remove(e.old);
                e.old.clear();
                e.hadOld = false;
                break;
            }
            // A backup that already is a name of the old file takes no rename: the working name may stay too.
            if (linkedBackup[i]) Remove(e.old);
            else Drop(e.old);
            e.old = backup(i);
            e.kept = true;
        }
        if (!err && logged)
            if (int code = WriteLog(set, group, log)) fail(0, code);
        for (; !err && moved < n; ++moved) {
            const size_t i = order[moved];
            Entry& e = set[i];
            int code = 0;
            if (exchange && e.hadOld) {
                if (Exchange(e.fresh, e.target)) {
                    exchanged[i] = 1;
                    continue;
                }
                code = Err();
                // Without a log, an old file gone meanwhile is no reason to stop: there is nothing to keep.
                if (code == ENOENT && !logged) {
                    e.hadOld = false;
                    e.old.clear();
                    code = Move(e.fresh, e.target);
                } else if (moved == 0 && CannotExchange(code)) {
                    exchange = false;
                    for (Entry& u : set) u.old.clear();
                    if (!log.empty()) Remove(log);
                    log.clear();
                    break;
                }
            } else {
                code = Move(e.fresh, e.target);
            }
            if (code) {
                fail(i, code);
                break;
            }
        }
        if (moved == n || err) break;
    }
    // The renames reach the disk, once per folder. They are made; a folder that cannot be flushed fails nothing.
    if (!err && g_flush.load(std::memory_order_relaxed)) {
        std::set<std::string> others;
        if (turn && turn->Fd() >= 0) {
            Flush(turn->Fd());
            others.insert(FolderOf(group));
        }
        for (const std::string& t : targets)
            if (others.insert(FolderOf(t)).second) {
                const std::string folder = FolderOf(t);
                const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                if (fd >= 0) {
                    Flush(fd);
                    ::close(fd);
                }
            }
    }
    bool back = true;
    for (size_t k = 0; err && k < moved; ++k) {
        const size_t i = order[k];
        // An exchanged file is exchanged back: the new one has its working name again.
        const bool ok = exchanged[i] ? Exchange(set[i].fresh, set[i].target) : PutBack(set[i], group, true) == 0;
        if (ok) exchanged[i] = 0;
        back &= ok;
    }
    // A set still half swapped keeps its log and the old files it names: the next DiskRecover puts it back.
    // An exchanged file's working name holds its old file, which becomes the backup, or goes, once the set is
    // whole. The set is saved by then: a backup that cannot be made fails nothing.
    auto let = back ? Remove : Drop;
    for (size_t i = 0; i < n; ++i) {
        const Entry& e = set[i];
        if (exchanged[i] && !err) {
            if (backup(i).empty() || linkedBackup[i] || Replace(e.fresh, backup(i), backupThere[i]) != 0) Remove(e.fresh);
            else Drop(e.fresh);
        } else if (exchanged[i]) {
            Drop(e.fresh);
            news[i].clear();  // for the next DiskRecover, not for the caller to remove
        } else if (e.hadOld && !e.kept && !e.old.empty() && e.old != e.fresh) {
            let(e.old);
        }
    }
    if (!log.empty()) let(log);
    if (!back) LeftBehind(FolderOf(group));
    if (err && which) *which = at;
    return err;
}

// A field of a log: its length, ':', its bytes.
bool ReadField(const std::string& text, size_t& pos, std::string& out) {
    size_t colon = text.find(':', pos);
    if (colon == std::string::npos || colon == pos || colon - pos > 6) return false;
    size_t len = 0;
    for (size_t i = pos; i < colon; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        len = len * 10 + static_cast<size_t>(text[i] - '0');
    }
    if (len > text.size() - colon - 1) return false;
    out = text.substr(colon + 1, len);
    pos = colon + 1 + len;
    return true;
}

bool ReadNumber(const std::string& text, size_t& pos, unsigned long long& out) {
    std::string s;
    if (!ReadField(text, pos, s) || s.empty() || s.size() > 20) return false;
    out = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + static_cast<unsigned long long>(c - '0');
    }
    return true;
}

bool PlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

// The kind of a working name that starts with `prefix` and the pid that made it; -1 for another name. Only the
// exact form FreshName writes counts (a pid without a leading zero, eight lower-case hex digits): a user's file
// that merely looks alike is no leftover.
int WorkingKind(const std::string& name, const std::string& prefix, long& pid) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return -1;
    size_t i = prefix.size();
    if (name[i] < '1' || name[i] > '9') return -1;
    long long value = 0;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) {
        value = value * 10 + (name[i] - '0');
        if (value > INT32_MAX) return -1;
    }
    if (i >= name.size() || name[i++] != '-') return -1;
    for (size_t k = 0; k < 8; ++k, ++i)
        if (i >= name.size() || !((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'a' && name[i] <= 'f'))) return -1;
    if (i >= name.size() || name[i++] != '.') return -1;
    pid = static_cast<long>(value);
    for (int kind = kNew; kind <= kLog; ++kind)
        if (name.compare(i, std::string::npos, kKinds[kind]) == 0) return kind;
    return -1;
}

// The set a log names, its names in `folder`; false for a log that is not whole or not ours. `set` then holds
// the entries read before the fault.
bool ParseLog(const std::string& text, const std::string& folder, const std::string& prefix,
              std::vector<Entry>& set) {
    if (text.compare(0, sizeof kLogMagic - 1, kLogMagic) != 0) return false;
    size_t pos = sizeof kLogMagic - 1;
    unsigned long long count = 0;
    if (!ReadNumber(text, pos, count) || count == 0 || count > 64 || pos >= text.size() || text[pos++] != '\n')
        return false;
    while (pos < text.size()) {
        if (set.size() >= count) return false;
        Entry e;
        std::string target, old;
        unsigned long long kept, hadOld, ids[10];
        if (!ReadField(text, pos, target) || !ReadField(text, pos, old) || !ReadNumber(text, pos, kept) ||
            !ReadNumber(text, pos, hadOld))
            return false;
        for (unsigned long long& v : ids)
            if (!ReadNumber(text, pos, v)) return false;
        if (pos >= text.size() || text[pos] != '\n') return false;
        ++pos;
        e.kept = kept != 0;
        e.hadOld = hadOld != 0;
        if (!PlainName(target) || (e.hadOld && !PlainName(old))) return false;
        // Only a working name of this set is ever moved back unkept: an old file's own, or the one of the new
        // file it was exchanged with.
        long pid = 0;
        const int kind = e.hadOld && !e.kept ? WorkingKind(old, prefix, pid) : kOld;
        if (kind != kOld && kind != kNew) return false;
        e.target = folder + target;
        e.old = e.hadOld ? folder + old : "";
        e.oldId = {ids[0], ids[1], ids[2], ids[3], ids[4]};
        e.newId = {ids[5], ids[6], ids[7], ids[8], ids[9]};
        set.push_back(e);
    }
    return set.size() == count;
}

// This user's own regular file: what another user leaves in a folder both may write is no order to move this
// user's files, nor a leftover to remove.
bool Own(const struct stat& st) { return S_ISREG(st.st_mode) && st.st_uid == ::geteuid(); }

// What came of one log.
struct Outcome {
    // 0; the errno why an old file could not be put back; EUCLEAN: the set cannot be proven whole.
    int err = 0;
    std::string failed;             // the target the error is about
    std::vector<std::string> set;   // the set's targets, for EUCLEAN
    bool keep = false;              // the log stays: another user's, or its set is not yet whole
    bool whole = false;             // the set is whole: the old files the log names may go
    std::vector<std::string> olds;  // the working names of old files the log names
};

// Puts back the set the log names when it is half swapped. Nothing moves unless each file is known for the
// old or the new one of its entry, and the old one to put back is still the old file; otherwise the set is
// not proven whole and the log and its old files stay. A set whose every file has been replaced since (saved
// again whole) needs neither the log nor the old files it names.
Outcome RecoverLog(const std::string& log, const std::string& folder, const std::string& prefix,
                   const std::string& group) {
    Outcome out;
    std::string text;
    {
        // A pipe under a log's name would wait for a writer.
        const int fd = ::open(log.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) return out;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !Own(st)) {
            ::close(fd);
            out.keep = true;
            return out;
        }
        char buf[4096];
        for (;;) {
            const ssize_t r = ::read(fd, buf, sizeof buf);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0 || text.size() + static_cast<size_t>(r) > kLogLimit) break;
            text.append(buf, static_cast<size_t>(r));
        }
        ::close(fd);
    }
    std::vector<Entry> set;
    const bool read = ParseLog(text, folder, prefix, set);
    for (const Entry& e : set)
        if (e.hadOld && !e.kept) out.olds.push_back(e.old);
    auto unproven = [&](const std::string& which) {
        out.err = EUCLEAN;
        out.failed = which;
        out.keep = true;
        if (set.empty()) out.set.push_back(group);
        for (const Entry& e : set) out.set.push_back(e.target);
        return out;
    };
    if (!read) return unproven(group);
    // Either: the old and the new file hold the same bytes (a code page saved again), so it fits both.
    enum State { Old, New, Either, Other };
    std::vector<State> state;
    size_t olds = 0, news = 0;
    for (const Entry& e : set) {
        struct stat st {};
        const bool there = ::lstat(e.target.c_str(), &st) == 0;
        State s = Other;
        const int isNew = there ? Matches(e.target, st, e.newId) : 0;
        const int isOld = e.hadOld ? (there ? Matches(e.target, st, e.oldId) : 0) : there ? 0 : 2;
        if (isNew < 0 || isOld < 0) return unproven(e.target);
        if (isNew == 2) s = New;
        else if (isOld == 2) s = Old;
        else if (isNew && isOld) s = Either;
        else if (isNew) s = New;
        else if (isOld) s = Old;
        olds += s == Old || s == Either;
        news += s == New || s == Either;
        state.push_back(s);
    }
    if (olds == 0 && news == 0) return out;  // every file replaced since
    for (size_t i = 0; i < set.size(); ++i)
        if (state[i] == Other) return unproven(set[i].target);
    // All old: the set never moved; all new: it moved whole. Only a mixed set is put back.
    out.whole = true;
    if (olds == set.size() || news == set.size()) return out;
    for (size_t i = 0; i < set.size(); ++i) {
        struct stat st {};
        if (state[i] == New && set[i].hadOld &&
            (::lstat(set[i].old.c_str(), &st) != 0 || Matches(set[i].old, st, set[i].oldId) <= 0)) {
            out.whole = false;
            return unproven(set[i].target);
        }
    }
    for (size_t i = 0; i < set.size(); ++i) {
        if (state[i] != New) continue;
        if (const int code = PutBack(set[i], group, false); code && !out.err) {
            out.err = code;
            out.failed = set[i].target;
            out.keep = true;
            out.whole = false;
        }
    }
    return out;
}

// The first line of /proc/<pid>/stat, or of another /proc file, "" when it cannot be read.
std::string ProcLine(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "re");
    if (!f) return "";
    char buf[1024];
    const bool got = std::fgets(buf, sizeof buf, f) != nullptr;
    std::fclose(f);
    return got ? buf : "";
}

// When the system started, in seconds since the epoch; -1 when unknown.
long long BootTime() {
    static const long long boot = [] {
        std::FILE* f = std::fopen("/proc/stat", "re");
        if (!f) return -1LL;
        long long t = -1;
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "btime %lld", &t) == 1) break;
        std::fclose(f);
        return t;
    }();
    return boot;
}

// When process `pid` started, in seconds since the epoch, rounded down; -1 when unknown.
long long StartTime(long pid) {
    const std::string stat = ProcLine("/proc/" + std::to_string(pid) + "/stat");
    // Its name, in parentheses, may hold spaces and parentheses: the fields are counted after the last ')'.
    const size_t close = stat.rfind(')');
    const long ticks = ::sysconf(_SC_CLK_TCK);
    if (close == std::string::npos || ticks <= 0 || BootTime() < 0) return -1;
    size_t at = close + 1;
    for (int field = 3; field < 22; ++field) {  // the start is field 22, in clock ticks since the boot
        at = stat.find(' ', at + 1);
        if (at == std::string::npos) return -1;
    }
    unsigned long long started = 0;
    if (std::sscanf(stat.c_str() + at, " %llu", &started) != 1) return -1;
    return BootTime() + static_cast<long long>(started / static_cast<unsigned long long>(ticks));
}

// Whether process `pid` may still be writing the working file `name`. Its number may have been given again
// (after a reboot, or once the numbers wrap): a process that started after the file last changed is not its
// writer. A second's margin for a clock set forward meanwhile.
bool Writing(long pid, const std::string& name) {
    if (pid <= 0 || pid > INT32_MAX || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)) return false;
    struct stat st {};
    const long long start = StartTime(pid);
    return start < 0 || ::lstat(name.c_str(), &st) != 0 || st.st_ctime >= start - 1;
}

}  // namespace

TDiskWorkFile::~TDiskWorkFile() { Release(); }

void TDiskWorkFile::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    adopted_ = false;
    if (!named_.empty()) Remove(named_);
    named_.clear();
    path_.clear();
}

int TDiskWorkFile::Create(const std::string& target, const std::string& group, bool reserve) {
    Release();
    std::string disk, key;
    if (!GbkToDiskName(target, disk) || !GbkToDiskName(group.empty() ? target : group, key)) return EILSEQ;
    asked_ = disk;
    disk = Resolve(disk);
    key = group.empty() || group == target ? disk : Resolve(key);
    struct stat old {};
    bool had = false;
    if (int code = Replaceable(disk, old, had)) return code;
    had &= S_ISREG(old.st_mode);
    group_ = key;
    file_ = disk;
    const std::string folder = FolderOf(disk);
    // Where there is an old file, the new one is never readable by more users than the old one, until it is
    // given the old one's owner and access.
    const mode_t mode = had ? old.st_mode & 0777 : 0666;
    if (!reserve) {
        const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        if (fd >= 0) {
            const std::string proc = "/proc/self/fd/" + std::to_string(fd);
            // Writers open it again by that name, and it is linked in through it.
            if (ProcFdsOpen(proc)) {
                if (int code = had ? Adopt(fd, disk, old) : 0) {
                    ::close(fd);
                    return code;
                }
                fd_ = fd;
                path_ = proc;
                adopted_ = true;
                return 0;
            }
            ::close(fd);
        } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOSYS) {
            return Err();
        }
    }
    const int code = Exclusive(folder, key, kNew, named_, [&](const std::string& name) {
        if (reserve) {
            struct stat st {};
            if (::lstat(name.c_str(), &st) == 0) return EEXIST;
            return errno == ENOENT ? 0 : Err();
        }
        fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        return fd_ >= 0 ? 0 : Err();
    });
    if (code) return code;
    if (fd_ >= 0 && had) {
        if (int why = Adopt(fd_, disk, old)) {
            Release();
            return why;
        }
    }
    adopted_ = fd_ >= 0;
    if (!DiskNameToGbk(named_, path_)) {
        Release();
        return EILSEQ;
    }
    return 0;
}

int TDiskWorkFile::Write(const void* data, size_t size) {
    return fd_ < 0 ? EBADF : DiskWriteFd(fd_, data, size);
}

int DiskCommit(const std::vector<TDiskWorkFile*>& files, const std::vector<std::string>& targets,
               const std::vector<std::string>& backups, size_t* which) {
    const size_t n = targets.size();
    std::vector<std::string> disks(n), backs(backups.size()), news(n);
    std::vector<char> linked(n, 0);
    int err = 0;
    size_t at = 0;
    for (size_t i = 0; i < n && !err; ++i) {
        at = i;
        if (i >= files.size() || !files[i] || (files[i]->fd_ < 0 && files[i]->named_.empty())) err = EBADF;
        else if (!GbkToDiskName(targets[i], disks[i])) err = EILSEQ;
    }
    for (size_t i = 0; i < backups.size() && !err; ++i)
        if (!backups[i].empty() && !GbkToDiskName(backups[i], backs[i])) {
            at = i;
            err = EILSEQ;
        }
    // The file a link stands for, as it was when the new file was made beside it.
    bool checked = true;
    for (size_t i = 0; i < n && !err; ++i) {
        const std::string named = disks[i];
        const bool same = named == files[i]->asked_ && !files[i]->file_.empty();
        checked &= same;
        disks[i] = same ? files[i]->file_ : Resolve(named);
        if (i < backs.size()) backs[i] = Rebased(backs[i], named, disks[i]);
    }
    // Each new file is the user's and on the disk before any name is given to it.
    for (size_t i = 0; i < n && !err; ++i) {
        at = i;
        err = Ready(files[i]->fd_, files[i]->named_, disks[i], files[i]->adopted_);
    }
    // An unnamed file is linked in under a working name first.
    for (size_t i = 0; i < n && !err; ++i) {
        at = i;
        if (!files[i]->named_.empty()) news[i] = files[i]->named_;
        else if ((err = SecondName(files[i]->path_, disks[i], disks[0], kNew, news[i])) == 0) linked[i] = 1;
    }
    std::vector<int> fds(n, -1);
    for (size_t i = 0; i < n; ++i) fds[i] = files[i]->fd_;
    if (!err) err = CommitSet(news, disks, backs, &at, checked, fds);
    if (err) {
        for (size_t i = 0; i < n; ++i)
            if (linked[i] && !news[i].empty()) Remove(news[i]);
        if (which) *which = at;
        return err;
    }
    for (size_t i = 0; i < n; ++i) {
        Drop(news[i]);
        files[i]->named_.clear();
        files[i]->Release();
    }
    return 0;
}

int DiskCommitNamed(const std::vector<std::string>& news, const std::vector<std::string>& targets,
                    const std::vector<std::string>& backups, size_t* which) {
    const size_t n = targets.size();
    std::vector<std::string> d(n), t(n), b(backups.size());
    for (size_t i = 0; i < n; ++i)
        if (i >= news.size() || !GbkToDiskName(news[i], d[i]) || !GbkToDiskName(targets[i], t[i]) ||
            (i < backups.size() && !backups[i].empty() && !GbkToDiskName(backups[i], b[i]))) {
            if (which) *which = i;
            return i >= news.size() ? EINVAL : EILSEQ;
        }
    for (size_t i = 0; i < n; ++i) {
        const std::string named = t[i];
        t[i] = Resolve(named);
        if (i < b.size()) b[i] = Rebased(b[i], named, t[i]);
    }
    for (size_t i = 0; i < n; ++i)
        if (int code = Ready(-1, d[i], t[i], false)) {
            if (which) *which = i;
            return code;
        }
    return CommitSet(d, t, b, which);
}

namespace {

// Whether a name is any set's working name; `pid` gets the process that made it.
bool LooksWorking(const char* name, long& pid) {
    const std::string n = name;
    const size_t qm = n.rfind(".qm");
    return n.size() > 1 && n[0] == '.' && qm != std::string::npos && WorkingKind(n, n.substr(0, qm + 3), pid) >= 0;
}

// Folders this process has looked through and found without another program's working files, and in which
// none has made one since: a save there need not look again, which costs as much as the rest of a small save in
// a folder of a few hundred files. inotify tells of every name made in them; a folder it cannot watch is looked
// through each time. Only saves trust it: an open always looks.
class CleanFolders {
public:
    using Key = std::pair<dev_t, ino_t>;
    static CleanFolders& Get() {
        static CleanFolders* folders = [] {
            static CleanFolders f;
            // A child made by fork reads none of its parent's events.
            ::pthread_atfork(nullptr, nullptr, [] { f.Forget(); });
            return &f;
        }();
        return *folders;
    }
    // The folder's key, or false when it is not there.
    static bool KeyOf(const std::string& folder, Key& key) {
        struct stat st {};
        if (::stat(folder.empty() ? "." : folder.c_str(), &st) != 0) return false;
        key = {st.st_dev, st.st_ino};
        return true;
    }
    bool Clean(const Key& key) {
        std::lock_guard<std::mutex> g(m_);
        Drain();
        return clean_.count(key) != 0;
    }
    // Watches the folder before it is looked through: the number of changes seen there so far, or -1 when it
    // cannot be watched.
    long long Watch(const std::string& folder, const Key& key) {
        std::lock_guard<std::mutex> g(m_);
        if (fd_ == -2) fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ < 0) return -1;
        const int wd = ::inotify_add_watch(fd_, folder.empty() ? "." : folder.c_str(),
                                           IN_CREATE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
        if (wd < 0) return -1;
        struct stat st {};
        // The name may stand for another folder by now.
        if (::stat(folder.empty() ? "." : folder.c_str(), &st) != 0 || Key{st.st_dev, st.st_ino} != key) return -1;
        watches_[wd] = key;
        return changes_[key];
    }
    // After the folder was looked through: clean when nothing was left there and it has not changed since.
    void Looked(const Key& key, long long seen, bool clean) {
        std::lock_guard<std::mutex> g(m_);
        Drain();
        if (clean && seen >= 0 && changes_[key] == seen) clean_.insert(key);
        else clean_.erase(key);
    }
    // This process left working files there itself (a set it could not put back).
    void Dirty(const std::string& folder) {
        Key key;
        std::lock_guard<std::mutex> g(m_);
        if (KeyOf(folder, key)) Change(key);
    }

private:
    void Change(const Key& key) {
        ++changes_[key];
        clean_.erase(key);
    }
    void Forget() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -2;
        watches_.clear();
        clean_.clear();
    }
    void Drain() {
        alignas(inotify_event) char buf[8192];
        for (;;) {
            const ssize_t got = fd_ >= 0 ? ::read(fd_, buf, sizeof buf) : -1;
            if (got <= 0) return;
            for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= got;) {
                const auto* ev = reinterpret_cast<const inotify_event*>(buf + at);
                at += ssize_t(sizeof(inotify_event) + ev->len);
                if (ev->mask & IN_Q_OVERFLOW) {
                    for (const auto& [wd, key] : watches_) Change(key);
                    continue;
                }
                const auto w = watches_.find(ev->wd);
                if (w == watches_.end()) continue;
                long pid = 0;
                if (ev->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) Change(w->second);
                else if (ev->len > 0 && LooksWorking(ev->name, pid) && pid != Pid()) Change(w->second);
                if (ev->mask & IN_IGNORED) watches_.erase(w);
            }
        }
    }

    std::mutex m_;
    int fd_ = -2;  // -2: not made yet
    std::map<int, Key> watches_;
    std::map<Key, long long> changes_;
    std::set<Key> clean_;
};

void LeftBehind(const std::string& folder) { CleanFolders::Get().Dirty(folder); }

// `turnHeld`: the caller has the folder's turn, so no commit is under way there and a log whose writer lives on
// is left over all the same (its commit failed half way).
// `retire`: the set was just saved whole, so a log that cannot be proven is spent too.
// `saving`: for a save, which need not look through a folder known to be clean.
int Recover(const std::string& target, std::string* failed, std::vector<std::string>* names, bool turnHeld,
            bool retire = false, bool saving = false) {
    std::string disk;
    if (!GbkToDiskName(target, disk)) return 0;
    disk = Resolve(disk);  // the set's working files are beside the file a link names
    const std::string folder = FolderOf(disk), prefix = Prefix(disk);
    CleanFolders& folders = CleanFolders::Get();
    CleanFolders::Key key;
    const bool keyed = CleanFolders::KeyOf(folder, key);
    if (keyed && saving && folders.Clean(key)) return 0;
    const long long seen = keyed ? folders.Watch(folder, key) : -1;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return 0;
    std::vector<std::string> logs, olds;
    std::vector<long> logPids, oldPids;
    bool left = false;  // working files that stay there: another set's, or a writer's at work
    while (const dirent* d = ::readdir(dir)) {
        long pid = 0;
        const int kind = WorkingKind(d->d_name, prefix, pid);
        if (kind < 0) {
            left |= LooksWorking(d->d_name, pid) && !Held(folder + d->d_name);
            continue;
        }
        const std::string name = folder + d->d_name;
        // Another process may be saving this set now; so may this one, through a message loop.
        if (Held(name)) continue;
        if (pid != getpid() && !(turnHeld && kind == kLog) && Writing(pid, name)) {
            left = true;
            continue;
        }
        (kind == kLog ? logs : olds).push_back(name);
        (kind == kLog ? logPids : oldPids).push_back(pid);
    }
    ::closedir(dir);
    int err = 0;
    std::set<std::string> named;  // old files a log that stays names
    std::set<long> waiting;       // writers whose logs stay: what they left may be all that is left
    std::vector<std::string> done;
    for (size_t l = 0; l < logs.size(); ++l) {
        const std::string& log = logs[l];
        Outcome o = RecoverLog(log, folder, prefix, disk);
        if (o.err && !err) {
            err = o.err;
            if (failed && !DiskNameToGbk(o.failed, *failed)) *failed = target;
            if (names) {
                names->clear();
                for (const std::string& t : o.set) {
                    std::string gbk;
                    names->push_back(DiskNameToGbk(t, gbk) ? gbk : target);
                }
            }
        }
        if (!o.keep || (retire && o.err == EUCLEAN)) {
            done.push_back(log);
        } else {
            named.insert(o.olds.begin(), o.olds.end());
            waiting.insert(logPids[l]);
        }
    }
    // An old file is spare once its set is whole. A commit writes its log whole before any target moves and
    // removes it after the old files, so without a log of its writer the target still holds that file. A new
    // file's working name may hold an old file too, once the two were exchanged.
    for (size_t i = 0; i < olds.size(); ++i) {
        struct stat st {};
        if (named.count(olds[i]) || waiting.count(oldPids[i]) || ::lstat(olds[i].c_str(), &st) != 0 || !Own(st)) {
            left = true;
            continue;
        }
        left |= ::unlink(olds[i].c_str()) != 0;
    }
    for (const std::string& log : done) ::unlink(log.c_str());
    if (keyed) folders.Looked(key, seen, !left && done.size() == logs.size());
    return err;
}

}  // namespace

int DiskRecover(const std::string& target, std::string* failed) {
    return Recover(target, failed, nullptr, false, false, true);
}

void DiskRetire(const std::string& target) { Recover(target, nullptr, nullptr, false, true); }

TDiskReadTurn::TDiskReadTurn(const std::string& target) {
    std::string disk;
    if (!GbkToDiskName(target, disk)) return;
    err_ = TakeTurn(FolderOf(Resolve(disk)), true, fd_);
    if (!err_) err_ = Recover(target, &failed_, &set_, fd_ >= 0);
    if (err_ == EDEADLK) failed_ = target;
}

TDiskReadTurn::~TDiskReadTurn() {
    if (fd_ >= 0) ::close(fd_);
}

TDiskReadTurn::TDiskReadTurn(TDiskReadTurn&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), err_(other.err_), failed_(std::move(other.failed_)), set_(std::move(other.set_)) {}

void DiskCommitFlushes(bool on) { g_flush.store(on, std::memory_order_relaxed); }
