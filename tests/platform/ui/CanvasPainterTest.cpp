// Drawing keeps a painter open on an image between canvas calls: whatever touches the pixels next, with no
// canvas call between, must see every stroke, and nothing drawn afterwards may reach a copy made before.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Themes.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {
std::unique_ptr<TBitmap> White(int w, int h, TPixelFormat pf = pf32bit) {
    UiTest::Init();
    return std::make_unique<TBitmap>(w, h, pf);
}

// A square filled in a colour, without an outline (so only the painter draws it).
void Square(TCanvas* c, int x, int y, int size, TColor col) {
    c->Pen()->SetStyle(psClear);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(col);
    TPoint pts[4] = {{x, y}, {x + size, y}, {x + size, y + size}, {x, y + size}};
    c->Polygon(pts, 4);
}

// B, G, R of a pixel read straight from the scan line.
TColor ScanPixel(TBitmap& b, int x, int y) {
    const auto* row = static_cast<const unsigned char*>(b.ScanLine(y));
    int step = b.PixelFormat() == pf24bit ? 3 : 4;
    const unsigned char* p = row + x * step;
    return RGB(p[2], p[1], p[0]);
}

std::string TempPath(const char* name) { return std::string(QM_TEST_OUT) + "/" + name; }
}  // namespace

TEST(CanvasPainter, DirectReadsSeeWhatWasJustDrawn) {
    for (TPixelFormat pf : {pf24bit, pf32bit}) {
        auto b = White(40, 30, pf);
        Square(b->Canvas(), 5, 5, 10, clRed);
        EXPECT_EQ(ScanPixel(*b, 8, 8), clRed);
        Square(b->Canvas(), 20, 5, 10, clBlue);
        EXPECT_EQ(b->Canvas()->Pixel(22, 8), clBlue);
        Square(b->Canvas(), 5, 18, 10, clLime);
        EXPECT_EQ(ScanPixel(*b, 8, 20), clLime);
        EXPECT_EQ(ScanPixel(*b, 30, 25), clWhite);
    }
}

TEST(CanvasPainter, DirectWritesThenDrawingKeepBoth) {
    auto b = White(40, 30, pf24bit);
    Square(b->Canvas(), 0, 0, 4, clBlue);  // leaves a painter open
    auto* row = static_cast<unsigned char*>(b->ScanLine(10));
    row[3 * 30 + 0] = 0;  // B
    row[3 * 30 + 1] = 0;  // G
    row[3 * 30 + 2] = 255;
    b->Canvas()->SetPixel(31, 10, clLime);
    Square(b->Canvas(), 5, 5, 10, clBlue);
    EXPECT_EQ(b->Canvas()->Pixel(30, 10), clRed);
    EXPECT_EQ(b->Canvas()->Pixel(31, 10), clLime);
    EXPECT_EQ(b->Canvas()->Pixel(8, 8), clBlue);
    // Drawing over a written pixel covers it.
    b->Canvas()->SetPixel(12, 12, clYellow);
    Square(b->Canvas(), 10, 10, 5, clNavy);
    EXPECT_EQ(b->Canvas()->Pixel(12, 12), clNavy);
}

TEST(CanvasPainter, CopiesTakeTheDrawingAndNothingAfter) {
    auto a = White(40, 30);
    Square(a->Canvas(), 5, 5, 10, clRed);
    TBitmap assigned;
    assigned.Assign(*a);
    auto blitted = White(40, 30);
    blitted->Canvas()->BitBlt(0, 0, 40, 30, a->Canvas(), 0, 0, SRCCOPY);
    auto drawn = White(40, 30);
    drawn->Canvas()->Draw(0, 0, a.get());
    TPicture picture;
    picture.SetGraphic(a.get());
    Square(a->Canvas(), 5, 5, 10, clBlue);  // after every copy
    for (TBitmap* copy : {&assigned, blitted.get(), drawn.get(), picture.Bitmap()}) {
        EXPECT_EQ(copy->Canvas()->Pixel(8, 8), clRed);
        EXPECT_EQ(ScanPixel(*copy, 8, 8), clRed);
    }
    EXPECT_EQ(a->Canvas()->Pixel(8, 8), clBlue);
    // A copy onto the bitmap itself, between two drawings.
    a->Canvas()->CopyRect(TRect(20, 0, 40, 20), a->Canvas(), TRect(0, 0, 20, 20));
    Square(a->Canvas(), 0, 0, 20, clGreen);
    EXPECT_EQ(a->Canvas()->Pixel(28, 8), clBlue);
    EXPECT_EQ(a->Canvas()->Pixel(8, 8), clGreen);
}

TEST(CanvasPainter, SavedFilesHoldTheDrawing) {
    auto a = White(20, 20, pf24bit);
    Square(a->Canvas(), 2, 2, 6, clRed);
    std::string bmp = TempPath("painter-kept.bmp"), png = TempPath("painter-kept.png");
    a->SaveToFile(bmp);
    Square(a->Canvas(), 10, 10, 6, clBlue);
    a->SaveToPNG(png);
    TBitmap fromBmp, fromPng;
    fromBmp.LoadFromFile(bmp);
    fromPng.LoadFromFile(png);
    EXPECT_EQ(fromBmp.Canvas()->Pixel(4, 4), clRed);
    EXPECT_EQ(fromBmp.Canvas()->Pixel(12, 12), clWhite);
    EXPECT_EQ(fromPng.Canvas()->Pixel(4, 4), clRed);
    EXPECT_EQ(fromPng.Canvas()->Pixel(12, 12), clBlue);
    std::remove(bmp.c_str());
    std::remove(png.c_str());
}

TEST(CanvasPainter, ReplacedPixelsTakeLaterDrawing) {
    auto a = White(20, 20);
    Square(a->Canvas(), 2, 2, 6, clRed);
    a->SetSize(40, 40);
    Square(a->Canvas(), 25, 25, 6, clBlue);
    EXPECT_EQ(a->Canvas()->Pixel(4, 4), clRed);
    EXPECT_EQ(a->Canvas()->Pixel(27, 27), clBlue);
    a->SetPixelFormat(pf24bit);
    Square(a->Canvas(), 10, 10, 4, clLime);
    EXPECT_EQ(ScanPixel(*a, 27, 27), clBlue);
    EXPECT_EQ(ScanPixel(*a, 11, 11), clLime);
    auto other = White(10, 10);
    Square(other->Canvas(), 0, 0, 10, clYellow);
    a->Assign(*other);
    Square(a->Canvas(), 0, 0, 3, clNavy);
    EXPECT_EQ(a->Canvas()->Pixel(1, 1), clNavy);
    EXPECT_EQ(a->Canvas()->Pixel(5, 5), clYellow);
    EXPECT_EQ(other->Canvas()->Pixel(1, 1), clYellow);
}

TEST(CanvasPainter, EveryCallStartsFromTheCanvasState) {
    auto b = White(60, 40);
    TCanvas* c = b->Canvas();
    // A clip set and removed between two drawings.
    c->IntersectClipRect(0, 0, 10, 10);
    Square(c, 0, 0, 20, clRed);
    EXPECT_EQ(c->Pixel(15, 15), clWhite);
    c->SelectClipRgn(nullptr);
    Square(c, 0, 0, 20, clBlue);
    EXPECT_EQ(c->Pixel(15, 15), clBlue);
    int saved = c->SaveDC();
    c->IntersectClipRect(30, 0, 40, 10);
    Square(c, 30, 0, 20, clRed);
    c->RestoreDC(saved);
    Square(c, 45, 15, 5, clGreen);
    EXPECT_EQ(c->Pixel(35, 5), clRed);
    EXPECT_EQ(c->Pixel(45, 5), clWhite);
    EXPECT_EQ(c->Pixel(47, 17), clGreen);
    // Rotated, clipped text leaves no turn and no clip behind it.
    c->Font()->SetEscapement(900);
    c->TextOut(5, 35, "Ab");
    c->Font()->SetEscapement(0);
    TRect r(0, 30, 4, 34);
    c->DrawText("Ab", r, DT_SINGLELINE);
    Square(c, 50, 30, 6, clNavy);
    EXPECT_EQ(c->Pixel(50, 30), clNavy);
    EXPECT_EQ(c->Pixel(55, 35), clNavy);
    EXPECT_EQ(c->Pixel(56, 36), clWhite);
}

TEST(CanvasPainter, PenAndBrushOfEarlierShapesStayOutOfOtherDrawing) {
    // Backend styles draw with whatever pen and brush they find: the same element on a fresh bitmap and on
    // one where shapes have just left a hatched brush and a wide dashed pen behind.
    auto fresh = White(60, 40), used = White(60, 40);
    TCanvas* c = used->Canvas();
    c->Brush()->SetStyle(bsDiagCross);
    c->Brush()->SetColor(clRed);
    c->Pen()->SetWidth(5);
    c->Pen()->SetStyle(psDash);
    c->Pen()->SetColor(clBlue);
    c->Ellipse(0, 0, 60, 40);
    TPoint line[2] = {{0, 20}, {60, 20}};
    c->Polyline(line, 2);
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clWhite);
    c->FillRect(TRect(0, 0, 60, 40));
    for (TThemedPart part : {tpPushButton, tpCheckBox, tpProgressBar, tpTab}) {
        TThemedElementDetails d = ThemeServices()->GetElementDetails(part, tsNormal, tcChecked);
        ThemeServices()->DrawElement(fresh->Canvas(), d, TRect(5, 5, 55, 35));
        ThemeServices()->DrawElement(c, d, TRect(5, 5, 55, 35));
        int differ = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x) differ += fresh->Canvas()->Pixel(x, y) != c->Pixel(x, y);
        EXPECT_EQ(differ, 0) << int(part);
    }
}

TEST(CanvasPainter, WindowSurfaceShowsAndCopiesWhatWasDrawnOutsidePaint) {
    UiTest::Init();
    TForm f(nullptr);
    f.SetBounds(0, 0, 200, 120);
    f.SetColor(clWhite);
    TLabel l(nullptr);
    l.SetParent(&f);
    l.SetBounds(60, 10, 30, 30);
    f.Show();
    UiTest::Flush();
    TRect wc = f.WindowClientRect();
    // Two canvases on one surface, each with its own clip, taking turns.
    Square(f.Canvas(), 0, 0, 100, clRed);
    Square(l.Canvas(), -10, -10, 100, clBlue);
    Square(f.Canvas(), 100, 50, 20, clLime);
    std::unique_ptr<TBitmap> s(f.CopySurface());
    EXPECT_EQ(s->Canvas()->Pixel(wc.Left + 5, wc.Top + 5), clRed);
    EXPECT_EQ(s->Canvas()->Pixel(wc.Left + 70, wc.Top + 20), clBlue);
    EXPECT_EQ(s->Canvas()->Pixel(wc.Left + 95, wc.Top + 20), clRed);  // beside the label
    EXPECT_EQ(s->Canvas()->Pixel(wc.Left + 110, wc.Top + 60), clLime);
    Square(f.Canvas(), 150, 80, 10, clNavy);
    std::unique_ptr<TBitmap> shown(UiTest::Capture(&f));
    EXPECT_EQ(shown->Canvas()->Pixel(wc.Left + 155, wc.Top + 85), clNavy);
    EXPECT_EQ(s->Canvas()->Pixel(wc.Left + 155, wc.Top + 85), clWhite);
}
