#include "widgets/VtRadChk.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtPanel.h"

namespace {

struct GlyphForm {
    TForm* form;
    TVtGroupBox *g1, *g2;
    TVtRadioButton *r1, *r2, *r3;
    TVtCheckBox* cb;
    int clicks = 0, cbClicks = 0;
    GlyphForm() {
        UiTest::Init();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 400, 200);
        form->SetColor(clBtnFace);
        g1 = new TVtGroupBox(form);
        g1->SetParent(form);
        g1->SetBounds(0, 0, 190, 100);
        g2 = new TVtGroupBox(form);
        g2->SetParent(form);
        g2->SetBounds(200, 0, 190, 100);
        auto radio = [&](TWinControl* p, int top, const char* caption) {
            auto* r = new TVtRadioButton(form);
            r->SetParent(p);
            r->SetBounds(8, top, 150, 17);
            r->SetCaption(caption);
            r->OnClick = [this](TObject*) { ++clicks; };
            return r;
        };
        r1 = radio(g1, 20, "一");
        r2 = radio(g1, 40, "二");
        r3 = radio(g2, 20, "三");
        cb = new TVtCheckBox(form);
        cb->SetParent(form);
        cb->SetBounds(8, 120, 150, 17);
        cb->SetCaption("&Check");
        cb->OnClick = [this](TObject*) { ++cbClicks; };
        form->Show();
        UiTest::Flush();
    }
    ~GlyphForm() { delete form; }
    TColor At(TControl* c, int x, int y) {
        std::unique_ptr<TBitmap> s(UiTest::Capture(c));
        return s->Canvas()->Pixel(x, y);
    }
};

}  // namespace

TEST(VtRadioButton, ChecksUncheckSiblingsOfTheSameParentOnly) {
    GlyphForm f;
    f.r3->SetChecked(true);
    f.r1->SetChecked(true);
    EXPECT_TRUE(f.r1->Checked());
    EXPECT_TRUE(f.r3->Checked());  // another group box
    EXPECT_TRUE(f.r1->TabStop());
    EXPECT_FALSE(f.r2->TabStop());
    f.r2->SetChecked(true);
    EXPECT_FALSE(f.r1->Checked());
    EXPECT_FALSE(f.r1->TabStop());
    EXPECT_TRUE(f.r3->Checked());
    EXPECT_EQ(f.clicks, 3);
}

TEST(VtRadioButton, MouseChecksOnceAndKeyboardFocusChecks) {
    GlyphForm f;
    UiTest::Click(f.r2, 5, 5);
    EXPECT_TRUE(f.r2->Checked());
    EXPECT_EQ(f.clicks, 1);  // the focus from the press does not click again
    // Dragging out before the release does not check.
    UiTest::MouseDown(f.r1, 5, 5);
    UiTest::MouseMove(f.r1, 300, 5, MK_LBUTTON);
    EXPECT_FALSE(f.r1->Pressed());
    UiTest::MouseUp(f.r1, 300, 5);
    EXPECT_FALSE(f.r1->Checked());
    f.cb->SetFocus();
    f.r1->SetFocus();  // as tabbing onto it
    EXPECT_TRUE(f.r1->Checked());
    EXPECT_FALSE(f.r2->Checked());
}

TEST(VtCheckBox, CyclesAndClicksOnEveryChange) {
    GlyphForm f;
    f.cb->SetAllowGrayed(true);
    UiTest::Click(f.cb, 5, 5);
    EXPECT_EQ(f.cb->State(), cbGrayed);
    UiTest::Click(f.cb, 5, 5);
    EXPECT_EQ(f.cb->State(), cbChecked);
    EXPECT_TRUE(f.cb->Checked());
    UiTest::Click(f.cb, 5, 5);
    EXPECT_EQ(f.cb->State(), cbUnchecked);
    EXPECT_EQ(f.cbClicks, 3);
    f.cb->SetState(cbChecked);  // from code too
    EXPECT_EQ(f.cbClicks, 4);
    f.cb->SetChecked(true);  // no change, no click
    EXPECT_EQ(f.cbClicks, 4);
    // Space toggles on release; Escape in between cancels.
    f.cb->SetFocus();
    UiTest::Key(VK_SPACE);
    EXPECT_EQ(f.cb->State(), cbUnchecked);
    EXPECT_FALSE(f.cb->Pressed());
    // The accelerator toggles it as well.
    f.form->Perform(CM_DIALOGCHAR, 'c', 0);
    EXPECT_EQ(f.cb->State(), cbGrayed);
}

TEST(VtGlyphButton, CustomStripCellsAndGlyphPlace) {
    GlyphForm f;
    TBitmap strip(54, 13);
    for (int i = 0; i < 6; ++i) {
        strip.Canvas()->Brush()->SetColor(RGB(10 * i, 200, 40));
        strip.Canvas()->FillRect(TRect(9 * i, 0, 9 * i + 9, 13));
    }
    f.r1->SetCustomGlyphs(&strip);
    EXPECT_TRUE(f.r1->UseCustomGlyphs());
    EXPECT_EQ(f.r1->GlyphWidth(), 9);
    EXPECT_EQ(f.r1->GlyphHeight(), 13);
    EXPECT_EQ(f.r1->GlyphRect(), Bounds(0, 2, 9, 13));  // avTop
    EXPECT_EQ(f.At(f.r1, 4, 8), RGB(0, 200, 40));      // cell 0: unchecked
    f.r1->SetChecked(true);
    EXPECT_EQ(f.At(f.r1, 4, 8), RGB(10, 200, 40));
    f.r1->SetEnabled(false);
    EXPECT_EQ(f.At(f.r1, 4, 8), RGB(50, 200, 40));  // cell 5: checked, disabled
    f.r1->SetAlignment(taLeftJustify);
    EXPECT_EQ(f.r1->GlyphRect(), Bounds(150 - 9, 2, 9, 13));
}

TEST(VtGlyphButton, HotTrackKeysMapToComputedColours) {
    GlyphForm f;
    const TColor frame = RGB(40, 80, 160), face = ColorToRGB(clBtnFace);
    f.cb->SetHotTrack(true);
    f.cb->SetFrameColor(frame);
    // One pixel per key: gray (frame), red (window at rest), blue (the highlight of the mark).
    EXPECT_EQ(f.At(f.cb, 0, 2), frame);
    EXPECT_EQ(f.At(f.cb, 1, 3), ColorToRGB(clWindow));
    f.cb->SetChecked(true);
    EXPECT_EQ(f.At(f.cb, 2, 2 + 7), ColorToRGB(clHighlight));
    f.cb->SetEnabled(false);
    EXPECT_EQ(f.At(f.cb, 1, 3), face);                       // DisabledColor
    EXPECT_EQ(f.At(f.cb, 2, 2 + 7), ColorToRGB(clBtnShadow));  // the mark
    f.r1->SetHotTrack(true);
    f.r1->SetFrameColor(frame);
    // black: the frame; aqua: green, blended with the background; the ground: the control's colour.
    EXPECT_EQ(f.At(f.r1, 4, 2 + 1), frame);
    EXPECT_EQ(f.At(f.r1, 2, 2 + 1), ColorToRGB(BlendColors(frame, f.r1->Color(), 128)));
    EXPECT_EQ(f.At(f.r1, 0, 2), ColorToRGB(f.r1->Color()));
    // A frame colour equal to a key moves off it.
    f.r1->SetFrameColor(clGray);
    EXPECT_EQ(f.At(f.r1, 4, 2 + 1), TColor(clGray + 1));
}

TEST(VtGlyphButton, ClassicLookAndCaption) {
    GlyphForm f;
    std::unique_ptr<TBitmap> s(UiTest::Capture(f.cb));
    // The classic box: shadow on the outer top-left, window inside; the caption right of the glyph.
    EXPECT_EQ(s->Canvas()->Pixel(0, 2), ColorToRGB(clBtnShadow));
    EXPECT_EQ(s->Canvas()->Pixel(6, 8), ColorToRGB(clWindow));
    int ink = 0;
    for (int y = 0; y < 17; ++y)
        for (int x = 17; x < 60; ++x) {
            TColor c = s->Canvas()->Pixel(x, y);
            ink += GetRValue(c) + GetGValue(c) + GetBValue(c) < 300;
        }
    EXPECT_GT(ink, 5);
    f.r1->SetCaption("");
    f.r1->SetFocus();  // no caption, no focus border
    UiTest::SavePng(f.form, std::string(QM_TEST_OUT) + "/VtRadChk.png");
}
