#include "gis/core/GisMappedFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "gis/core/GisDefs.h"
#include "platform/rtl/FileIO.h"

namespace {

constexpr char kChanged[] = "文件已被另一个程序修改。";

// A mapped view whose file another program cuts short faults (SIGBUS) on the pages past the new end, wherever
// a reader looks at it. The bus-error handler can only find the views through process-wide state: slots
// claimed under a lock, read by the handler without one.
struct TGuard {
    std::atomic<uintptr_t> begin{0};
    std::atomic<uintptr_t> end{0};
    std::atomic<bool> lost{false};
};
// More than the descriptors a process holds by default; a view that finds none taken is read into memory.
constexpr int kGuards = 1024;
TGuard g_guards[kGuards];
std::mutex g_claiming;
struct sigaction g_previous {};
uintptr_t g_page = 4096;

void OnBusError(int signal, siginfo_t* info, void* context) {
    const int saved = errno;
    const uintptr_t at = reinterpret_cast<uintptr_t>(info->si_addr);
    if (info->si_code == BUS_ADRERR) {
        for (TGuard& g : g_guards) {
            const uintptr_t begin = g.begin.load(std::memory_order_acquire);
            const uintptr_t end = g.end.load(std::memory_order_acquire);
            if (begin == 0 || at < begin || at >= end) continue;
            // Zeros from the lost page to the end of the view, in one call rather than a fault a page; the
            // access then runs again over them. The raw call: a library's mmap may not be safe here.
            const uintptr_t page = at & ~(g_page - 1);
            if (syscall(SYS_mmap, page, end - page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == -1)
                break;
            g.lost.store(true, std::memory_order_relaxed);
            errno = saved;
            return;
        }
    }
    // Not a guarded view's: what would have happened without this handler.
    errno = saved;
    if (g_previous.sa_handler == SIG_DFL || g_previous.sa_handler == SIG_IGN) {
        // The faulting access runs again and the default action ends the process.
        ::signal(signal, SIG_DFL);
    } else if (g_previous.sa_flags & SA_SIGINFO) {
        g_previous.sa_sigaction(signal, info, context);
    } else {
        g_previous.sa_handler(signal);
    }
}

// The slot of the view, or -1 when none is free.
int ClaimGuard(const void* view, int64_t size) {
    static std::once_flag installed;
    std::call_once(installed, [] {
        g_page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
        struct sigaction a {};
        a.sa_sigaction = OnBusError;
        a.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESTART;
        sigemptyset(&a.sa_mask);
        sigaction(SIGBUS, &a, &g_previous);
    });
    std::lock_guard<std::mutex> lock(g_claiming);
    for (int i = 0; i < kGuards; ++i) {
        TGuard& g = g_guards[i];
        if (g.begin.load(std::memory_order_relaxed) != 0) continue;
        g.lost.store(false, std::memory_order_relaxed);
        // The end first: a handler that sees the beginning sees the end.
        g.end.store(reinterpret_cast<uintptr_t>(view) + static_cast<uintptr_t>(size), std::memory_order_release);
        g.begin.store(reinterpret_cast<uintptr_t>(view), std::memory_order_release);
        return i;
    }
    return -1;
}

void ReleaseGuard(int slot) {
    std::lock_guard<std::mutex> lock(g_claiming);
    g_guards[slot].begin.store(0, std::memory_order_release);
    g_guards[slot].end.store(0, std::memory_order_release);
}

}  // namespace

void TGIS_MappedStream::Raise(int code, const char* why) const {
    // The numbered text for programs, the cause in words for the user.
    std::string message = Format(GIS_RS_ERR_FILEMAPPING, {code, path_});
    const std::string cause = why ? std::string(why) : FileErrorText(code, !writable_);
    if (!cause.empty()) message += " " + cause;
    throw EFOpenError(message, path_, code);
}

TGIS_MappedStream::TGIS_MappedStream(const std::string& path, bool writable) : writable_(writable), path_(path) {
    if (writable) {
        fd_ = DiskOpen(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd_ < 0) Raise(errno);
        return;
    }
    fd_ = DiskOpen(path, O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) Raise(errno);
    struct stat st {};
    int err = 0;
    const char* why = nullptr;
    if (fstat(fd_, &st) != 0) err = errno;
    else if (S_ISDIR(st.st_mode)) err = EISDIR;
    else if (!S_ISREG(st.st_mode)) err = EINVAL, why = "这不是一个普通文件。";
    else if (st.st_size == 0) err = EINVAL, why = "文件是空的。";  // an empty file cannot be mapped
    if (!err) {
        size_ = st.st_size;
        err = Load(why);
    }
    if (err) {
        Unload();
        ::close(fd_);
        fd_ = -1;
        Raise(err, why);
    }
}

int TGIS_MappedStream::Load(const char*& why) {
    const size_t bytes = static_cast<size_t>(size_);
    void* p = mmap(nullptr, bytes, PROT_READ, MAP_SHARED, fd_, 0);
    if (p != MAP_FAILED) {
        guard_ = ClaimGuard(p, size_);
        if (guard_ >= 0) {
            view_ = static_cast<const uint8_t*>(p);
            lost_ = &g_guards[guard_].lost;
            return 0;
        }
        munmap(p, bytes);
    }
    // No guard free, or a file system that cannot map: the file read into memory of its own.
    p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return errno;
    view_ = static_cast<const uint8_t*>(p);
    uint8_t* to = static_cast<uint8_t*>(p);
    int64_t done = 0;
    while (done < size_) {
        const size_t step = static_cast<size_t>(std::min<int64_t>(size_ - done, int64_t{1} << 30));
        const ssize_t n = pread(fd_, to + done, step, done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) {
            // It ends before the size it had a moment ago.
            why = kChanged;
            return EIO;
        }
        done += n;
    }
    mprotect(p, bytes, PROT_READ);
    return 0;
}

void TGIS_MappedStream::Unload() {
    if (view_) munmap(const_cast<uint8_t*>(view_), static_cast<size_t>(size_));
    view_ = nullptr;
    size_ = 0;
    if (guard_ >= 0) ReleaseGuard(guard_);
    guard_ = -1;
    lost_ = nullptr;
}

TGIS_MappedStream::~TGIS_MappedStream() {
    Unload();
    if (fd_ >= 0) ::close(fd_);
}

void TGIS_MappedStream::Close() {
    if (view_) {
        if (munmap(const_cast<uint8_t*>(view_), static_cast<size_t>(size_)) != 0) Raise(errno);
        view_ = nullptr;
        Unload();  // later reads find nothing left
    }
    if (fd_ >= 0) {
        const int fd = fd_;
        fd_ = -1;
        // The descriptor is gone whatever close says; what it says is whether the file was finished.
        if (::close(fd) != 0) Raise(errno);
    }
}

int64_t TGIS_MappedStream::Read(void* buffer, int64_t count) {
    if (writable_) throw EReadError("TGIS_MappedStream.Read#0");
    if (position_ < 0 || count < 0) throw EReadError("TGIS_MappedStream.Read#1");
    if (position_ >= size_) throw EReadError("TGIS_MappedStream.Read#2");
    if (count > size_ - position_) throw EReadError("TGIS_MappedStream.Read#3");
    std::memcpy(buffer, view_ + position_, static_cast<size_t>(count));
    CheckView();
    position_ += count;
    return count;
}

void TGIS_MappedStream::RaiseChanged() const {
    throw EReadError(Format(GIS_RS_ERR_FILEMAPPING, {EIO, path_}) + " " + kChanged, path_, EIO);
}

int64_t TGIS_MappedStream::Write(const void* buffer, int64_t count) {
    if (!writable_) throw EWriteError("TGIS_MappedStream.Write#0");
    if (position_ < 0 || count < 0) throw EWriteError("TGIS_MappedStream.Write#1");
    const char* p = static_cast<const char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        ssize_t n = pwrite(fd_, p + done, static_cast<size_t>(count - done), position_ + done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    position_ += done;
    if (position_ > size_) size_ = position_;
    return done;
}

int64_t TGIS_MappedStream::Seek(int64_t offset, int origin) {
    int64_t base;
    switch (origin) {
    case soFromBeginning: base = 0; break;
    case soFromCurrent: base = position_; break;
    case soFromEnd: base = size_; break;
    default: return position_;
    }
    // A position beyond the 64-bit range stays at its end instead of wrapping.
    if (__builtin_add_overflow(base, offset, &position_)) position_ = offset < 0 ? INT64_MIN : INT64_MAX;
    return position_;
}
