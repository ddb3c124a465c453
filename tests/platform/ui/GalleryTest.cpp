#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {
// A test control that paints with the canvas operations the controls and the map window use.
class TGallery : public TCustomControl {
public:
    using TCustomControl::TCustomControl;

protected:
    void Paint() override {
        TCanvas* c = Canvas();
        c->Brush()->SetColor(clWhite);
        c->FillRect(ClientRect());
        // Shapes.
        c->Pen()->SetColor(clBlack);
        c->Brush()->SetColor(clAqua);
        c->Ellipse(10, 10, 50, 40);
        c->RoundRect(60, 10, 110, 40, 10, 10);
        c->Brush()->SetColor(clYellow);
        c->Pie(120, 10, 160, 50, 160, 30, 140, 10);  // the upper right quarter
        c->Arc(170, 10, 210, 50, 210, 30, 170, 30);  // the upper half
        // A geometric pen with flat caps, 9 pixels wide, filled with a hatch.
        LOGBRUSH lb{BS_HATCHED, clRed, HS_CROSS};
        HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER, 9, lb, 0, nullptr);
        c->Pen()->SetHandle(pen);
        DeleteObject(pen);
        c->MoveTo(20, 70);
        c->LineTo(100, 70);
        c->Pen()->SetWidth(1);
        c->Pen()->SetStyle(psSolid);
        c->Pen()->SetHandle(nullptr);
        c->Pen()->Assign(TPen());
        // Text aligned to its right bottom corner, with a transparent background.
        c->Font()->SetName("Arial");
        c->Font()->SetSize(9);
        c->Font()->SetColor(clNavy);
        c->SetBkMode(TRANSPARENT);
        c->SetTextAlign(TA_RIGHT | TA_BOTTOM);
        c->TextOut(200, 100, "Right");
        c->SetTextAlign(TA_LEFT | TA_TOP);
        // Tabs expanded in drawn text.
        TRect tr(10, 100, 200, 120);
        c->DrawText("a\tb", tr, DT_EXPANDTABS | DT_SINGLELINE | DT_NOCLIP);
        // Rotated caption and Chinese text.
        c->Font()->SetEscapement(450);
        c->TextOut(20, 180, "45 degrees");
        c->Font()->SetEscapement(0);
        c->Font()->SetName("\xcb\xce\xcc\xe5");
        c->TextOut(120, 150, "\xb1\xb1\xbe\xa9 1954");
    }
};
}  // namespace

TEST(Gallery, EveryCanvasOperationOnAControl) {
    UiTest::Init();
    TForm form(nullptr);
    form.SetBounds(0, 0, 240, 200);
    auto* g = new TGallery(&form);
    g->SetParent(&form);
    g->SetAlign(alClient);
    form.Show();
    std::unique_ptr<TBitmap> shot(UiTest::Capture(g));
    shot->SaveToPNG(std::string(QM_TEST_OUT) + "/gallery.png");
    TCanvas* c = shot->Canvas();
    EXPECT_EQ(c->Pixel(30, 25), clAqua);   // inside the ellipse
    EXPECT_EQ(c->Pixel(11, 11), clWhite);  // outside it, in the bounding box's corner
    EXPECT_EQ(c->Pixel(150, 20), clYellow);  // inside the pie's quarter
    EXPECT_EQ(c->Pixel(130, 40), clWhite);   // the rest of the circle is not filled
    // The arc: its top point is drawn, its bottom is not.
    bool top = false, bottom = false;
    for (int y = 9; y <= 12; ++y) top |= c->Pixel(190, y) == clBlack;
    for (int y = 47; y <= 50; ++y) bottom |= c->Pixel(190, y) == clBlack;
    EXPECT_TRUE(top);
    EXPECT_FALSE(bottom);
    // The flat-capped pen starts at x = 20 and its hatch leaves gaps.
    int red = 0, gaps = 0;
    for (int x = 20; x < 100; ++x) (c->Pixel(x, 70) == clRed ? red : gaps)++;
    EXPECT_GT(red, 0);
    EXPECT_GT(gaps, 0);
    EXPECT_NE(c->Pixel(18, 72), clRed);
    // Right-bottom aligned text ends left of and above its reference point.
    bool inkLeft = false;
    for (int x = 170; x < 200; ++x)
        for (int y = 85; y < 100; ++y) inkLeft |= c->Pixel(x, y) == clNavy;
    EXPECT_TRUE(inkLeft);
    for (int y = 85; y < 110; ++y) EXPECT_NE(c->Pixel(201, y), clNavy);
    for (int x = 170; x < 205; ++x) EXPECT_NE(c->Pixel(x, 101), clNavy);
}
