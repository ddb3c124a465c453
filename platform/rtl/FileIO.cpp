#include "platform/rtl/FileIO.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <sstream>
#include <vector>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/DiskCommit.h"
#include "platform/rtl/SysUtils.h"

namespace {

bool Ascii(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A NUL would end the name early, so the file named would be another one.
bool Convert(const std::string& in, const char* to, const char* from, std::string& out) {
    if (in.find('\0') != std::string::npos) return false;
    if (Ascii(in)) {
        out = in;
        return true;
    }
    return TryConvertEncoding(in, to, from, out);
}

// The name on disk, or false with errno EILSEQ.
bool Disk(const std::string& path, std::string& disk) {
    if (GbkToDiskName(path, disk)) return true;
    errno = EILSEQ;
    return false;
}

}  // namespace

bool GbkToDiskName(const std::string& gbk, std::string& disk) { return Convert(gbk, "UTF-8", "GBK", disk); }
bool DiskNameToGbk(const std::string& disk, std::string& gbk) { return Convert(disk, "GBK", "UTF-8", gbk); }

int DiskOpen(const std::string& path, int flags, mode_t mode) {
    std::string d;
    if (!Disk(path, d)) return -1;
    // An empty file is not truncated again: ext4 writes a file it saw truncated to nothing out at its close, and
    // a save's new file, opened again by its writer, is always empty.
    const bool truncate = (flags & O_TRUNC) && (flags & O_ACCMODE) != O_RDONLY;
    const int fd = ::open(d.c_str(), truncate ? flags & ~O_TRUNC : flags, mode);
    struct stat st {};
    if (fd < 0 || !truncate || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) return fd;
    if (::ftruncate(fd, 0) == 0) return fd;
    const int code = errno;
    ::close(fd);
    errno = code;
    return -1;
}

std::FILE* DiskFOpen(const std::string& path, const char* mode) {
    std::string d;
    return Disk(path, d) ? std::fopen(d.c_str(), mode) : nullptr;
}

bool DiskRename(const std::string& from, const std::string& to) {
    std::string f, t;
    return Disk(from, f) && Disk(to, t) && std::rename(f.c_str(), t.c_str()) == 0;
}

bool DiskRemove(const std::string& path) {
    std::string d;
    return Disk(path, d) && std::remove(d.c_str()) == 0;
}

bool DiskStat(const std::string& path, struct stat& st) {
    std::string d;
    return Disk(path, d) && ::stat(d.c_str(), &st) == 0;
}

bool DiskAccess(const std::string& path, int mode) {
    std::string d;
    return Disk(path, d) && ::access(d.c_str(), mode) == 0;
}

bool DiskExists(const std::string& path) { return DiskAccess(path, F_OK); }

bool DiskWritable(const std::string& path) {
    std::string d;
    return Disk(path, d) && DiskNameWritable(d);
}

bool DiskNameWritable(const std::string& disk) {
    struct stat st {};
    if (::stat(disk.c_str(), &st) != 0) return errno == ENOENT;
    if (S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return false;
    }
    // The superuser may write anything: a file nobody may write is still refused, as on any other account.
    if ((st.st_mode & 0222) == 0) {
        errno = EACCES;
        return false;
    }
    return ::access(disk.c_str(), W_OK) == 0;
}

bool DiskOpenStream(std::ifstream& f, const std::string& path, std::ios::openmode mode) {
    std::string d;
    if (!Disk(path, d)) return false;
    f.open(d, mode | std::ios::in);
    return f.is_open();
}

bool DiskOpenStream(std::ofstream& f, const std::string& path, std::ios::openmode mode) {
    std::string d;
    if (!Disk(path, d)) return false;
    f.open(d, mode | std::ios::out);
    return f.is_open();
}

bool DiskReadAll(const std::string& path, std::string& bytes) {
    const int fd = DiskOpen(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    // A read that fails half way fails the whole: a caller given the first part would take it for the file.
    auto fail = [fd](int code) {
        ::close(fd);
        errno = code;
        return false;
    };
    struct stat st;
    if (::fstat(fd, &st) != 0) return fail(errno);
    // A folder opens but reads as nothing at all.
    if (S_ISDIR(st.st_mode)) return fail(EISDIR);
    std::string out;
    size_t size = S_ISREG(st.st_mode) && st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;
    out.resize(size + 1);  // one more byte finds the end of a file that did not grow
    size_t have = 0;
    for (;;) {
        if (have == out.size()) out.resize(out.size() * 2 + 4096);
        const ssize_t n = ::read(fd, out.data() + have, out.size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(errno);
        if (n == 0) break;
        have += static_cast<size_t>(n);
    }
    ::close(fd);
    out.resize(have);
    bytes = std::move(out);
    return true;
}

int DiskWriteFd(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t w = ::write(fd, p, size);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return w < 0 && errno != 0 ? errno : w < 0 ? EIO : ENOSPC;
        p += w;
        size -= static_cast<size_t>(w);
    }
    return 0;
}

bool DiskWriteAll(const std::string& path, const std::string& bytes) {
    const int fd = DiskOpen(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    int code = DiskWriteFd(fd, bytes.data(), bytes.size());
    if (::close(fd) != 0 && !code) code = errno;
    errno = code;
    return code == 0;
}

std::string FileErrorText(int code, bool reading) {
    switch (code) {
        case 0: return "";
        case ENOENT: return reading ? "文件不存在。" : "文件夹不存在。";
        case ENOTDIR: return "文件夹不存在。";
        case EISDIR: return "这是一个文件夹，不是文件。";
        case ENAMETOOLONG: return "文件名太长。";
        case EFBIG: return "文件太大。";
        case EIO: return "磁盘读写错误。";
        case EACCES:
        case EPERM: return "没有访问权限。";
        case EROFS: return "磁盘只读，没有写入权限。";
        case ENOSPC:
        case EDQUOT: return "磁盘已满。";
        case ETXTBSY:
        case EBUSY:
        case EAGAIN:
        case ENOLCK: return "文件正在使用或已被锁定。";
        case EILSEQ: return "文件名含有磁盘文件名不能表示的字符。";
        case kDiskOtherOwner: return "文件属于其他用户，保存后它将不再属于原来的用户，未保存。";
        case EDEADLK:
            return reading ? "另一个程序正在保存这个文件夹中的文件，文件没有打开。"
                           : "另一个程序正在保存这个文件夹中的文件，文件没有保存。";
        default: break;
    }
    // The system's text is in the user's locale; on this system that is UTF-8.
    char buf[256];
    const std::string text = strerror_r(code, buf, sizeof buf);
    return Ascii(text) ? text : ConvertText(text, "GBK", "UTF-8");
}

int DiskReplace(const std::string& path, const std::string& bytes, const std::string& backup) {
    DiskRecover(path);
    TDiskWorkFile file;
    if (int err = file.Create(path)) return err;
    if (int err = file.Write(bytes.data(), bytes.size())) return err;
    return DiskCommit({&file}, {path}, {backup});
}

int DiskSwapIn(const std::vector<std::string>& temps, const std::vector<std::string>& targets,
               const std::vector<std::string>& asides, size_t* which) {
    return DiskCommitNamed(temps, targets, asides, which);
}

std::string ExpandFileName(const std::string& path) {
    std::string full = path;
    if (path.empty() || path[0] != '/') {
        char buf[4096];
        std::string cwd, gbk;
        if (getcwd(buf, sizeof buf)) cwd = buf;
        full = (DiskNameToGbk(cwd, gbk) ? gbk : cwd) + "/" + path;
    }
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= full.size()) {
        size_t e = full.find('/', i);
        if (e == std::string::npos) e = full.size();
        std::string p = full.substr(i, e - i);
        if (p == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!p.empty() && p != ".") {
            parts.push_back(p);
        }
        i = e + 1;
    }
    std::string r;
    for (auto& p : parts) r += "/" + p;
    if (r.empty() || (!full.empty() && full.back() == '/' && !parts.empty())) r += "/";
    return r;
}

double FileAge(const std::string& path) {
    struct stat st {};
    return DiskStat(path, st) ? FileDateToDateTime(st.st_mtime) : -1;
}
