#include "gis/layers/GisBlend.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/ui/Bitmap.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {

class GisBlendTest : public ::testing::Test {
protected:
    void SetUp() override { UiTest::Init(); }
};

void Fill(TBitmap& b, TColor c) {
    b.Canvas()->Brush()->SetColor(c);
    b.Canvas()->FillRect(TRect(0, 0, b.Width(), b.Height()));
}

int R(TColor c) { return int(c & 0xFF); }
int G(TColor c) { return int((c >> 8) & 0xFF); }
int B(TColor c) { return int((c >> 16) & 0xFF); }

// The channel formulas, written out once more independently of the tables.
int Mix(int t, int w, int p) { return (t + (p * w) / 100 - (p * t) / 100) & 0xFF; }
int Add(int t, int w, int p, int q) { return std::clamp((p * t) / 100 + (q * w) / 100, 0, 255); }

TEST_F(GisBlendTest, SectionValuesAreClampedSoNothingSpillsIntoTheAddition) {
    EXPECT_TRUE(GisBlendOf(100, 0).Opaque());
    EXPECT_FALSE(GisBlendOf(50, 0).Opaque());
    EXPECT_FALSE(GisBlendOf(100, 20).Opaque());
    // 300 packed with the addition would read as 44 with addition 1.
    TGIS_Blend b = GisBlendOf(300, 0);
    EXPECT_EQ(b.P, 100);
    EXPECT_EQ(b.Q, 0);
    EXPECT_TRUE(b.Opaque());
    b = GisBlendOf(-5, 250);
    EXPECT_EQ(b.P, 0);
    EXPECT_EQ(b.Q, 100);
    EXPECT_EQ(GisBlendOf(40, -900).Q, -100);
}

// Every pixel against the formula, on both pixel formats, for plain and additive blends.
TEST_F(GisBlendTest, EachPixelFollowsTheFormula) {
    const TColor targets[] = {0x000000, 0xFFFFFF, 0x102030, 0x7F80FE, 0x010101};
    const TColor works[] = {0x000000, 0xFFFFFF, 0x0000FF, 0x405060, 0x010000};
    const TGIS_Blend blends[] = {{50, 0}, {0, 0}, {30, 0}, {100, 0}, {60, 50}, {80, -40}, {100, 100}};
    for (TPixelFormat pf : {pf24bit, pf32bit}) {
        for (const TGIS_Blend& bl : blends) {
            TBitmap target(5, 5, pf), work(5, 5, pf);
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 5; ++x) {
                    target.Canvas()->SetPixel(x, y, targets[x]);
                    work.Canvas()->SetPixel(x, y, works[y]);
                }
            GisBlendBitmap(target, work, TRect(0, 0, 5, 5), bl);
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 5; ++x) {
                    const TColor t = targets[x], w = works[y], got = target.Canvas()->Pixel(x, y);
                    SCOPED_TRACE(testing::Message() << "pf " << int(pf) << " p " << bl.P << " q " << bl.Q << " at "
                                                    << x << "," << y);
                    if (w == 0) {
                        EXPECT_EQ(got, t);  // black is the key colour: untouched
                        continue;
                    }
                    auto f = [&](int tc, int wc) { return bl.Q ? Add(tc, wc, bl.P, bl.Q) : Mix(tc, wc, bl.P); };
                    EXPECT_EQ(R(got), f(R(t), R(w)));
                    EXPECT_EQ(G(got), f(G(t), G(w)));
                    EXPECT_EQ(B(got), f(B(t), B(w)));
                }
        }
    }
}

TEST_F(GisBlendTest, OnlyTheRectangleInsideBothBitmapsIsTouched) {
    TBitmap target(6, 4, pf24bit), work(6, 4, pf24bit);
    Fill(target, 0x0000FF);
    Fill(work, 0xFF0000);
    GisBlendBitmap(target, work, TRect(-3, 2, 2, 99), {100, 0});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(target.Canvas()->Pixel(x, y), x < 2 && y >= 2 ? TColor(0xFF0000) : TColor(0x0000FF))
                << x << "," << y;
}

TEST_F(GisBlendTest, OverlayReplacesAllButBlack) {
    TBitmap target(3, 1, pf24bit), overlay(3, 1, pf24bit);
    Fill(target, 0x00FF00);
    Fill(overlay, 0x000000);
    overlay.Canvas()->SetPixel(1, 0, 0x010000);
    GisPasteOverlay(target, overlay, TRect(0, 0, 3, 1));
    EXPECT_EQ(target.Canvas()->Pixel(0, 0), TColor(0x00FF00));
    EXPECT_EQ(target.Canvas()->Pixel(1, 0), TColor(0x010000));
    EXPECT_EQ(target.Canvas()->Pixel(2, 0), TColor(0x00FF00));
}

// Long black runs are passed over in blocks: a lone pixel is found wherever it falls in a block, in a last
// block cut short and behind a rectangle that starts inside one, with either pixel size.
TEST_F(GisBlendTest, LonePixelsOnWideOverlaysArePasted) {
    const int w = 75;
    for (TPixelFormat pf : {pf24bit, pf32bit})
        for (int left : {0, 7})
            for (int x : {7, 8, 31, 32, 33, 63, 64, 70, 74}) {
                TBitmap target(w, 2, pf), overlay(w, 2, pf);
                Fill(target, 0x00FF00);
                Fill(overlay, 0x000000);
                for (TColor c : {TColor(0x000001), TColor(0x010000)}) {
                    overlay.Canvas()->SetPixel(x, 1, c);
                    GisPasteOverlay(target, overlay, TRect(left, 0, w, 2));
                    SCOPED_TRACE(testing::Message() << "pf " << int(pf) << " left " << left << " x " << x);
                    EXPECT_EQ(target.Canvas()->Pixel(x, 1), c);
                    EXPECT_EQ(target.Canvas()->Pixel(x, 0), TColor(0x00FF00));
                    if (x > 0) {
                        EXPECT_EQ(target.Canvas()->Pixel(x - 1, 1), TColor(0x00FF00));
                    }
                    if (x + 1 < w) {
                        EXPECT_EQ(target.Canvas()->Pixel(x + 1, 1), TColor(0x00FF00));
                    }
                }
            }
}

}  // namespace
