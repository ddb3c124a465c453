// MIF/MID sheet indexes: one closed region and one attribute row per sheet.
#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdint>
#include <limits>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/TessarInternal.h"
#include "engine/unTessarRgPub.h"
#include "platform/rtl/DiskCommit.h"
#include "platform/rtl/FileIO.h"
#include "platform/rtl/SysUtils.h"

namespace {

// Number text without printf (libstdc++ formats a long double with a precision through sprintf, the
// costliest part of a MIF row): v rounded to 15 significant digits, halves to even, as "%.15g" does.

// Unsigned big integer, only for the rare values within rounding noise of a halfway point.
class BigNum {
public:
    explicit BigNum(uint64_t v) {
        for (; v; v >>= 32) w_.push_back(static_cast<uint32_t>(v));
    }
    void Mul(uint32_t k) {
        uint64_t carry = 0;
        for (uint32_t& x : w_) {
            uint64_t p = uint64_t(x) * k + carry;
            x = static_cast<uint32_t>(p);
            carry = p >> 32;
        }
        if (carry) w_.push_back(static_cast<uint32_t>(carry));
    }
    void MulPow5(int n) {
        for (; n >= 13; n -= 13) Mul(1220703125u);  // 5^13
        uint32_t k = 1;
        while (n-- > 0) k *= 5;
        Mul(k);
    }
    void Shl(int bits) {
        if (w_.empty() || bits <= 0) return;
        if (int b = bits % 32) {
            uint32_t carry = 0;
            for (uint32_t& x : w_) {
                uint32_t next = x >> (32 - b);
                x = (x << b) | carry;
                carry = next;
            }
            if (carry) w_.push_back(carry);
        }
        w_.insert(w_.begin(), static_cast<size_t>(bits / 32), 0u);
    }
    friend int Compare(const BigNum& a, const BigNum& b) {
        if (a.w_.size() != b.w_.size()) return a.w_.size() < b.w_.size() ? -1 : 1;
        for (size_t i = a.w_.size(); i-- > 0;)
            if (a.w_[i] != b.w_[i]) return a.w_[i] < b.w_[i] ? -1 : 1;
        return 0;
    }

private:
    std::vector<uint32_t> w_;  // least significant word first, no leading zero word
};

// Sign of m 2^e - (n / 2) 10^q, exactly.
int CompareHalfUnits(uint64_t m, int e, uint64_t n, int q) {
    BigNum a(m), b(n);
    int a2 = e + 1, b2 = q;
    if (q >= 0) b.MulPow5(q);
    else a.MulPow5(-q);
    int common = std::min(a2, b2);
    a.Shl(a2 - common);
    b.Shl(b2 - common);
    return Compare(a, b);
}

constexpr uint64_t kLow15 = 100000000000000ULL, kHigh15 = 1000000000000000ULL;

// a > 0 and finite: D in [10^14, 10^15) and X with a ~ D 10^(X - 14). Any magnitude; the exact
// comparisons settle what the extended product leaves in doubt.
void Digits15Any(long double a, uint64_t& D, int& X) {
    static const long double kPow10[28] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,
                                           1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L,
                                           1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};
    X = static_cast<int>(std::floor(std::ilogb(a) * 0.30102999566398120));  // the exponent or one less
    long double w = 0;
    bool exact = false;
    for (int guard = 0; guard < 4; ++guard) {
        const int k = 14 - X;
        exact = k >= -27 && k <= 27;  // one rounding of a product or quotient by an exact power
        if (k >= 0 && k <= 27) w = a * kPow10[k];
        else if (k < 0 && k >= -27) w = a / kPow10[-k];
        else w = a * std::pow(10.0L, k / 2) * std::pow(10.0L, k - k / 2);
        if (w >= 1e15L) ++X;
        else if (w < 1e14L - 0.5L) --X;
        else break;
    }
    D = static_cast<uint64_t>(std::llround(w));
    // The product is within 2^-64 of w: only a fraction near one half can round either way.
    if (!(exact && std::fabs(w - std::floor(w) - 0.5L) > 1.0L / 1024)) {
        int e2;
        long double f = std::frexp(a, &e2);
        const uint64_t m = static_cast<uint64_t>(std::ldexp(f, 64));
        const int e = e2 - 64;
        for (int guard = 0; guard < 64; ++guard) {
            if (D < kLow15) {  // below the first 15-digit value: one exponent lower
                D *= 10;
                --X;
            }
            const int q = X - 14;
            int hi = CompareHalfUnits(m, e, 2 * D + 1, q);
            if (hi > 0 || (hi == 0 && (D & 1))) {
                ++D;
                continue;
            }
            int lo = CompareHalfUnits(m, e, 2 * D - 1, q);
            if (lo < 0 || (lo == 0 && (D & 1))) {
                --D;
                continue;
            }
            break;
        }
    }
    if (D >= kHigh15) {
        D /= 10;
        ++X;
    }
}

// a = m 2^e, exactly.
struct Binary {
    uint64_t m;
    int e;
};

Binary Decompose(double a) {
    const uint64_t bits = std::bit_cast<uint64_t>(a);
    const int exp = static_cast<int>(bits >> 52) & 0x7ff;
    const uint64_t frac = bits & ((uint64_t(1) << 52) - 1);
    return exp ? Binary{frac | uint64_t(1) << 52, exp - 1075} : Binary{frac, -1074};
}

// The x86 extended format: 64-bit significand with its integer bit, then sign and 15-bit exponent.
static_assert(std::numeric_limits<long double>::digits == 64, "extended long double expected");
Binary Decompose(long double a) {
    unsigned char b[sizeof(long double)];
    std::memcpy(b, &a, sizeof b);
    uint64_t m;
    uint16_t se;
    std::memcpy(&m, b, 8);
    std::memcpy(&se, b + 8, 2);
    const int exp = se & 0x7fff;
    return {m, (exp ? exp : 1) - 16383 - 63};
}

// The common case in integers: a 10^(14 - X) = m 5^k 2^(e + k) is exact in 128 bits for k in 0..27,
// so the rounding (halves to even) is exact too. False when the magnitude needs another k.
bool Digits15Fast(Binary b, uint64_t& D, int& X) {
    static constexpr uint64_t kPow5[28] = {1ULL,
                                           5ULL,
                                           25ULL,
                                           125ULL,
                                           625ULL,
                                           3125ULL,
                                           15625ULL,
                                           78125ULL,
                                           390625ULL,
                                           1953125ULL,
                                           9765625ULL,
                                           48828125ULL,
                                           244140625ULL,
                                           1220703125ULL,
                                           6103515625ULL,
                                           30517578125ULL,
                                           152587890625ULL,
                                           762939453125ULL,
                                           3814697265625ULL,
                                           19073486328125ULL,
                                           95367431640625ULL,
                                           476837158203125ULL,
                                           2384185791015625ULL,
                                           11920928955078125ULL,
                                           59604644775390625ULL,
                                           298023223876953125ULL,
                                           1490116119384765625ULL,
                                           7450580596923828125ULL};
    using u128 = unsigned __int128;
    const int bitLength = 64 - std::countl_zero(b.m);
    X = static_cast<int>(std::floor((b.e + bitLength - 1) * 0.30102999566398120));  // the exponent or one less
    for (int guard = 0; guard < 4; ++guard) {
        const int k = 14 - X;
        if (k < 0 || k > 27) return false;
        const u128 p = u128(b.m) * kPow5[k];  // below 2^127
        const int shift = -(b.e + k);
        u128 q, rem = 0, half = 0;
        if (shift <= 0) {
            if (-shift >= 50 || p > u128(kHigh15 >> -shift)) {
                ++X;
                continue;
            }
            q = p << -shift;
        } else if (shift >= 127) {
            q = 0;
        } else {
            q = p >> shift;
            rem = p & ((u128(1) << shift) - 1);
            half = u128(1) << (shift - 1);
        }
        if (q >= kHigh15) {
            ++X;
            continue;
        }
        if (q < kLow15) {
            --X;
            continue;
        }
        D = static_cast<uint64_t>(q);
        if (rem > half || (rem == half && half != 0 && (D & 1))) ++D;
        if (D == kHigh15) {
            D = kLow15;
            ++X;
        }
        return true;
    }
    return false;
}

template <class T>
void AppendGeneral(std::string& out, T v) {
    if (v == 0) {
        out += '0';
        return;
    }
    if (!std::isfinite(v)) {
        out += FloatToStrDot(static_cast<double>(v));
        return;
    }
    uint64_t D;
    int X;
    const T a = std::fabs(v);
    if (!Digits15Fast(Decompose(a), D, X)) Digits15Any(a, D, X);
    char text[40];
    char* t = text;
    if (v < 0) *t++ = '-';
    const bool scientific = X < -4 || X >= 15;  // "5E-5", "1.5E20"
    int intDigits = scientific ? 1 : X + 1;
    if (intDigits <= 0) {  // 0.000ddd
        *t++ = '0';
        *t++ = '.';
        t = std::fill_n(t, -intDigits, '0');
        intDigits = 0;
    }
    // The 15 digits straight into place, with the point after the integer digits.
    char* end = t + 15 + (intDigits > 0 && intDigits < 15);
    char* last = end;
    for (int i = 14; i >= 0; --i, D /= 10) {
        *--last = static_cast<char>('0' + D % 10);
        if (i == intDigits && i > 0) *--last = '.';
    }
    while (end > t + intDigits && end[-1] == '0') --end;
    if (end[-1] == '.') --end;
    t = end;
    if (scientific) {
        *t++ = 'E';
        if (X < 0) *t++ = '-';
        t = std::to_chars(t, text + sizeof text, X < 0 ? -X : X).ptr;
    }
    out.append(text, t);
}

constexpr size_t kChunk = 1 << 20;

// One output file, made in its target's folder before the first row, so that a folder that takes no new file
// is known at once and a killed export leaves nothing; it takes its name only when the pair is complete. The
// first failure of the files that share `cause` leaves its errno there.
class OutFile {
public:
    OutFile(std::string path, std::string group, int& cause)
        : path_(std::move(path)), group_(std::move(group)), cause_(cause) {}
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;

    bool Create() {
        errno = file_.Create(path_, group_);
        buf_.reserve(kChunk + 4096);
        return Check(errno == 0);
    }
    std::string& Buf() { return buf_; }
    bool FlushIfFull() { return buf_.size() < kChunk || Flush(); }
    bool Close() { return Flush(); }
    // Both files take their names, or neither does; a kill between the two is put back by the next export.
    static bool MoveIntoPlace(OutFile& a, OutFile& b) {
        errno = DiskCommit({&a.file_, &b.file_}, {a.path_, b.path_}, {});
        return a.Check(errno == 0);
    }

private:
    bool Check(bool ok) {
        if (!ok && cause_ == 0) cause_ = errno != 0 ? errno : EIO;
        return ok;
    }
    bool Flush() {
        if (buf_.empty()) return true;
        errno = file_.Write(buf_.data(), buf_.size());
        buf_.clear();
        return Check(errno == 0);
    }

    std::string path_, group_, buf_;
    int& cause_;
    TDiskWorkFile file_;
};

// On a failure after the dialog opened: the button is the dialog's only way out, so enable it
// again, and give the cursor back.
class ProgressRestore {
public:
    ~ProgressRestore() {
        if (!armed) return;
        try {
            TessarProgress().SetButtonEnabled(true);
            TessarProgress().SetHourglass(false);
        } catch (...) {
        }
    }
    bool armed = false;
};

struct Bounds {
    double minX, minY, maxX, maxY;
};

// Widens any side that a corner lies beyond, by the margin of that side.
struct Extremes {
    double lx = HUGE_VAL, ly = HUGE_VAL, hx = -HUGE_VAL, hy = -HUGE_VAL;
    void Add(double x, double y) {
        lx = std::min(lx, x);
        hx = std::max(hx, x);
        ly = std::min(ly, y);
        hy = std::max(hy, y);
    }
    void Widen(Bounds& b, const Bounds& margin) const {
        if (lx < b.minX) b.minX = lx - std::fabs(margin.minX);
        if (ly < b.minY) b.minY = ly - std::fabs(margin.minY);
        if (hx > b.maxX) b.maxX = hx + std::fabs(margin.maxX);
        if (hy > b.maxY) b.maxY = hy + std::fabs(margin.maxY);
    }
};

void AddCorners(Extremes& e, const TStandardTessarol& s) {
    e.Add(s.LT.X, s.LT.Y);
    e.Add(s.RT.X, s.RT.Y);
    e.Add(s.RB.X, s.RB.Y);
    e.Add(s.LB.X, s.LB.Y);
}

// Five sheet widths and heights around the south-west and north-east sheets (or around the
// first row of sheets), then wide enough for every corner: Gauss-Krueger sheets widen to the
// south, so the south-east corners can lie beyond the north-east sheet.
bool PlaneBounds(const TStandardTessarols& t, Bounds& b) {
    if (t.empty() || t[0].empty()) return false;
    Bounds m;
    if (t[0].size() >= 2) {
        if (t.back().empty()) return false;
        const TStandardTessarol& A = t[0].back();
        const TStandardTessarol& Z = t.back()[0];
        m = {5 * (A.RB.X - A.LB.X), 5 * (A.LT.Y - A.LB.Y), 5 * (Z.RT.X - Z.LT.X), 5 * (Z.RT.Y - Z.RB.Y)};
        b = {A.LB.X - m.minX, A.LB.Y - m.minY, Z.RT.X + m.maxX, Z.RT.Y + m.maxY};
    } else {
        Extremes e;
        for (auto& col : t) {
            if (col.empty()) return false;
            AddCorners(e, col[0]);
        }
        const TStandardTessarol& F = t[0][0];
        m = {5 * (F.RB.X - F.LB.X), 5 * (F.LT.Y - F.LB.Y), 5 * (F.RT.X - F.LT.X), 5 * (F.RT.Y - F.RB.Y)};
        b = {e.lx - m.minX, e.ly - m.minY, e.hx + m.maxX, e.hy + m.maxY};
    }
    Extremes all;
    for (auto& col : t)
        for (auto& s : col) AddCorners(all, s);
    all.Widen(b, m);
    return true;
}

bool CustomBounds(const TCustomTessarols& t, Bounds& b) {
    if (t.empty() || t[0].empty() || t.back().empty()) return false;
    const TCustomTessarol& F = t[0][0];
    const TCustomTessarol& Z = t.back().back();
    Bounds m{5 * (F.MaxX - F.MinX), 5 * (F.MaxY - F.MinY), 5 * (Z.MaxX - Z.MinX), 5 * (Z.MaxY - Z.MinY)};
    b = {F.MinX - m.minX, F.MinY - m.minY, Z.MaxX + m.maxX, Z.MaxY + m.maxY};
    Extremes all;
    for (auto& row : t)
        for (auto& s : row) {
            all.Add(s.MinX, s.MinY);
            all.Add(s.MaxX, s.MaxY);
        }
    all.Widen(b, m);
    return true;
}

void Num(std::string& out, double v) { TessarAppendNumber(out, v); }

long double DmsValue(const TDmsAngle& a) {
    return static_cast<long double>(a.Degrees) + static_cast<long double>(a.Minutes) / 100 +
           static_cast<long double>(a.Seconds) / 10000;
}

void Point(TessarRecentTexts& texts, std::string& out, double x, double y) {
    texts.Number(out, x);
    out += ' ';
    texts.Number(out, y);
    out += "\r\n";
}

std::string PlaneHeader(const std::string& units, const Bounds& b, const char* columns) {
    std::string h = "Version 450\r\nCharset \"WindowsSimpChinese\"\r\nDelimiter \",\"\r\nCoordSys NonEarth Units \"";
    h += units;
    h += "\" Bounds (";
    Num(h, b.minX);
    h += ", ";
    Num(h, b.minY);
    h += ") (";
    Num(h, b.maxX);
    h += ", ";
    Num(h, b.maxY);
    h += ")\r\n";
    h += columns;
    return h;
}

const char* const kStandardColumns =
    "Columns 18\r\n"
    "  图幅号 Char(30)\r\n"
    "  图幅名称 Char(30)\r\n"
    "  LT_L Decimal(15, 5)\r\n"
    "  LT_B Decimal(15, 5)\r\n"
    "  RT_L Decimal(15, 5)\r\n"
    "  RT_B Decimal(15, 5)\r\n"
    "  RB_L Decimal(15, 5)\r\n"
    "  RB_B Decimal(15, 5)\r\n"
    "  LB_L Decimal(15, 5)\r\n"
    "  LB_B Decimal(15, 5)\r\n"
    "  LT_X Decimal(15, 5)\r\n"
    "  LT_Y Decimal(15, 5)\r\n"
    "  RT_X Decimal(15, 5)\r\n"
    "  RT_Y Decimal(15, 5)\r\n"
    "  RB_X Decimal(15, 5)\r\n"
    "  RB_Y Decimal(15, 5)\r\n"
    "  LB_X Decimal(15, 5)\r\n"
    "  LB_Y Decimal(15, 5)\r\n"
    "Data\r\n";

const char* const kCustomColumns =
    "Columns 2\r\n"
    "  图幅号 Char(20)\r\n"
    "  图幅名 Char(30)\r\n"
    "Data\r\n";

// Field 1 in quotes, with its own quotes doubled so that a name cannot break the row (a GBK trail
// byte is never a quote), and the empty sheet name.
void QuotedName(std::string& out, const std::string& name) {
    out += '"';
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    out += "\",\"\"";
}

void StandardRow(TessarRecentTexts& texts, std::string& out, const TStandardTessarol& s, double scale) {
    QuotedName(out, s.SheetNo);
    for (const TDmsAngle* a : {&s.West, &s.North, &s.East, &s.North, &s.East, &s.South, &s.West, &s.South}) {
        out += ',';
        texts.Angle(out, *a);
    }
    for (double v : {s.LT.X, s.LT.Y, s.RT.X, s.RT.Y, s.RB.X, s.RB.Y, s.LB.X, s.LB.Y}) {
        out += ',';
        texts.Number(out, v / scale);
    }
    out += "\r\n";
}

void RegionStart(std::string& out) { out += "Region 1\r\n  5\r\n"; }

void RegionEnd(TessarRecentTexts& texts, std::string& out, const char* style, double cx, double cy) {
    out += style;
    out += "    Center ";
    Point(texts, out, cx, cy);
}

const char* const kPlaneStyle = "    Pen (1,0,0)\r\n    Brush (0,0,16777215)\r\n";
const char* const kGeoStyle = "    Pen (1,2,0)\r\n    Brush (1,0,16777215)\r\n";

// The ".mid" partner of a MIF name whose extension is ".mid" would be the MIF file itself.
bool HasMidExtension(const std::string& path) {
    std::string name = path.substr(path.rfind('/') + 1);
    size_t dot = name.rfind('.');
    return dot != std::string::npos && LowerCase(name.substr(dot)) == ".mid";
}

std::string MidFileName(const std::string& mifName) {
    return mifName.substr(0, mifName.rfind('/') + 1) + RemoveFileExt(mifName) + ".mid";
}

// The frame shared by the writers: both files, the dialog, one region and one row per sheet. Without a header
// (no bounds to give) both files are made empty and the result is false.
template <class Sheets, class Write>
bool WriteFiles(const std::string& mifName, const std::string* header, const Sheets& sheets, int& cause,
                Write write) {
    if (HasMidExtension(mifName)) return false;
    const std::string midName = MidFileName(mifName);
    // A pair that an earlier export left half replaced is put back first, its leftovers removed.
    DiskRecover(mifName);
    OutFile mif(mifName, mifName, cause), mid(midName, mifName, cause);
    if (!mif.Create() || !mid.Create()) return false;
    if (!header) {
        OutFile::MoveIntoPlace(mif, mid);
        return false;
    }
    mif.Buf() += *header;

    ITessarProgress& p = TessarProgress();
    ProgressRestore restore;
    p.NewDialog();
    p.SetTotalParts(static_cast<uint32_t>(std::min<size_t>(TessarCount(sheets), UINT32_MAX)));
    restore.armed = true;
    p.SetButtonEnabled(false);
    p.SetCaption(p.Caption() + " " + mifName);
    p.Show();
    p.SetHourglass(true);

    TessarMessagePump pump;
    for (auto& outer : sheets)
        for (auto& s : outer) {
            write(mif.Buf(), mid.Buf(), s);
            if (!mif.FlushIfFull() || !mid.FlushIfFull()) return false;
            p.IncPartsByOne();
            pump.Tick();
        }
    if (!mif.Close() || !mid.Close()) return false;
    if (!OutFile::MoveIntoPlace(mif, mid)) return false;

    restore.armed = false;
    p.SetButtonEnabled(true);
    p.SetHourglass(false);
    return true;
}

// The files are closed and their leftovers removed before errno is given the cause of a failure.
template <class Sheets, class Write>
bool WriteIndex(const std::string& mifName, const std::string* header, const Sheets& sheets, Write write) {
    int cause = 0;
    bool ok = false;
    try {
        ok = WriteFiles(mifName, header, sheets, cause, write);
    } catch (...) {
    }
    if (!ok) errno = cause;
    return ok;
}

}  // namespace

void TessarAppendNumber(std::string& out, double v) { AppendGeneral(out, v); }
void TessarAppendNumber(std::string& out, long double v) { AppendGeneral(out, v); }

std::string RemoveFileExt(const std::string& path) {
    std::string name = path.substr(path.rfind('/') + 1);
    return name.substr(0, name.rfind('.'));
}

std::string DmsToDmsText(const TDmsAngle& a) {
    std::string t;
    TessarAppendNumber(t, DmsValue(a));
    return t;
}

template <size_t N>
template <class Format>
void TessarRecentTexts::Cache<N>::Append(std::string& out, const Key& key, Format format) {
    uint64_t h = 0;
    for (uint64_t k : key) h = (h ^ k) * 0x9e3779b97f4a7c15ULL;
    Slot& slot = slots_[h >> (64 - kBits)];
    if (slot.length != 0 && slot.key == key) {
        out.append(slot.text, slot.length);
        return;
    }
    const size_t start = out.size();
    format(out);
    const size_t length = out.size() - start;
    slot.length = length <= sizeof slot.text ? static_cast<uint8_t>(length) : 0;
    if (slot.length == 0) return;
    slot.key = key;
    std::memcpy(slot.text, out.data() + start, length);
}

void TessarRecentTexts::Number(std::string& out, double v) {
    numbers_.Append(out, {std::bit_cast<uint64_t>(v)}, [v](std::string& o) { TessarAppendNumber(o, v); });
}

void TessarRecentTexts::Angle(std::string& out, const TDmsAngle& a) {
    angles_.Append(out,
                   {std::bit_cast<uint64_t>(a.Degrees), std::bit_cast<uint64_t>(a.Minutes),
                    std::bit_cast<uint64_t>(a.Seconds)},
                   [&a](std::string& o) { TessarAppendNumber(o, DmsValue(a)); });
}

bool SaveTessarolsToMifLL(const std::string& mifName, const TStandardTessarols& sheets) {
    errno = 0;  // a failure that is not the file system's has no cause
    try {
        std::string header = "Version 450\r\nCharset \"WindowsSimpChinese\"\r\nDelimiter \",\"\r\n"
                             "CoordSys Earth Projection 1, 0\r\n";
        header += kStandardColumns;
        auto texts = std::make_unique<TessarRecentTexts>();
        auto write = [&t = *texts](std::string& mif, std::string& mid, const TStandardTessarol& s) {
            double w = DmsToDegree(s.West), so = DmsToDegree(s.South), e = DmsToDegree(s.East),
                   n = DmsToDegree(s.North);
            RegionStart(mif);
            Point(t, mif, w, n);
            Point(t, mif, e, n);
            Point(t, mif, e, so);
            Point(t, mif, w, so);
            Point(t, mif, w, n);
            RegionEnd(t, mif, kGeoStyle, (w + e) / 2, (so + n) / 2);
            StandardRow(t, mid, s, 1);
        };
        return WriteIndex(mifName, &header, sheets, write);
    } catch (...) {
        return false;
    }
}

bool SaveTessarolsToMif(const std::string& mifName, const TStandardTessarols& sheets, bool metres) {
    errno = 0;  // a failure that is not the file system's has no cause
    try {
        Bounds b;
        if (!PlaneBounds(sheets, b)) return WriteIndex(mifName, nullptr, sheets, [](auto&&...) {});
        const double k = metres ? 1 : 1000;
        b = {b.minX / k, b.minY / k, b.maxX / k, b.maxY / k};
        std::string header = PlaneHeader(metres ? "m" : "km", b, kStandardColumns);
        auto texts = std::make_unique<TessarRecentTexts>();
        auto write = [k, &t = *texts](std::string& mif, std::string& mid, const TStandardTessarol& s) {
            RegionStart(mif);
            for (const TPlanePoint* c : {&s.LT, &s.RT, &s.RB, &s.LB, &s.LT}) Point(t, mif, c->X / k, c->Y / k);
            double lx = std::min({s.LT.X, s.RT.X, s.RB.X, s.LB.X}), hx = std::max({s.LT.X, s.RT.X, s.RB.X, s.LB.X});
            double ly = std::min({s.LT.Y, s.RT.Y, s.RB.Y, s.LB.Y}), hy = std::max({s.LT.Y, s.RT.Y, s.RB.Y, s.LB.Y});
            RegionEnd(t, mif, kPlaneStyle, (lx + hx) / 2 / k, (ly + hy) / 2 / k);
            StandardRow(t, mid, s, k);
        };
        return WriteIndex(mifName, &header, sheets, write);
    } catch (...) {
        return false;
    }
}

bool SaveCustomTessarolsToMif(const std::string& mifName, const TCustomTessarols& sheets) {
    errno = 0;  // a failure that is not the file system's has no cause
    try {
        Bounds b;
        if (!CustomBounds(sheets, b)) return WriteIndex(mifName, nullptr, sheets, [](auto&&...) {});
        std::string header = PlaneHeader("m", b, kCustomColumns);
        auto texts = std::make_unique<TessarRecentTexts>();
        auto write = [&t = *texts](std::string& mif, std::string& mid, const TCustomTessarol& s) {
            RegionStart(mif);
            Point(t, mif, s.MinX, s.MaxY);
            Point(t, mif, s.MaxX, s.MaxY);
            Point(t, mif, s.MaxX, s.MinY);
            Point(t, mif, s.MinX, s.MinY);
            Point(t, mif, s.MinX, s.MaxY);
            RegionEnd(t, mif, kPlaneStyle, (s.MinX + s.MaxX) / 2, (s.MinY + s.MaxY) / 2);
            QuotedName(mid, s.Name);
            mid += "\r\n";
        };
        return WriteIndex(mifName, &header, sheets, write);
    } catch (...) {
        return false;
    }
}
