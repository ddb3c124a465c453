// Enumeration of the national sheets over a window, with their numbers and projected corners.
//
// Everything is computed from whole sheet indices rather than repeated floating-point division of
// degrees, so an edge is exact at every scale, and a sheet's parents are found by integer division
// instead of enumerating them.
#include <cmath>
#include <cstring>

#include "engine/TessarInternal.h"
#include "engine/unTessarRgPub.h"
#include "platform/rtl/SysUtils.h"

namespace {

// The parent scale of the old numbering.
constexpr int kParent[kScaleCount] = {-1, 0, 0, 0, 3, 4, 3, 6};

constexpr double kMaxEastSeconds = 180 * 3600.0;
constexpr double kMaxNorthSeconds = 88 * 3600.0;  // row V, the last row the numbering serves

char* PutInt(char* p, int64_t n) {
    char tmp[24];
    int k = 0;
    do tmp[k++] = static_cast<char>('0' + n % 10);
    while ((n /= 10) > 0);
    while (k > 0) *p++ = tmp[--k];
    return p;
}

char* Put3(char* p, int64_t n) {
    *p++ = static_cast<char>('0' + n / 100 % 10);
    *p++ = static_cast<char>('0' + n / 10 % 10);
    *p++ = static_cast<char>('0' + n % 10);
    return p;
}

char* MillionCode(char* p, int64_t gc, int64_t gr, int scale, bool oldForm) {
    int64_t col = gc / kPerMillion[scale] + 31, row = gr / kPerMillion[scale];
    *p++ = static_cast<char>('A' + row);
    if (oldForm) {
        *p++ = '-';
        return PutInt(p, col);
    }
    *p++ = static_cast<char>('0' + col / 10);
    *p++ = static_cast<char>('0' + col % 10);
    return p;
}

char* OldNumber(char* p, int scale, int64_t gc, int64_t gr) {
    if (scale == 0) return MillionCode(p, gc, gr, 0, true);
    const int parent = kParent[scale];
    const int k = kPerMillion[scale] / kPerMillion[parent];
    p = OldNumber(p, parent, gc / k, gr / k);
    const int64_t ordinal = (k - 1 - gr % k) * k + gc % k + 1;  // row by row from the north-west
    *p++ = '-';
    switch (scale) {
    case 1:
    case 4: *p++ = static_cast<char>('A' + ordinal - 1); break;
    case 7: *p++ = static_cast<char>('a' + ordinal - 1); break;
    case 2: *p++ = '['; p = PutInt(p, ordinal); *p++ = ']'; break;
    case 6: *p++ = '('; p = PutInt(p, ordinal); *p++ = ')'; break;
    default: p = PutInt(p, ordinal); break;
    }
    return p;
}

char* NewNumber(char* p, int scale, int64_t gc, int64_t gr) {
    p = MillionCode(p, gc, gr, scale, false);
    if (scale == 0) return p;
    const int n = kPerMillion[scale];
    *p++ = "BCDEFGH"[scale - 1];
    p = Put3(p, n - gr % n);
    return Put3(p, gc % n + 1);
}

void EnumerateWindow(int scale, bool newNumbers, const TDmsExtent& window, bool zone3, bool beijing54, double cm,
                     TStandardTessarols& result) {
    const double W = DmsToSeconds(window.West), S = DmsToSeconds(window.South);
    const double E = DmsToSeconds(window.East), N = DmsToSeconds(window.North);
    if (!std::isfinite(W) || !std::isfinite(S) || !std::isfinite(E) || !std::isfinite(N))
        throw ERangeError(kBadAngleText);
    const double w = TessarolWidths[scale], h = TessarolHeights[scale];
    // A window inverted by any amount is an error, even inside one sheet; a window of no width (or, with
    // width, of no height) covers no sheet wherever it lies.
    if (E < W) throw ERangeError("右上角经度必须大于左下角经度！");
    if (E > W && N < S) throw ERangeError("右上角纬度必须大于左下角纬度！");
    TessarIndexWindow iw;
    // Bound the indices before converting, so absurd input cannot overflow them.
    auto clampSec = [](double v) { return std::fmax(-1e9, std::fmin(1e9, v)); };
    iw.col0 = TessarFloorIndex(clampSec(W), w);
    iw.col1 = TessarCeilIndex(clampSec(E), w);
    iw.row0 = TessarFloorIndex(clampSec(S), h);
    iw.row1 = TessarCeilIndex(clampSec(N), h);
    if (E == W) iw.col1 = iw.col0;
    if (N == S) iw.row1 = iw.row0;
    TessarEnumerate(scale, newNumbers, iw, zone3, beijing54, cm, result);
}

}  // namespace

int64_t TessarFloorIndex(double v, double step) {
    double q = v / step, r;
    return static_cast<int64_t>(TessarNearWhole(q, r) ? r : std::floor(q));
}

int64_t TessarCeilIndex(double v, double step) {
    double q = v / step, r;
    return static_cast<int64_t>(TessarNearWhole(q, r) ? r : std::ceil(q));
}

void TessarEnumerate(int scale, bool newNumbers, const TessarIndexWindow& iw, bool zone3, bool beijing54, double cm,
                     TStandardTessarols& result) {
    const int64_t nc = iw.col1 - iw.col0, nr = iw.row1 - iw.row0;
    if (nc < 0) throw ERangeError();
    if (nc == 0) {
        result.clear();
        return;
    }
    if (nr < 0) throw ERangeError();
    if (nr > 0 && nc > kMaxSheets / nr)
        throw ERangeError(kTooManySheetsText);
    const double w = TessarolWidths[scale], h = TessarolHeights[scale];
    if ((iw.col0 < 0 || iw.row0 < 0 || iw.col1 * w > kMaxEastSeconds || iw.row1 * h > kMaxNorthSeconds))
        throw ERangeError("范围超出图幅系统的区域（东经0°至180°，北纬0°至88°）！");

    auto project = beijing54 ? BLToXY54 : BLToXY80;
    // Corner nodes of two neighbouring meridians; each node is shared by up to four sheets.
    std::vector<TPlanePoint> westNodes(nr + 1), eastNodes(nr + 1);
    std::vector<TDmsAngle> lats(nr + 1);
    for (int64_t j = 0; j <= nr; ++j) lats[j] = SecondsToDms(static_cast<double>(iw.row1 - j) * h);
    auto projectMeridian = [&](int64_t gc, std::vector<TPlanePoint>& nodes, TDmsAngle& lon) {
        lon = SecondsToDms(static_cast<double>(gc) * w);
        for (int64_t j = 0; j <= nr; ++j) nodes[j] = project(lon, lats[j], zone3, cm);
    };

    TStandardTessarols out(static_cast<size_t>(nc));
    TDmsAngle westLon, eastLon;
    if (nr > 0) projectMeridian(iw.col0, westNodes, westLon);
    char buf[32];
    for (int64_t c = 0; c < nc; ++c) {
        auto& column = out[c];
        column.resize(static_cast<size_t>(nr));
        if (nr == 0) continue;
        const int64_t gc = iw.col0 + c;
        projectMeridian(gc + 1, eastNodes, eastLon);
        for (int64_t r = 0; r < nr; ++r) {
            const int64_t gr = iw.row1 - 1 - r;
            TStandardTessarol& t = column[r];
            char* end = newNumbers ? NewNumber(buf, scale, gc, gr) : OldNumber(buf, scale, gc, gr);
            t.SheetNo.assign(buf, end);
            t.West = westLon;
            t.East = eastLon;
            t.North = lats[r];
            t.South = lats[r + 1];
            t.LT = westNodes[r];
            t.RT = eastNodes[r];
            t.RB = eastNodes[r + 1];
            t.LB = westNodes[r + 1];
        }
        std::swap(westNodes, eastNodes);
        westLon = eastLon;
    }
    result = std::move(out);
}

std::string PadNumber3(int n) {
    if (n <= 9) return "00" + std::to_string(n);
    if (n <= 99) return "0" + std::to_string(n);
    return std::to_string(n);
}

void GetTessarols1000k(const TDmsExtent& window, bool zone3, bool beijing54, double cm, bool oldNumbering,
                       TStandardTessarols& result) {
    EnumerateWindow(0, !oldNumbering, window, zone3, beijing54, cm, result);
}

#define QM_OLD_ENUMERATOR(name, scale)                                                                       \
    void name(const TDmsExtent& window, bool zone3, bool beijing54, double cm, TStandardTessarols& result) { \
        EnumerateWindow(scale, false, window, zone3, beijing54, cm, result);                                 \
    }
QM_OLD_ENUMERATOR(GetTessarols500k, 1)
QM_OLD_ENUMERATOR(GetTessarols250k, 2)
QM_OLD_ENUMERATOR(GetTessarols100k, 3)
QM_OLD_ENUMERATOR(GetTessarols50k, 4)
QM_OLD_ENUMERATOR(GetTessarols25k, 5)
QM_OLD_ENUMERATOR(GetTessarols10k, 6)
QM_OLD_ENUMERATOR(GetTessarols5k, 7)
#undef QM_OLD_ENUMERATOR

void GetNewTessarols(const TDmsExtent& window, bool zone3, bool beijing54, double cm, int scale,
                     TStandardTessarols& result) {
    if (scale < 0 || scale >= kScaleCount) throw ERangeError(kBadScaleText);
    EnumerateWindow(scale, true, window, zone3, beijing54, cm, result);
}
