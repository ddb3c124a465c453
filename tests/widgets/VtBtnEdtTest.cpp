#include "widgets/VtBtnEdt.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/PlatformClasses.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtCommon.h"

namespace {

struct ButtonEditForm {
    TForm* form;
    TVtButtonEdit* e;
    TVtEdit* other;
    int mainClicks = 0, altClicks = 0;
    ButtonEditForm() {
        UiTest::Init();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 300, 200);
        e = new TVtButtonEdit(form);
        e->SetParent(form);
        e->SetBounds(10, 10, 150, 21);
        e->OnButtonClick = [this](TObject*) { ++mainClicks; };
        e->OnAltBtnClick = [this](TObject*) { ++altClicks; };
        other = new TVtEdit(form);
        other->SetParent(form);
        other->SetBounds(10, 60, 80, 21);
        form->Show();
        UiTest::Flush();
        e->SetFocus();
    }
    ~ButtonEditForm() { delete form; }
    int Beeps(const std::function<void()>& act) {
        int before = MessageBeepCount();
        act();
        return MessageBeepCount() - before;
    }
};

}  // namespace

TEST(VtButtonEditText, ShortCutTexts) {
    EXPECT_EQ(TextToShortCut("F4"), 115);
    EXPECT_EQ(TextToShortCut("Ctrl+F"), 'F' + 16384);
    EXPECT_EQ(TextToShortCut("Shift+Alt+Del"), VK_DELETE + 8192 + 32768);
    EXPECT_EQ(TextToShortCut("Enter"), VK_RETURN);
    EXPECT_EQ(TextToShortCut(""), 0);
    EXPECT_EQ(TextToShortCut("Ctrl+"), 0);
    EXPECT_EQ(TextToShortCut("F99"), 0);
    EXPECT_EQ(TextToShortCut("Hyper+X"), 0);
}

TEST(VtButtonEdit, StockGlyphsHaveTwoCells) {
    UiTest::Init();
    for (int k = 1; k <= 8; ++k) {
        TBitmap* g = StockButtonGlyph(TButtonKind(k));
        ASSERT_NE(g, nullptr) << k;
        EXPECT_EQ(g->Width(), 2 * g->Height()) << k;
        EXPECT_EQ(StockButtonGlyph(TButtonKind(k)), g);  // one table for every edit
    }
    EXPECT_EQ(StockButtonGlyph(TButtonKind::bkCustom), nullptr);
    TBitmap b;
    EXPECT_TRUE(LoadBitmapResource(b, "vtbtnedt_folder"));
    EXPECT_FALSE(LoadBitmapResource(b, "VTBTNEDT_NOSUCH"));
}

TEST(VtButtonEdit, F4ClicksTheMainButton) {
    ButtonEditForm f;
    UiTest::Key(VK_F4);
    EXPECT_EQ(f.mainClicks, 1);
    f.e->SetMainVisible(false);
    UiTest::Key(VK_F4);
    EXPECT_EQ(f.mainClicks, 1);
    f.e->SetAltVisible(true);
    f.e->SetAltBtnShortCut(TextToShortCut("Ctrl+L"));
    UiTest::Key('L', MK_CONTROL);
    EXPECT_EQ(f.altClicks, 1);
    // A click on the button, with the focus elsewhere, moves it in first.
    f.other->SetFocus();
    UiTest::Click(f.e->GetButton(1), 3, 3);
    EXPECT_EQ(f.altClicks, 2);
    EXPECT_TRUE(f.e->Focused());
}

TEST(VtButtonEdit, GlyphMakesTheKindCustom) {
    ButtonEditForm f;
    EXPECT_EQ(f.e->ButtonKind(), TButtonKind::bkLookup);
    EXPECT_FALSE(f.e->GlyphStored(2));  // a stock kind stores no glyph
    EXPECT_EQ(f.e->GetButton(2)->NumGlyphs(), 2);
    TBitmap g(12, 12);
    f.e->SetGlyph(2, &g);
    EXPECT_EQ(f.e->ButtonKind(), TButtonKind::bkCustom);
    EXPECT_TRUE(f.e->GlyphStored(2));
    f.e->SetButtonKind(TButtonKind::bkDropDown);
    EXPECT_EQ(f.e->GetButton(2)->Style(), cbsDropDown);
    EXPECT_TRUE(f.e->GetButton(2)->GlyphEmpty());
    f.e->SetButtonKind(TButtonKind::bkAccept);
    EXPECT_EQ(f.e->GetButton(2)->Style(), cbsNone);
    EXPECT_FALSE(f.e->GetButton(2)->GlyphEmpty());
}

TEST(VtButtonEdit, PairWidthAndMargin) {
    ButtonEditForm f;
    f.e->SetAltVisible(true);
    f.e->SetAltWidth(20);
    EXPECT_EQ(f.e->MainWidth(), 17);
    EXPECT_EQ(f.e->Pair()->Width(), 37);
    EXPECT_EQ(f.e->RightMargin(), 39);
    EXPECT_EQ(f.e->LeftMargin(), 0);
    EXPECT_EQ(f.e->GetButton(2)->Left(), 0);
    EXPECT_EQ(f.e->GetButton(1)->Left(), 17);
    EXPECT_EQ(f.e->Pair()->Left(), f.e->Width() - 37 - 4);
    f.e->SetMainVisible(false);
    EXPECT_EQ(f.e->GetButton(1)->Left(), 0);
    EXPECT_EQ(f.e->RightMargin(), 22);
    // Right-to-left reading moves the pair and the margin to the left end.
    f.e->SetBiDiMode(bdRightToLeft);
    EXPECT_EQ(f.e->Pair()->Left(), 0);
    EXPECT_EQ(f.e->LeftMargin(), 22);
    EXPECT_EQ(f.e->RightMargin(), 0);
}

TEST(VtButtonEdit, NoKeyEditButShortCutsWork) {
    ButtonEditForm f;
    f.e->SetText("ab");
    f.e->SetAllowKeyEdit(false);
    f.e->SetSelStart(2);
    EXPECT_EQ(f.Beeps([] { UiTest::Chars("x\b"); }), 2);
    f.e->SetSelStart(0);
    EXPECT_EQ(f.Beeps([] { UiTest::Key(VK_DELETE); }), 1);
    f.e->SelectAll();
    f.e->ClearSelection();
    f.e->PasteFromClipboard();
    EXPECT_EQ(f.e->Text(), "ab");
    UiTest::Key(VK_F4);
    EXPECT_EQ(f.mainClicks, 1);
}

TEST(VtButtonEdit, OlderShortCutTextsAreRead) {
    UiTest::Init();
    RegisterPlatformClasses();
    RegisterWidgetClasses();
    auto* form = new TForm(nullptr);
    ReadComponentResource(form, "object F: TForm\n  object E: TVtButtonEdit\n    ButtonShortCutText = 'Ctrl+F'\n"
                                "    AltBtnShortCutText = 'F5'\n    AltBtnKind = bkFolder\n"
                                "    FlatButtonParentColor = True\n  end\nend\n");
    auto* e = dynamic_cast<TVtButtonEdit*>(form->FindComponent("E"));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->ButtonShortCut(), 'F' + 16384);
    EXPECT_EQ(e->AltBtnShortCut(), VK_F1 + 4);
    EXPECT_EQ(e->AltBtnKind(), TButtonKind::bkFolder);
    EXPECT_FALSE(e->GetButton(1)->GlyphEmpty());
    delete form;
}

TEST(VtButtonEdit, FrameStopsShortOfThePair) {
    ButtonEditForm f;
    f.e->SetColor(clWhite);
    f.e->SetFrameVisible(true);
    f.e->SetFlatButtons(true);
    f.other->SetFocus();
    UiTest::Flush();
    std::unique_ptr<TBitmap> shot(UiTest::Capture(f.e));
    shot->SaveToPNG(std::string(QM_TEST_OUT) + "/VtButtonEdit-frame.png");
    int right = f.e->Width() - f.e->Pair()->Width() - 2;  // the frame's width
    EXPECT_EQ(shot->Canvas()->Pixel(0, 10), ColorToRGB(clBtnShadow));
    EXPECT_EQ(shot->Canvas()->Pixel(right - 1, 10), ColorToRGB(clBtnShadow));
    EXPECT_EQ(shot->Canvas()->Pixel(right - 2, 10), ColorToRGB(clWhite));
    // With both buttons the frame moves further left.
    f.e->SetAltVisible(true);
    UiTest::Flush();
    std::unique_ptr<TBitmap> two(UiTest::Capture(f.e));
    int right2 = f.e->Width() - f.e->Pair()->Width() - 2;
    EXPECT_LT(right2, right);
    EXPECT_EQ(two->Canvas()->Pixel(right2 - 1, 10), ColorToRGB(clBtnShadow));
}

TEST(VtButtonEdit, GlyphsFromTheFormResourceAreTheButtonsOwn) {
    UiTest::Init();
    RegisterWidgetClasses();
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetWidth(12);
    b.SetHeight(6);
    b.Canvas()->Brush()->SetColor(clLime);
    b.Canvas()->FillRect(TRect(0, 0, 12, 6));
    TForm f(nullptr);
    ReadComponentResource(&f, "object F: TForm\n  object E: TVtButtonEdit\n"
                              "    AltBtnKind = bkFind\n"
                              "    ButtonGlyph.Data = " + UiTest::FormBitmapData(b) + "\n"
                              "  end\nend\n");
    auto* e = dynamic_cast<TVtButtonEdit*>(f.FindComponent("E"));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->ButtonKind(), TButtonKind::bkCustom);
    EXPECT_TRUE(e->GlyphStored(2));
    ASSERT_NE(e->GetButton(2)->Glyph(), nullptr);
    EXPECT_EQ(e->GetButton(2)->Glyph()->Width(), 12);
    EXPECT_EQ(e->GetButton(2)->Glyph()->Canvas()->Pixel(3, 3), ColorToRGB(clLime));
    // The other button keeps its stock glyph, not stored.
    EXPECT_EQ(e->AltBtnKind(), TButtonKind::bkFind);
    EXPECT_FALSE(e->GlyphStored(1));
}

TEST(VtButtonPair, ColourReachesBothButtons) {
    UiTest::Init();
    TForm form(nullptr);
    auto* p = new TVtButtonPair(&form);
    p->SetParent(&form);
    p->SetColor(clYellow);
    EXPECT_EQ(p->Button(1)->Color(), clYellow);
    EXPECT_EQ(p->Button(2)->Color(), clYellow);
    p->SetParentColor(true);
    form.SetColor(clAqua);
    EXPECT_EQ(p->Button(1)->Color(), clAqua);
    EXPECT_EQ(p->Button(2)->Color(), clAqua);
}
