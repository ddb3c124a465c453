#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <vector>

namespace {

char g_decimalSeparator = '.';

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Digits and decimal exponent of v rounded to `digits` significant digits: v = 0.d1d2d3... x 10^(exp+1).
void SigDigits(double v, int digits, std::string& mant, int& exp) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, digits - 1);
    std::string s(buf, r.ptr);
    auto e = s.find('e');
    exp = std::stoi(s.substr(e + 1));
    mant.clear();
    for (size_t i = 0; i < e; ++i)
        if (s[i] != '.') mant += s[i];
    while (mant.size() > 1 && mant.back() == '0') mant.pop_back();
}

std::string GeneralText(double v, int precision, char sep) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
    if (v == 0) return "0";
    std::string mant;
    int exp;
    SigDigits(v, precision, mant, exp);
    std::string out = v < 0 ? "-" : "";
    if (exp < -4 || exp >= precision) {
        out += mant[0];
        if (mant.size() > 1) {
            out += sep;
            out += mant.substr(1);
        }
        out += 'E';
        out += std::to_string(exp);
        return out;
    }
    if (exp < 0) {
        out += '0';
        out += sep;
        out += std::string(-exp - 1, '0');
        out += mant;
    } else if (static_cast<int>(mant.size()) <= exp + 1) {
        out += mant;
        out += std::string(exp + 1 - mant.size(), '0');
    } else {
        out += mant.substr(0, exp + 1);
        out += sep;
        out += mant.substr(exp + 1);
    }
    return out;
}

std::string FixedText(double v, int prec, char sep) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
    std::vector<char> buf(400 + prec);
    auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed, prec);
    std::string s(buf.data(), r.ptr);
    if (s == "-0" || (s.size() > 1 && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos))
        s.erase(0, 1);  // no negative zero in text
    for (auto& c : s)
        if (c == '.') c = sep;
    return s;
}

std::string ScientificText(double v, int prec, char sep) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
    if (prec < 1) prec = 1;
    if (prec > 18) prec = 18;
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, prec - 1);
    std::string s(buf, r.ptr);
    auto e = s.find('e');
    std::string mant = s.substr(0, e);
    for (auto& c : mant)
        if (c == '.') c = sep;
    int exp = std::stoi(s.substr(e + 1));
    std::string ex = std::to_string(std::abs(exp));
    while (ex.size() < 3) ex = "0" + ex;
    return mant + "E" + (exp < 0 ? "-" : "+") + ex;
}

std::string Thousands(const std::string& fixed, char sep) {
    size_t start = fixed[0] == '-' ? 1 : 0;
    size_t end = fixed.find(sep);
    if (end == std::string::npos) end = fixed.size();
    std::string ip = fixed.substr(start, end - start), grouped;
    for (size_t i = 0; i < ip.size(); ++i) {
        if (i > 0 && (ip.size() - i) % 3 == 0) grouped += ',';
        grouped += ip[i];
    }
    return fixed.substr(0, start) + grouped + fixed.substr(end);
}

[[noreturn]] void BadFormat(const std::string& fmt) {
    throw EFormatError("Format '" + fmt + "' invalid or incompatible with argument");
}

bool ParseFloat(const std::string& text, char sep, bool anySep, double& v) {
    std::string s = Trim(text);
    if (s.empty()) return false;
    std::string t;
    t.reserve(s.size());
    bool seenSep = false;
    for (char c : s) {
        if (c == sep || (anySep && (c == '.' || c == ','))) {
            if (seenSep) return false;
            seenSep = true;
            t += '.';
        } else if (c == '.' && sep != '.') {
            return false;
        } else {
            t += c;
        }
    }
    const char* b = t.data();
    const char* e = b + t.size();
    if (*b == '+') ++b;
    if (b == e || *b == '+') return false;
    // from_chars takes no hex or inf/nan spellings in the general format, as the class library.
    auto r = std::from_chars(b, e, v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) return false;
    return r.ec == std::errc() && r.ptr == e && std::isfinite(v);
}

}  // namespace

int64_t Trunc(double x) {
    if (!(std::fabs(x) < 9.2e18)) throw EConvertError("Invalid floating point operation");
    return static_cast<int64_t>(x);
}

int64_t Round(double x) {
    if (!(std::fabs(x) < 9.2e18)) throw EConvertError("Invalid floating point operation");
    return static_cast<int64_t>(std::nearbyint(x));  // default rounding mode: ties to even
}

char GetDecimalSeparator() { return g_decimalSeparator; }
void SetDecimalSeparator(char c) { g_decimalSeparator = c; }

std::string FloatToStr(double v) { return GeneralText(v, 15, g_decimalSeparator); }
std::string FloatToStrDot(double v) { return GeneralText(v, 15, '.'); }

bool TryStrToFloat(const std::string& s, double& v) { return ParseFloat(s, g_decimalSeparator, false, v); }
bool TryStrToFloatAny(const std::string& s, double& v) { return ParseFloat(s, g_decimalSeparator, true, v); }

namespace {
[[noreturn]] void NotAFloat(const std::string& s) {
    throw EConvertError("'" + s + "' is not a valid floating point value");
}
}  // namespace

double StrToFloat(const std::string& s) {
    double v;
    if (!TryStrToFloat(s, v)) NotAFloat(s);
    return v;
}

double StrToFloatAny(const std::string& s) {
    double v;
    if (!TryStrToFloatAny(s, v)) NotAFloat(s);
    return v;
}

std::string IntToStr(int64_t v) { return std::to_string(v); }

bool TryStrToInt(const std::string& text, int& v) {
    std::string s = TrimLeft(text);
    if (s.empty()) return false;
    const char* b = s.data();
    const char* e = b + s.size();
    bool neg = false;
    if (*b == '+' || *b == '-') neg = *b++ == '-';
    int base = 10;
    if (b < e && *b == '$') {
        base = 16;
        ++b;
    } else if (e - b > 2 && b[0] == '0' && (b[1] == 'x' || b[1] == 'X')) {
        base = 16;
        b += 2;
    }
    if (b == e || *b == '+' || *b == '-') return false;
    int64_t x;
    auto r = std::from_chars(b, e, x, base);
    if (r.ec != std::errc() || r.ptr != e) return false;
    if (neg) x = -x;
    if (x < std::numeric_limits<int>::min() || x > std::numeric_limits<int>::max()) return false;
    v = static_cast<int>(x);
    return true;
}

int StrToInt(const std::string& s) {
    int v;
    if (!TryStrToInt(s, v)) throw EConvertError("'" + s + "' is not a valid integer value");
    return v;
}

std::string TrimLeft(const std::string& s) {
    size_t b = 0;
    while (b < s.size() && IsBlank(s[b])) ++b;
    return s.substr(b);
}

std::string TrimRight(const std::string& s) {
    size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1])) --e;
    return s.substr(0, e);
}

std::string Trim(const std::string& s) { return TrimRight(TrimLeft(s)); }

std::string UpperCase(const std::string& s) {
    std::string r = s;
    for (auto& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

std::string LowerCase(const std::string& s) {
    std::string r = s;
    for (auto& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}

std::string AnsiLowerCase(const std::string& s) {
    std::string r = s;
    for (size_t i = 0; i < r.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(r[i])) && i + 1 < r.size()) ++i;
        else if (r[i] >= 'A' && r[i] <= 'Z') r[i] = static_cast<char>(r[i] - 'A' + 'a');
    }
    return r;
}

std::string AnsiUpperCase(const std::string& s) {
    std::string r = s;
    for (size_t i = 0; i < r.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(r[i])) && i + 1 < r.size()) ++i;
        else if (r[i] >= 'a' && r[i] <= 'z') r[i] = static_cast<char>(r[i] - 'a' + 'A');
    }
    return r;
}

size_t AnsiPos(const std::string& sub, const std::string& s) {
    if (sub.empty()) return std::string::npos;
    for (size_t i = 0; i + sub.size() <= s.size();) {
        if (s.compare(i, sub.size(), sub) == 0) return i;
        i += IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
    }
    return std::string::npos;
}

std::string Format(const std::string& fmt, std::initializer_list<TFormatArg> argList) {
    std::vector<const TFormatArg*> args;
    for (auto& a : argList) args.push_back(&a);
    std::string out;
    size_t next = 0;
    const char sep = g_decimalSeparator;
    for (size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] != '%') {
            out += fmt[i];
            continue;
        }
        if (++i >= fmt.size()) BadFormat(fmt);
        if (fmt[i] == '%') {
            out += '%';
            continue;
        }
        // Reads a number or '*' (taken from the arguments); -1 when there is none.
        auto readNumber = [&](int& value) {
            value = -1;
            if (i < fmt.size() && fmt[i] == '*') {
                if (next >= args.size() || args[next]->kind != TFormatArg::Int) BadFormat(fmt);
                value = static_cast<int>(args[next++]->i);
                ++i;
                return;
            }
            if (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
                int64_t n = 0;
                while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
                    n = n * 10 + (fmt[i++] - '0');
                    if (n > 100000) BadFormat(fmt);
                }
                value = static_cast<int>(n);
            }
        };
        int n;
        readNumber(n);
        if (i < fmt.size() && fmt[i] == ':') {
            if (n < 0) n = 0;
            next = static_cast<size_t>(n);
            ++i;
            readNumber(n);
        }
        bool left = false;
        if (i < fmt.size() && fmt[i] == '-') {
            left = true;
            ++i;
            if (n >= 0) BadFormat(fmt);
            readNumber(n);
        }
        int width = n, prec = -1;
        if (i < fmt.size() && fmt[i] == '.') {
            ++i;
            readNumber(prec);
            if (prec < 0) prec = 0;
        }
        if (i >= fmt.size()) BadFormat(fmt);
        char type = static_cast<char>(fmt[i] >= 'a' && fmt[i] <= 'z' ? fmt[i] - 'a' + 'A' : fmt[i]);
        if (next >= args.size()) BadFormat(fmt);
        const TFormatArg& a = *args[next++];
        std::string item;
        switch (type) {
        case 'D':
        case 'U': {
            if (a.kind != TFormatArg::Int) BadFormat(fmt);
            int64_t v = a.i;
            if (type == 'U' && v < 0) v = static_cast<uint32_t>(v);
            std::string digits = std::to_string(v < 0 ? -v : v);
            if (prec > static_cast<int>(digits.size())) digits = std::string(prec - digits.size(), '0') + digits;
            item = (v < 0 ? "-" : "") + digits;
            break;
        }
        case 'X':
        case 'P': {
            if (a.kind != TFormatArg::Int) BadFormat(fmt);
            char buf[32];
            auto r = std::to_chars(buf, buf + sizeof buf, static_cast<uint64_t>(type == 'P' ? static_cast<uint32_t>(a.i) : a.i), 16);
            item.assign(buf, r.ptr);
            for (auto& c : item)
                if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
            int minDigits = type == 'P' ? 8 : prec;
            if (minDigits > static_cast<int>(item.size())) item = std::string(minDigits - item.size(), '0') + item;
            break;
        }
        case 'F':
        case 'N':
        case 'M':
        case 'E':
        case 'G': {
            if (a.kind != TFormatArg::Float) BadFormat(fmt);
            if (type == 'E') item = ScientificText(a.d, prec < 0 ? 15 : prec, sep);
            else if (type == 'G') item = GeneralText(a.d, prec < 0 ? 15 : (prec == 0 ? 1 : std::min(prec, 17)), sep);
            else {
                item = FixedText(a.d, prec < 0 ? 2 : std::min(prec, 18), sep);
                if (type != 'F') item = Thousands(item, sep);
            }
            break;
        }
        case 'S':
            if (a.kind != TFormatArg::Str) BadFormat(fmt);
            item = prec >= 0 && prec < static_cast<int>(a.s.size()) ? a.s.substr(0, prec) : a.s;
            break;
        default:
            BadFormat(fmt);
        }
        if (width > static_cast<int>(item.size())) {
            std::string pad(width - item.size(), ' ');
            item = left ? item + pad : pad + item;
        }
        out += item;
    }
    return out;
}

namespace {
// The byte at i of s as AnsiLowerCase gives it; `trail` carries the double-byte state along s.
unsigned char LowerAt(const std::string& s, size_t i, bool& trail) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (trail) trail = false;
    else if (IsLeadByte(c) && i + 1 < s.size()) trail = true;
    else if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
    return c;
}
}  // namespace

// Compares as AnsiLowerCase of both would, byte by byte, without making the copies.
int AnsiCompareText(const std::string& a, const std::string& b) {
    // Names are mostly looked up as they were written.
    if (a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0) return 0;
    const size_t n = std::min(a.size(), b.size());
    bool trailA = false, trailB = false;
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = LowerAt(a, i, trailA), y = LowerAt(b, i, trailB);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::string ExtractFileExt(const std::string& path) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return path.substr(dot);
}

namespace {
// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

constexpr int64_t kEpochShift = 25569;  // 1899-12-30 to 1970-01-01
constexpr double kMaxDays = 2958466;    // 9999-12-31 and a day

bool ValidDate(int y, int m, int d) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= days[m - 1] + (m == 2 && leap ? 1 : 0);
}

bool SplitDate(TDateTime v, int64_t& days, int64_t& ms) {
    if (!std::isfinite(v) || std::fabs(v) > kMaxDays * 2) return false;
    // The fraction is the time of day on both sides of the epoch.
    int64_t whole = static_cast<int64_t>(v);
    double frac = std::fabs(v - static_cast<double>(whole));
    ms = static_cast<int64_t>(std::llround(frac * 86400000.0));
    if (ms >= 86400000) {
        ms -= 86400000;
        whole += v < 0 ? -1 : 1;
    }
    days = whole;
    return true;
}
}  // namespace

TDateTime EncodeDate(int year, int month, int day) {
    if (!ValidDate(year, month, day)) throw EConvertError("Invalid argument to date encode");
    return static_cast<double>(DaysFromCivil(year, month, day) + kEpochShift);
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
        throw EConvertError("Invalid argument to time encode");
    return (((hour * 60.0 + min) * 60.0 + sec) * 1000.0 + msec) / 86400000.0;
}

void DecodeDate(TDateTime d, int& year, int& month, int& day) {
    int64_t days, ms;
    if (!SplitDate(d, days, ms)) throw EConvertError("Invalid date value");
    CivilFromDays(days - kEpochShift, year, month, day);
}

void DecodeTime(TDateTime d, int& hour, int& min, int& sec, int& msec) {
    int64_t days, ms;
    if (!SplitDate(d, days, ms)) throw EConvertError("Invalid date value");
    msec = static_cast<int>(ms % 1000);
    sec = static_cast<int>(ms / 1000 % 60);
    min = static_cast<int>(ms / 60000 % 60);
    hour = static_cast<int>(ms / 3600000);
}

TDateTime FileDateToDateTime(int64_t unixSeconds) {
    const std::time_t t = static_cast<std::time_t>(unixSeconds);
    std::tm tm{};
    localtime_r(&t, &tm);
    return EncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) +
           EncodeTime(tm.tm_hour, tm.tm_min, std::min(tm.tm_sec, 59), 0);
}

TDateTime Now() { return FileDateToDateTime(std::time(nullptr)); }

std::string DateTimeToStr(TDateTime d) {
    int y, m, dd, h, n, s, ms;
    DecodeDate(d, y, m, dd);
    DecodeTime(d, h, n, s, ms);
    std::string r = std::to_string(y) + '-' + std::to_string(m) + '-' + std::to_string(dd);
    if (h || n || s || ms) {
        char buf[16];
        std::snprintf(buf, sizeof buf, " %d:%02d:%02d", h, n, s);
        r += buf;
    }
    return r;
}

std::string FormatDateTime(const std::string& format, TDateTime d) {
    static const char* const kMonths[] = {"一月", "二月", "三月", "四月", "五月", "六月",
                                          "七月", "八月", "九月", "十月", "十一月", "十二月"};
    static const char* const kDays[] = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};
    int y, mo, dd, h, n, s, ms;
    DecodeDate(d, y, mo, dd);
    DecodeTime(d, h, n, s, ms);
    int64_t days = 0, msAll = 0;
    SplitDate(d, days, msAll);
    const int weekday = int(((days - kEpochShift) % 7 + 7 + 4) % 7);  // 1970-01-01 was a Thursday
    auto lower = [](char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); };
    // A 12-hour clock when the format holds an am/pm marker anywhere.
    std::string folded;
    for (char c : format) folded += lower(c);
    const bool twelve = folded.find("am/pm") != std::string::npos || folded.find("a/p") != std::string::npos;
    std::string out;
    auto num = [&](int v, int width) {
        std::string t = std::to_string(v);
        if (int(t.size()) < width) t.insert(0, size_t(width) - t.size(), '0');
        out += t;
    };
    bool afterHour = false;
    for (size_t i = 0; i < format.size();) {
        const char c = format[i];
        const char l = lower(c);
        size_t run = 1;
        while (i + run < format.size() && lower(format[i + run]) == l) ++run;
        if (c == '"' || c == '\'') {
            const size_t e = format.find(c, i + 1);
            out += format.substr(i + 1, (e == std::string::npos ? format.size() : e) - i - 1);
            i = e == std::string::npos ? format.size() : e + 1;
            continue;
        }
        if (l == 'a' && folded.compare(i, 5, "am/pm") == 0) {
            out += h < 12 ? "上午" : "下午";
            i += 5;
            continue;
        }
        if (l == 'a' && folded.compare(i, 3, "a/p") == 0) {
            out += h < 12 ? (c == 'A' ? "A" : "a") : (c == 'A' ? "P" : "p");
            i += 3;
            continue;
        }
        const int hour = twelve ? (h % 12 == 0 ? 12 : h % 12) : h;
        switch (l) {
        case 'y': run <= 2 ? num(y % 100, 2) : num(y, 4); break;
        case 'm':
            if (afterHour && run <= 2) num(n, run);
            else if (run <= 2) num(mo, run);
            else out += kMonths[mo - 1];  // no shorter name in this locale
            break;
        case 'd':
            if (run <= 2) num(dd, run);
            else if (run <= 4) out += kDays[weekday];
            else {
                num(y, 4), out += '-', num(mo, 1), out += '-', num(dd, 1);
            }
            break;
        case 'h': num(hour, run >= 2 ? 2 : 1); break;
        case 'n': num(n, run >= 2 ? 2 : 1); break;
        case 's': num(s, run >= 2 ? 2 : 1); break;
        case 'z': num(ms, run >= 3 ? 3 : 1); break;
        case 't':
            num(hour, 1), out += ':', num(n, 2);
            if (run >= 2) out += ':', num(s, 2);
            break;
        case 'c':
            out += FormatDateTime("yyyy-m-d", d);
            if (h || n || s) out += ' ' + FormatDateTime("h:nn:ss", d);
            break;
        case '/': out += std::string(run, '-'); break;
        default: out += format.substr(i, run); break;
        }
        if (l == 'h') afterHour = true;
        else if (l == 'm' || (l != ':' && l != ' ' && l != 'n' && l != 's')) afterHour = false;
        i += run;
    }
    return out;
}

bool TryStrToDateTime(const std::string& text, TDateTime& d) {
    std::string s = Trim(text);
    size_t i = 0;
    auto number = [&](int& v, int maxDigits) {
        size_t start = i;
        v = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - start < static_cast<size_t>(maxDigits))
            v = v * 10 + (s[i++] - '0');
        return i > start;
    };
    int y, m, dd, h = 0, n = 0, sec = 0;
    if (!number(y, 4) || i >= s.size() || (s[i] != '-' && s[i] != '/')) return false;
    char dateSep = s[i++];
    if (!number(m, 2) || i >= s.size() || s[i] != dateSep) return false;
    ++i;
    if (!number(dd, 2)) return false;
    if (i < s.size()) {
        if (s[i] != ' ') return false;
        while (i < s.size() && s[i] == ' ') ++i;
        if (!number(h, 2) || i >= s.size() || s[i] != ':') return false;
        ++i;
        if (!number(n, 2)) return false;
        if (i < s.size()) {
            if (s[i] != ':') return false;
            ++i;
            if (!number(sec, 2)) return false;
        }
        if (i != s.size()) return false;
    }
    if (!ValidDate(y, m, dd) || h > 23 || n > 59 || sec > 59) return false;
    d = EncodeDate(y, m, dd) + EncodeTime(h, n, sec, 0);
    return true;
}

TDateTime StrToDateTime(const std::string& s) {
    TDateTime d;
    if (!TryStrToDateTime(s, d)) throw EConvertError("'" + s + "' is not a valid date and time");
    return d;
}

void Abort() { throw EAbort(); }

void AssertErrorHandler(const std::string& message, const char* file, int line) {
    std::string name = file;
    size_t slash = name.rfind('/');
    if (slash != std::string::npos) name = name.substr(slash + 1);
    throw EAssertionFailed((message.empty() ? std::string("Assertion failed") : message) + " (" + name + ", line " +
                           std::to_string(line) + ")");
}
