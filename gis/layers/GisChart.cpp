#include "gis/layers/GisChart.h"

#include <algorithm>
#include <cmath>

#include "gis/core/GisDefs.h"
#include "gis/layers/GisParams.h"

namespace {

constexpr int kFirstEntry = 2, kLastEntry = 10;

// By entry, entry 2 first. The ninth value has no colour of its own in the classic list: grey.
constexpr uint32_t kColors[] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFF00FF, 0xFFFF00,
                                0x008000, 0xFFFFFF, 0x000000, 0x808080};

int Rnd(double v) { return int(std::lround(v)); }

// What the per-entry steps share.
struct T_chartState {
    T_chartState(TCanvas& canvas, const TPoint& centre, int size, const std::vector<double>& values, int last)
        : Canvas(canvas), Centre(centre), Size(size), Values(values), Last(last) {}
    TCanvas& Canvas;
    TPoint Centre;
    int Size;
    const std::vector<double>& Values;
    int Last;  // highest entry used
    // Pie
    double Sum = 0, Angle = -M_PI / 2;
    TPoint Previous, Closing;
    int LastSlice = -1;
    // Bars
    double Range = 0;
    int Gap = 0, BarWidth = 0, X0 = 0, BaseY = 0;
};

void SetEntryBrush(T_chartState& st, int entry) {
    st.Canvas.Brush()->SetColor(TColor(GisNonZeroColor(kColors[entry - kFirstEntry])));
}

TPoint Radial(const T_chartState& st, double angle) {
    return {st.Centre.X + Rnd(std::cos(angle) * st.Size), st.Centre.Y + Rnd(std::sin(angle) * st.Size)};
}

void GisChartPieSlice(T_chartState& st, int entry) {
    const double v = st.Values[size_t(entry)];
    SetEntryBrush(st, entry);
    if (st.Sum == 0 || !(v > 0)) return;
    st.Angle += v / st.Sum * 2 * M_PI;
    // The last slice ends exactly where the first began, whatever the rounding of the angles.
    const TPoint next = entry == st.LastSlice ? st.Closing : Radial(st, st.Angle);
    const int h = st.Size / 2;
    st.Canvas.Pie(st.Centre.X - h, st.Centre.Y - h, st.Centre.X + h, st.Centre.Y + h, next.X, next.Y,
                  st.Previous.X, st.Previous.Y);
    st.Previous = next;
}

void GisChartBar(T_chartState& st, int entry, int position) {
    const double v = st.Values[size_t(entry)];
    SetEntryBrush(st, entry);
    const int x1 = (st.BarWidth + st.Gap) * position + st.X0;
    const int h = Rnd(v / st.Range * st.Size);
    const TPoint bar[4] = {{x1, st.BaseY - h}, {x1 + st.BarWidth, st.BaseY - h}, {x1 + st.BarWidth, st.BaseY},
                           {x1, st.BaseY}};
    st.Canvas.Polygon(bar, 4);
}

void DrawPie(T_chartState& st) {
    for (int e = kFirstEntry; e <= st.Last; ++e) {
        const double v = st.Values[size_t(e)];
        if (v > 0 && v < GIS_CHART_MISSING) {
            st.Sum += v;
            st.LastSlice = e;
        }
    }
    st.Previous = st.Closing = Radial(st, st.Angle);
    st.Canvas.Pen()->SetStyle(st.Size > 15 ? psSolid : psClear);
    for (int e = kFirstEntry; e <= st.Last; ++e)
        if (st.Values[size_t(e)] < GIS_CHART_MISSING) GisChartPieSlice(st, e);
}

void DrawBars(T_chartState& st) {
    double lo = st.Values[0], hi = st.Values[1];
    int count = 0;
    for (int e = kFirstEntry; e <= st.Last; ++e) {
        const double v = st.Values[size_t(e)];
        if (!(v < GIS_CHART_MISSING)) continue;
        ++count;
        if (v > 0 && v > hi) hi = v;
        if (v <= 0 && v < lo) lo = v;
    }
    st.Range = std::fabs(lo) + hi;
    // Every value missing leaves no bar to size, whatever the bounds say.
    if (st.Range == 0 || !std::isfinite(st.Range) || count == 0) return;
    const double per = double(st.Size) / count;
    st.Gap = Rnd(per * 1.0 / 5.0);
    st.BarWidth = Rnd(per - st.Gap);
    const int h = st.Size / 2;
    st.X0 = st.Centre.X - h;
    st.BaseY = Rnd(lo / st.Range * st.Size) + st.Centre.Y + h;
    st.Canvas.Pen()->SetStyle(psSolid);
    st.Canvas.MoveTo(st.Centre.X - h - st.Gap, st.BaseY);
    st.Canvas.LineTo(st.Centre.X + h + st.Gap, st.BaseY);
    st.Canvas.Pen()->SetStyle(st.BarWidth > 3 ? psSolid : psClear);
    int k = 0;
    for (int e = kFirstEntry; e <= st.Last; ++e)
        if (st.Values[size_t(e)] < GIS_CHART_MISSING) GisChartBar(st, e, k++);
}

}  // namespace

void GisDrawChart(TCanvas& canvas, const TPoint& centre, int size, const std::vector<double>& values,
                  uint8_t style) {
    const int high = int(values.size()) - 1;
    if (high < kFirstEntry || (style != gisChartPie && style != gisChartBar)) return;
    T_chartState st(canvas, centre, size, values, std::min(high, kLastEntry));
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Pen()->SetColor(TColor(GisNonZeroColor(0)));
    canvas.Pen()->SetWidth(1);
    if (style == gisChartPie)
        DrawPie(st);
    else
        DrawBars(st);
}
