#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Forms.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtButton.h"
#include "widgets/VtCommon.h"
#include "widgets/VtStatus.h"

namespace {

struct ButtonForm {
    TForm* form;
    explicit ButtonForm(const char* resource = nullptr) {
        UiTest::Init();
        RegisterWidgetClasses();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 300, 120);
        form->SetColor(clBtnFace);
        if (resource) ReadComponentResource(form, resource);
        form->Show();
        UiTest::Flush();
    }
    ~ButtonForm() { delete form; }
    TVtToolbarButton* Add(const char* caption) {
        auto* b = new TVtToolbarButton(form);
        b->SetBounds(10, 10, 60, 24);
        b->SetCaption(caption);
        b->SetParent(form);
        return b;
    }
};

// A strip of square cells of `size`, each filled with its colour but for the fuchsia key at its left and
// bottom edges.
std::unique_ptr<TBitmap> Strip(int size, std::initializer_list<TColor> cells) {
    auto b = std::make_unique<TBitmap>(size * int(cells.size()), size);
    int i = 0;
    for (TColor c : cells) {
        b->Canvas()->Brush()->SetColor(clFuchsia);
        b->Canvas()->FillRect(TRect(i * size, 0, (i + 1) * size, size));
        b->Canvas()->Brush()->SetColor(c);
        b->Canvas()->FillRect(TRect(i * size + 1, 0, (i + 1) * size, size - 1));
        ++i;
    }
    return b;
}

TColor GlyphPixel(TVtToolbarButton* b) {
    TRect g, t;
    b->ContentRects(g, t);
    std::unique_ptr<TBitmap> s(UiTest::Capture(b));
    return s->Canvas()->Pixel(g.Left + g.Width() / 2, g.Top + g.Height() / 2);
}

}  // namespace

TEST(VtToolbarButton, HotGlyphWhileHoveredAndTheNormalOneAfter) {
    ButtonForm f;
    auto* b = f.Add("");
    EXPECT_TRUE(b->Flat());
    auto normal = Strip(12, {clRed});
    b->SetGlyph(normal.get());
    EXPECT_FALSE(b->UseHotGlyph());
    auto hot = Strip(12, {clBlue, clGreen});
    b->SetHotGlyph(hot.get());
    EXPECT_TRUE(b->UseHotGlyph());
    EXPECT_EQ(b->HotNumGlyphs(), 2);
    int entered = 0, left = 0;
    b->OnMouseEnter = [&](TObject*) { ++entered; };
    b->OnMouseLeave = [&](TObject*) { ++left; };
    EXPECT_EQ(GlyphPixel(b), ColorToRGB(clRed));

    b->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(b->HotShown());
    EXPECT_EQ(b->NumGlyphs(), 2);
    EXPECT_EQ(GlyphPixel(b), ColorToRGB(clBlue));
    // A second enter without a leave must not take the hot glyph for the normal one.
    b->Perform(CM_MOUSEENTER, 0, 0);
    b->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(b->HotShown());
    EXPECT_EQ(b->NumGlyphs(), 1);
    EXPECT_EQ(GlyphPixel(b), ColorToRGB(clRed));
    EXPECT_EQ(entered, 2);
    EXPECT_EQ(left, 1);

    // Disabled, hovering swaps nothing.
    b->SetEnabled(false);
    b->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_FALSE(b->HotShown());
    EXPECT_EQ(b->Glyph()->Canvas()->Pixel(5, 5), ColorToRGB(clRed));
    b->Perform(CM_MOUSELEAVE, 0, 0);

    // Taking the hot glyph away turns the swap off; a strip more than four cells wide is one cell.
    b->SetHotGlyph(nullptr);
    EXPECT_FALSE(b->UseHotGlyph());
    auto wide = Strip(4, {clBlue, clBlue, clBlue, clBlue, clBlue});
    b->SetHotGlyph(wide.get());
    EXPECT_EQ(b->HotNumGlyphs(), 1);
}

TEST(VtToolbarButton, HiddenCaptionIsKeptAndComesBack) {
    ButtonForm f;
    auto* b = f.Add("删除图幅");
    EXPECT_EQ(b->SaveCaption(), "");
    b->SetShowCaption(false);
    EXPECT_EQ(b->Caption(), "");
    EXPECT_EQ(b->SaveCaption(), "删除图幅");
    b->SetShowCaption(true);
    EXPECT_EQ(b->Caption(), "删除图幅");
    EXPECT_EQ(b->SaveCaption(), "");
}

TEST(VtToolbarButton, FormKeepsTheHiddenCaptionInSaveCaption) {
    // What a form holds for a hidden caption, in either order of the two properties.
    ButtonForm f(
        "object F: TForm\n"
        "  object A: TVtToolbarButton\n    ShowCaption = False\n    SaveCaption = '查找'\n  end\n"
        "  object B: TVtToolbarButton\n    SaveCaption = '信息'\n    ShowCaption = False\n  end\n"
        "  object C: TVtToolbarButton\n    Caption = '打开'\n    Flat = False\n  end\n"
        "end\n");
    auto* a = dynamic_cast<TVtToolbarButton*>(f.form->FindComponent("A"));
    auto* b = dynamic_cast<TVtToolbarButton*>(f.form->FindComponent("B"));
    auto* c = dynamic_cast<TVtToolbarButton*>(f.form->FindComponent("C"));
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a->Caption(), "");
    EXPECT_EQ(a->SaveCaption(), "查找");
    EXPECT_EQ(b->SaveCaption(), "信息");
    a->SetShowCaption(true);
    EXPECT_EQ(a->Caption(), "查找");
    EXPECT_EQ(c->Caption(), "打开");
    EXPECT_FALSE(c->Flat());
    EXPECT_EQ(c->SaveCaption(), "");
}

TEST(VtToolbarButton, AcceleratorClicksAndGroupsReleaseThroughTheNotification) {
    ButtonForm f;
    auto* a = f.Add("&Open");
    auto* b = f.Add("Save");
    int clicks = 0;
    a->OnClick = [&](TObject*) { ++clicks; };
    EXPECT_EQ(a->Perform(CM_DIALOGCHAR, 'o', 0), 1);
    EXPECT_EQ(b->Perform(CM_DIALOGCHAR, 's', 0), 0);  // no accelerator
    a->SetEnabled(false);
    EXPECT_EQ(a->Perform(CM_DIALOGCHAR, 'o', 0), 0);
    EXPECT_EQ(clicks, 1);
    a->SetEnabled(true);

    // Grouped with a plain speed button of the same parent: one down at a time.
    auto* s = new TSpeedButton(f.form);
    s->SetParent(f.form);
    for (TSpeedButton* x : {static_cast<TSpeedButton*>(a), static_cast<TSpeedButton*>(b), s}) x->SetGroupIndex(1);
    a->Perform(CM_DIALOGCHAR, 'o', 0);
    EXPECT_TRUE(a->Down());
    s->SetDown(true);
    EXPECT_FALSE(a->Down());
    EXPECT_TRUE(s->Down());
    b->SetGroupIndex(2);
    b->SetDown(true);
    EXPECT_TRUE(s->Down());  // another group
}

TEST(VtStatusPane, AutoHintTakesTheApplicationsHintWithoutAHandler) {
    ButtonForm f(
        "object F: TForm\n"
        "  object Bar: TVtStatusBar\n"
        "    object P1: TVtStatusPane\n      Width = 80\n    end\n"
        "    object P2: TVtStatusPane\n      Left = 90\n      Width = 80\n      AutoHint = True\n    end\n"
        "  end\n"
        "end\n");
    auto* p1 = dynamic_cast<TVtStatusPane*>(f.form->FindComponent("P1"));
    auto* p2 = dynamic_cast<TVtStatusPane*>(f.form->FindComponent("P2"));
    ASSERT_TRUE(p1 && p2);
    Application->SetHint("删除图幅");
    EXPECT_EQ(p2->Caption(), "删除图幅");
    EXPECT_EQ(p1->Caption(), "");
    // A hidden pane is passed over.
    p2->SetVisible(false);
    Application->SetHint("信息");
    EXPECT_EQ(p2->Caption(), "删除图幅");
    p2->SetVisible(true);
    // The application's own handler takes precedence.
    int handled = 0;
    Application->OnHint = [&](TObject*) { ++handled; };
    Application->SetHint("查找");
    Application->OnHint = nullptr;
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(p2->Caption(), "删除图幅");
    Application->SetHint("");
    EXPECT_EQ(p2->Caption(), "");
}
