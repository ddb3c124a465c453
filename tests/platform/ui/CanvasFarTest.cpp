// One-pixel lines whose ends lie billions of pixels off the bitmap, as deep zooms give them: they are cut to
// the bitmap before they are stepped, so they draw at once, where the near part of the same line draws.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/ui/Bitmap.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {
constexpr int kSize = 64;

std::unique_ptr<TBitmap> Blank() {
    UiTest::Init();
    auto b = std::make_unique<TBitmap>(kSize, kSize, pf32bit);
    b->Canvas()->Brush()->SetColor(clWhite);
    b->Canvas()->FillRect(TRect(0, 0, kSize, kSize));
    return b;
}

std::vector<bool> Dark(TBitmap& b) {
    std::vector<bool> dark;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) dark.push_back(b.Canvas()->Pixel(x, y) == clBlack);
    return dark;
}

std::vector<bool> Polyline(const std::vector<TPoint>& pts, TPenStyle style) {
    auto b = Blank();
    TCanvas& c = *b->Canvas();
    c.Pen()->SetColor(clBlack);
    c.Pen()->SetWidth(1);
    c.Pen()->SetStyle(style);
    c.Brush()->SetStyle(bsClear);
    c.Polyline(pts);
    return Dark(*b);
}
}  // namespace

TEST(CanvasFarLines, CutToTheBitmapAndDrawnWhereTheNearPartDraws) {
    // Across the whole bitmap, both ways, and diagonally.
    for (const auto& line : {std::vector<TPoint>{{-2000000000, 10}, {2000000000, 10}},
                             std::vector<TPoint>{{2000000000, 10}, {-2000000000, 10}},
                             std::vector<TPoint>{{-2000000000, -2000000000}, {2000000000, 2000000000}}}) {
        const std::vector<bool> dark = Polyline(line, psSolid);
        const bool diagonal = line[0].Y != line[1].Y;
        for (int i = 0; i < kSize; ++i)
            EXPECT_TRUE(diagonal ? dark[i * kSize + i] : dark[10 * kSize + i]) << i;
        int count = 0;
        for (bool d : dark) count += d;
        EXPECT_EQ(count, kSize);
    }
    // A dash pattern keeps its phase over the part cut off: 24,000 steps are whole periods of every style.
    for (TPenStyle style : {psSolid, psDash, psDot, psDashDot, psDashDotDot}) {
        EXPECT_EQ(Polyline({{-24003, 5}, {30, 5}, {30, 60}}, style), Polyline({{-3, 5}, {30, 5}, {30, 60}}, style))
            << int(style);
        EXPECT_EQ(Polyline({{30, 60}, {30, 5}, {24070, 5}}, style), Polyline({{30, 60}, {30, 5}, {70, 5}}, style))
            << int(style);
    }
    // Wholly off the bitmap: nothing drawn.
    for (bool d : Polyline({{-2000000000, -5}, {2000000000, -5}}, psSolid)) EXPECT_FALSE(d);
}

TEST(CanvasFarLines, WidePensOfEveryKindDrawAtOnce) {
    for (TPenStyle style : {psSolid, psDash, psDot, psDashDot}) {
        auto b = Blank();
        TCanvas& c = *b->Canvas();
        c.Pen()->SetColor(clBlack);
        c.Pen()->SetWidth(3);
        c.Pen()->SetStyle(style);
        c.Pen()->SetMode(pmXor);
        c.Polyline({{-2000000000, 10}, {2000000000, 12}, {5, -2000000000}});
        c.Pen()->SetMode(pmCopy);
        c.Polyline({{-2000000000, 10}, {2000000000, 12}, {5, -2000000000}});
        EXPECT_EQ(b->Canvas()->Pixel(32, 11), clBlack) << int(style);
    }
}
