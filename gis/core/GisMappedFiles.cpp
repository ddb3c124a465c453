#include "gis/core/GisMappedFiles.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "gis/core/GisDefs.h"
#include "platform/rtl/FileIO.h"

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
        void* p = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_SHARED, fd_, 0);
        if (p == MAP_FAILED) err = errno;
        else view_ = static_cast<const uint8_t*>(p);
    }
    if (err) {
        ::close(fd_);
        fd_ = -1;
        Raise(err, why);
    }
    size_ = st.st_size;
}

TGIS_MappedStream::~TGIS_MappedStream() {
    if (view_) munmap(const_cast<uint8_t*>(view_), static_cast<size_t>(size_));
    if (fd_ >= 0) ::close(fd_);
}

void TGIS_MappedStream::Close() {
    if (view_) {
        if (munmap(const_cast<uint8_t*>(view_), static_cast<size_t>(size_)) != 0) Raise(errno);
        view_ = nullptr;
        size_ = 0;  // later reads find nothing left
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
    position_ += count;
    return count;
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
