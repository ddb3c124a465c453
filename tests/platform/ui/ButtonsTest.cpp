#include "platform/ui/Buttons.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/Forms.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {

struct SpeedForm {
    TForm* form;
    TSpeedButton* b;
    SpeedForm() {
        UiTest::Init();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 200, 100);
        b = new TSpeedButton(form);
        b->SetBounds(10, 10, 80, 40);
        b->SetParent(form);
        form->Show();
        UiTest::Flush();
    }
    ~SpeedForm() { delete form; }
    TColor GlyphCentre() {
        TRect g, t;
        b->ContentRects(g, t);
        std::unique_ptr<TBitmap> s(UiTest::Capture(b));
        return s->Canvas()->Pixel(g.Left + g.Width() / 2, g.Top + g.Height() / 2);
    }
};

// Cells of 10 x 10 in the given colours, each with a one-pixel ring of the fuchsia key at its bottom left.
std::unique_ptr<TBitmap> Cells(std::initializer_list<TColor> colours) {
    auto b = std::make_unique<TBitmap>(10 * int(colours.size()), 10);
    int i = 0;
    for (TColor c : colours) {
        b->Canvas()->Brush()->SetColor(clFuchsia);
        b->Canvas()->FillRect(TRect(i * 10, 0, i * 10 + 10, 10));
        b->Canvas()->Brush()->SetColor(c);
        b->Canvas()->FillRect(TRect(i * 10 + 1, 0, i * 10 + 10, 9));
        ++i;
    }
    return b;
}

}  // namespace

TEST(SpeedButton, GlyphAndCaptionByLayoutMarginAndSpacing) {
    SpeedForm f;
    auto g = Cells({clRed});
    f.b->SetGlyph(g.get());
    f.b->SetCaption("Go");
    TBitmap probe(1, 1);
    probe.Canvas()->SetFont(*f.b->Font());
    TSize t = probe.Canvas()->TextExtent("Go");
    TRect gr, tr;
    // Centred together: glyph, 4 pixels, caption.
    f.b->ContentRects(gr, tr);
    EXPECT_EQ(gr.Width(), 10);
    EXPECT_EQ(tr.Left, gr.Right + 4);
    EXPECT_EQ(gr.Left, (80 - (10 + 4 + t.cx) + 1) / 2);
    EXPECT_EQ(gr.Top, (40 - 10 + 1) / 2);
    f.b->SetMargin(3);
    f.b->ContentRects(gr, tr);
    EXPECT_EQ(gr.Left, 3);
    f.b->SetLayout(blGlyphRight);
    f.b->SetSpacing(6);
    f.b->ContentRects(gr, tr);
    EXPECT_EQ(gr.Right, 80 - 3);
    EXPECT_EQ(tr.Right, gr.Left - 6);
    f.b->SetLayout(blGlyphBottom);
    f.b->ContentRects(gr, tr);
    EXPECT_EQ(gr.Bottom, 40 - 3);
    EXPECT_EQ(tr.Bottom, gr.Top - 6);
    EXPECT_EQ(gr.Left, (80 - 10 + 1) / 2);
    // Spacing -1 shares the room left between margin, glyph and caption.
    f.b->SetLayout(blGlyphTop);
    f.b->SetMargin(-1);
    f.b->SetSpacing(-1);
    f.b->ContentRects(gr, tr);
    int third = (40 - 10 - t.cy) / 3;
    EXPECT_EQ(gr.Top, third);
    EXPECT_EQ(tr.Top, gr.Bottom + third);
    // Values below -1 are taken as -1.
    f.b->SetMargin(-7);
    EXPECT_EQ(f.b->Margin(), -1);
}

TEST(SpeedButton, GlyphCellFollowsTheState) {
    SpeedForm f;
    auto g = Cells({clRed, clGray, clBlue, clLime});
    f.b->SetGlyph(g.get());
    EXPECT_EQ(f.b->NumGlyphs(), 4);
    EXPECT_EQ(f.GlyphCentre(), ColorToRGB(clRed));
    // The key colour of the bottom-left pixel is left out.
    {
        TRect gr, tr;
        f.b->ContentRects(gr, tr);
        std::unique_ptr<TBitmap> s(UiTest::Capture(f.b));
        EXPECT_NE(s->Canvas()->Pixel(gr.Left, gr.Bottom - 1), ColorToRGB(clFuchsia));
    }
    f.b->SetEnabled(false);
    EXPECT_EQ(f.GlyphCentre(), ColorToRGB(clGray));
    f.b->SetEnabled(true);
    f.b->SetGroupIndex(1);
    f.b->SetDown(true);
    // Down draws the fourth cell one pixel in; the glyph rectangle is that of an unsunk face.
    TRect gr, tr;
    f.b->ContentRects(gr, tr);
    std::unique_ptr<TBitmap> s(UiTest::Capture(f.b));
    EXPECT_EQ(s->Canvas()->Pixel(gr.Left + 5, gr.Top + 5), ColorToRGB(clLime));
    // A two-cell strip has no down cell: the first one stands in.
    auto two = Cells({clRed, clGray});
    f.b->SetGlyph(two.get());
    EXPECT_EQ(f.b->NumGlyphs(), 2);
    s.reset(UiTest::Capture(f.b));
    EXPECT_EQ(s->Canvas()->Pixel(gr.Left + 5, gr.Top + 5), ColorToRGB(clRed));
    f.b->SetGlyph(nullptr);
    EXPECT_EQ(f.b->Glyph(), nullptr);
}
