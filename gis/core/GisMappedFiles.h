// File stream of the fixed-record layer formats: read mode maps the whole file once and serves
// every read from the view; write mode writes a newly created file.
// Another program may cut the file short while it is mapped. The pages it took away read as zeros instead of
// stopping the program, and the stream remembers that they did: Read, and CheckView for readers that look at
// the view in place, then raise EReadError with message 0030 and the cause "文件已被另一个程序修改。".
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/rtl/Classes.h"

class TGIS_MappedStream : public TStream {
public:
    // Raises EFOpenError with message 0030 (system error code, path) and the cause in Chinese when the file
    // cannot be mapped (missing, unreadable, empty, a folder) or created.
    TGIS_MappedStream(const std::string& path, bool writable);
    // Releases what Close has not; a failure there cannot be reported.
    ~TGIS_MappedStream() override;
    // Unmaps the view and closes the file; a failing step stops the release and raises EFOpenError with message
    // 0030 (system error code, path). Writers close before they commit, so a file the system could not finish
    // is not taken for saved. Later calls do nothing.
    void Close();
    TGIS_MappedStream(const TGIS_MappedStream&) = delete;
    TGIS_MappedStream& operator=(const TGIS_MappedStream&) = delete;

    // Read mode: exactly `count` bytes or EReadError naming the failed check.
    int64_t Read(void* buffer, int64_t count) override;
    // Write mode: writes at Position; Position and Size follow the file.
    int64_t Write(const void* buffer, int64_t count) override;
    // No bounds check: the next Read catches a position outside the file.
    int64_t Seek(int64_t offset, int origin) override;

    int64_t Position() const { return position_; }
    int64_t Size() const { return size_; }
    const std::string& Path() const { return path_; }
    std::string DiskFileName() const override { return path_; }
    // The mapped file (read mode), for readers that look at records in place; they call CheckView after
    // looking.
    const uint8_t* Memory() const { return view_; }
    // Raises the read error when some part of the view has been read as zeros because the file lost it.
    void CheckView() const {
        if (lost_ && lost_->load(std::memory_order_relaxed)) RaiseChanged();
    }

private:
    // 0030 with the system error code and the path, then the cause in words (`why`, else the code's).
    [[noreturn]] void Raise(int code, const char* why = nullptr) const;
    [[noreturn]] void RaiseChanged() const;
    // Read mode: maps the open file under a guard, or, where it cannot, reads it into memory of its own.
    // 0, or the system error code and `why`, the cause.
    int Load(const char*& why);
    void Unload();

    int fd_ = -1;
    bool writable_;
    const uint8_t* view_ = nullptr;
    // The guard's flag while the view is a guarded map; nullptr for a view of its own.
    const std::atomic<bool>* lost_ = nullptr;
    int guard_ = -1;
    int64_t position_ = 0;
    int64_t size_ = 0;
    std::string path_;
};
