// Snapping to steps, independent plane grids and the outline area.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "engine/TessarInternal.h"
#include "engine/unTessarRgPub.h"
#include "platform/rtl/MemoryStatus.h"
#include "platform/rtl/SysUtils.h"

namespace {

// True when v is a whole multiple of the step, allowing for the representation error of decimal
// steps such as 0.1 (0.3 / 0.1 is 2.9999999999999996).
bool OnStep(double v, double s, double& q) { return TessarNearWhole(v / s, q); }

// Number of steps of size s from lo while below hi: a count within tolerance of a whole number is it.
long long StepCount(double lo, double hi, double s) {
    if (!(hi > lo) || !std::isfinite(hi - lo)) return 0;
    double q = (hi - lo) / s;
    if (!(q < 9e15)) return -1;  // far more than anything we build
    double r;
    if (TessarNearWhole(q, r)) return static_cast<long long>(r);
    return static_cast<long long>(std::ceil(q));
}

// A name template cut at the first occurrence of each token: everything else is the user's literal text,
// so a '%' or any other character they typed reaches the names unchanged.
struct TNamePattern {
    std::string Text[3];     // literal text before, between and after the slots
    int Slot[2] = {-1, -1};  // which value (0 first token, 1 second) fills each slot, -1 none
    std::string Make(const std::string (&values)[2]) const {
        std::string name = Text[0];
        for (int k = 0; k < 2; ++k)
            if (Slot[k] >= 0) name += values[Slot[k]] + Text[k + 1];
        return name;
    }
};

TNamePattern SplitNameTemplate(const std::string& tmpl, size_t firstAt, size_t firstLen, size_t secondAt,
                               size_t secondLen) {
    struct Cut {
        size_t At, Len;
        int Value;
    };
    Cut cuts[2];
    int n = 0;
    if (firstAt != std::string::npos) cuts[n++] = {firstAt, firstLen, 0};
    if (secondAt != std::string::npos) cuts[n++] = {secondAt, secondLen, 1};
    // Each token takes its own value by its place: a "row", "x" or "y" in the literal text must not swap them.
    if (n == 2 && cuts[1].At < cuts[0].At) std::swap(cuts[0], cuts[1]);
    TNamePattern p;
    size_t from = 0;
    for (int k = 0; k < n; ++k) {
        p.Text[k] = tmpl.substr(from, cuts[k].At - from);
        p.Slot[k] = cuts[k].Value;
        from = cuts[k].At + cuts[k].Len;
    }
    p.Text[n] = tmpl.substr(from);
    return p;
}

}  // namespace

bool TessarNearWhole(double q, double& r) {
    r = std::nearbyint(q);
    return std::fabs(q - r) <= 1e-9 + 8 * 2.220446049250313e-16 * std::fabs(q);
}

double FloorToStep(double v, double s) {
    double q;
    if (OnStep(v, s, q)) return v;
    q = std::trunc(v / s);
    return v - q * s > 0 ? q * s : v;
}

double CeilToStep(double v, double s) {
    double q;
    if (OnStep(v, s, q)) return v;
    q = std::trunc(v / s);
    return v - q * s > 0 ? (q + 1) * s : v;
}

TPlaneRect SnapRectToGrid(const TPlaneRect& r, double dx, double dy) {
    return {FloorToStep(r.MinX, dx), FloorToStep(r.MinY, dy), CeilToStep(r.MaxX, dx), CeilToStep(r.MaxY, dy)};
}

double KmWithin100Km(double v) {
    int64_t t = Trunc(v);
    return static_cast<double>(t - Trunc(v / 100000) * 100000) / 1000;
}

namespace {

// What CreateCustomTessarols makes of its input before it builds anything.
struct GridPlan {
    const char* refusal = nullptr;  // the text it reports, when it refuses
    TNamePattern pattern;
    TPlaneRect g;                   // the rectangle snapped to the steps
    long long rows = 0, cols = 0;
    size_t longestName = 0;
};

// The most characters of the decimal form of the ints from `first` on, `count` of them.
size_t IntChars(int first, long long count) {
    const long long last = first + std::max(count, 1LL) - 1;
    if (last > INT32_MAX) return 11;  // where the names wrap around
    return std::max(std::to_string(first).size(), std::to_string(static_cast<int>(last)).size());
}

GridPlan PlanGrid(const TPlaneRect& rect, int startRow, int startCol, bool byRowCol, const std::string& nameTemplate,
                  double dx, double dy) {
    GridPlan plan;
    const std::string first = byRowCol ? "[row]" : "[x]";
    const std::string second = byRowCol ? "[col]" : "[y]";
    const std::string lower = AnsiLowerCase(nameTemplate);
    const size_t firstAt = AnsiPos(first, lower), secondAt = AnsiPos(second, lower);
    if (firstAt == std::string::npos && secondAt == std::string::npos) {
        plan.refusal = "图副格式不符合规定！";
        return plan;
    }
    if (!(dx > 0) || !(dy > 0)) {
        plan.refusal = "偏移值太小了！";
        return plan;
    }
    plan.pattern = SplitNameTemplate(nameTemplate, firstAt, first.size(), secondAt, second.size());
    plan.g = SnapRectToGrid(rect, dx, dy);
    plan.rows = StepCount(plan.g.MinY, plan.g.MaxY, dy);
    plan.cols = StepCount(plan.g.MinX, plan.g.MaxX, dx);
    if (plan.rows == 0 || plan.cols == 0) plan.rows = plan.cols = 0;
    if (plan.rows < 0 || plan.cols < 0 || (plan.rows > 0 && plan.cols > kMaxSheets / plan.rows)) {
        plan.refusal = "图幅数量超过两千万，请缩小范围或增大偏移值！";
        return plan;
    }
    // Kilometres are written "%4.2f" within (-100, 100): at most "-100.00".
    const size_t fields[2] = {byRowCol ? IntChars(startRow, plan.rows) : 7, byRowCol ? IntChars(startCol, plan.cols) : 7};
    plan.longestName = plan.pattern.Text[0].size() + plan.pattern.Text[1].size() + plan.pattern.Text[2].size();
    for (int slot : plan.pattern.Slot)
        if (slot >= 0) plan.longestName += fields[slot];
    return plan;
}

}  // namespace

long long CustomTessarolCount(const TPlaneRect& rect, int startRow, int startCol, bool byRowCol,
                              const std::string& nameTemplate, double dx, double dy, size_t& longestName) {
    const GridPlan plan = PlanGrid(rect, startRow, startCol, byRowCol, nameTemplate, dx, dy);
    if (plan.refusal) return -1;
    longestName = plan.longestName;
    return plan.rows * plan.cols;
}

bool CreateCustomTessarols(const TPlaneRect& rect, int startRow, int startCol, bool byRowCol,
                           const std::string& nameTemplate, double dx, double dy, TCustomTessarols& result) {
    const GridPlan plan = PlanGrid(rect, startRow, startCol, byRowCol, nameTemplate, dx, dy);
    if (plan.refusal) {
        TessarReportError(plan.refusal);
        return false;
    }
    const long long rows = plan.rows, cols = plan.cols;
    const TPlaneRect& g = plan.g;
    const TNamePattern& pattern = plan.pattern;
    // Names too long to live in the record take heap memory of their own.
    if (!TessarMemoryFits(rows * cols, sizeof(TCustomTessarol) + StringHeapBytes(plan.longestName), 0,
                          static_cast<uint64_t>(rows) * sizeof(std::vector<TCustomTessarol>))) {
        TessarReportError(kNoMemoryText);
        return false;
    }

    TCustomTessarols out(static_cast<size_t>(rows));
    for (long long i = 0; i < rows; ++i) {
        auto& row = out[i];
        row.resize(static_cast<size_t>(cols));
        // Edges are origin + index * step, not running sums: 0.1 added 1000 times drifts into the printed digits.
        const double minY = g.MinY + static_cast<double>(i) * dy, maxY = g.MinY + static_cast<double>(i + 1) * dy;
        for (long long j = 0; j < cols; ++j) {
            TCustomTessarol& t = row[j];
            t.MinX = g.MinX + static_cast<double>(j) * dx;
            t.MaxX = g.MinX + static_cast<double>(j + 1) * dx;
            t.MinY = minY;
            t.MaxY = maxY;
            const std::string values[2] = {
                byRowCol ? Format("%d", {static_cast<int>(startRow + i)}) : Format("%4.2f", {KmWithin100Km(t.MinX)}),
                byRowCol ? Format("%d", {static_cast<int>(startCol + j)}) : Format("%4.2f", {KmWithin100Km(t.MinY)})};
            t.Name = pattern.Make(values);
        }
    }
    result = std::move(out);
    return true;
}

double PolygonArea(const std::vector<TPlaneXY>& points) {
    const size_t n = points.size();
    if (n <= 2) return 0;
    std::vector<TPlaneXY> ring = points;
    if (!(std::fabs(ring.back().X - ring.front().X) < 0.0001 && std::fabs(ring.back().Y - ring.front().Y) < 0.0001))
        ring.push_back(ring.front());
    double sum = 0;
    for (size_t k = 0; k + 1 < ring.size(); ++k) sum += ring[k].X * ring[k + 1].Y - ring[k + 1].X * ring[k].Y;
    return std::fabs(sum / 2);
}
