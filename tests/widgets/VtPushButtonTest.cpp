#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtButton.h"

namespace {

struct PushForm {
    TForm* form;
    PushForm() {
        UiTest::Init();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 400, 200);
        form->SetColor(clBtnFace);
        form->Show();
        UiTest::Flush();
    }
    ~PushForm() { delete form; }
    template <class T>
    T* Add(int l, int t, int w, int h) {
        auto* c = new T(form);
        c->SetParent(form);
        c->SetBounds(l, t, w, h);
        return c;
    }
};

TColor Px(TBitmap* s, int x, int y) { return s->Canvas()->Pixel(x, y); }
TColor Rgb(TColor c) { return ColorToRGB(c); }

}  // namespace

TEST(VtButton, PressDragOutAndBackRelease) {
    PushForm f;
    auto* b = f.Add<TVtButton>(10, 10, 75, 25);
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    UiTest::MouseDown(b, 10, 10);
    EXPECT_TRUE(b->Pressed());
    UiTest::MouseMove(b, 10, 25, MK_LBUTTON);  // the bottom row still counts while moving
    EXPECT_TRUE(b->Pressed());
    UiTest::MouseMove(b, 100, 10, MK_LBUTTON);
    EXPECT_FALSE(b->Pressed());
    UiTest::MouseMove(b, 10, 10, MK_LBUTTON);
    EXPECT_TRUE(b->Pressed());
    UiTest::MouseUp(b, 10, 10);
    EXPECT_EQ(clicks, 1);
    UiTest::MouseDown(b, 10, 10);
    UiTest::MouseUp(b, 100, 10);  // released outside
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(b->Pressed());
    b->SetFocus();
    UiTest::Key(VK_SPACE);
    EXPECT_EQ(clicks, 2);
}

TEST(VtButton, GroupDownRules) {
    PushForm f;
    auto* a = f.Add<TVtButton>(10, 10, 75, 25);
    auto* b = f.Add<TVtButton>(90, 10, 75, 25);
    a->SetDown(true);
    EXPECT_FALSE(a->Down());  // no group, never down
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    a->SetDown(true);
    EXPECT_EQ(a->State(), 3);
    b->SetDown(true);
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(a->State(), 0);
    UiTest::Click(b, 5, 5);  // the only down button of the group stays down
    EXPECT_TRUE(b->Down());
    b->SetAllowAllUp(true);
    EXPECT_TRUE(a->AllowAllUp());  // copied through the group message
    UiTest::Click(b, 5, 5);
    EXPECT_FALSE(b->Down());
}

TEST(VtButton, HotTrackRestingFaceAndRings) {
    PushForm f;
    auto* b = f.Add<TVtButton>(10, 10, 40, 20);
    b->SetHotTrack(true);
    EXPECT_TRUE(b->Transparent());
    std::unique_ptr<TBitmap> s(UiTest::Capture(b));
    TColor face = Rgb(clBtnFace), c1 = Rgb(DarkerColor(clBtnFace, 20)), c2 = Rgb(LighterColor(clBtnFace, 20));
    EXPECT_EQ(Px(s.get(), 0, 5), c1);
    EXPECT_EQ(Px(s.get(), 5, 0), c1);
    EXPECT_EQ(Px(s.get(), 39, 5), c2);
    EXPECT_EQ(Px(s.get(), 5, 19), c2);
    EXPECT_EQ(Px(s.get(), 1, 1), c1);
    EXPECT_EQ(Px(s.get(), 38, 18), c2);
    EXPECT_EQ(Px(s.get(), 0, 0), face);  // outside the rounded ring
    EXPECT_EQ(Px(s.get(), 1, 5), Rgb(cl3DDkShadow));  // inner ring
    // The face: three light rows, then the shaded lines at the bottom right.
    EXPECT_EQ(Px(s.get(), 20, 2), Rgb(LighterColor(clBtnFace, 20)));
    EXPECT_EQ(Px(s.get(), 20, 3), Rgb(LighterColor(clBtnFace, 15)));
    EXPECT_EQ(Px(s.get(), 20, 4), Rgb(LighterColor(clBtnFace, 10)));
    EXPECT_EQ(Px(s.get(), 20, 17), Rgb(DarkerColor(clBtnFace, 30)));
    EXPECT_EQ(Px(s.get(), 20, 16), Rgb(DarkerColor(clBtnFace, 20)));
    EXPECT_EQ(Px(s.get(), 20, 15), Rgb(DarkerColor(clBtnFace, 10)));
    EXPECT_EQ(Px(s.get(), 3, 8), face);
    // Pressed: one darker fill (under the focus border).
    UiTest::MouseDown(b, 5, 5);
    s.reset(UiTest::Capture(b));
    EXPECT_EQ(Px(s.get(), 20, 6), Rgb(DarkerColor(clBtnFace, 10)));
    EXPECT_EQ(Px(s.get(), 2, 2), Rgb(DarkerColor(clBtnFace, 10)));
    UiTest::MouseUp(b, 5, 5);
    b->SetEnabled(false);
    s.reset(UiTest::Capture(b));
    EXPECT_EQ(Px(s.get(), 1, 5), Rgb(LighterColor(clBtnShadow, 30)));
    EXPECT_EQ(Px(s.get(), 20, 3), face);
}

TEST(VtButton, HotTrackHoverAndDefaultBevels) {
    PushForm f;
    auto* b = f.Add<TVtButton>(10, 10, 40, 20);
    b->SetHotTrack(true);
    b->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(b->MouseOver());
    std::unique_ptr<TBitmap> s(UiTest::Capture(b));
    // The complementary hue of the highlight colour: its hue turned by 120, lightness 220, saturation 180.
    int hue = GetHue(clHighlight);
    TColor light = HLSToColor(BYTE(hue >= 120 ? hue - 120 : hue + 120), 220, 180), dark = DarkerColor(light, 30);
    EXPECT_EQ(Px(s.get(), 2, 8), Rgb(light));
    EXPECT_EQ(Px(s.get(), 37, 8), Rgb(dark));
    EXPECT_EQ(Px(s.get(), 3, 8), Rgb(DarkerColor(light, 10)));
    EXPECT_EQ(Px(s.get(), 36, 8), Rgb(LighterColor(dark, 10)));
    EXPECT_EQ(Px(s.get(), 20, 8), Rgb(clBtnFace));
    b->Perform(CM_MOUSELEAVE, 0, 0);
    b->SetDefault(true);  // active: the rings from the highlight hue
    s.reset(UiTest::Capture(b));
    TColor dlight = HLSToColor(GetHue(clHighlight), 220, 220);
    EXPECT_EQ(Px(s.get(), 2, 8), Rgb(dlight));
    EXPECT_EQ(Px(s.get(), 37, 8), Rgb(DarkerColor(dlight, 30)));
}

TEST(VtButton, ClassicDefaultRingAndDownPattern) {
    PushForm f;
    auto* b = f.Add<TVtButton>(10, 10, 40, 20);
    b->SetDefault(true);
    f.form->Perform(CM_FOCUSCHANGED, 0, 0);
    EXPECT_TRUE(b->Active());
    std::unique_ptr<TBitmap> s(UiTest::Capture(b));
    EXPECT_EQ(Px(s.get(), 0, 0), Rgb(clWindowFrame));
    auto* g = f.Add<TVtButton>(60, 10, 40, 20);
    g->SetGroupIndex(2);
    g->SetDown(true);
    s.reset(UiTest::Capture(g));
    // Inside the lowered border a checker of silver on the face (gray on a silver face).
    TColor ink = Rgb(clBtnFace) == clSilver ? clGray : clSilver;
    EXPECT_EQ(Px(s.get(), 4, 4), ink);
    EXPECT_EQ(Px(s.get(), 5, 4), Rgb(clBtnFace));
    EXPECT_EQ(Px(s.get(), 5, 5), ink);
}

TEST(VtBitBtn, GlyphCellsKindsAndGeometry) {
    PushForm f;
    auto* b = f.Add<TVtBitBtn>(10, 10, 100, 30);
    TBitmap g(32, 16);
    b->SetGlyph(&g);
    EXPECT_EQ(b->NumGlyphs(), 2);
    g.SetSize(80, 16);
    b->SetGlyph(&g);
    EXPECT_EQ(b->NumGlyphs(), 1);
    g.SetSize(30, 16);
    b->SetNumGlyphs(3);
    b->SetGlyph(&g);
    EXPECT_EQ(b->NumGlyphs(), 3);

    b->SetKind(bkOK);
    EXPECT_EQ(b->Kind(), bkOK);
    EXPECT_EQ(b->Caption(), "OK");
    EXPECT_EQ(b->NumGlyphs(), 2);
    EXPECT_EQ(b->Glyph()->Width(), 32);
    b->SetModalResult(mrCancel);
    EXPECT_EQ(b->Kind(), bkCustom);
    b->SetModalResult(mrOk);
    EXPECT_EQ(b->Kind(), bkCustom);  // from then on

    // Glyph left, Margin 2: caption rect (5, 5, 95, 25) loses 2 + 16 + 4 on the left; the glyph is centred down.
    b->SetCaption("");
    b->SetKind(bkCancel);
    b->SetCaption("");
    EXPECT_EQ(b->CaptionRect(), TRect(5 + 22, 5, 95, 25));
    EXPECT_EQ(b->GetGlyphRect(), TRect(7, 7, 23, 23));
    b->SetMargin(-2);  // refused
    EXPECT_EQ(b->Margin(), 2);
    b->SetMargin(-1);
    EXPECT_EQ(b->CaptionRect(), TRect(5 + 19, 5, 95, 25));
    EXPECT_EQ(b->GetGlyphRect().Left, 5);
    b->SetLayout(blGlyphRight);
    b->SetMargin(3);
    EXPECT_EQ(b->GetGlyphRect().Left, 95 - 3 - 16);
}

TEST(VtMenuButton, DropsRightAlignedNearTheEdgeAndAClickClosesIt) {
    PushForm f;
    auto* menu = new TPopupMenu(f.form);
    auto* item = new TMenuItem(f.form);
    item->SetCaption("导出MIF文件");
    menu->Items()->Add(item);
    auto* m = f.Add<TVtMenuButton>(10, 10, 110, 25);
    m->SetDropDownMenu(menu);
    int drops = 0;
    TPoint at;
    SetPopupHook([&](TPopupMenu* p) -> TMenuItem* {
        ++drops;
        at = p->PopupPoint();
        return nullptr;
    });
    UiTest::Click(m, 10, 10);
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(at, m->ClientToScreen(TPoint(0, m->Height())));
    // The click that closed the open menu (within 100 ms) does not open it again.
    UiTest::Click(m, 10, 10);
    EXPECT_EQ(drops, 1);
    UiTest::Wait(120);
    UiTest::Click(m, 10, 10);
    EXPECT_EQ(drops, 2);
    m->SetFocus();
    UiTest::Key(VK_F4);
    EXPECT_EQ(drops, 3);
    // The arrow: a filled triangle pointing down, 12 pixels from the right edge.
    std::unique_ptr<TBitmap> shot(UiTest::Capture(m));
    int x = m->Width() - 12, y = m->Height() / 2 + 2;
    EXPECT_EQ(Px(shot.get(), x, y - 1), Rgb(clBtnText));
    EXPECT_EQ(Px(shot.get(), x - 2, y - 3), Rgb(clBtnText));
    EXPECT_NE(Px(shot.get(), x, y + 2), Rgb(clBtnText));
    // Near the work area's right edge the menu's right edge lines up with the button's.
    TRect work = GetMonitorWorkArea(MonitorFromPoint(m->ClientToScreen(TPoint(0, 0)), MONITOR_DEFAULTTONEAREST));
    TPoint origin = f.form->ClientToScreen(TPoint(0, 0));
    f.form->SetBounds(work.Right - origin.X + f.form->Left() - 200, f.form->Top(), 400, 200);
    m->SetBounds(150, 10, 110, 25);
    TPoint p = m->DropDownPoint();
    EXPECT_LT(p.X, m->ClientToScreen(TPoint(0, 0)).X);
    SetPopupHook(nullptr);
}

// On a real display the menu's own loop takes the release of the press that opened it: the button never
// sees it, and must still let go of the mouse and come up.
TEST(VtMenuButton, LetsGoOfTheMouseWhenTheMenuClosesChosenOrNot) {
    PushForm f;
    auto* menu = new TPopupMenu(f.form);
    auto* item = new TMenuItem(f.form);
    menu->Items()->Add(item);
    auto* m = f.Add<TVtMenuButton>(10, 10, 110, 25);
    m->SetDropDownMenu(menu);
    auto* other = f.Add<TVtBitBtn>(150, 10, 80, 25);
    int otherClicks = 0, drops = 0;
    other->OnClick = [&](TObject*) { ++otherClicks; };
    for (bool choose : {false, true}) {
        SCOPED_TRACE(choose ? "an item chosen" : "closed without a choice");
        bool upInCommand = false;
        TControl* captureInCommand = m;
        item->OnClick = [&](TObject*) {
            upInCommand = !m->Pressed();
            captureInCommand = GetCapture();
        };
        SetPopupHook([&](TPopupMenu*) -> TMenuItem* {
            ++drops;
            return choose ? item : nullptr;
        });
        UiTest::MouseMove(m, 10, 10);
        UiTest::MouseDown(m, 10, 10);
        EXPECT_FALSE(m->Pressed());
        EXPECT_EQ(GetCapture(), nullptr);
        if (choose) {
            EXPECT_TRUE(upInCommand);
            EXPECT_EQ(captureInCommand, nullptr);
        }
        // Later clicks go where they are aimed; the menu does not open again.
        UiTest::Wait(120);
        const int clicks = otherClicks, dropped = drops;
        UiTest::Click(other, 5, 5);
        EXPECT_EQ(otherClicks, clicks + 1);
        EXPECT_EQ(drops, dropped);
    }
    // The press has not left a swallowed click behind: Enter still works the button.
    m->SetFocus();
    int clicked = 0;
    m->OnClick = [&](TObject*) { ++clicked; };
    m->SetDropDownMenu(nullptr);
    UiTest::Key(VK_SPACE);
    EXPECT_EQ(clicked, 1);
    SetPopupHook(nullptr);
}

TEST(VtBitBtn, ScalingMultipliesMarginAndSpacing) {
    PushForm f;
    auto* b = f.Add<TVtBitBtn>(10, 10, 100, 30);
    b->SetMargin(3);
    b->ChangeScale(144, 96);
    EXPECT_EQ(b->Margin(), 5);  // 4.5 rounds up
    EXPECT_EQ(b->Spacing(), 6);
    b->ChangeScale(96, 144);
    EXPECT_EQ(b->Margin(), 3);
    EXPECT_EQ(b->Spacing(), 4);
    // -1 picks the centred column of the layout rather than a gap, so it survives scaling.
    b->SetMargin(-1);
    b->SetSpacing(-1);
    b->ChangeScale(2, 1);
    EXPECT_EQ(b->Margin(), -1);
    EXPECT_EQ(b->Spacing(), -1);
    b->SetMargin(2);
    b->ChangeScale(2, 0);  // no ratio
    b->ChangeScale(-2, 1);
    EXPECT_EQ(b->Margin(), 2);
}
