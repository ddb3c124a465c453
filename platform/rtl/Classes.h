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
    using Exception::Exception;
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
    // Raise EReadError / EWriteError on a short transfer.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
};
