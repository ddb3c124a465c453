#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Jpeg.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {
std::unique_ptr<TBitmap> Blank(int w, int h) {
    UiTest::Init();
    return std::make_unique<TBitmap>(w, h, pf24bit);
}
int Count(TCanvas* c, TRect r, TColor col) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) n += c->Pixel(x, y) == col;
    return n;
}
}  // namespace

TEST(CanvasMore, ViewportOriginMovesDrawingNotTheSurface) {
    auto b = Blank(30, 30);
    TCanvas* c = b->Canvas();
    c->SetViewportOrg(10, 5);
    c->Brush()->SetColor(clRed);
    c->FillRect(TRect(0, 0, 2, 2));
    EXPECT_EQ(c->Pixel(0, 0), clRed);  // logical coordinates
    c->SetViewportOrg(0, 0);
    EXPECT_EQ(c->Pixel(10, 5), clRed);
    EXPECT_EQ(c->Pixel(0, 0), clWhite);
    // Clip rectangles are logical when given, and stay put when the origin moves afterwards.
    c->SetViewportOrg(10, 10);
    c->IntersectClipRect(0, 0, 5, 5);
    c->SetViewportOrg(0, 0);
    EXPECT_EQ(c->ClipRect(), TRect(10, 10, 15, 15));
    c->Brush()->SetColor(clBlue);
    c->FillRect(TRect(0, 0, 30, 30));
    EXPECT_EQ(Count(c, TRect(0, 0, 30, 30), clBlue), 25);
}

TEST(CanvasMore, WidePensAndInsideFrame) {
    auto b = Blank(40, 40);
    TCanvas* c = b->Canvas();
    c->Brush()->SetStyle(bsClear);
    c->Pen()->SetColor(clBlack);
    c->Pen()->SetWidth(5);
    c->Pen()->SetStyle(psInsideFrame);
    c->Rectangle(10, 10, 30, 30);
    // The whole frame lies within the rectangle.
    EXPECT_EQ(c->Pixel(9, 20), clWhite);
    EXPECT_EQ(c->Pixel(30, 20), clWhite);
    EXPECT_EQ(c->Pixel(10, 20), clBlack);
    EXPECT_EQ(c->Pixel(14, 20), clBlack);
    EXPECT_EQ(c->Pixel(16, 20), clWhite);
    // A wide solid line has its width across it.
    auto l = Blank(40, 40);
    TCanvas* lc = l->Canvas();
    lc->Pen()->SetWidth(5);
    lc->MoveTo(5, 20);
    lc->LineTo(35, 20);
    EXPECT_EQ(Count(lc, TRect(20, 0, 21, 40), clBlack), 5);
}

TEST(CanvasMore, RasterModesOfThePen) {
    auto b = Blank(10, 10);
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(RGB(0xF0, 0x0F, 0x55));
    c->FillRect(TRect(0, 0, 10, 10));
    c->Pen()->SetColor(RGB(0x0F, 0x0F, 0xFF));
    c->Pen()->SetMode(pmMask);
    c->MoveTo(0, 1);
    c->LineTo(10, 1);
    EXPECT_EQ(c->Pixel(5, 1), RGB(0x00, 0x0F, 0x55));
    c->Pen()->SetMode(pmMerge);
    c->MoveTo(0, 2);
    c->LineTo(10, 2);
    EXPECT_EQ(c->Pixel(5, 2), RGB(0xFF, 0x0F, 0xFF));
    c->Pen()->SetMode(pmNop);
    c->MoveTo(0, 3);
    c->LineTo(10, 3);
    EXPECT_EQ(c->Pixel(5, 3), RGB(0xF0, 0x0F, 0x55));
    // Shapes filled in XOR vanish when drawn twice.
    c->Pen()->SetMode(pmXor);
    c->Brush()->SetColor(clWhite);
    c->Rectangle(2, 4, 8, 9);
    EXPECT_NE(c->Pixel(4, 6), RGB(0xF0, 0x0F, 0x55));
    c->Rectangle(2, 4, 8, 9);
    EXPECT_EQ(Count(c, TRect(0, 4, 10, 10), RGB(0xF0, 0x0F, 0x55)), 60);
    // Inverting a rectangle twice restores it; a focus rectangle too.
    c->Pen()->SetMode(pmCopy);
    c->InvertRect(TRect(0, 0, 10, 10));
    EXPECT_EQ(c->Pixel(0, 9), RGB(0x0F, 0xF0, 0xAA));
    c->InvertRect(TRect(0, 0, 10, 10));
    c->DrawFocusRect(TRect(1, 1, 9, 9));
    c->DrawFocusRect(TRect(1, 1, 9, 9));
    EXPECT_EQ(Count(c, TRect(0, 4, 10, 10), RGB(0xF0, 0x0F, 0x55)), 60);
}

TEST(CanvasMore, PatternBrushesFollowTheBrushOrigin) {
    auto pat = Blank(2, 2);
    pat->Canvas()->SetPixel(0, 0, clBlack);
    pat->Canvas()->SetPixel(1, 1, clBlack);
    auto b = Blank(8, 8);
    TCanvas* c = b->Canvas();
    c->Brush()->SetBitmap(pat.get());
    c->FillRect(TRect(0, 0, 8, 8));
    EXPECT_EQ(c->Pixel(0, 0), clBlack);
    EXPECT_EQ(c->Pixel(1, 0), clWhite);
    c->SetBrushOrg(1, 0);
    c->FillRect(TRect(0, 0, 8, 8));
    EXPECT_EQ(c->Pixel(0, 0), clWhite);
    EXPECT_EQ(c->Pixel(1, 0), clBlack);
    // A hatch brush made by handle.
    HBRUSH h = CreateHatchBrush(HS_VERTICAL, clRed);
    FillRect(c, TRect(0, 0, 8, 8), h);
    DeleteObject(h);
    EXPECT_EQ(Count(c, TRect(0, 0, 8, 8), clRed), 8);
}

TEST(CanvasMore, RegionsFillFrameAndOffset) {
    auto b = Blank(20, 20);
    TCanvas* c = b->Canvas();
    HRGN r = CreateRectRgn(2, 2, 12, 12);
    OffsetRgn(r, 3, 0);
    TBrush green;
    green.SetColor(clGreen);
    c->FrameRgn(r, &green, 1, 1);
    EXPECT_EQ(c->Pixel(5, 2), clGreen);
    EXPECT_EQ(c->Pixel(6, 6), clWhite);
    c->FillRgn(r, &green);
    EXPECT_EQ(Count(c, TRect(0, 0, 20, 20), clGreen), 100);
    HRGN e = CreateEllipticRgn(0, 0, 10, 10), x = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(x, r, e, RGN_XOR), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(x, 6, 5));  // in both
    EXPECT_TRUE(PtInRegion(x, 1, 5));   // in the ellipse only
    for (HRGN g : {r, e, x}) DeleteObject(g);
}

TEST(CanvasMore, TextRectClipsAndFillsItsRectangle) {
    auto b = Blank(60, 30);
    TCanvas* c = b->Canvas();
    c->Font()->SetName("Arial");
    c->Font()->SetSize(14);
    c->Brush()->SetColor(clYellow);
    c->TextRect(TRect(5, 5, 25, 25), 0, 5, "WWWWWW");
    EXPECT_EQ(c->Pixel(4, 10), clWhite);   // nothing left of the rectangle
    EXPECT_EQ(c->Pixel(26, 10), clWhite);  // nor right of it
    EXPECT_EQ(c->Pixel(5, 24), clYellow);  // the background is filled
}

TEST(CanvasMore, DrawTextWidensForALongWordAndUnderlinesTheAccelerator) {
    auto b = Blank(200, 60);
    TCanvas* c = b->Canvas();
    c->Font()->SetName("Arial");
    c->Font()->SetSize(10);
    TRect r(0, 0, 10, 0);
    c->DrawText("Extraordinarily", r, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(r.Right, c->TextWidth("Extraordinarily"));
    EXPECT_EQ(r.Bottom, c->TextHeight("X"));
    // The accelerator's underline sits below the baseline of that letter only.
    c->Brush()->SetStyle(bsClear);
    TRect t(0, 0, 200, 30);
    c->DrawText("a&bc", t, DT_SINGLELINE);
    int wa = c->TextWidth("a"), wb = c->TextWidth("b");
    TEXTMETRIC tm = c->GetTextMetrics();
    int uy = tm.tmAscent + 1;
    EXPECT_EQ(c->Pixel(wa + wb / 2, uy), clBlack);
    EXPECT_EQ(c->Pixel(wa + wb + c->TextWidth("c") / 2, uy), clWhite);
    // Empty text still has the height of a line.
    TRect e(0, 0, 100, 0);
    EXPECT_EQ(c->DrawText("", e, DT_CALCRECT), tm.tmHeight);
}

TEST(CanvasMore, BitmapResizeFormatsAndMonochrome) {
    auto b = Blank(4, 4);
    b->Canvas()->SetPixel(1, 1, clRed);
    b->SetSize(8, 6);
    EXPECT_EQ(b->Canvas()->Pixel(1, 1), clRed);
    EXPECT_EQ(b->Canvas()->Pixel(7, 5), clWhite);
    b->SetPixelFormat(pf32bit);
    EXPECT_EQ(b->BytesPerScanLine(), 32);
    EXPECT_EQ(static_cast<unsigned char*>(b->ScanLine(1))[4 + 2], 255);  // red of pixel 1 in B, G, R, X
    EXPECT_THROW(b->ScanLine(6), EInvalidGraphicOperation);
    b->SetMonochrome(true);
    EXPECT_EQ(b->Canvas()->Pixel(1, 1), clBlack);
    EXPECT_EQ(b->Canvas()->Pixel(0, 0), clWhite);
    TBitmap copy;
    copy.Assign(*b);
    EXPECT_EQ(copy.Width(), 8);
    EXPECT_TRUE(copy.Monochrome());

    // Sized one side at a time from empty, as forms and layers do.
    TBitmap grown;
    grown.SetWidth(5);
    EXPECT_EQ(grown.Width(), 5);
    EXPECT_TRUE(grown.Empty());
    grown.SetHeight(3);
    EXPECT_EQ(grown.Width(), 5);
    EXPECT_EQ(grown.Height(), 3);
    EXPECT_EQ(grown.Canvas()->Pixel(4, 2), clWhite);
}

TEST(CanvasMore, PicturesTakeTheClassOfTheirExtension) {
    UiTest::Init();
    std::string dir = QM_TEST_OUT;
    TBitmap src(6, 6, pf24bit);
    src.Canvas()->Brush()->SetColor(clBlue);
    src.Canvas()->FillRect(TRect(0, 0, 6, 6));
    TJPEGImage j;
    j.Assign(src);
    j.SetGrayscale(true);
    j.SaveToFile(dir + "/gray.jpeg");
    TPicture p;
    p.LoadFromFile(dir + "/gray.jpeg");
    ASSERT_NE(dynamic_cast<TJPEGImage*>(p.Graphic()), nullptr);
    TColor g = p.Bitmap()->Canvas()->Pixel(3, 3);  // now a bitmap
    EXPECT_NE(dynamic_cast<TBitmap*>(p.Graphic()), nullptr);
    EXPECT_EQ(GetRValue(g), GetBValue(g));  // grey
    src.SaveToFile(dir + "/blue.bmp");
    TPicture q;
    q.LoadFromFile(dir + "/blue.bmp");
    auto big = Blank(12, 12);
    big->Canvas()->StretchDraw(TRect(0, 0, 12, 12), q.Graphic());
    EXPECT_EQ(big->Canvas()->Pixel(11, 11), clBlue);
    EXPECT_TRUE(TPicture::IsRegistered("JPG"));
    EXPECT_FALSE(TPicture::IsRegistered("gif"));
}

TEST(CanvasMore, DeviceContextFunctionsWorkOnTheCanvas) {
    auto b = Blank(20, 20);
    HDC dc = b->Canvas()->Handle();
    EXPECT_EQ(SetROP2(dc, R2_XORPEN), R2_COPYPEN);
    EXPECT_EQ(dc->Pen()->Mode(), pmXor);
    SetROP2(dc, R2_COPYPEN);
    SetTextColor(dc, clRed);
    EXPECT_EQ(dc->Font()->Color(), clRed);
    TPoint old;
    SetViewportOrgEx(dc, 5, 5, &old);
    OffsetViewportOrgEx(dc, 1, 1, nullptr);
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 3, 0);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    EXPECT_EQ(GetPixel(dc, 6, 6), clBlack);
    EXPECT_EQ(GetPixel(dc, 9, 6), clWhite);
    TRect box;
    IntersectClipRect(dc, 0, 0, 10, 8);
    EXPECT_EQ(GetClipBox(dc, box), SIMPLEREGION);
    EXPECT_EQ(box, TRect(0, 0, 10, 8));
    TSize sz;
    dc->Font()->SetName("Arial");
    GetTextExtentPoint32(dc, "", sz);
    EXPECT_EQ(sz.cx, 0);
    EXPECT_GT(sz.cy, 0);
    EXPECT_EQ(MulDiv(8, 96, 72), 11);
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

// The Chinese faces keep half-width digits (a seconds edit laid out for them must hold "59.999"); their
// ideographs stay near the requested height, and Latin faces keep their own size.
TEST(CanvasMore, ChineseFacesKeepHalfWidthDigits) {
    auto b = Blank(10, 10);
    TCanvas* c = b->Canvas();
    for (const char* face : {"\xcb\xce\xcc\xe5", "WenQuanYi Micro Hei", "SimSun"}) {
        for (int h : {9, 12, 16, 24, 60}) {
            c->Font()->SetName(face);
            c->Font()->SetHeight(-h);
            SCOPED_TRACE(std::string(face) + " " + std::to_string(h));
            EXPECT_LE(c->TextWidth("0"), (h + 1) / 2);
            EXPECT_EQ(c->TextWidth("59.999"), c->TextWidth("60.000"));
            EXPECT_GE(c->TextWidth("\xcd\xbc"), h * 3 / 4);  // one ideograph
        }
    }
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-12);
    EXPECT_GT(c->TextWidth("0"), 6);
}
