// String list and abstract stream of the class library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/SysUtils.h"

class TStringList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    int Add(const std::string& s);
    void Insert(int index, const std::string& s);
    void Delete(int index);
    void Clear() { items_.clear(); }
    int IndexOf(const std::string& s) const;
    // Raises ERangeError ("List index out of bounds") outside 0..Count-1.
    const std::string& operator[](int index) const;
    std::string& operator[](int index);

    // Lines joined with CR LF, each line ended; setting splits at CR LF, LF or CR.
    std::string Text() const;
    void SetText(const std::string& text);
    // Raise Exception when the file cannot be opened or written.
    void LoadFromFile(const std::string& path);
    void SaveToFile(const std::string& path) const;

private:
    void Check(int index) const;
    std::vector<std::string> items_;
};

class EStreamError : public Exception {
public:
    using Exception::Exception;
    EStreamError(const std::string& message, const std::string& fileName, int errorCode)
        : Exception(message), FileName(fileName), ErrorCode(errorCode) {}
    // For a file's error: its name and the system's error code ("" and 0 otherwise).
    std::string FileName;
    int ErrorCode = 0;
};
class EFOpenError : public EStreamError {
    using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
    using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
    using EStreamError::EStreamError;
};

enum TSeekOrigin { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

// Abstract byte stream with 64-bit positions.
class TStream {
public:
    virtual ~TStream() = default;
    // Bytes actually moved.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // New position.
    virtual int64_t Seek(int64_t offset, int origin) = 0;

    int64_t GetPosition() { return Seek(0, soFromCurrent); }
    void SetPosition(int64_t p) { Seek(p, soFromBeginning); }
    int64_t GetSize();
    // Raise EReadError / EWriteError on a short transfer; a write error on a file names it and the cause.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // The disk file under the stream, "" when there is none.
    virtual std::string DiskFileName() const { return {}; }
};

// EFOpenError naming the file and why it could not be opened (or, `create`, created).
[[noreturn]] void RaiseFileOpenError(const std::string& path, int code, bool create = false);

enum : uint16_t { fmOpenRead = 0x0000, fmCreate = 0xFF00 };

// Stream over a disk file (GBK path). fmOpenRead opens read-only and shares the file with every other reader
// and writer; fmCreate creates it, or empties an existing one, for reading and writing.
class TFileStream : public TStream {
public:
    // Raises EFOpenError (naming the file and the system's reason) when the file cannot be opened or created.
    TFileStream(const std::string& path, uint16_t mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    // A read at or past the end moves fewer bytes (none); a failing system call moves none.
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    // A negative result position is refused: the position stays.
    int64_t Seek(int64_t offset, int origin) override;

    const std::string& FileName() const { return path_; }
    std::string DiskFileName() const override { return path_; }

private:
    int fd_ = -1;
    int64_t position_ = 0;
    std::string path_;
};
