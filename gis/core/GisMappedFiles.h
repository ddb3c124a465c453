// File stream of the fixed-record layer formats: read mode maps the whole file once and serves
// every read from the view; write mode writes a newly created file.
#pragma once

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
    // The mapped file (read mode), for readers that look at records in place.
    const uint8_t* Memory() const { return view_; }

private:
    // 0030 with the system error code and the path, then the cause in words (`why`, else the code's).
    [[noreturn]] void Raise(int code, const char* why = nullptr) const;

    int fd_ = -1;
    bool writable_;
    const uint8_t* view_ = nullptr;
    int64_t position_ = 0;
    int64_t size_ = 0;
    std::string path_;
};
