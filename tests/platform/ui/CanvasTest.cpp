#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {
std::unique_ptr<TBitmap> White(int w, int h, TPixelFormat pf = pf24bit) {
    UiTest::Init();
    return std::make_unique<TBitmap>(w, h, pf);
}

int CountColor(TCanvas* c, int w, int h, TColor col, TRect r = TRect()) {
    if (r.IsEmpty()) r = TRect(0, 0, w, h);
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (c->Pixel(x, y) == col) ++n;
    return n;
}

// Bounding box of the pixels that are not white.
TRect InkBox(TCanvas* c, int w, int h) {
    TRect r(w, h, -1, -1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (c->Pixel(x, y) != clWhite) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r;
}
}  // namespace

// A revision tells settings apart: each change takes a number no pen, brush or font had, a change that changes
// nothing keeps it, and a copy keeps it only together with the settings.
TEST(GraphicsObject, RevisionsAreNewAtEachChangeAndNeverShared) {
    TPen a, b;
    EXPECT_NE(a.Revision(), b.Revision());
    const uint64_t before = a.Revision();
    a.SetWidth(a.Width());
    EXPECT_EQ(a.Revision(), before);
    a.SetWidth(3);
    EXPECT_NE(a.Revision(), before);
    const uint64_t three = a.Revision();
    a.SetWidth(1);
    a.SetWidth(3);
    EXPECT_NE(a.Revision(), three);
    b.Assign(a);
    EXPECT_NE(b.Revision(), a.Revision());
    TBrush brush;
    const uint64_t plain = brush.Revision();
    brush.SetStyle(bsClear);
    EXPECT_NE(brush.Revision(), plain);
    EXPECT_NE(brush.Revision(), a.Revision());
}

TEST(Canvas, LineToLeavesOutItsEndPixel) {
    auto b = White(20, 20);
    TCanvas* c = b->Canvas();
    c->Pen()->SetColor(clBlack);
    c->MoveTo(2, 5);
    c->LineTo(10, 5);
    EXPECT_EQ(c->Pixel(2, 5), clBlack);
    EXPECT_EQ(c->Pixel(9, 5), clBlack);
    EXPECT_EQ(c->Pixel(10, 5), clWhite);
    EXPECT_EQ(c->PenPos(), TPoint(10, 5));
    // A diagonal covers one pixel per step, its end left out as well.
    c->MoveTo(0, 10);
    c->LineTo(5, 15);
    EXPECT_EQ(CountColor(c, 20, 20, clBlack, TRect(0, 10, 20, 20)), 5);
    EXPECT_EQ(c->Pixel(5, 15), clWhite);
}

TEST(Canvas, ThinLinesKeepToTheClip) {
    auto b = White(20, 20);
    TCanvas* c = b->Canvas();
    c->Pen()->SetColor(clBlack);
    c->IntersectClipRect(5, 5, 15, 15);
    c->MoveTo(6, 6);  // wholly inside
    c->LineTo(14, 6);
    EXPECT_EQ(CountColor(c, 20, 20, clBlack), 8);
    c->MoveTo(0, 10);  // across the clip's edges, and off the bitmap
    c->LineTo(40, 10);
    EXPECT_EQ(CountColor(c, 20, 20, clBlack, TRect(0, 10, 20, 11)), 10);
    EXPECT_EQ(c->Pixel(4, 10), clWhite);
    EXPECT_EQ(c->Pixel(15, 10), clWhite);
    c->MoveTo(-5, -5);  // a diagonal from outside the bitmap
    c->LineTo(25, 25);
    EXPECT_EQ(InkBox(c, 20, 20), TRect(5, 5, 15, 15));
    // A clip of nothing paints nothing.
    c->IntersectClipRect(0, 0, 2, 2);
    c->MoveTo(0, 1);
    c->LineTo(20, 1);
    EXPECT_EQ(CountColor(c, 20, 20, clBlack, TRect(0, 0, 20, 5)), 0);
}

TEST(Canvas, XorLineDrawnTwiceLeavesTheBackground) {
    for (TPixelFormat pf : {pf24bit, pf32bit}) {
        auto b = White(40, 40, pf);
        TCanvas* c = b->Canvas();
        c->Brush()->SetColor(clYellow);
        c->FillRect(TRect(0, 0, 40, 20));
        c->Pen()->SetMode(pmXor);
        c->Pen()->SetColor(RGB(0x12, 0x34, 0x56));
        c->Pen()->SetStyle(psDot);
        for (int round = 0; round < 2; ++round) {
            c->MoveTo(5, 5);
            c->LineTo(35, 35);
            c->MoveTo(5, 30);
            c->LineTo(35, 10);
            if (round == 0) {
                EXPECT_NE(c->Pixel(5, 5), clYellow);
            }
        }
        EXPECT_EQ(CountColor(c, 40, 40, clYellow), 40 * 20);
        EXPECT_EQ(CountColor(c, 40, 40, clWhite), 40 * 20);
        // pmNot inverts, twice restores.
        c->Pen()->SetMode(pmNot);
        c->Pen()->SetStyle(psSolid);
        c->MoveTo(0, 2);
        c->LineTo(10, 2);
        EXPECT_EQ(c->Pixel(3, 2), ColorToRGB(~clYellow & 0xFFFFFF));
    }
}

TEST(Canvas, RectangleAndFillRectLeaveOutRightAndBottom) {
    auto b = White(20, 20);
    TCanvas* c = b->Canvas();
    c->Pen()->SetColor(clRed);
    c->Brush()->SetColor(clBlue);
    c->Rectangle(2, 2, 8, 6);
    EXPECT_EQ(c->Pixel(2, 2), clRed);
    EXPECT_EQ(c->Pixel(7, 5), clRed);
    EXPECT_EQ(c->Pixel(8, 5), clWhite);
    EXPECT_EQ(c->Pixel(7, 6), clWhite);
    EXPECT_EQ(c->Pixel(3, 3), clBlue);
    EXPECT_EQ(CountColor(c, 20, 20, clBlue), 4 * 2);
    c->Brush()->SetColor(clGreen);
    c->FillRect(TRect(10, 10, 15, 12));
    EXPECT_EQ(CountColor(c, 20, 20, clGreen), 5 * 2);
    // A clear pen leaves the fill one pixel smaller.
    c->Pen()->SetStyle(psClear);
    c->Brush()->SetColor(clLime);
    c->Rectangle(0, 14, 4, 18);
    EXPECT_EQ(CountColor(c, 20, 20, clLime), 3 * 3);
    c->Brush()->SetColor(clMaroon);
    c->FrameRect(TRect(12, 0, 16, 4));
    EXPECT_EQ(CountColor(c, 20, 20, clMaroon), 12);
}

TEST(Canvas, HatchBrushDrawsItsLinesAndNothingBetween) {
    auto b = White(32, 32);
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(clBlack);
    c->Brush()->SetStyle(bsHorizontal);
    c->FillRect(TRect(0, 0, 32, 32));
    // One full row in eight, the rest of the background untouched (the hatch is transparent).
    EXPECT_EQ(CountColor(c, 32, 32, clBlack), 32 * 4);
    EXPECT_EQ(CountColor(c, 32, 32, clBlack, TRect(0, 7, 32, 8)), 32);
    c->Brush()->SetStyle(bsFDiagonal);
    c->Brush()->SetColor(clRed);
    c->FillRect(TRect(0, 0, 32, 32));
    EXPECT_EQ(c->Pixel(9, 9), clRed);
    EXPECT_EQ(c->Pixel(10, 9), clWhite);
    // An opaque background fills the gaps with the background colour.
    c->Brush()->SetStyle(bsCross);
    c->SetBkMode(OPAQUE);
    c->SetBkColor(clYellow);
    c->FillRect(TRect(0, 0, 8, 8));
    EXPECT_EQ(c->Pixel(0, 0), clYellow);
}

TEST(Canvas, PolygonFillModesAndPolyPolygon) {
    auto b = White(40, 40);
    TCanvas* c = b->Canvas();
    c->Pen()->SetStyle(psClear);
    c->Brush()->SetColor(clBlack);
    // Two overlapping squares as one poly-polygon: alternate leaves the overlap empty, winding fills it.
    TPoint pts[] = {{0, 0}, {20, 0}, {20, 20}, {0, 20}, {10, 10}, {30, 10}, {30, 30}, {10, 30}};
    int counts[] = {4, 4};
    c->PolyPolygon(pts, counts, 2);
    EXPECT_EQ(c->Pixel(15, 15), clWhite);
    EXPECT_EQ(c->Pixel(5, 5), clBlack);
    c->SetPolyFillMode(WINDING);
    c->PolyPolygon(pts, counts, 2);
    EXPECT_EQ(c->Pixel(15, 15), clBlack);
}

TEST(Canvas, ClipRegionKeepsAPolygonInside) {
    auto b = White(50, 50);
    TCanvas* c = b->Canvas();
    TPoint tri[] = {{0, 0}, {40, 0}, {0, 40}};
    HRGN rgn = CreatePolygonRgn(tri, 3, ALTERNATE);
    c->SelectClipRgn(rgn);
    DeleteObject(rgn);
    c->Brush()->SetColor(clBlue);
    c->Pen()->SetColor(clBlue);
    c->Rectangle(0, 0, 50, 50);
    EXPECT_EQ(c->Pixel(5, 5), clBlue);
    EXPECT_EQ(c->Pixel(30, 30), clWhite);
    EXPECT_EQ(c->Pixel(45, 2), clWhite);
    EXPECT_EQ(c->ClipRect().Right, 40);
    // Saved state: an extra clip and a pen colour are undone by RestoreDC.
    int saved = c->SaveDC();
    c->IntersectClipRect(0, 0, 5, 5);
    c->Pen()->SetColor(clRed);
    EXPECT_EQ(c->ClipRect(), TRect(0, 0, 5, 5));
    c->RestoreDC(saved);
    EXPECT_EQ(c->Pen()->Color(), clBlue);
    EXPECT_EQ(c->ClipRect().Right, 40);
    c->SelectClipRgn(nullptr);
    EXPECT_EQ(c->ClipRect(), TRect(0, 0, 50, 50));
    // A path as the clip: an ellipse.
    c->BeginPath();
    c->Ellipse(10, 10, 30, 30);
    c->EndPath();
    EXPECT_TRUE(c->SelectClipPath(RGN_COPY));
    c->Brush()->SetColor(clRed);
    c->FillRect(TRect(0, 0, 50, 50));
    EXPECT_EQ(c->Pixel(20, 20), clRed);
    EXPECT_EQ(c->Pixel(11, 11), clBlue);  // outside the ellipse: the earlier fill stays
}

TEST(Canvas, RegionsCombine) {
    HRGN a = CreateRectRgn(0, 0, 10, 10), b = CreateRectRgn(5, 5, 15, 15), d = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(d, a, b, RGN_AND), SIMPLEREGION);
    TRect box;
    GetRgnBox(d, box);
    EXPECT_EQ(box, TRect(5, 5, 10, 10));
    EXPECT_EQ(CombineRgn(d, a, b, RGN_OR), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(d, 14, 14));
    EXPECT_FALSE(PtInRegion(d, 14, 2));
    EXPECT_EQ(CombineRgn(d, a, a, RGN_DIFF), NULLREGION);
    DeleteObject(a);
    DeleteObject(b);
    DeleteObject(d);
}

TEST(Canvas, RotatedTextBoundingBox) {
    auto b = White(200, 200);
    TCanvas* c = b->Canvas();
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetName("Arial");
    c->Font()->SetSize(12);
    c->Font()->SetColor(clBlack);
    std::string text = "HORIZONTAL";
    int w = c->TextWidth(text);
    c->TextOut(20, 20, text);
    TRect flat = InkBox(c, 200, 200);
    EXPECT_GT(flat.Width(), flat.Height() * 3);
    EXPECT_GE(flat.Left, 20);
    EXPECT_LE(flat.Right, 20 + w + 1);
    auto v = White(200, 200);
    TCanvas* cv = v->Canvas();
    cv->Brush()->SetStyle(bsClear);
    cv->Font()->SetName("Arial");
    cv->Font()->SetSize(12);
    cv->Font()->SetEscapement(900);  // reads upwards
    cv->TextOut(100, 180, text);
    TRect up = InkBox(cv, 200, 200);
    EXPECT_GT(up.Height(), up.Width() * 3);
    EXPECT_LE(up.Bottom, 181);
    EXPECT_GE(up.Top, 180 - w - 1);
    EXPECT_GE(up.Left, 100);  // the text's top is at the reference point, so it extends to the right
}

TEST(Canvas, DrawTextFlags) {
    auto b = White(300, 100);
    TCanvas* c = b->Canvas();
    c->Font()->SetName("Arial");
    c->Font()->SetSize(10);
    int lh = c->TextHeight("Ag");
    TRect r(0, 0, 1000, 0);
    int h = c->DrawText("one\r\ntwo\r\nthree", r, DT_CALCRECT);
    EXPECT_EQ(h, 3 * lh);
    EXPECT_EQ(r.Bottom, 3 * lh);
    EXPECT_EQ(r.Right, c->TextWidth("three"));
    // Word break at the rectangle's width.
    TRect wr(0, 0, c->TextWidth("alpha beta") + 2, 0);
    c->DrawText("alpha beta gamma", wr, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(wr.Bottom, 2 * lh);
    // Prefix: "&&" is one ampersand and "&F" underlines F, both removed from the width.
    TRect pr(0, 0, 1000, 0);
    c->DrawText("&File", pr, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(pr.Right, c->TextWidth("File"));
    c->DrawText("&File", pr = TRect(0, 0, 1000, 0), DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(pr.Right, c->TextWidth("&File"));
    // End and path ellipses fit the width; the path ellipsis keeps the last part of the path.
    std::string path = "C:\\Program Files\\Quillmark\\layers\\roads.shp";
    int fitW = c->TextWidth("...\\roads.shp") + 30;
    TRect er(0, 0, fitW, lh);
    c->Brush()->SetStyle(bsClear);
    c->DrawText(path, er, DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_LE(InkBox(c, 300, 100).Right, fitW);
    auto p = White(300, 100);
    TCanvas* pc = p->Canvas();
    pc->Font()->Assign(*c->Font());
    pc->Brush()->SetStyle(bsClear);
    TRect rr(0, 0, fitW, lh);
    pc->DrawText(path, rr, DT_SINGLELINE | DT_PATH_ELLIPSIS);
    TRect ink = InkBox(pc, 300, 100);
    EXPECT_LE(ink.Right, fitW);
    EXPECT_GT(ink.Right, c->TextWidth("roads.shp"));
    // Centre and right alignment.
    auto a = White(300, 40);
    TCanvas* ac = a->Canvas();
    ac->Font()->Assign(*c->Font());
    ac->Brush()->SetStyle(bsClear);
    TRect ar(0, 0, 300, 40);
    ac->DrawText("X", ar, DT_SINGLELINE | DT_RIGHT | DT_VCENTER);
    TRect xi = InkBox(ac, 300, 40);
    EXPECT_GE(xi.Left, 300 - c->TextWidth("X") - 1);
    EXPECT_NEAR((xi.Top + xi.Bottom) / 2, 20, 4);
}

TEST(Canvas, ChineseTextRendersWithTheCjkFont) {
    auto b = White(200, 40);
    TCanvas* c = b->Canvas();
    c->Font()->SetName("\xcb\xce\xcc\xe5");  // song ti
    c->Font()->SetSize(12);
    c->Brush()->SetStyle(bsClear);
    std::string text = "\xcd\xbc\xb7\xf9\xba\xc5";  // sheet number
    c->TextOut(4, 4, text);
    TRect ink = InkBox(c, 200, 40);
    EXPECT_GT(ink.Width(), 3 * 14);  // three ideographs of about 16 pixels
    EXPECT_GT(ink.Height(), 10);
    EXPECT_EQ(c->TextWidth(text), 3 * c->TextWidth("\xcd\xbc"));
    b->SaveToPNG(std::string(QM_TEST_OUT) + "/canvas-chinese.png");
}

TEST(Canvas, CopiesWithRasterOperations) {
    auto src = White(10, 10);
    src->Canvas()->Brush()->SetColor(RGB(0x10, 0x20, 0x30));
    src->Canvas()->FillRect(TRect(0, 0, 5, 10));
    auto dst = White(20, 20);
    TCanvas* d = dst->Canvas();
    d->BitBlt(0, 0, 10, 10, src->Canvas(), 0, 0, SRCCOPY);
    EXPECT_EQ(d->Pixel(2, 2), RGB(0x10, 0x20, 0x30));
    d->BitBlt(0, 0, 10, 10, src->Canvas(), 0, 0, SRCINVERT);
    EXPECT_EQ(d->Pixel(2, 2), clBlack);
    EXPECT_EQ(d->Pixel(7, 2), clBlack);
    // Negative width mirrors: the dark half lands on the right.
    d->StretchBlt(19, 10, -10, 10, src->Canvas(), 0, 0, 10, 10, SRCCOPY);
    EXPECT_EQ(d->Pixel(18, 12), RGB(0x10, 0x20, 0x30));
    EXPECT_EQ(d->Pixel(11, 12), clWhite);
    // Stretching doubles the pixels.
    auto big = White(20, 20);
    big->Canvas()->StretchBlt(0, 0, 20, 20, src->Canvas(), 0, 0, 10, 10, SRCCOPY);
    EXPECT_EQ(big->Canvas()->Pixel(9, 0), RGB(0x10, 0x20, 0x30));
    EXPECT_EQ(big->Canvas()->Pixel(10, 0), clWhite);
}

// Plain copies between images of the formats a picture and its window use: each pixel lands where it
// belongs, only inside the destination's clip and image, between shapes drawn before and after.
TEST(Canvas, PlainCopiesKeepEveryPixelInPlace) {
    auto colour = [](int x, int y) { return RGB(x * 16 + 1, y * 16 + 2, (x + y) * 8 + 3); };
    for (TPixelFormat spf : {pf24bit, pf32bit})
        for (TPixelFormat dpf : {pf24bit, pf32bit}) {
            SCOPED_TRACE(testing::Message() << "from " << int(spf) << " to " << int(dpf));
            auto src = White(16, 10, spf);
            for (int y = 0; y < 10; ++y)
                for (int x = 0; x < 16; ++x) src->Canvas()->SetPixel(x, y, colour(x, y));
            auto dst = White(14, 9, dpf);
            TCanvas* d = dst->Canvas();
            d->Pen()->SetStyle(psClear);
            d->Brush()->SetColor(clRed);
            const TPoint before[4] = {{0, 0}, {3, 0}, {3, 3}, {0, 3}};
            d->Polygon(before, 4);
            d->SaveDC();
            d->IntersectClipRect(1, 0, 13, 7);
            // From (4, 1) on in the source to (-1, 2) on: the left column and the rows below 7 stay out.
            d->CopyRect(TRect(-1, 2, 9, 10), src->Canvas(), TRect(4, 1, 14, 9));
            d->RestoreDC(-1);
            d->Brush()->SetColor(clBlue);
            const TPoint after[4] = {{10, 0}, {13, 0}, {13, 2}, {10, 2}};
            d->Polygon(after, 4);
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < 14; ++x) {
                    TColor want = clWhite;
                    if (x < 3 && y < 2) want = clRed;
                    if (x >= 10 && x < 13 && y < 2) want = clBlue;
                    if (x >= 1 && x < 9 && y >= 2 && y < 7) want = colour(x + 5, y - 1);
                    if (x < 1 && y == 2) want = clRed;
                    EXPECT_EQ(d->Pixel(x, y), want) << x << "," << y;
                }
        }
}

// A 24-bit picture copied into a 32-bit one goes four pixels at a time: rows of every width, and a mirrored
// copy, which takes the general way, put each pixel where it belongs and leave the rest.
TEST(Canvas, PlainCopiesOfEveryWidthIntoAWiderFormat) {
    auto colour = [](int x, int y) { return RGB(x * 20 + 5, y * 40 + 7, 255 - x * 9); };
    auto src = White(12, 3, pf24bit);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 12; ++x) src->Canvas()->SetPixel(x, y, colour(x, y));
    for (int w = 1; w <= 11; ++w)
        for (bool mirrored : {false, true}) {
            SCOPED_TRACE(testing::Message() << "width " << w << (mirrored ? " mirrored" : ""));
            auto dst = White(14, 4, pf32bit);
            const TRect from = mirrored ? TRect(w, 0, 0, 3) : TRect(1, 0, 1 + w, 3);
            dst->Canvas()->CopyRect(TRect(2, 1, 2 + w, 4), src->Canvas(), from);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 14; ++x) {
                    TColor want = clWhite;
                    if (x >= 2 && x < 2 + w && y >= 1) want = colour(mirrored ? w - (x - 2) : x - 1, y - 1);
                    EXPECT_EQ(dst->Canvas()->Pixel(x, y), want) << x << "," << y;
                }
        }
}

TEST(Bitmap, TransparentDrawSkipsTheKeyColour) {
    auto glyph = White(4, 4);
    glyph->Canvas()->Brush()->SetColor(clFuchsia);
    glyph->Canvas()->FillRect(TRect(0, 0, 4, 4));
    glyph->Canvas()->SetPixel(1, 1, clBlack);
    glyph->SetTransparent(true);
    EXPECT_EQ(glyph->TransparentColor(), clFuchsia);  // the bottom-left pixel
    auto dst = White(10, 10);
    dst->Canvas()->Draw(2, 2, glyph.get());
    EXPECT_EQ(dst->Canvas()->Pixel(3, 3), clBlack);
    EXPECT_EQ(dst->Canvas()->Pixel(2, 2), clWhite);
}

TEST(Bitmap, BmpRoundTripKeepsPixelsAndFormat) {
    for (TPixelFormat pf : {pf24bit, pf32bit}) {
        auto b = White(7, 5, pf);  // odd width: padded rows
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) b->Canvas()->SetPixel(x, y, RGB(x * 30, y * 50, (x + y) * 10));
        std::string path = std::string(QM_TEST_OUT) + "/roundtrip" + std::to_string(int(pf)) + ".bmp";
        b->SaveToFile(path);
        TBitmap r;
        r.LoadFromFile(path);
        EXPECT_EQ(r.PixelFormat(), pf);
        ASSERT_EQ(r.Width(), 7);
        ASSERT_EQ(r.Height(), 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) EXPECT_EQ(r.Canvas()->Pixel(x, y), RGB(x * 30, y * 50, (x + y) * 10));
        // Scan lines of a 24-bit bitmap are B, G, R.
        if (pf == pf24bit) {
            auto* row = static_cast<unsigned char*>(r.ScanLine(1));
            EXPECT_EQ(row[3 * 2 + 2], 60);
            EXPECT_EQ(row[3 * 2 + 1], 50);
        }
    }
}

TEST(Bitmap, HostileFilesAreRefused) {
    std::string path = std::string(QM_TEST_OUT) + "/hostile.bmp";
    {
        std::ofstream f(path, std::ios::binary);
        f << "BM\x10\x00\x00\x00garbage-that-is-not-a-bitmap";
    }
    TBitmap b;
    EXPECT_THROW(b.LoadFromFile(path), Exception);
    EXPECT_THROW(b.LoadFromFile(path + ".missing"), Exception);
    TPicture p;
    EXPECT_THROW(p.LoadFromFile(std::string(QM_TEST_OUT) + "/x.unknownext"), EInvalidGraphic);
}
