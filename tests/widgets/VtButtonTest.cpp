#include "widgets/VtButton.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/Forms.h"
#include "platform/ui/Themes.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {

struct ButtonForm {
    TForm* form;
    TVtControlButton* b;
    int clicks = 0;
    ButtonForm() {
        UiTest::Init();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 200, 120);
        form->SetColor(clBtnFace);
        b = new TVtControlButton(form);
        b->SetParent(form);
        b->SetBounds(20, 20, 17, 21);
        b->OnClick = [this](TObject*) { ++clicks; };
        form->Show();
        UiTest::Flush();
    }
    ~ButtonForm() { delete form; }
    std::unique_ptr<TBitmap> Shot() { return std::unique_ptr<TBitmap>(UiTest::Capture(b)); }
    int Count(TBitmap* s, TColor c) {
        int n = 0;
        for (int y = 0; y < s->Height(); ++y)
            for (int x = 0; x < s->Width(); ++x) n += s->Canvas()->Pixel(x, y) == ColorToRGB(c);
        return n;
    }
};

}  // namespace

TEST(VtControlButton, RepeatsWhileHeld) {
    ButtonForm f;
    f.b->SetRepeatClicks(true);
    EXPECT_EQ(f.b->RepeatTimer(), nullptr);
    UiTest::MouseDown(f.b, 5, 5);
    TTimer* t = f.b->RepeatTimer();
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->Enabled());
    EXPECT_EQ(t->Interval(), 400u);
    EXPECT_TRUE(f.b->Pressed());
    EXPECT_EQ(f.clicks, 0);
    t->OnTimer(t);
    EXPECT_EQ(t->Interval(), 100u);
    EXPECT_EQ(f.clicks, 1);
    t->OnTimer(t);
    EXPECT_EQ(f.clicks, 2);
    UiTest::MouseUp(f.b, 5, 5);
    EXPECT_EQ(f.clicks, 3);  // the release inside adds the last one
    EXPECT_FALSE(t->Enabled());
    EXPECT_FALSE(f.b->Pressed());
}

TEST(VtControlButton, ReleaseOutsideGivesNoClick) {
    ButtonForm f;
    f.b->SetRepeatClicks(true);
    UiTest::MouseDown(f.b, 5, 5);
    UiTest::MouseMove(f.b, 60, 5, MK_LBUTTON);
    UiTest::MouseUp(f.b, 60, 5);
    EXPECT_EQ(f.clicks, 0);
    EXPECT_FALSE(f.b->RepeatTimer()->Enabled());
    // Without repeat, a plain click.
    f.b->SetRepeatClicks(false);
    UiTest::Click(f.b, 5, 5);
    EXPECT_EQ(f.clicks, 1);
}

TEST(VtControlButton, DisabledRightButtonStartsTheTimerWithoutClicks) {
    ButtonForm f;
    f.b->SetRepeatClicks(true);
    f.b->SetEnabled(false);
    // The window system sends a disabled control nothing; a message that reaches it anyway (under capture).
    f.b->Perform(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    ASSERT_NE(f.b->RepeatTimer(), nullptr);
    EXPECT_TRUE(f.b->RepeatTimer()->Enabled());
    EXPECT_FALSE(f.b->Pressed());
    f.b->RepeatTimer()->OnTimer(f.b->RepeatTimer());
    EXPECT_EQ(f.clicks, 0);
    f.b->Perform(WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(f.b->RepeatTimer()->Enabled());
    UiTest::Click(f.b, 5, 5);
    EXPECT_EQ(f.clicks, 0);
}

TEST(VtControlButton, GlyphCells) {
    ButtonForm f;
    TBitmap g(24, 12);
    f.b->SetGlyph(&g);
    EXPECT_EQ(f.b->NumGlyphs(), 2);
    EXPECT_EQ(f.b->GetGlyphSize().cx, 12);
    TBitmap five(60, 12);
    f.b->SetGlyph(&five);
    EXPECT_EQ(f.b->NumGlyphs(), 1);  // more than 4 cells: one
    f.b->SetGlyph(nullptr);
    EXPECT_TRUE(f.b->GlyphEmpty());
    EXPECT_EQ(f.b->GetGlyphSize().cx, 0);

    // Cell 2 shows while disabled: a red normal cell, a blue disabled one, on a white transparent ground.
    TBitmap two(20, 10);
    two.Canvas()->Brush()->SetColor(clWhite);
    two.Canvas()->FillRect(TRect(0, 0, 20, 10));
    two.Canvas()->Brush()->SetColor(clRed);
    two.Canvas()->FillRect(TRect(2, 2, 8, 8));
    two.Canvas()->Brush()->SetColor(clBlue);
    two.Canvas()->FillRect(TRect(12, 2, 18, 8));
    f.b->SetGlyph(&two);
    UiTest::Flush();
    auto s = f.Shot();
    EXPECT_GT(f.Count(s.get(), clRed), 20);
    EXPECT_EQ(f.Count(s.get(), clBlue), 0);
    f.b->SetEnabled(false);
    UiTest::Flush();
    s = f.Shot();
    EXPECT_EQ(f.Count(s.get(), clRed), 0);
    EXPECT_GT(f.Count(s.get(), clBlue), 20);
}

TEST(VtControlButton, ClassicAndFlatFacesAndArrows) {
    ButtonForm f;
    f.b->SetStyle(cbsUp);
    UiTest::Flush();
    auto classic = f.Shot();
    classic->SaveToPNG(std::string(QM_TEST_OUT) + "/VtControlButton-classic.png");
    EXPECT_EQ(classic->Canvas()->Pixel(0, 0), ColorToRGB(clBtnHighlight));  // raised edge
    EXPECT_EQ(classic->Canvas()->Pixel(16, 20), ColorToRGB(cl3DDkShadow));
    EXPECT_GT(f.Count(classic.get(), clBtnText), 10);  // the arrow
    // Pressed: a one-pixel shadow ring.
    UiTest::MouseDown(f.b, 5, 5);
    UiTest::Flush();
    auto down = f.Shot();
    EXPECT_EQ(down->Canvas()->Pixel(0, 0), ColorToRGB(clBtnShadow));
    EXPECT_EQ(down->Canvas()->Pixel(16, 20), ColorToRGB(clBtnShadow));
    UiTest::MouseUp(f.b, 5, 5);

    // Flat at rest: no border, the colour all round; hovered: a border.
    f.b->SetFlat(true);
    f.b->SetColor(clYellow);
    f.b->SetStyle(cbsDropDown);
    UiTest::MouseMove(f.form, 150, 100);
    UiTest::Flush();
    auto flat = f.Shot();
    flat->SaveToPNG(std::string(QM_TEST_OUT) + "/VtControlButton-flat.png");
    EXPECT_EQ(flat->Canvas()->Pixel(0, 0), ColorToRGB(clYellow));
    EXPECT_EQ(flat->Canvas()->Pixel(16, 20), ColorToRGB(clYellow));
    EXPECT_GT(f.Count(flat.get(), clBtnText), 5);
    UiTest::MouseMove(f.b, 5, 5);
    UiTest::Flush();
    EXPECT_TRUE(f.b->MouseOver());
    auto hover = f.Shot();
    hover->SaveToPNG(std::string(QM_TEST_OUT) + "/VtControlButton-flat-hot.png");
    EXPECT_EQ(hover->Canvas()->Pixel(0, 0), ColorToRGB(clBtnHighlight));  // a thin raised border
    EXPECT_EQ(hover->Canvas()->Pixel(16, 20), ColorToRGB(clBtnShadow));
    // Disabled: the arrow greyed.
    f.b->SetEnabled(false);
    UiTest::Flush();
    auto off = f.Shot();
    EXPECT_EQ(f.Count(off.get(), clBtnText), 0);
}

TEST(VtControlButton, ThemedSpinPartsAndFlatRest) {
    ButtonForm f;
    ThemeServices()->SetThemesEnabled(true);
    f.b->SetStyle(cbsUp);
    f.b->SetColor(clYellow);
    UiTest::Flush();
    auto themed = f.Shot();
    themed->SaveToPNG(std::string(QM_TEST_OUT) + "/VtControlButton-themed.png");
    EXPECT_EQ(f.Count(themed.get(), clYellow), 0);  // the style's own face
    f.b->SetFlat(true);
    UiTest::MouseMove(f.form, 150, 100);
    UiTest::Flush();
    auto rest = f.Shot();
    EXPECT_EQ(rest->Canvas()->Pixel(0, 0), ColorToRGB(clYellow));  // at rest only the colour and the arrow
    EXPECT_GT(f.Count(rest.get(), clYellow), 17 * 21 / 2);
    ThemeServices()->SetThemesEnabled(false);
}
