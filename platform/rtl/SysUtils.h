// Non-visual runtime: exceptions, rounding, number text and string helpers.
// Number text never depends on the C locale; the decimal separator is a process-wide setting.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }
    std::string Message;
};

// The silent exception: it unwinds like any other, and the application's display ignores it.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};
[[noreturn]] void Abort();
// A method that a class leaves to its descendants was called on it.
class EAbstractError : public Exception {
public:
    EAbstractError() : Exception("Abstract Error") {}
};

class EConvertError : public Exception { using Exception::Exception; };
// A pattern that the formatter cannot apply to its arguments.
class EFormatError : public EConvertError { using EConvertError::EConvertError; };
class ERangeError : public Exception {
public:
    ERangeError() : Exception("Range check error") {}
    using Exception::Exception;
};

// Integer part, rounding toward zero.
int64_t Trunc(double x);
// Nearest whole number, halves to the even neighbour.
int64_t Round(double x);

// Numbers shown and typed use it; files (DBF, MIF/MID) always hold '.', or other programs would read wrong numbers.
char GetDecimalSeparator();
void SetDecimalSeparator(char c);

// General decimal form: at most 15 significant digits, no trailing zeros, the process decimal separator.
std::string FloatToStr(double v);
// Same text with '.' whatever the separator.
std::string FloatToStrDot(double v);
double StrToFloat(const std::string& s);
bool TryStrToFloat(const std::string& s, double& v);
// Accepts both '.' and the process separator.
bool TryStrToFloatAny(const std::string& s, double& v);
double StrToFloatAny(const std::string& s);

std::string IntToStr(int64_t v);
int StrToInt(const std::string& s);
bool TryStrToInt(const std::string& s, int& v);

std::string Trim(const std::string& s);
std::string TrimLeft(const std::string& s);
std::string TrimRight(const std::string& s);
// ASCII case mapping only: GBK lead and trail bytes are left alone.
std::string UpperCase(const std::string& s);
std::string LowerCase(const std::string& s);
// Same, but double-byte (GBK) characters are skipped whole, so trail bytes keep their case.
std::string AnsiLowerCase(const std::string& s);
std::string AnsiUpperCase(const std::string& s);
// The first byte of a double-byte GBK character (when a byte follows it).
inline bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
// Byte offset of the first occurrence of `sub` in `s` that starts on a character boundary (GBK), or npos.
size_t AnsiPos(const std::string& sub, const std::string& s);

// One argument of Format.
struct TFormatArg {
    enum Kind { Int, Float, Str } kind;
    int64_t i = 0;
    double d = 0;
    std::string s;
    TFormatArg(int v) : kind(Int), i(v) {}
    TFormatArg(long v) : kind(Int), i(v) {}
    TFormatArg(long long v) : kind(Int), i(v) {}
    TFormatArg(unsigned v) : kind(Int), i(v) {}
    TFormatArg(double v) : kind(Float), d(v) {}
    TFormatArg(const char* v) : kind(Str), s(v) {}
    TFormatArg(std::string v) : kind(Str), s(std::move(v)) {}
};

// "%" ["index:"] ["-"] [width] ["." precision] type, type one of d u e f g n m p s x (either case);
// "*" takes a width or precision from the arguments. Raises EFormatError on a bad pattern or a
// mismatched or missing argument.
std::string Format(const std::string& fmt, std::initializer_list<TFormatArg> args);

// Case-insensitive comparison of the locale (ASCII letters fold; GBK characters compare by their bytes).
int AnsiCompareText(const std::string& a, const std::string& b);
// The extension of the file name part of a path, from its last '.' on ("" when there is none).
std::string ExtractFileExt(const std::string& path);

// Days since 1899-12-30, the fraction being the time of day.
using TDateTime = double;
TDateTime EncodeDate(int year, int month, int day);  // EConvertError on an invalid date
TDateTime EncodeTime(int hour, int min, int sec, int msec);
void DecodeDate(TDateTime d, int& year, int& month, int& day);
void DecodeTime(TDateTime d, int& hour, int& min, int& sec, int& msec);
TDateTime Now();
// Local time of a moment in seconds since 1970 (a file's modification time), to the second.
TDateTime FileDateToDateTime(int64_t unixSeconds);
// The locale's short form: "yyyy-m-d", followed by " h:nn:ss" unless the time is midnight.
std::string DateTimeToStr(TDateTime d);
// The date and time by a format of the usual letters: y yy yyyy, m mm mmm mmmm (minutes right after an hour),
// d dd ddd dddd, ddddd (the short date), h hh, n nn, s ss, z zzz, t tt (short and long time), c (short date and
// time), am/pm and a/p (12-hour clock), "/" and ":" as the separators, text in quotes as it stands. Names are
// the Chinese ones of this locale.
std::string FormatDateTime(const std::string& format, TDateTime d);
// Reads "y-m-d" or "y/m/d", optionally followed by "h:n" or "h:n:s".
bool TryStrToDateTime(const std::string& s, TDateTime& d);
TDateTime StrToDateTime(const std::string& s);

// A broken invariant of the program itself; the message names the source position.
class EAssertionFailed : public Exception {
    using Exception::Exception;
};
[[noreturn]] void AssertErrorHandler(const std::string& message, const char* file, int line);
#define QM_ASSERT(cond, message) \
    ((cond) ? static_cast<void>(0) : AssertErrorHandler((message), __FILE__, __LINE__))
