// MIF/MID sheet indexes: one closed region and one attribute row per sheet.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "engine/TessarInternal.h"
#include "engine/unTessarRgPub.h"
#include "platform/rtl/FileIO.h"
#include "platform/rtl/SysUtils.h"

namespace {

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
    // %.15g picks fixed or scientific notation by the same rule and drops the trailing zeros;
    // only the exponent is spelt differently ("5e-05" is written 5E-5).
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    const char* e = std::find(static_cast<const char*>(buf), static_cast<const char*>(r.ptr), 'e');
    out.append(static_cast<const char*>(buf), e);
    if (e == r.ptr) return;
    out += 'E';
    const char* p = e + 1;
    if (*p == '-') out += '-';
    ++p;
    while (p + 1 < r.ptr && *p == '0') ++p;
    out.append(p, static_cast<const char*>(r.ptr));
}

constexpr size_t kChunk = 1 << 20;

// One output file, written under its name with "~tmp" appended and moved into place at the end,
// so that a failed export leaves no file that looks complete and keeps an older one. The first
// failure of the files that share `cause` leaves its errno there.
class OutFile {
public:
    OutFile(std::string path, int& cause) : path_(std::move(path)), tmp_(path_ + "~tmp"), cause_(cause) {}
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;
    ~OutFile() {
        if (f_) std::fclose(f_);
        if (!moved_) DiskRemove(tmp_);
        else if (!kept_) DiskRemove(path_);
    }

    bool Create() {
        f_ = DiskFOpen(tmp_, "wb");
        if (f_) std::setvbuf(f_, nullptr, _IONBF, 0);
        buf_.reserve(kChunk + 4096);
        return Check(f_ != nullptr);
    }
    std::string& Buf() { return buf_; }
    bool FlushIfFull() { return buf_.size() < kChunk || Flush(); }
    bool Close() {
        bool ok = Flush();
        ok = Check(std::fclose(f_) == 0) && ok;
        f_ = nullptr;
        return ok;
    }
    bool MoveIntoPlace() { return moved_ = Check(DiskRename(tmp_, path_)); }
    // Keeps the moved file; otherwise the destructor removes it again (its partner failed).
    void Keep() { kept_ = true; }

private:
    bool Check(bool ok) {
        if (!ok && cause_ == 0) cause_ = errno;
        return ok;
    }
    bool Flush() {
        if (buf_.empty()) return true;
        errno = 0;
        bool ok = std::fwrite(buf_.data(), 1, buf_.size(), f_) == buf_.size();
        buf_.clear();
        return Check(ok);
    }

    std::string path_, tmp_, buf_;
    int& cause_;
    std::FILE* f_ = nullptr;
    bool moved_ = false, kept_ = false;
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

void Point(std::string& out, double x, double y) {
    Num(out, x);
    out += ' ';
    Num(out, y);
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

void StandardRow(std::string& out, const TStandardTessarol& s, double scale) {
    QuotedName(out, s.SheetNo);
    const std::string w = DmsToDmsText(s.West), n = DmsToDmsText(s.North), e = DmsToDmsText(s.East),
                      so = DmsToDmsText(s.South);
    for (const std::string* f : {&w, &n, &e, &n, &e, &so, &w, &so}) {
        out += ',';
        out += *f;
    }
    for (double v : {s.LT.X, s.LT.Y, s.RT.X, s.RT.Y, s.RB.X, s.RB.Y, s.LB.X, s.LB.Y}) {
        out += ',';
        Num(out, v / scale);
    }
    out += "\r\n";
}

void RegionStart(std::string& out) { out += "Region 1\r\n  5\r\n"; }

void RegionEnd(std::string& out, const char* style, double cx, double cy) {
    out += style;
    out += "    Center ";
    Point(out, cx, cy);
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

// The frame shared by the writers: both files, the dialog, one region and one row per sheet.
template <class Sheets, class Write>
bool WriteFiles(const std::string& mifName, const std::string& header, const Sheets& sheets, int& cause, Write write) {
    // Both names, and the temporary names beside them, must be four different files.
    const std::string midName = MidFileName(mifName);
    if (HasMidExtension(mifName) || mifName == midName + "~tmp" || midName == mifName + "~tmp") return false;
    OutFile mif(mifName, cause), mid(midName, cause);
    if (!mif.Create() || !mid.Create()) return false;
    mif.Buf() += header;

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
    if (!mif.MoveIntoPlace() || !mid.MoveIntoPlace()) return false;
    mif.Keep();
    mid.Keep();

    restore.armed = false;
    p.SetButtonEnabled(true);
    p.SetHourglass(false);
    return true;
}

// The files are closed and their leftovers removed before errno is given the cause of a failure.
template <class Sheets, class Write>
bool WriteIndex(const std::string& mifName, const std::string& header, const Sheets& sheets, Write write) {
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
    long double v = static_cast<long double>(a.Degrees) + static_cast<long double>(a.Minutes) / 100 +
                    static_cast<long double>(a.Seconds) / 10000;
    std::string t;
    TessarAppendNumber(t, v);
    return t;
}

bool SaveTessarolsToMifLL(const std::string& mifName, const TStandardTessarols& sheets) {
    errno = 0;  // a failure that is not the file system's has no cause
    try {
        std::string header = "Version 450\r\nCharset \"WindowsSimpChinese\"\r\nDelimiter \",\"\r\n"
                             "CoordSys Earth Projection 1, 0\r\n";
        header += kStandardColumns;
        return WriteIndex(mifName, header, sheets, [](std::string& mif, std::string& mid, const TStandardTessarol& s) {
            double w = DmsToDegree(s.West), so = DmsToDegree(s.South), e = DmsToDegree(s.East),
                   n = DmsToDegree(s.North);
            RegionStart(mif);
            Point(mif, w, n);
            Point(mif, e, n);
            Point(mif, e, so);
            Point(mif, w, so);
            Point(mif, w, n);
            RegionEnd(mif, kGeoStyle, (w + e) / 2, (so + n) / 2);
            StandardRow(mid, s, 1);
        });
    } catch (...) {
        return false;
    }
}

bool SaveTessarolsToMif(const std::string& mifName, const TStandardTessarols& sheets, bool metres) {
    errno = 0;  // a failure that is not the file system's has no cause
    try {
        Bounds b;
        if (!PlaneBounds(sheets, b)) return false;
        const double k = metres ? 1 : 1000;
        b = {b.minX / k, b.minY / k, b.maxX / k, b.maxY / k};
        std::string header = PlaneHeader(metres ? "m" : "km", b, kStandardColumns);
        return WriteIndex(mifName, header, sheets, [k](std::string& mif, std::string& mid, const TStandardTessarol& s) {
            RegionStart(mif);
            for (const TPlanePoint* c : {&s.LT, &s.RT, &s.RB, &s.LB, &s.LT}) Point(mif, c->X / k, c->Y / k);
            double lx = std::min({s.LT.X, s.RT.X, s.RB.X, s.LB.X}), hx = std::max({s.LT.X, s.RT.X, s.RB.X, s.LB.X});
            double ly = std::min({s.LT.Y, s.RT.Y, s.RB.Y, s.LB.Y}), hy = std::max({s.LT.Y, s.RT.Y, s.RB.Y, s.LB.Y});
            RegionEnd(mif, kPlaneStyle, (lx + hx) / 2 / k, (ly + hy) / 2 / k);
            StandardRow(mid, s, k);
        });
    } catch (...) {
        return false;
    }
}

bool SaveCustomTessarolsToMif(const std::string& mifName, const TCustomTessarols& sheets) {
    errno = 0;  // a failure that is not the file system's has no cause
    try {
        Bounds b;
        if (!CustomBounds(sheets, b)) return false;
        std::string header = PlaneHeader("m", b, kCustomColumns);
        return WriteIndex(mifName, header, sheets, [](std::string& mif, std::string& mid, const TCustomTessarol& s) {
            RegionStart(mif);
            Point(mif, s.MinX, s.MaxY);
            Point(mif, s.MaxX, s.MaxY);
            Point(mif, s.MaxX, s.MinY);
            Point(mif, s.MinX, s.MinY);
            Point(mif, s.MinX, s.MaxY);
            RegionEnd(mif, kPlaneStyle, (s.MinX + s.MaxX) / 2, (s.MinY + s.MaxY) / 2);
            QuotedName(mid, s.Name);
            mid += "\r\n";
        });
    } catch (...) {
        return false;
    }
}
