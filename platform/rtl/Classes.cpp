#include "platform/rtl/Classes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/rtl/FileIO.h"
#include "platform/rtl/SysUtils.h"

void TStringList::Check(int index) const {
    if (index < 0 || index >= Count()) throw ERangeError("List index out of bounds (" + std::to_string(index) + ")");
}

int TStringList::Add(const std::string& s) {
    items_.push_back(s);
    return Count() - 1;
}

void TStringList::Insert(int index, const std::string& s) {
    if (index < 0 || index > Count()) throw ERangeError("List index out of bounds (" + std::to_string(index) + ")");
    items_.insert(items_.begin() + index, s);
}

void TStringList::Delete(int index) {
    Check(index);
    items_.erase(items_.begin() + index);
}

int TStringList::IndexOf(const std::string& s) const {
    for (int i = 0; i < Count(); ++i)
        if (items_[i] == s) return i;
    return -1;
}

const std::string& TStringList::operator[](int index) const {
    Check(index);
    return items_[index];
}

std::string& TStringList::operator[](int index) {
    Check(index);
    return items_[index];
}

std::string TStringList::Text() const {
    std::string t;
    for (auto& s : items_) t += s + "\r\n";
    return t;
}

void TStringList::SetText(const std::string& text) {
    items_.clear();
    size_t i = 0;
    while (i < text.size()) {
        size_t e = text.find_first_of("\r\n", i);
        if (e == std::string::npos) {
            items_.push_back(text.substr(i));
            break;
        }
        items_.push_back(text.substr(i, e - i));
        i = e + 1;
        if (text[e] == '\r' && i < text.size() && text[i] == '\n') ++i;
    }
}

void TStringList::LoadFromFile(const std::string& path) {
    std::string text;
    errno = 0;
    if (!DiskReadAll(path, text)) RaiseFileOpenError(path, errno);
    SetText(text);
}

void TStringList::SaveToFile(const std::string& path) const {
    // Written beside the target and renamed over it, so a failed write leaves an older file whole.
    if (int err = DiskReplace(path, Text())) {
        EWriteError e("无法保存文件“" + path + "”。" + FileErrorText(err), path, err);
        errno = err;  // the caller may report why
        throw e;
    }
}

int64_t TStream::GetSize() {
    int64_t pos = Seek(0, soFromCurrent);
    int64_t size = Seek(0, soFromEnd);
    Seek(pos, soFromBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count == 0) return;
    errno = 0;
    if (Write(buffer, count) == count) return;
    const int code = errno != 0 ? errno : EIO;
    const std::string file = DiskFileName();
    if (file.empty()) throw EWriteError("Stream write error");
    throw EWriteError("写入文件“" + file + "”失败！" + FileErrorText(code), file, code);
}

void RaiseFileOpenError(const std::string& path, int code, bool create) {
    const std::string what = create ? "无法创建文件“" : "无法打开文件“";
    throw EFOpenError(what + path + "”。" + FileErrorText(code, !create), path, code);
}

TFileStream::TFileStream(const std::string& path, uint16_t mode) : path_(path) {
    const int flags = mode == fmCreate ? O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC : O_RDONLY | O_CLOEXEC;
    fd_ = DiskOpen(path, flags, 0644);
    if (fd_ < 0) RaiseFileOpenError(path, errno, mode == fmCreate);
    struct stat st {};
    if (fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        RaiseFileOpenError(path, EISDIR, mode == fmCreate);
    }
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

namespace {

// Whole transfers at a position, resumed after interruptions; the bytes moved.
template <class Buffer, class Call>
int64_t Transfer(Buffer* buffer, int64_t count, int64_t position, Call call) {
    int64_t done = 0;
    while (done < count) {
        const ssize_t n = call(buffer + done, size_t(count - done), off_t(position + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

}  // namespace

int64_t TFileStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || position_ < 0) return 0;
    const int fd = fd_;
    const int64_t done = Transfer(static_cast<char*>(buffer), count, position_,
                                  [fd](char* p, size_t n, off_t at) { return pread(fd, p, n, at); });
    position_ += done;
    return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    if (count <= 0 || position_ < 0) return 0;
    const int fd = fd_;
    const int64_t done = Transfer(static_cast<const char*>(buffer), count, position_,
                                  [fd](const char* p, size_t n, off_t at) { return pwrite(fd, p, n, at); });
    position_ += done;
    return done;
}

int64_t TFileStream::Seek(int64_t offset, int origin) {
    int64_t base = 0;
    switch (origin) {
    case soFromBeginning: base = 0; break;
    case soFromCurrent: base = position_; break;
    case soFromEnd: {
        struct stat st {};
        base = fstat(fd_, &st) == 0 ? int64_t(st.st_size) : 0;
        break;
    }
    default: return position_;
    }
    int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target) || target < 0) return position_;
    position_ = target;
    return position_;
}
