// Wide solid pens and solid fills in copy mode are written as spans straight into a bitmap's pixels; every
// other mode goes through the painter. The painter's pixels are had on a white bitmap in mask mode (pen AND
// white is the pen), so each random scene is drawn both ways and the two must agree but for pixels whose
// centre lies on the shape's edge, where rounding decides.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "platform/ui/Bitmap.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {
constexpr int kSize = 64;

std::unique_ptr<TBitmap> White(TPixelFormat pf) {
    UiTest::Init();
    return std::make_unique<TBitmap>(kSize, kSize, pf);
}

bool Dark(TBitmap& b, int x, int y) {
    const auto* p = static_cast<const unsigned char*>(b.ScanLine(y)) + x * (b.PixelFormat() == pf24bit ? 3 : 4);
    return p[0] == 0 && p[1] == 0 && p[2] == 0;
}

struct Scene {
    std::vector<TPoint> pts;
    std::vector<int> counts;
    TRect clip, clip2;  // clip2 may be empty; the clip is their union
};

// The scene drawn twice, in copy mode and through the painter; the pixels where the two differ.
struct Outcome {
    std::vector<TPoint> differ;
    int painted = 0;      // by the painter
    bool outside = false;  // a span pixel outside the clip
};

Outcome Compare(const Scene& s, TPixelFormat pf, const std::function<void(TCanvas&)>& setup,
                const std::function<void(TCanvas&, const Scene&)>& draw) {
    Outcome o;
    std::unique_ptr<TBitmap> out[2];
    for (int pass = 0; pass < 2; ++pass) {
        out[pass] = White(pf);
        TCanvas& c = *out[pass]->Canvas();
        HRGN rgn = CreateRectRgnIndirect(s.clip);
        if (!s.clip2.IsEmpty()) {
            HRGN more = CreateRectRgnIndirect(s.clip2);
            CombineRgn(rgn, rgn, more, RGN_OR);
            DeleteObject(more);
        }
        c.SelectClipRgn(rgn);
        DeleteObject(rgn);
        setup(c);
        c.Pen()->SetMode(pass == 0 ? pmCopy : pmMask);
        draw(c, s);
    }
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const bool ours = Dark(*out[0], x, y), painter = Dark(*out[1], x, y);
            o.painted += painter;
            if (ours != painter) o.differ.push_back(TPoint(x, y));
            const bool inClip = s.clip.Contains(TPoint(x, y)) || s.clip2.Contains(TPoint(x, y));
            if (ours && !inClip) o.outside = true;
        }
    return o;
}

Scene RandomLine(std::mt19937& rng, bool upright) {
    Scene s;
    const int n = 2 + int(rng() % 4);
    auto coord = [&rng] { return int(rng() % 80) - 8; };  // some beyond the bitmap
    for (int i = 0; i < n; ++i) s.pts.push_back(TPoint(coord(), coord()));
    if (upright)  // outlines of sheets: every turn a right angle
        for (int i = 1; i < n; ++i) (rng() % 2 ? s.pts[i].Y : s.pts[i].X) = (rng() % 2 ? s.pts[i - 1].Y : s.pts[i - 1].X);
    if (rng() % 6 == 0) s.pts[1] = s.pts[0];  // a segment of no length
    s.counts = {n};
    const int l = int(rng() % 20), t = int(rng() % 20);
    s.clip = TRect(l, t, l + 25 + int(rng() % 35), t + 25 + int(rng() % 35));
    if (rng() % 3 == 0) s.clip2 = TRect(44, 0, 52, kSize);
    return s;
}

double SegmentDistance(double px, double py, const TPoint& a, const TPoint& b) {
    const double dx = b.X - a.X, dy = b.Y - a.Y, l2 = dx * dx + dy * dy;
    const double t = l2 > 0 ? std::clamp(((px - a.X) * dx + (py - a.Y) * dy) / l2, 0.0, 1.0) : 0;
    return std::hypot(a.X + t * dx - px, a.Y + t * dy - py);
}

void SetPen(TCanvas& c, int width, DWORD end, DWORD join) {
    const LOGBRUSH lb{BS_SOLID, clBlack, 0};
    HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | end | join, DWORD(width), lb, 0, nullptr);
    c.Pen()->SetHandle(pen);
    DeleteObject(pen);
    c.Brush()->SetStyle(bsClear);
}

void DrawLine(TCanvas& c, const Scene& s, bool closed) {
    if (closed)
        c.Polygon(s.pts.data(), int(s.pts.size()));
    else
        c.Polyline(s.pts.data(), int(s.pts.size()));
}
}  // namespace

// Every end with every join. Round ends and joins are the pixels within half the width of the line; the
// painter approximates them by curves, so a pixel may differ only where its centre lies within a tenth of a
// pixel of that edge. Otherwise differing pixels form threads a pixel wide along the edge: a piece of the
// line missing or added would show as a patch, its pixels with three or four differing neighbours.
TEST(CanvasSpans, WideLinesMatchThePainterButOnTheEdge) {
    std::mt19937 rng(11);
    const DWORD ends[] = {PS_ENDCAP_ROUND, PS_ENDCAP_FLAT, PS_ENDCAP_SQUARE};
    const DWORD joins[] = {PS_JOIN_ROUND, PS_JOIN_BEVEL};
    int differ = 0, painted = 0;
    for (int i = 0; i < 900; ++i) {
        const Scene s = RandomLine(rng, i % 4 == 0);
        const int width = 2 + int(rng() % 7);
        const bool closed = rng() % 2;
        const DWORD end = ends[i % 3], join = joins[(i / 3) % 2];
        Outcome o = Compare(
            s, i % 2 ? pf24bit : pf32bit, [&](TCanvas& c) { SetPen(c, width, end, join); },
            [&](TCanvas& c, const Scene& sc) { DrawLine(c, sc, closed); });
        ASSERT_FALSE(o.outside) << "scene " << i;
        EXPECT_LE(int(o.differ.size()), 12) << "scene " << i;
        for (const TPoint& p : o.differ) {
            if (end == PS_ENDCAP_ROUND && join == PS_JOIN_ROUND) {
                double d = 1e9;
                const size_t n = s.pts.size();
                for (size_t k = 0; k + 1 < n + (closed ? 1 : 0); ++k) {
                    const TPoint &a = s.pts[k], &b = s.pts[(k + 1) % n];
                    if (a.X != b.X || a.Y != b.Y) d = std::min(d, SegmentDistance(p.X + 0.5, p.Y + 0.5, a, b));
                }
                EXPECT_LT(std::fabs(d - width / 2.0), 0.1) << "scene " << i << " pixel " << p.X << "," << p.Y;
            }
            int near = 0;
            for (const TPoint& q : o.differ) near += std::abs(q.X - p.X) + std::abs(q.Y - p.Y) == 1;
            EXPECT_LT(near, 3) << "scene " << i << " pixel " << p.X << "," << p.Y;
        }
        differ += int(o.differ.size());
        painted += o.painted;
    }
    EXPECT_GT(painted, 150000);
    EXPECT_LT(differ, painted / 300);
}

namespace {
double EdgeDistance(double px, double py, const Scene& s) {
    double d = 1e9;
    size_t k = 0;
    for (int n : s.counts) {
        for (int i = 0; i < n; ++i) d = std::min(d, SegmentDistance(px, py, s.pts[k + i], s.pts[k + (i + 1) % n]));
        k += size_t(n);
    }
    return d;
}

void SetFill(TCanvas& c, int rule) {
    c.Pen()->SetStyle(psClear);
    c.Brush()->SetStyle(bsSolid);
    c.Brush()->SetColor(clBlack);
    c.SetPolyFillMode(rule);
}

void Fill(TCanvas& c, const Scene& s) {
    if (s.counts.size() == 1)
        c.Polygon(s.pts.data(), s.counts[0]);
    else
        c.PolyPolygon(s.pts.data(), s.counts.data(), int(s.counts.size()));
}
}  // namespace

// Solid fills, one ring or several, self-crossing, by both rules: pixels differ only where their centre lies
// on an edge, where the painter's fixed-point rounding decides.
TEST(CanvasSpans, SolidFillsMatchThePainterButOnTheEdges) {
    std::mt19937 rng(5);
    int differ = 0, painted = 0;
    for (int i = 0; i < 600; ++i) {
        Scene s = RandomLine(rng, false);
        s.pts.clear();
        s.counts.clear();
        const int rings = 1 + int(rng() % 3);
        for (int r = 0; r < rings; ++r) {
            const int n = 3 + int(rng() % 6);
            for (int k = 0; k < n; ++k) s.pts.push_back(TPoint(int(rng() % 80) - 8, int(rng() % 80) - 8));
            s.counts.push_back(n);
        }
        const int rule = i % 2 ? WINDING : ALTERNATE;
        Outcome o = Compare(s, i % 3 ? pf32bit : pf24bit, [&](TCanvas& c) { SetFill(c, rule); }, Fill);
        ASSERT_FALSE(o.outside) << "scene " << i;
        for (const TPoint& p : o.differ)
            EXPECT_LT(EdgeDistance(p.X + 0.5, p.Y + 0.5, s), 1e-3) << "scene " << i << " pixel " << p.X << "," << p.Y;
        differ += int(o.differ.size());
        painted += o.painted;
    }
    EXPECT_GT(painted, 300000);
    EXPECT_LT(differ, painted / 200);
}

// Upright and diagonal edges put pixel centres exactly on them: those go the painter's way, every one.
TEST(CanvasSpans, CentresOnUprightAndDiagonalEdgesGoThePaintersWay) {
    const std::vector<std::vector<TPoint>> shapes = {
        {{20, 10}, {30, 20}, {20, 30}, {10, 20}},  // diamond
        {{10, 10}, {30, 10}, {10, 30}},            // the four right triangles
        {{10, 10}, {30, 10}, {30, 30}},
        {{10, 10}, {30, 30}, {10, 30}},
        {{30, 10}, {30, 30}, {10, 30}},
        {{20, 10}, {40, 20}, {20, 30}, {0, 20}},  // slopes of one half
        {{5, 5}, {40, 5}, {40, 40}, {5, 40}, {5, 5}, {15, 15}, {30, 15}, {30, 30}, {15, 30}, {15, 15}},  // a hole
    };
    for (size_t i = 0; i < shapes.size(); ++i)
        for (bool reversed : {false, true})
            for (int rule : {ALTERNATE, WINDING}) {
                Scene s;
                s.pts = shapes[i];
                if (reversed) std::reverse(s.pts.begin(), s.pts.end());
                s.counts = {int(s.pts.size())};
                s.clip = TRect(0, 0, kSize, kSize);
                Outcome o = Compare(s, pf32bit, [&](TCanvas& c) { SetFill(c, rule); }, Fill);
                EXPECT_TRUE(o.differ.empty()) << "shape " << i << " reversed " << reversed << " rule " << rule;
                EXPECT_GT(o.painted, 0);
            }
    // Odd widths put the edges of upright lines on pixel centres as well.
    for (int width : {3, 5, 7})
        for (DWORD end : {PS_ENDCAP_FLAT, PS_ENDCAP_ROUND}) {
            Scene s;
            s.pts = {{10, 10}, {50, 10}, {50, 40}, {10, 40}, {10, 10}};
            s.counts = {5};
            s.clip = TRect(0, 0, kSize, kSize);
            Outcome o = Compare(
                s, pf24bit, [&](TCanvas& c) { SetPen(c, width, end, PS_JOIN_BEVEL); },
                [](TCanvas& c, const Scene& sc) { DrawLine(c, sc, true); });
            EXPECT_TRUE(o.differ.empty()) << "width " << width;
        }
}

TEST(CanvasSpans, LinesOfNoLengthAndFarCoordinates) {
    auto b = White(pf32bit);
    TCanvas* c = b->Canvas();
    SetPen(*c, 6, PS_ENDCAP_ROUND, PS_JOIN_ROUND);
    const TPoint same[3] = {{20, 20}, {20, 20}, {20, 20}};
    c->Polyline(same, 3);
    c->Polygon(same, 3);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) ASSERT_FALSE(Dark(*b, x, y)) << x << "," << y;

    // A line from far off to far off: its rows across the whole bitmap, an odd width taking the bottom edge.
    SetPen(*c, 3, PS_ENDCAP_FLAT, PS_JOIN_BEVEL);
    const TPoint far[2] = {{-2000000000, 10}, {2000000000, 10}};
    c->Polyline(far, 2);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; x += 7) EXPECT_EQ(Dark(*b, x, y), y >= 9 && y <= 11) << x << "," << y;
    // From near to far and back, the first point in the bitmap.
    const TPoint right[2] = {{30, 30}, {2147483647, 30}}, up[3] = {{40, 40}, {30, 30}, {30, -2147483647 - 1}};
    c->Polyline(right, 2);
    c->Polyline(up, 3);
    EXPECT_TRUE(Dark(*b, 50, 30));
    EXPECT_TRUE(Dark(*b, 30, 5));
    // A fill reaching far beyond every side covers everything.
    SetFill(*c, WINDING);
    const TPoint huge[4] = {{-2000000000, -2000000000}, {2000000000, -1999999999}, {2000000000, 2000000000},
                            {-2000000000, 2000000000}};
    c->Polygon(huge, 4);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) ASSERT_TRUE(Dark(*b, x, y)) << x << "," << y;
}

// The joins: a bevel cuts the outer corner, a round join rounds it, a mitred one (still the painter's)
// keeps it square.
TEST(CanvasSpans, JoinsShapeTheOuterCorner) {
    const TPoint corner[3] = {{10, 30}, {10, 10}, {30, 10}};
    struct Case {
        DWORD join;
        bool outer;  // the pixel at 8,8
    } cases[] = {{PS_JOIN_BEVEL, false}, {PS_JOIN_ROUND, false}, {PS_JOIN_MITER, true}};
    for (const Case& k : cases) {
        auto b = White(pf24bit);
        SetPen(*b->Canvas(), 4, PS_ENDCAP_FLAT, k.join);
        b->Canvas()->Polyline(corner, 3);
        EXPECT_EQ(Dark(*b, 8, 8), k.outer) << k.join;
        EXPECT_TRUE(Dark(*b, 9, 9)) << k.join;
        EXPECT_TRUE(Dark(*b, 8, 20)) << k.join;
        EXPECT_FALSE(Dark(*b, 7, 20)) << k.join;
        EXPECT_TRUE(Dark(*b, 29, 11)) << k.join;
        EXPECT_FALSE(Dark(*b, 30, 11)) << k.join;  // a flat end
    }
}

// Spans and the painter's shapes meet in one bitmap in the order drawn; a copy taken between keeps what it
// had; modes other than copy still combine through the painter.
TEST(CanvasSpans, SpansKeepOrderWithThePainterAndLeaveCopiesAlone) {
    auto b = White(pf32bit);
    TCanvas* c = b->Canvas();
    c->Pen()->SetStyle(psClear);
    c->Brush()->SetColor(clRed);
    c->Ellipse(0, 0, 30, 30);  // the painter
    SetPen(*c, 4, PS_ENDCAP_ROUND, PS_JOIN_ROUND);
    c->MoveTo(0, 15);
    c->LineTo(60, 15);  // spans over the ellipse
    TBitmap copy;
    copy.Assign(*b);
    c->Pen()->SetStyle(psClear);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clBlue);
    c->Rectangle(10, 10, 20, 40);  // the painter's rectangle over the line
    const TPoint tri[3] = {{40, 40}, {60, 40}, {50, 60}};
    c->Polygon(tri, 3);  // a span fill
    EXPECT_EQ(c->Pixel(5, 15), clBlack);
    EXPECT_EQ(c->Pixel(5, 22), clRed);
    EXPECT_EQ(c->Pixel(15, 15), clBlue);
    EXPECT_EQ(c->Pixel(50, 45), clBlue);
    EXPECT_EQ(copy.Canvas()->Pixel(15, 15), clBlack);
    EXPECT_EQ(copy.Canvas()->Pixel(50, 45), clWhite);

    // Exclusive or twice gives the background back, a line as much as a fill.
    auto x = White(pf24bit);
    TCanvas* xc = x->Canvas();
    SetPen(*xc, 5, PS_ENDCAP_ROUND, PS_JOIN_ROUND);
    xc->Pen()->SetMode(pmXor);
    xc->Pen()->SetColor(clRed);
    xc->Brush()->SetColor(clBlue);
    for (int i = 0; i < 2; ++i) {
        xc->MoveTo(5, 5);
        xc->LineTo(50, 40);
        xc->Polygon(tri, 3);
    }
    for (int y = 0; y < kSize; ++y)
        for (int x0 = 0; x0 < kSize; ++x0) ASSERT_EQ(xc->Pixel(x0, y), clWhite) << x0 << "," << y;
}

// A small line is written from the spans it had where it first came: drawn again elsewhere, partly outside
// the clip or the bitmap, it must give the pixels it gives drawn there first.
TEST(CanvasSpans, SmallLinesDrawTheSameWhereverTheyStand) {
    std::mt19937 rng(23);
    const DWORD ends[] = {PS_ENDCAP_ROUND, PS_ENDCAP_FLAT, PS_ENDCAP_SQUARE};
    const DWORD joins[] = {PS_JOIN_ROUND, PS_JOIN_BEVEL};
    auto shared = White(pf32bit);
    int painted = 0;
    for (int i = 0; i < 120; ++i) {
        const int n = 2 + int(rng() % 8), width = 2 + int(rng() % 8);
        const int spread = i % 4 ? 9 : 41;  // some beyond what is kept
        auto near = [&] { return int(rng() % spread) - spread / 2; };
        std::vector<TPoint> line;
        for (int k = 0; k < n; ++k) line.push_back(TPoint(near(), near()));
        const bool closed = rng() % 2;
        const DWORD end = ends[i % 3], join = joins[(i / 3) % 2];
        for (int at = 0; at < 12; ++at) {
            const TPoint to(int(rng() % 76) - 6, int(rng() % 76) - 6);
            std::vector<TPoint> moved;
            for (const TPoint& p : line) moved.push_back(TPoint(p.X + to.X, p.Y + to.Y));
            const TRect clip(int(rng() % 20), int(rng() % 20), 40 + int(rng() % 30), 40 + int(rng() % 30));
            auto fresh = White(pf32bit);
            for (TBitmap* b : {shared.get(), fresh.get()}) {
                TCanvas& c = *b->Canvas();
                c.SelectClipRgn(nullptr);
                c.Brush()->SetStyle(bsSolid);
                c.Brush()->SetColor(clWhite);
                c.FillRect(TRect(0, 0, kSize, kSize));
                HRGN rgn = CreateRectRgnIndirect(clip);
                c.SelectClipRgn(rgn);
                DeleteObject(rgn);
                SetPen(c, width, end, join);
                if (closed)
                    c.Polygon(moved.data(), n);
                else
                    c.Polyline(moved.data(), n);
            }
            for (int y = 0; y < kSize; ++y)
                for (int x = 0; x < kSize; ++x) {
                    ASSERT_EQ(Dark(*shared, x, y), Dark(*fresh, x, y)) << "line " << i << " at " << to.X << ","
                                                                       << to.Y << " pixel " << x << "," << y;
                    painted += Dark(*fresh, x, y);
                    if (Dark(*fresh, x, y)) {
                        ASSERT_TRUE(clip.Contains(TPoint(x, y)));
                    }
                }
        }
    }
    EXPECT_GT(painted, 10000);
}

// Thousands of different small lines through one bitmap, more than are kept at once: each gives the pixels
// it gives alone on a fresh bitmap.
TEST(CanvasSpans, ManyDifferentSmallLinesDrawAsEachAlone) {
    std::mt19937 rng(31);
    auto all = White(pf24bit);
    std::vector<bool> expected(kSize * kSize);
    for (int i = 0; i < 6000; ++i) {
        const int n = 2 + int(rng() % 7), width = 2 + int(rng() % 9);
        const TPoint at(int(rng() % 70) - 3, int(rng() % 70) - 3);
        std::vector<TPoint> line;
        for (int k = 0; k < n; ++k) line.push_back(TPoint(at.X + int(rng() % 9) - 4, at.Y + int(rng() % 9) - 4));
        const DWORD end = i % 3 ? PS_ENDCAP_ROUND : PS_ENDCAP_FLAT, join = i % 5 ? PS_JOIN_ROUND : PS_JOIN_BEVEL;
        auto alone = White(pf24bit);
        for (TBitmap* b : {all.get(), alone.get()}) {
            SetPen(*b->Canvas(), width, end, join);
            b->Canvas()->Polyline(line.data(), n);
        }
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                if (Dark(*alone, x, y)) expected[size_t(y * kSize + x)] = true;
        if (i % 1000 == 999) {
            for (int y = 0; y < kSize; ++y)
                for (int x = 0; x < kSize; ++x) ASSERT_EQ(Dark(*all, x, y), expected[size_t(y * kSize + x)]) << i;
        }
    }
}

// A ring's outline covers its line: with a solid pen, flat ends and bevelled joins, in copy mode, the polygon
// over the same points draws every pixel the polyline draws (the map leaves out the line of a clear area).
TEST(CanvasSpans, ARingsOutlineCoversItsLine) {
    std::mt19937 rng(41);
    for (int i = 0; i < 400; ++i) {
        Scene s = RandomLine(rng, i % 3 == 0);
        if (i % 2) s.pts.push_back(s.pts.front());  // closed as a layer's rings are
        const int width = i % 5 == 0 ? 1 : 2 + int(rng() % 7);
        auto line = White(i % 2 ? pf24bit : pf32bit), both = White(i % 2 ? pf24bit : pf32bit);
        for (TBitmap* b : {line.get(), both.get()}) {
            TCanvas& c = *b->Canvas();
            if (width == 1)
                c.Pen()->SetWidth(1);
            else
                SetPen(c, width, PS_ENDCAP_FLAT, PS_JOIN_BEVEL);
            c.Brush()->SetStyle(bsClear);
        }
        line->Canvas()->Polyline(s.pts.data(), int(s.pts.size()));
        both->Canvas()->Polygon(s.pts.data(), int(s.pts.size()));
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                if (Dark(*line, x, y)) {
                    ASSERT_TRUE(Dark(*both, x, y)) << "scene " << i << " pixel " << x << "," << y;
                }
    }
}

// One shape after another reuses what the raster set up for the image, the clip and the colour: each of
// them changed between two shapes, the second must be drawn as on a bitmap that never drew before.
TEST(CanvasSpans, AChangeBetweenTwoShapesIsSeen) {
    const TPoint ring[5] = {{10, 10}, {30, 10}, {30, 30}, {10, 30}, {10, 10}};
    auto draw = [&](TCanvas& c, TColor color, int dx) {
        SetPen(c, 3, PS_ENDCAP_FLAT, PS_JOIN_BEVEL);
        c.Pen()->SetColor(color);
        TPoint moved[5];
        for (int i = 0; i < 5; ++i) moved[i] = TPoint(ring[i].X + dx, ring[i].Y);
        c.Polygon(moved, 5);
    };
    {  // the clip narrowed in place, replaced, then taken away
        auto b = White(pf24bit);
        TCanvas& c = *b->Canvas();
        draw(c, clRed, 0);
        c.IntersectClipRect(0, 0, 36, kSize);
        draw(c, clBlue, 20);
        EXPECT_EQ(c.Pixel(20, 10), clRed);
        EXPECT_EQ(c.Pixel(35, 10), clBlue);
        EXPECT_EQ(c.Pixel(45, 10), clWhite);
        HRGN rgn = CreateRectRgn(40, 0, kSize, kSize);
        c.SelectClipRgn(rgn);
        DeleteObject(rgn);
        draw(c, clGreen, 0);
        EXPECT_EQ(c.Pixel(20, 10), clRed);
        draw(c, clGreen, 20);
        EXPECT_EQ(c.Pixel(35, 10), clBlue);
        EXPECT_EQ(c.Pixel(45, 10), clGreen);
        c.SelectClipRgn(nullptr);
        draw(c, clBlack, 0);
        EXPECT_EQ(c.Pixel(20, 10), clBlack);
        EXPECT_EQ(c.Pixel(20, 20), clWhite);
    }
    {  // the pixels replaced by another bitmap's, of the same size, and then by pixels of another format
        auto b = White(pf24bit);
        auto other = White(pf24bit);
        TCanvas& c = *b->Canvas();
        draw(c, clRed, 0);
        b->Assign(*other);
        draw(c, clBlue, 20);
        EXPECT_EQ(c.Pixel(20, 10), clWhite);
        EXPECT_EQ(c.Pixel(40, 10), clBlue);
        EXPECT_EQ(other->Canvas()->Pixel(40, 10), clWhite);
        b->SetPixelFormat(pf32bit);
        draw(c, clRed, 0);
        auto expected = White(pf32bit);
        draw(*expected->Canvas(), clBlue, 20);
        draw(*expected->Canvas(), clRed, 0);
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) ASSERT_EQ(c.Pixel(x, y), expected->Canvas()->Pixel(x, y)) << x << "," << y;
    }
}

// Outlines of a clear area go to the spans before their points are moved by the origin: drawn with an
// origin they must come out as their moved points drawn without one, and those on one pixel not at all.
TEST(CanvasSpans, OutlinesDrawWhereTheOriginMovesThem) {
    std::mt19937 rng(53);
    for (int i = 0; i < 200; ++i) {
        const TPoint origin(int(rng() % 21) - 10, int(rng() % 21) - 10);
        std::vector<TPoint> ring, moved;
        const TPoint at(int(rng() % 50) + 5, int(rng() % 50) + 5);
        const int spread = i % 3 == 0 ? 1 : 6;  // a third on one pixel or two
        for (int k = 0; k < 4; ++k) ring.push_back(TPoint(at.X + int(rng() % spread), at.Y + int(rng() % spread)));
        ring.push_back(ring.front());
        for (const TPoint& p : ring) moved.push_back(TPoint(p.X + origin.X, p.Y + origin.Y));
        auto with = White(pf24bit), without = White(pf24bit);
        SetPen(*with->Canvas(), 2, PS_ENDCAP_FLAT, PS_JOIN_BEVEL);
        SetPen(*without->Canvas(), 2, PS_ENDCAP_FLAT, PS_JOIN_BEVEL);
        with->Canvas()->SetViewportOrg(origin.X, origin.Y);
        const int count = int(ring.size());
        if (i % 2)
            with->Canvas()->PolyPolygon(ring.data(), &count, 1);
        else
            with->Canvas()->Polygon(ring.data(), count);
        without->Canvas()->Polygon(moved.data(), count);
        int dark = 0;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                ASSERT_EQ(Dark(*with, x, y), Dark(*without, x, y)) << i << ": " << x << "," << y;
                dark += Dark(*with, x, y);
            }
        if (spread == 1) {
            EXPECT_EQ(dark, 0) << i;
        }
    }
}

// Rows of 24-bit pixels are written by words overlapping within the row: every length of span, from every
// column, gives the pixels 32-bit rows get and leaves its neighbours alone. The colour's bytes all differ,
// so a word a byte out of step shows.
TEST(CanvasSpans, EveryLengthOfSpanIn24BitsAsIn32) {
    constexpr TColor kColour = TColor(0x563412);
    std::unique_ptr<TBitmap> out[2] = {White(pf24bit), White(pf32bit)};
    for (auto& b : out) {
        TCanvas& c = *b->Canvas();
        c.Pen()->SetStyle(psClear);
        c.Brush()->SetStyle(bsSolid);
        c.Brush()->SetColor(kColour);
        for (int len = 1; len <= 14; ++len) {  // fills, a row of each length from columns 0 .. 3
            const int x = len % 4, y = 2 * len;
            const TPoint box[4] = {{x, y}, {x + len, y}, {x + len, y + 1}, {x, y + 1}};
            c.Polygon(box, 4);
        }
        const LOGBRUSH lb{BS_SOLID, kColour, 0};
        HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_BEVEL, 2, lb, 0, nullptr);
        c.Pen()->SetHandle(pen);
        DeleteObject(pen);
        c.Brush()->SetStyle(bsClear);
        for (int len = 1; len <= 14; ++len) {  // small lines, their spans kept and written again
            const int x = 33 + len % 4, y = 1 + 3 * len;
            const TPoint line[2] = {{x, y}, {x + len, y}};
            c.Polyline(line, 2);
        }
    }
    int coloured = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const auto* p = static_cast<const unsigned char*>(out[0]->ScanLine(y)) + 3 * x;
            const auto* q = static_cast<const unsigned char*>(out[1]->ScanLine(y)) + 4 * x;
            ASSERT_TRUE(p[0] == q[0] && p[1] == q[1] && p[2] == q[2]) << x << "," << y;
            coloured += q[0] == 0x56 && q[1] == 0x34 && q[2] == 0x12;
        }
    // Every row of every length, nothing else: fills of 1 .. 14 pixels, lines two rows of 1 .. 14.
    EXPECT_EQ(coloured, 14 * 15 / 2 * 3);
}
