#include "gis/core/GisDefs.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileIO.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>

TGIS_Extent GisExtentIntersection(const TGIS_Extent& a, const TGIS_Extent& b) {
    if (!GisExtentsOverlap(a, b)) return {0, 0, 0, 0};
    return {GisMaxDouble(a.XMin, b.XMin), GisMaxDouble(a.YMin, b.YMin), GisMinDouble(a.XMax, b.XMax),
            GisMinDouble(a.YMax, b.YMax)};
}

namespace {
// Position of the foot of the perpendicular from P along AB: 0 at A, 1 at B.
double SegmentParameter(const TGIS_Point& a, const TGIS_Point& b, const TGIS_Point& p, double l2) {
    return ((a.Y - p.Y) * (a.Y - b.Y) - (a.X - p.X) * (b.X - a.X)) / l2;
}
}  // namespace

double GisSegmentPointDistance(const TGIS_Point& a, const TGIS_Point& b, const TGIS_Point& p) {
    if (GisIsSamePoint(a, b)) return GisPointDistance(a, p);
    double l2 = (b.X - a.X) * (b.X - a.X) + (b.Y - a.Y) * (b.Y - a.Y);
    double u = SegmentParameter(a, b, p, l2);
    if (u >= 0 && u <= 1)
        return std::fabs(((a.Y - p.Y) * (b.X - a.X) - (a.X - p.X) * (b.Y - a.Y)) / l2) * std::sqrt(l2);
    return GisMinDouble(GisPointDistance(a, p), GisPointDistance(b, p));
}

TGIS_Point GisSegmentNearestPoint(const TGIS_Point& a, const TGIS_Point& b, const TGIS_Point& p) {
    if (GisIsSamePoint(a, b)) return a;
    double l2 = (b.X - a.X) * (b.X - a.X) + (b.Y - a.Y) * (b.Y - a.Y);
    double u = SegmentParameter(a, b, p, l2);
    if (u >= 0 && u <= 1) return {a.X + u * (b.X - a.X), a.Y + u * (b.Y - a.Y)};
    return GisPointDistance(a, p) < GisPointDistance(b, p) ? a : b;
}

namespace {
std::string FormatMessage(const std::string& templ, const std::string& s, int i) {
    int percents = 0;
    for (char c : templ) percents += c == '%';
    try {
        if (percents == 1) return Format(templ, {s});
        if (percents == 2) return Format(templ, {i, s});
    } catch (const Exception&) {
    }
    return templ;
}

int MessageNumber(const std::string& templ) {
    if (templ.size() < 4) return 0;
    int n = 0;
    for (int k = 0; k < 4; ++k) {
        if (templ[k] < '0' || templ[k] > '9') return 0;
        n = n * 10 + (templ[k] - '0');
    }
    return n;
}
}  // namespace

EGIS_Exception::EGIS_Exception(const std::string& templ, const std::string& strParam, int intParam)
    : Exception(FormatMessage(templ, strParam, intParam)),
      ErrorCode(MessageNumber(templ)),
      StrParam(strParam),
      IntParam(intParam) {}

Variant GisDefaultFieldValue(int fieldType) {
    switch (fieldType) {
    case 0: return Variant(std::string());
    case 1:
    case 2: return Variant(0.0);
    case 3: return Variant(false);
    case 4: return Variant::FromDate(Now());
    default: return Variant();
    }
}

std::string GisPathWithoutExt(const std::string& path) {
    std::string p = Trim(path);
    return p.substr(0, p.size() - ExtractFileExt(p).size());
}

std::string GisCompanionPath(const std::string& path, const std::string& ext) {
    const std::string base = GisPathWithoutExt(path);
    const std::string own = ExtractFileExt(Trim(path));
    const bool upper = !own.empty() && own == UpperCase(own) && own != LowerCase(own);
    const std::string first = base + (upper ? UpperCase(ext) : ext);
    const std::string second = base + (upper ? ext : UpperCase(ext));
    if (DiskExists(first) || !DiskExists(second)) return first;
    return second;
}

std::string GisCanonicalPath(const std::string& path) {
    std::string disk;
    if (GbkToDiskName(path, disk))
        if (char* real = realpath(disk.c_str(), nullptr)) {
            std::string gbk;
            const bool ok = DiskNameToGbk(real, gbk);
            std::free(real);
            if (ok) return gbk;
        }
    return ExpandFileName(path);
}

const char* GisCodePageEncoding(int codePage) {
    switch (codePage) {
    case 0:  // the system ANSI code page
    case 936: return "CP936";
    case 437: return "CP437";
    case 850: return "CP850";
    case 852: return "CP852";
    case 866: return "CP866";
    case 874: return "CP874";
    case 932: return "CP932";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1252: return "CP1252";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    case 1361: return "JOHAB";
    case 10000: return "MACINTOSH";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 20936: return "GB2312";
    case 28591: return "ISO-8859-1";
    case 28592: return "ISO-8859-2";
    case 28595: return "ISO-8859-5";
    case 54936: return "GB18030";
    case 65001: return "UTF-8";
    default: return nullptr;
    }
}

std::string GisConvertCodePage(const std::string& text, int fromCodePage, int toCodePage) {
    const char* from = GisCodePageEncoding(fromCodePage);
    const char* to = GisCodePageEncoding(toCodePage);
    if (!from || !to || text.empty()) return text;
    return ConvertText(text, to, from);
}

int32_t GisTickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint32_t ticks = static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + ts.tv_nsec / 1000000);
    return static_cast<int32_t>(ticks % 0x7FFFFFFFu);
}

namespace {
// Sets '.' for the lifetime of the guard and restores the process separator however the scope ends.
class DotSeparator {
public:
    DotSeparator() : saved_(GetDecimalSeparator()) { SetDecimalSeparator('.'); }
    ~DotSeparator() { SetDecimalSeparator(saved_); }
    DotSeparator(const DotSeparator&) = delete;
    DotSeparator& operator=(const DotSeparator&) = delete;

private:
    char saved_;
};
}  // namespace

double GisStrToFloat(const std::string& text) {
    double v;
    {
        DotSeparator dot;
        if (TryStrToFloat(text, v)) return v;
    }
    return StrToFloat(text);
}

std::string GisFloatToStr(double value) {
    DotSeparator dot;
    return FloatToStr(value);
}
