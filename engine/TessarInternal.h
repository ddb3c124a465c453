// What the engine's sources share among themselves.
#pragma once

#include <string>

// Shows an input error ("错误", error icon) through the installed report.
void TessarReportError(const std::string& text);

#include <array>
#include <cstdint>

#include "engine/unTessarRgPub.h"

// The texts of the requests the engine refuses with ERangeError; the shell shows them as they are.
constexpr const char* kBadAngleText = "经纬度不是有效的数值！";
constexpr const char* kBadScaleText = "比例尺不正确！";
constexpr const char* kTooManySheetsText = "图幅数量超过两千万，请缩小范围！";
constexpr const char* kNoMemoryText = "可用内存不足以容纳这些图幅，请缩小范围！";

// Sheets of each scale along one side of a 1:1,000,000 sheet.
constexpr int kPerMillion[kScaleCount] = {1, 2, 4, 12, 24, 48, 96, 192};

// A run of whole sheets at one scale, in global sheet indices: column c spans longitudes
// [c w, (c + 1) w), row r latitudes [r h, (r + 1) h), counted from Greenwich and the equator.
struct TessarIndexWindow {
    int64_t col0 = 0, col1 = 0;  // columns col0 .. col1 - 1
    int64_t row0 = 0, row1 = 0;  // rows row0 .. row1 - 1, south to north
};

// True when q is a whole number r up to its representation error (1e-9, or a few units in the last
// place), so that decimal steps such as 0.1 and decimal-degree edges land on their multiples.
bool TessarNearWhole(double q, double& r);

// Index of the sheet whose west (south) edge is at or below v seconds: an edge belongs to the sheet
// beyond it, and a value within rounding noise of an edge is on it.
int64_t TessarFloorIndex(double seconds, double step);
int64_t TessarCeilIndex(double seconds, double step);

// Fills the sheets of the window; raises ERangeError when it is too large or outside the area. The
// columns are shared among `workers` threads, the caller's included (0: as many as the machine has
// and the window is worth); the result does not depend on the split.
void TessarEnumerate(int scale, bool newNumbers, const TessarIndexWindow& w, bool zone3, bool beijing54, double cm,
                     TStandardTessarols& result, int workers = 0);

// The forward Gauss-Krueger projection in two halves: the terms of a parallel and those of a meridian.
// BLToXY54/80 compose the same halves, so a node of a grid that shares them is, bit for bit, the point
// projected alone.
struct TessarGkParallel {
    double cosB, t, t2, eta2, N, arc;
};
TessarGkParallel TessarGkAtLatitude(bool beijing54, const TDmsAngle& B);
// Longitude from the central meridian in radians (cm 0: the meridian of the point's own zone).
double TessarGkLongitude(const TDmsAngle& L, bool zone3, double cm);

inline TPlanePoint TessarGkNode(const TessarGkParallel& p, double l, double falseEasting) {
    const double m = p.cosB * l, t2 = p.t2, eta2 = p.eta2;
    const double m2 = m * m, m4 = m2 * m2, m6 = m4 * m2;
    const double northing =
        p.arc + p.N * p.t * (m2 / 2 + (5 - t2 + 9 * eta2 + 4 * eta2 * eta2) * m4 / 24 + (61 - 58 * t2 + t2 * t2) * m6 / 720);
    const double m3 = m2 * m, m5 = m4 * m;
    const double y = p.N * (m + (1 - t2 + eta2) * m3 / 6 + (5 - 18 * t2 + t2 * t2 + 14 * eta2 - 58 * eta2 * t2) * m5 / 120);
    return {y + falseEasting, northing};
}

// The installed export progress (never null).
ITessarProgress& TessarProgress();

// Lets the application process its messages at most every 20 ms: doing it after every sheet
// costs more than writing the sheet. The first tick always processes.
class TessarMessagePump {
public:
    void Tick();

private:
    int64_t last_ = INT64_MIN;  // steady clock, nanoseconds
};

// Appends FloatToStrDot(v) without building a string of its own (the MIF/MID writers' hot path).
void TessarAppendNumber(std::string& out, double v);
// The same rule for an extended-precision value, rounded to 15 significant digits from it.
void TessarAppendNumber(std::string& out, long double v);

// The texts of the numbers a writer wrote lately, appended again without formatting them anew: neighbouring
// sheets share corners and a sheet's row repeats its corners and edges. Keyed by the exact value, so the
// bytes are those TessarAppendNumber gives.
class TessarRecentTexts {
public:
    void Number(std::string& out, double v);
    // DmsToDmsText(a).
    void Angle(std::string& out, const TDmsAngle& a);

private:
    template <size_t N>
    class Cache {
    public:
        using Key = std::array<uint64_t, N>;
        // Appends the text kept for `key`, or what format(out) appends, keeping that.
        template <class Format>
        void Append(std::string& out, const Key& key, Format format);

    private:
        static constexpr int kBits = 7;
        struct Slot {
            Key key{};
            uint8_t length = 0;  // 0: empty
            char text[31];
        };
        std::array<Slot, size_t(1) << kBits> slots_{};
    };
    Cache<1> numbers_;
    Cache<3> angles_;
};

// Sum of the inner array lengths.
template <class Rows>
size_t TessarCount(const Rows& rows) {
    size_t n = 0;
    for (auto& r : rows) n += r.size();
    return n;
}
