#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/ui/Bitmap.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtGrafx.h"

namespace {

void Fill(TBitmap& b, TColor c) {
    b.Canvas()->Brush()->SetStyle(bsSolid);
    b.Canvas()->Brush()->SetColor(c);
    b.Canvas()->FillRect(TRect(0, 0, b.Width(), b.Height()));
}

int ChannelGap(TColor a, TColor b) {
    return std::max({std::abs(GetRValue(a) - GetRValue(b)), std::abs(GetGValue(a) - GetGValue(b)),
                     std::abs(GetBValue(a) - GetBValue(b))});
}

}  // namespace

TEST(VtGrafx, FlipTurnsRowsOver) {
    TBitmap one(3, 1, pf32bit);
    one.Canvas()->SetPixel(1, 0, clBlue);
    FlipBitmapVertical(&one);
    EXPECT_EQ(one.Canvas()->Pixel(1, 0), clBlue);
    EXPECT_EQ(one.Canvas()->Pixel(0, 0), clWhite);

    for (TPixelFormat pf : {pf24bit, pf32bit}) {
        TBitmap two(3, 2, pf);
        two.Canvas()->SetPixel(0, 0, clRed);
        two.Canvas()->SetPixel(2, 1, clLime);
        FlipBitmapVertical(&two);
        EXPECT_EQ(two.Canvas()->Pixel(0, 1), clRed);
        EXPECT_EQ(two.Canvas()->Pixel(2, 0), clLime);
        EXPECT_EQ(two.Canvas()->Pixel(0, 0), clWhite);
        EXPECT_EQ(two.Canvas()->Pixel(2, 1), clWhite);
    }
    TBitmap three(2, 3, pf32bit);
    three.Canvas()->SetPixel(0, 0, clRed);
    three.Canvas()->SetPixel(0, 1, clLime);
    FlipBitmapVertical(&three);
    EXPECT_EQ(three.Canvas()->Pixel(0, 2), clRed);
    EXPECT_EQ(three.Canvas()->Pixel(0, 1), clLime);
}

TEST(VtGrafx, TilingCoversExactlyTheTotal) {
    TBitmap b(40, 30, pf32bit);
    const TColor block[2][3] = {{clRed, clLime, clBlue}, {clYellow, clAqua, clFuchsia}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) b.Canvas()->SetPixel(x, y, block[y][x]);
    TileByDoubling(b.Canvas(), 0, 0, SRCCOPY, 2, 3, 23, 37);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            TColor want = x < 37 && y < 23 ? block[y % 2][x % 3] : clWhite;
            ASSERT_EQ(b.Canvas()->Pixel(x, y), want) << x << "," << y;
        }
    // A block of no size cannot grow: it returns instead of looping.
    TileByDoubling(b.Canvas(), 0, 0, SRCCOPY, 0, 3, 23, 37);
    TileByDoubling(b.Canvas(), 0, 0, SRCCOPY, 2, 0, 23, 37);
}

TEST(VtGrafx, LinearGradientEndRows) {
    const TColor start = RGB(255, 0, 0), end = RGB(0, 0, 255);
    TBitmap b(20, 50, pf32bit);
    DrawGradient(b.Canvas(), TRect(0, 0, 20, 50), 2, start, end, 1);
    TCanvas* c = b.Canvas();
    EXPECT_EQ(c->Pixel(0, 49), end);
    EXPECT_EQ(c->Pixel(19, 49), end);
    EXPECT_LE(ChannelGap(c->Pixel(0, 0), start), 255 / 50 + 1);
    for (int y = 0; y < 50; ++y)
        for (int x = 1; x < 20; ++x) ASSERT_EQ(c->Pixel(x, y), c->Pixel(0, y)) << x << "," << y;
    // Steps 1 make one band per row: neighbouring rows differ.
    for (int y = 1; y < 50; ++y) EXPECT_NE(c->Pixel(0, y), c->Pixel(0, y - 1)) << y;

    TBitmap h(60, 9, pf32bit);
    DrawGradient(h.Canvas(), TRect(0, 0, 60, 9), 5, start, end, 0);
    EXPECT_EQ(h.Canvas()->Pixel(59, 0), end);
    EXPECT_EQ(h.Canvas()->Pixel(59, 8), end);
    EXPECT_LE(ChannelGap(h.Canvas()->Pixel(0, 8), start), 255 / 60 + 1);
}

TEST(VtGrafx, BandsFollowTheColourSteps) {
    // 64 steps: bands of 255 div 64 + 1 = 4 indices.
    TBitmap b(8, 200, pf32bit);
    DrawGradient(b.Canvas(), TRect(0, 0, 8, 200), 2, clBlack, clWhite, 64);
    int changes = 0;
    for (int y = 1; y < 200; ++y) changes += b.Canvas()->Pixel(0, y) != b.Canvas()->Pixel(0, y - 1);
    EXPECT_GE(changes, 200 / 4 - 2);
    EXPECT_LE(changes, 200 / 4 + 1);
}

TEST(VtGrafx, SplitGradientsMeetInTheMiddle) {
    const TColor start = RGB(200, 40, 0), end = RGB(0, 240, 100);
    TBitmap b(10, 41, pf32bit);
    DrawGradient(b.Canvas(), TRect(0, 0, 10, 41), 3, start, end, 1);
    EXPECT_EQ(b.Canvas()->Pixel(5, 20), end);
    EXPECT_LE(ChannelGap(b.Canvas()->Pixel(5, 0), start), 200 / 21 + 1);
    EXPECT_EQ(b.Canvas()->Pixel(5, 40), start);
    TBitmap w(31, 4, pf32bit);
    DrawGradient(w.Canvas(), TRect(0, 0, 31, 4), 6, start, end, 1);
    EXPECT_EQ(w.Canvas()->Pixel(15, 2), end);
    EXPECT_EQ(w.Canvas()->Pixel(30, 2), start);
    // Lengths 1 and 2 leave the second run empty; 0 draws nothing.
    for (int n : {0, 1, 2}) {
        TBitmap t(5, 5, pf32bit);
        DrawGradient(t.Canvas(), TRect(0, 0, 5, n), 3, start, end, 1);
        DrawGradient(t.Canvas(), TRect(0, 0, n, 5), 6, start, end, 1);
        DrawGradient(t.Canvas(), TRect(0, 0, 5, n), 2, start, end, 1);
        DrawGradient(t.Canvas(), TRect(0, 0, n, 5), 5, start, end, 1);
        if (n == 0) {
            EXPECT_EQ(t.Canvas()->Pixel(0, 0), clWhite);
        }
    }
    TBitmap one(5, 5, pf32bit);
    DrawGradient(one.Canvas(), TRect(0, 0, 5, 1), 3, start, end, 1);
    EXPECT_EQ(one.Canvas()->Pixel(2, 0), end);
    EXPECT_EQ(one.Canvas()->Pixel(2, 1), clWhite);
}

TEST(VtGrafx, DiagonalAndBoxGradients) {
    TBitmap b(30, 20, pf32bit);
    DrawGradient(b.Canvas(), TRect(0, 0, 30, 20), 0, clNavy, clNavy, 16);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) ASSERT_EQ(b.Canvas()->Pixel(x, y), clNavy);
    DrawGradient(b.Canvas(), TRect(0, 0, 30, 20), 0, clBlack, clWhite, 1);
    EXPECT_LE(ChannelGap(b.Canvas()->Pixel(0, 0), clBlack), 16);
    EXPECT_LE(ChannelGap(b.Canvas()->Pixel(29, 19), clWhite), 16);
    DrawGradient(b.Canvas(), TRect(0, 0, 30, 20), 1, clBlack, clWhite, 1);
    EXPECT_LE(ChannelGap(b.Canvas()->Pixel(29, 0), clBlack), 16);
    EXPECT_LE(ChannelGap(b.Canvas()->Pixel(0, 19), clWhite), 16);

    TBitmap x(20, 20, pf32bit);
    DrawGradient(x.Canvas(), TRect(0, 0, 20, 20), 8, clBlack, clWhite, 1);
    EXPECT_EQ(x.Canvas()->Pixel(0, 0), clBlack);
    EXPECT_GT(GetRValue(x.Canvas()->Pixel(9, 9)), 200);
    for (int yy = 0; yy < 20; ++yy)
        for (int xx = 0; xx < 10; ++xx)
            ASSERT_EQ(x.Canvas()->Pixel(xx, yy), x.Canvas()->Pixel(19 - xx, yy)) << xx << "," << yy;
    // Directions past 9 leave the blank bitmap.
    DrawGradient(x.Canvas(), TRect(0, 0, 20, 20), 10, clBlack, clBlack, 1);
    EXPECT_EQ(x.Canvas()->Pixel(0, 0), clWhite);
}

TEST(VtGrafx, TransparentStretchLeavesTheKeyColour) {
    TBitmap src(2, 2, pf24bit);
    src.Canvas()->SetPixel(0, 0, clFuchsia);
    src.Canvas()->SetPixel(1, 0, clBlue);
    src.Canvas()->SetPixel(0, 1, clRed);
    src.Canvas()->SetPixel(1, 1, clYellow);
    TBitmap dst(10, 10, pf32bit);
    Fill(dst, clLime);
    StretchBitmapTransparent(dst.Canvas(), TRect(2, 2, 6, 6), &src, TRect(0, 0, 2, 2), clFuchsia);
    TCanvas* c = dst.Canvas();
    EXPECT_EQ(c->Pixel(2, 2), clLime);
    EXPECT_EQ(c->Pixel(3, 3), clLime);
    EXPECT_EQ(c->Pixel(4, 2), clBlue);
    EXPECT_EQ(c->Pixel(5, 3), clBlue);
    EXPECT_EQ(c->Pixel(2, 5), clRed);
    EXPECT_EQ(c->Pixel(5, 5), clYellow);
    EXPECT_EQ(c->Pixel(6, 6), clLime);
    EXPECT_EQ(c->Pixel(1, 1), clLime);
}

TEST(VtGrafx, ParentBackgroundShowsBehindTheControl) {
    UiTest::Init();
    auto* form = new TForm(Application);
    form->SetBounds(0, 0, 200, 120);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 150, 80);
    panel->SetColor(clYellow);
    panel->SetCaption("");
    auto* shape = new TPanel(form);  // something the panel paints, left of the control
    shape->SetParent(panel);
    shape->SetBounds(0, 0, 20, 20);
    shape->SetColor(clBlue);
    auto* child = new TPanel(form);
    child->SetParent(panel);
    child->SetBounds(30, 5, 40, 30);
    form->Show();
    UiTest::Flush();
    TBitmap b(40, 30, pf32bit);
    Fill(b, clRed);
    DrawParentBackground(child, b.Canvas());
    EXPECT_EQ(b.Canvas()->Pixel(0, 0), ColorToRGB(clYellow));
    EXPECT_EQ(b.Canvas()->Pixel(39, 29), ColorToRGB(clYellow));
    EXPECT_EQ(b.Canvas()->ViewportOrg(), TPoint(0, 0));
    TBitmap none(4, 4, pf32bit);
    DrawParentBackground(form, none.Canvas());  // no parent: nothing
    EXPECT_EQ(none.Canvas()->Pixel(0, 0), clWhite);
    delete form;
}
