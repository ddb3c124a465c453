#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtButton.h"
#include "widgets/VtPanel.h"

namespace {

struct ToolForm {
    TForm* form;
    TVtToolbar* bar;
    ToolForm() {
        UiTest::Init();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 400, 200);
        form->SetColor(clBtnFace);
        bar = new TVtToolbar(form);
        bar->SetParent(form);
        form->Show();
        UiTest::Flush();
    }
    ~ToolForm() { delete form; }
    TVtToolButton* Add(const char* caption = "") {
        auto* b = new TVtToolButton(form);
        b->SetCaption(caption);
        b->SetParent(bar);
        return b;
    }
};

TColor Px(TBitmap* s, int x, int y) { return s->Canvas()->Pixel(x, y); }
TColor Rgb(TColor c) { return ColorToRGB(c); }

}  // namespace

TEST(VtToolButton, SizeLayoutAndCaptionFromTheToolbar) {
    ToolForm f;
    auto* b = f.Add("查找");
    EXPECT_EQ(b->Width(), 25);
    EXPECT_EQ(b->Height(), 25);
    auto* d = f.Add();
    d->SetToolStyle(tsDropDown);
    EXPECT_EQ(d->Width(), 25 + 14);
    f.bar->SetButtonWidth(30);
    EXPECT_EQ(d->Width(), 30 + 14);
    f.bar->SetTextOptions(ttoShowTextLabels);
    EXPECT_TRUE(b->ShowCaption());
    EXPECT_EQ(b->Layout(), blGlyphTop);
    EXPECT_EQ(b->Height(), 40);
    TBitmap probe(1, 1);
    probe.Canvas()->SetFont(*b->Font());
    EXPECT_EQ(b->Width(), IntMax(60, probe.Canvas()->TextWidth("查找") + 8));
    // Sized directly, it stops following the toolbar.
    b->SetBounds(b->Left(), b->Top(), 70, 30);
    EXPECT_FALSE(b->UseToolbarButtonSize());
    f.bar->SetButtonWidth(80);
    EXPECT_EQ(b->Width(), 70);
    b->SetUseToolbarButtonSize(true);
    EXPECT_EQ(b->Width(), 80);
}

TEST(VtToolButton, GroupsAndClicks) {
    ToolForm f;
    auto* a = f.Add();
    auto* b = f.Add();
    int clicks = 0;
    a->OnClick = b->OnClick = [&](TObject*) { ++clicks; };
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    UiTest::Click(a, 5, 5);
    EXPECT_TRUE(a->Down());
    EXPECT_EQ(a->State(), 3);
    EXPECT_EQ(clicks, 1);
    UiTest::Click(a, 5, 5);  // the last down button stays down, and does not click
    EXPECT_TRUE(a->Down());
    EXPECT_EQ(clicks, 1);
    UiTest::Click(b, 5, 5);
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(clicks, 2);
    // Released outside: no click, the state comes back.
    b->SetGroupIndex(0);
    UiTest::MouseDown(b, 5, 5);
    EXPECT_EQ(b->State(), 2);
    UiTest::MouseMove(b, 100, 5, MK_LBUTTON);
    EXPECT_EQ(b->State(), 0);
    UiTest::MouseUp(b, 100, 5);
    EXPECT_EQ(clicks, 2);
}

TEST(VtToolButton, FlatBordersByState) {
    ToolForm f;
    auto* b = f.Add();
    std::unique_ptr<TBitmap> s(UiTest::Capture(b));
    EXPECT_EQ(Px(s.get(), 0, 0), Rgb(clBtnFace));  // at rest no border
    b->Perform(CM_MOUSEENTER, 0, 0);
    s.reset(UiTest::Capture(b));
    EXPECT_EQ(Px(s.get(), 0, 5), Rgb(clBtnHighlight));  // raised while hovered
    EXPECT_EQ(Px(s.get(), 24, 5), Rgb(clBtnShadow));
    UiTest::MouseDown(b, 5, 5);
    s.reset(UiTest::Capture(b));
    EXPECT_EQ(Px(s.get(), 0, 5), Rgb(clBtnShadow));  // sunken while pressed
    UiTest::MouseUp(b, 5, 5);
}

TEST(VtToolButton, DropDownPartDropsTheMenu) {
    ToolForm f;
    auto* d = f.Add();
    d->SetToolStyle(tsDropDown);
    auto* menu = new TPopupMenu(f.form);
    d->SetDropDownMenu(menu);
    int drops = 0, clicks = 0;
    TObject* sender = nullptr;
    d->OnDropDown = [&](TObject* s) { sender = s; };
    d->OnClick = [&](TObject*) { ++clicks; };
    SetPopupHook([&](TPopupMenu*) -> TMenuItem* {
        ++drops;
        return nullptr;
    });
    UiTest::Click(d, d->Width() - 5, 5);
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(sender, menu);
    EXPECT_EQ(clicks, 0);
    UiTest::Click(d, d->Width() - 5, 5);  // the press that closed the menu
    EXPECT_EQ(drops, 1);
    UiTest::Click(d, 5, 5);  // the button part clicks
    EXPECT_EQ(clicks, 1);
    SetPopupHook(nullptr);
    std::unique_ptr<TBitmap> s(UiTest::Capture(d));
    int x = d->Width() - 8, y = d->Height() / 2 + 2;
    EXPECT_EQ(Px(s.get(), x, y - 1), Rgb(clBtnText));
}
