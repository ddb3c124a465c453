// Enumeration of the national sheets over a window, with their numbers and projected corners.
//
// Everything is computed from whole sheet indices rather than repeated floating-point division of
// degrees, so an edge is exact at every scale, and a sheet's parents are found by integer division
// instead of enumerating them. Neighbouring sheets share their corners, so each grid node is
// projected once, from the terms of its parallel and of its meridian. Large windows are filled by
// several threads, a few columns at a time; the caller's thread allocates the whole result first. Its
// hundreds of megabytes are written once, so they are backed by huge pages and faulted in a column at a
// time: page faults, not numbers or projections, were most of the time of a large enumeration.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <utility>

#include "engine/TessarInternal.h"
#include "engine/unTessarRgPub.h"
#include "platform/rtl/MemoryBacking.h"
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

// Numbers are written per scale with the divisors known at compile time: enumeration numbers
// millions of sheets.
template <int Scale>
char* MillionCode(char* p, int64_t gc, int64_t gr, bool oldForm) {
    constexpr int n = kPerMillion[Scale];
    int64_t col = gc / n + 31, row = gr / n;
    *p++ = static_cast<char>('A' + row);
    if (oldForm) {
        *p++ = '-';
        return PutInt(p, col);
    }
    *p++ = static_cast<char>('0' + col / 10);
    *p++ = static_cast<char>('0' + col % 10);
    return p;
}

template <int Scale>
char* OldNumber(char* p, int64_t gc, int64_t gr) {
    if constexpr (Scale == 0) {
        return MillionCode<0>(p, gc, gr, true);
    } else {
        constexpr int parent = kParent[Scale];
        constexpr int k = kPerMillion[Scale] / kPerMillion[parent];
        p = OldNumber<parent>(p, gc / k, gr / k);
        const int64_t ordinal = (k - 1 - gr % k) * k + gc % k + 1;  // row by row from the north-west
        *p++ = '-';
        switch (Scale) {
        case 1:
        case 4: *p++ = static_cast<char>('A' + ordinal - 1); break;
        case 7: *p++ = static_cast<char>('a' + ordinal - 1); break;
        case 2: *p++ = '['; p = PutInt(p, ordinal); *p++ = ']'; break;
        case 6: *p++ = '('; p = PutInt(p, ordinal); *p++ = ')'; break;
        default: p = PutInt(p, ordinal); break;
        }
        return p;
    }
}

template <int Scale>
char* NewNumber(char* p, int64_t gc, int64_t gr) {
    p = MillionCode<Scale>(p, gc, gr, false);
    if constexpr (Scale == 0) {
        return p;
    } else {
        constexpr int n = kPerMillion[Scale];
        *p++ = "BCDEFGH"[Scale - 1];
        p = Put3(p, n - gr % n);
        return Put3(p, gc % n + 1);
    }
}

// Writes the number of sheet (gc, gr) to p and returns its end; the longest has 15 characters.
using NumberWriter = char* (*)(char* p, int64_t gc, int64_t gr);

template <int... Scales>
NumberWriter NumberWriterFor(int scale, bool newNumbers, std::integer_sequence<int, Scales...>) {
    static constexpr NumberWriter olds[] = {OldNumber<Scales>...}, news[] = {NewNumber<Scales>...};
    return newNumbers ? news[scale] : olds[scale];
}

// What every worker reads: the window, the parallels and how to number and project.
struct EnumJob {
    int64_t col0, row1, nr;
    double w;
    bool zone3;
    double cm, falseEasting;
    NumberWriter number;
    std::vector<TDmsAngle> lats;            // nr + 1 parallels, north to south
    std::vector<TessarGkParallel> parallels;
};

TDmsAngle Meridian(const EnumJob& job, int64_t gc, std::vector<TPlanePoint>& nodes) {
    TDmsAngle lon = SecondsToDms(static_cast<double>(gc) * job.w);
    const double l = TessarGkLongitude(lon, job.zone3, job.cm);
    for (int64_t j = 0; j <= job.nr; ++j) nodes[j] = TessarGkNode(job.parallels[j], l, job.falseEasting);
    return lon;
}

// Columns smaller than this are not worth a call to fault them in at once.
constexpr size_t kPrefaultBytes = size_t{64} << 10;

// Fills columns c0 .. c1 - 1 of `out`, whose storage is reserved; allocates nothing else per sheet.
void FillColumns(const EnumJob& job, int64_t c0, int64_t c1, TStandardTessarols& out,
                 std::vector<TPlanePoint>& westNodes, std::vector<TPlanePoint>& eastNodes) {
    const int64_t nr = job.nr;
    TDmsAngle westLon = Meridian(job, job.col0 + c0, westNodes);
    char buf[32];
    for (int64_t c = c0; c < c1; ++c) {
        const int64_t gc = job.col0 + c;
        const TDmsAngle eastLon = Meridian(job, gc + 1, eastNodes);
        // Filled through a local vector: neighbouring column headers may belong to another worker.
        std::vector<TStandardTessarol> column = std::move(out[c]);
        // Fresh memory costs a fault per page on first write, more than the records' own writing.
        if (column.capacity() * sizeof(TStandardTessarol) >= kPrefaultBytes)
            PrefaultForWriting({column.data(), column.capacity() * sizeof(TStandardTessarol)});
        for (int64_t r = 0; r < nr; ++r)
            // Braced: clang 14 (the fuzz builds) has no parenthesised aggregate initialisation.
            column.push_back({std::string(buf, job.number(buf, gc, job.row1 - 1 - r)), westLon, job.lats[r + 1],
                              eastLon, job.lats[r], westNodes[r], eastNodes[r], eastNodes[r + 1], westNodes[r + 1]});
        out[c] = std::move(column);
        std::swap(westNodes, eastNodes);
        westLon = eastLon;
    }
}

// Fewer sheets than this per worker are not worth a thread.
constexpr int64_t kSheetsPerWorker = 50000;
// Columns handed out at a time: each run of columns projects one meridian twice.
constexpr int64_t kColumnsPerTake = 8;

// The sheet indices of a window, refusing windows that are no number or inverted.
TessarIndexWindow WindowIndices(int scale, const TDmsExtent& window) {
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
    return iw;
}

// The number of sheets of the run, refusing what TessarEnumerate refuses before it allocates.
int64_t CheckedCount(int scale, const TessarIndexWindow& iw) {
    const int64_t nc = iw.col1 - iw.col0, nr = iw.row1 - iw.row0;
    if (nc < 0) throw ERangeError();
    if (nc == 0) return 0;
    if (nr < 0) throw ERangeError();
    if (nr > 0 && nc > kMaxSheets / nr) throw ERangeError(kTooManySheetsText);
    const double w = TessarolWidths[scale], h = TessarolHeights[scale];
    if ((iw.col0 < 0 || iw.row0 < 0 || iw.col1 * w > kMaxEastSeconds || iw.row1 * h > kMaxNorthSeconds))
        throw ERangeError("范围超出图幅系统的区域（东经0°至180°，北纬0°至88°）！");
    return nc * nr;
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
                     TStandardTessarols& result, int workers) {
    const int64_t nc = iw.col1 - iw.col0, nr = iw.row1 - iw.row0;
    const int64_t count = CheckedCount(scale, iw);
    if (nc == 0) {
        result.clear();
        return;
    }
    CheckTessarMemory(count, sizeof(TStandardTessarol), 0, nc * sizeof(std::vector<TStandardTessarol>));
    const double w = TessarolWidths[scale], h = TessarolHeights[scale];

    TStandardTessarols out(static_cast<size_t>(nc));
    if (nr == 0) {
        result = std::move(out);
        return;
    }
    EnumJob job{iw.col0, iw.row1, nr, w, zone3, cm, GetFalseEasting(zone3, cm),
                NumberWriterFor(scale, newNumbers, std::make_integer_sequence<int, kScaleCount>()), {}, {}};
    job.lats.resize(nr + 1);
    job.parallels.resize(nr + 1);
    for (int64_t j = 0; j <= nr; ++j) {
        job.lats[j] = SecondsToDms(static_cast<double>(iw.row1 - j) * h);
        job.parallels[j] = TessarGkAtLatitude(beijing54, job.lats[j]);
    }
    // Every allocation happens here, on the caller's thread; the workers only fill.
    std::vector<MemoryBlock> blocks;
    blocks.reserve(out.size());
    for (auto& column : out) {
        column.reserve(static_cast<size_t>(nr));
        blocks.push_back({column.data(), column.capacity() * sizeof(TStandardTessarol)});
    }
    BackWithHugePages(std::move(blocks));

    if (workers <= 0)
        workers = static_cast<int>(std::min<int64_t>(std::max(1u, std::thread::hardware_concurrency()),
                                                     std::max<int64_t>(1, nc * nr / kSheetsPerWorker)));
    workers = static_cast<int>(std::min<int64_t>(workers, (nc + kColumnsPerTake - 1) / kColumnsPerTake));
    std::vector<std::vector<TPlanePoint>> nodes(2 * workers, std::vector<TPlanePoint>(nr + 1));
    std::vector<std::thread> threads;
    threads.reserve(workers - 1);
    std::atomic<int64_t> next{0};
    auto work = [&](int i) noexcept {
        for (int64_t c0; (c0 = next.fetch_add(kColumnsPerTake)) < nc;)
            FillColumns(job, c0, std::min(nc, c0 + kColumnsPerTake), out, nodes[2 * i], nodes[2 * i + 1]);
    };
    try {
        for (int i = 1; i < workers; ++i) threads.emplace_back(work, i);
    } catch (...) {
        // No more threads to be had (a system limit, or no memory for a thread's state): those running and
        // the caller share the columns. Letting the exception out would destroy threads still joinable.
    }
    work(0);
    for (auto& t : threads) t.join();
    result = std::move(out);
}

std::string PadNumber3(int n) {
    // Appending to the zeros rather than "00" + text avoids a false -Wrestrict of GCC 12.
    std::string s(n <= 9 ? 2 : n <= 99 ? 1 : 0, '0');
    return s += std::to_string(n);
}

long long TessarolCount(const TDmsExtent& window, int scale) {
    if (scale < 0 || scale >= kScaleCount) throw ERangeError(kBadScaleText);
    return CheckedCount(scale, WindowIndices(scale, window));
}

void GetTessarols1000k(const TDmsExtent& window, bool zone3, bool beijing54, double cm, bool oldNumbering,
                       TStandardTessarols& result) {
    TessarEnumerate(0, !oldNumbering, WindowIndices(0, window), zone3, beijing54, cm, result);
}

#define QM_OLD_ENUMERATOR(name, scale)                                                                       \
    void name(const TDmsExtent& window, bool zone3, bool beijing54, double cm, TStandardTessarols& result) { \
        TessarEnumerate(scale, false, WindowIndices(scale, window), zone3, beijing54, cm, result);           \
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
    TessarEnumerate(scale, true, WindowIndices(scale, window), zone3, beijing54, cm, result);
}
