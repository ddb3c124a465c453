#include "widgets/VtSpnEdt.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <string>

#include "platform/ui/Bitmap.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Forms.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {

struct SeparatorGuard {
    char old = GetDecimalSeparator();
    explicit SeparatorGuard(char c) { SetDecimalSeparator(c); }
    ~SeparatorGuard() { SetDecimalSeparator(old); }
};

struct SpinForm {
    TForm* form;
    TVtSpinEdit* spin;
    TVtEdit* other;
    SpinForm() {
        UiTest::Init();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 300, 200);
        spin = new TVtSpinEdit(form);
        spin->SetParent(form);
        spin->SetBounds(10, 10, 80, 21);
        other = new TVtEdit(form);
        other->SetParent(form);
        other->SetBounds(10, 60, 80, 21);
        form->Show();
        UiTest::Flush();
        spin->SetFocus();
    }
    ~SpinForm() { delete form; }
    int Beeps(const std::function<void()>& act) {
        int before = MessageBeepCount();
        act();
        return MessageBeepCount() - before;
    }
};

}  // namespace

TEST(VtSpinEditText, FixedDecimalsBothSeparators) {
    SeparatorGuard dot('.');
    EXPECT_EQ(SpinValueToText(1.5, 2), "1.50");
    EXPECT_EQ(SpinValueToText(-0.001, 1), "0.0");  // never "-0.0"
    EXPECT_EQ(SpinValueToText(116, 0), "116");
    EXPECT_EQ(SpinValueToText(1e300, 0).size(), 301u);
    long double v;
    EXPECT_FALSE(SpinTextToValue("1,5", v));
    EXPECT_FALSE(SpinTextToValue("1e999", v));
    SeparatorGuard comma(',');
    EXPECT_EQ(SpinValueToText(1.5, 2), "1,50");
    ASSERT_TRUE(SpinTextToValue("1,5", v));
    EXPECT_EQ(v, 1.5);
}

// Values are extended: 18 significant digits are shown, and places beyond them are zeros, not the binary
// value's noise; the range callers can take in a double stays the limit.
TEST(VtSpinEditText, EighteenSignificantDigits) {
    SeparatorGuard dot('.');
    EXPECT_EQ(SpinValueToText(0.1L, 20), "0.10000000000000000000");
    EXPECT_EQ(SpinValueToText(1.0L / 3, 25), "0." + std::string(18, '3') + std::string(7, '0'));
    EXPECT_EQ(SpinValueToText(-2.0L / 3, 3), "-0.667");
    EXPECT_EQ(SpinValueToText(123456789.123456789L, 9), "123456789.123456789");
    EXPECT_EQ(SpinValueToText(1e20L, 2), "100000000000000000000.00");
    long double v;
    ASSERT_TRUE(SpinTextToValue(" +123456789.123456789 ", v));
    EXPECT_EQ(v, 123456789.123456789L);
    EXPECT_FALSE(SpinTextToValue("1e400", v));
}

TEST(VtSpinEdit, StepsAndReadsInExtendedPrecision) {
    UiTest::Init();
    SeparatorGuard dot('.');
    TVtSpinEdit s(nullptr);
    s.SetIntegersOnly(false);
    s.SetMax(1e12);
    s.SetDecimals(17);
    s.SetIncrement(0.1L);
    s.SetValue(0.2L);
    s.IncValue(s.Increment());
    EXPECT_EQ(s.Text(), "0.30000000000000000");
    s.SetDecimals(9);
    s.SetText("123456789.123456789");
    s.SetValue(s.Value());
    EXPECT_EQ(s.Text(), "123456789.123456789");
    s.SetText("1e400");
    EXPECT_EQ(s.Value(), 0);  // Min: no caller could hold it
}

TEST(VtSpinEdit, ValueRules) {
    UiTest::Init();
    SeparatorGuard dot('.');
    TVtSpinEdit s(nullptr);
    EXPECT_EQ(s.Text(), "0");
    EXPECT_EQ(s.Width(), 47);
    s.SetValue(150);
    EXPECT_EQ(s.Text(), "100");
    s.SetMax(0);  // Min = Max without CheckRange: any value
    s.SetValue(150);
    EXPECT_EQ(s.Value(), 150);
    s.SetValue(1e10);
    EXPECT_EQ(s.GetIntValue(), INT_MAX);
    s.SetCheckRange(true);
    EXPECT_EQ(s.Value(), 0);  // re-set within the range
    s.SetCheckRange(false);
    s.SetMax(10);
    s.SetMin(20);
    EXPECT_EQ(s.Max(), 20);
    s.SetMin(0);
    s.SetIntegersOnly(false);
    s.SetDecimals(2);
    s.SetValue(1.5);
    EXPECT_EQ(s.Text(), "1.50");
    s.SetIntegersOnly(true);
    EXPECT_EQ(s.Decimals(), 0);
    EXPECT_EQ(s.Text(), "2");
    s.SetText("");
    EXPECT_EQ(s.Value(), 0);  // blank shows Min
    EXPECT_EQ(s.Text(), "0");
    s.SetText("x");
    EXPECT_EQ(s.Value(), 0);
    s.SetValue(INFINITY);
    EXPECT_EQ(s.Text(), "0");  // no "inf": Min
    s.SetValue(NAN);
    EXPECT_EQ(s.Text(), "0");
    s.SetAllowBlank(true);
    s.SetBlankValue(3);
    s.SetText("");
    EXPECT_EQ(s.Value(), 3);
}

TEST(VtSpinEdit, KeysWheelAndButtons) {
    SpinForm f;
    TVtSpinEdit* s = f.spin;
    s->SetMax(1000);
    s->SetValue(50);
    UiTest::Key(VK_UP);
    EXPECT_EQ(s->Value(), 51);
    UiTest::Key(VK_DOWN);
    UiTest::Key(VK_DOWN);
    EXPECT_EQ(s->Value(), 49);
    UiTest::Key(VK_PRIOR);
    EXPECT_EQ(s->Value(), 59);
    UiTest::Key(VK_NEXT);
    EXPECT_EQ(s->Value(), 49);
    UiTest::Wheel(s, 5, 5, WHEEL_DELTA);
    EXPECT_EQ(s->Value(), 50);
    UiTest::Wheel(s, 5, 5, -WHEEL_DELTA, MK_CONTROL);
    EXPECT_EQ(s->Value(), 40);
    s->SetValue(999);
    UiTest::Key(VK_PRIOR);
    EXPECT_EQ(s->Value(), 1000);  // clamped
    // The buttons: a press moves the focus into the edit, the release steps.
    f.other->SetFocus();
    TVtControlButton* up = s->GetButton(sbUp);
    TVtControlButton* down = s->GetButton(sbDown);
    UiTest::Click(down, 3, 3);
    EXPECT_EQ(s->Value(), 999);
    EXPECT_TRUE(s->Focused());
    std::vector<TSpinButtonType> steps;
    s->OnButtonClick = [&](TObject*, TSpinButtonType b) { steps.push_back(b); };
    // Held: the release plus each repeat.
    UiTest::MouseDown(up, 3, 3);
    up->RepeatTimer()->OnTimer(up->RepeatTimer());
    EXPECT_EQ(up->RepeatTimer()->Interval(), 100u);
    up->RepeatTimer()->OnTimer(up->RepeatTimer());
    UiTest::MouseUp(up, 3, 3);
    EXPECT_EQ(s->Value(), 1000);
    s->SetValue(10);
    UiTest::Click(up, 3, 3);
    EXPECT_EQ(s->Value(), 11);
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0], sbUp);
    // A refusing OnChanging keeps the value.
    s->OnChanging = [](TObject*, bool& allow) { allow = false; };
    UiTest::Key(VK_UP);
    EXPECT_EQ(s->Value(), 11);
    s->OnChanging = nullptr;
    // Read-only: stepping beeps only.
    s->SetReadOnly(true);
    EXPECT_EQ(f.Beeps([] { UiTest::Key(VK_UP); }), 1);
    EXPECT_EQ(s->Value(), 11);
}

TEST(VtSpinEdit, TypingOnlyWithAllowKeyEdit) {
    SpinForm f;
    TVtSpinEdit* s = f.spin;
    s->SetValue(12);
    s->SetSelStart(2);
    EXPECT_EQ(f.Beeps([] { UiTest::Chars("3\b"); }), 2);
    EXPECT_EQ(f.Beeps([] { UiTest::Key(VK_DELETE); }), 1);
    EXPECT_EQ(s->Text(), "12");
    UiTest::Key(VK_UP);  // the arrows still step
    EXPECT_EQ(s->Value(), 13);
    s->SetAllowKeyEdit(true);
    s->SetIntegersOnly(false);
    s->SetDecimals(1);
    s->SetText("");
    EXPECT_EQ(f.Beeps([] { UiTest::Chars("-2.5.-"); }), 2);
    EXPECT_EQ(s->Text(), "-2.5");
    f.other->SetFocus();
    EXPECT_EQ(s->Text(), "0.0");  // below Min: corrected on leaving
    s->SetFocus();
    s->SetText("abc");
    f.other->SetFocus();
    EXPECT_EQ(s->Text(), "0.0");
    {
        SeparatorGuard comma(',');
        s->SetFocus();
        s->SetText("");
        UiTest::Chars("7,26");
        f.other->SetFocus();
        EXPECT_EQ(s->Text(), "7,3");
        EXPECT_EQ(s->Value(), 7.3L);
    }
}

TEST(VtSpinEdit, ButtonLayoutAndFont) {
    SpinForm f;
    TVtSpinEdit* s = f.spin;
    TVtSpinButtons* b = s->SpinButtons();
    EXPECT_EQ(b->Width(), 17);
    EXPECT_EQ(b->Left(), s->Width() - 17 - 4);
    EXPECT_EQ(b->Height(), s->Height() - 3);
    EXPECT_EQ(s->RightMargin(), 19);
    // Right-to-left reading puts the buttons and the margin at the left end, and back.
    s->SetBiDiMode(bdRightToLeft);
    EXPECT_EQ(b->Left(), 0);
    EXPECT_EQ(s->LeftMargin(), 19);
    EXPECT_EQ(s->RightMargin(), 0);
    s->SetBiDiMode(bdLeftToRight);
    EXPECT_EQ(b->Left(), s->Width() - 17 - 4);
    EXPECT_EQ(s->RightMargin(), 19);
    TVtControlButton* up = b->UpRightButton();
    TVtControlButton* down = b->DownLeftButton();
    EXPECT_EQ(up->BoundsRect(), TRect(0, 0, 17, b->Height() / 2));
    EXPECT_EQ(down->Top(), b->Height() / 2);
    EXPECT_EQ(down->Height(), b->Height() - b->Height() / 2 - 1);
    EXPECT_EQ(up->Style(), cbsUp);
    EXPECT_EQ(down->Style(), cbsDown);
    s->SetButtonWidth(-5);
    EXPECT_EQ(b->Width(), 0);
    s->SetButtonWidth(12);
    s->SetOrientation(orHorizontal);  // the pair doubles its width
    EXPECT_EQ(b->Width(), 24);
    EXPECT_EQ(down->Left(), 0);
    EXPECT_EQ(up->Left(), 12);
    s->SetButtonWidth(10);
    EXPECT_EQ(b->Width(), 20);
    b->SetDirection(sdLeftRight);
    EXPECT_EQ(up->Style(), cbsRight);
    EXPECT_EQ(down->Style(), cbsLeft);
    TBitmap g(16, 8);
    b->SetGlyphUpRight(&g);
    EXPECT_EQ(up->Style(), cbsNone);
    b->SetGlyphUpRight(nullptr);
    EXPECT_EQ(up->Style(), cbsRight);
    // A font taller than the control grows it to the text height + 2.
    s->Font()->SetSize(24);
    UiTest::Flush();
    EXPECT_EQ(s->Height(), GetMinFontHeight(s->Font()));
    EXPECT_GT(s->Height(), 21);
}

TEST(VtSpinEdit, FlatButtonsFollowTheHotState) {
    SpinForm f;
    TVtSpinEdit* s = f.spin;
    f.other->SetFocus();
    s->SetFlatButtons(true);
    s->SetFlatButtonColor(clYellow);
    EXPECT_TRUE(s->SpinButtons()->Flat());
    EXPECT_EQ(s->GetButton(sbUp)->Color(), s->Color());
    s->SetFocus();
    EXPECT_EQ(s->GetButton(sbUp)->Color(), clYellow);
    f.other->SetFocus();
    EXPECT_EQ(s->GetButton(sbDown)->Color(), s->Color());
    s->SetEnabled(false);
    EXPECT_FALSE(s->GetButton(sbDown)->Enabled());
}

TEST(VtSpinEdit, EnteringSelectsUnlessClicked) {
    SpinForm f;
    f.spin->SetValue(42);
    f.other->SetFocus();
    f.spin->SetFocus();
    EXPECT_EQ(f.spin->SelLength(), 2);
    f.other->SetFocus();
    UiTest::MouseDown(f.spin, 5, 5);
    EXPECT_TRUE(f.spin->Focused());
    EXPECT_EQ(GetKeyState(VK_LBUTTON) & 0x8000, 0x8000);
    EXPECT_EQ(f.spin->SelLength(), 0);
    UiTest::MouseUp(f.spin, 5, 5);
    EXPECT_EQ(GetKeyState(VK_LBUTTON), 0);
}

// A w x h bitmap of one colour.
static std::unique_ptr<TBitmap> Solid(int w, int h, TColor c) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetWidth(w);
    b->SetHeight(h);
    b->Canvas()->Brush()->SetColor(c);
    b->Canvas()->FillRect(TRect(0, 0, w, h));
    return b;
}

TEST(VtSpinEdit, GlyphsFromTheFormResource) {
    UiTest::Init();
    RegisterWidgetClasses();
    std::string red = UiTest::FormBitmapData(*Solid(8, 4, clRed)),
                blue = UiTest::FormBitmapData(*Solid(5, 3, clBlue));
    TForm f(nullptr);
    ReadComponentResource(&f, "object F: TForm\n"
                              "  object E: TVtSpinEdit\n"
                              "    ButtonUpGlyph.Data = " + red + "\n"
                              "    ButtonUpNumGlyphs = 1\n    ButtonDownNumGlyphs = 2\n"
                              "  end\n"
                              "  object S: TVtSpinButtons\n"
                              "    GlyphDownLeft.Data = " + blue + "\n"
                              "    NumGlyphsDownLeft = 1\n"
                              "  end\n"
                              "end\n");
    auto* e = dynamic_cast<TVtSpinEdit*>(f.FindComponent("E"));
    auto* s = dynamic_cast<TVtSpinButtons*>(f.FindComponent("S"));
    ASSERT_TRUE(e && s);
    ASSERT_NE(e->ButtonUpGlyph(), nullptr);
    EXPECT_EQ(e->ButtonUpGlyph()->Width(), 8);
    EXPECT_EQ(e->ButtonUpGlyph()->Canvas()->Pixel(1, 1), ColorToRGB(clRed));
    EXPECT_EQ(e->ButtonUpNumGlyphs(), 1);
    EXPECT_EQ(e->ButtonDownNumGlyphs(), 2);
    // A glyph of its own replaces the arrow; the other button keeps its arrow.
    EXPECT_EQ(e->GetButton(sbUp)->Style(), cbsNone);
    EXPECT_EQ(e->GetButton(sbDown)->Style(), cbsDown);
    EXPECT_EQ(s->DownLeftButton()->Style(), cbsNone);
    EXPECT_EQ(s->UpRightButton()->Style(), cbsUp);
    EXPECT_EQ(s->GlyphDownLeft()->Canvas()->Pixel(0, 0), ColorToRGB(clBlue));
    EXPECT_EQ(s->NumGlyphsDownLeft(), 1);

    // Data that claims more bytes than it holds is refused with its line.
    TForm g(nullptr);
    EXPECT_THROW(ReadComponentResource(&g, "object F: TForm\n  object S: TVtSpinButtons\n"
                                           "    GlyphUpRight.Data = {FF000000424D}\n  end\nend\n"),
                 EFormResourceError);
}

TEST(VtSpinButtons, ColourReachesBothButtons) {
    UiTest::Init();
    RegisterWidgetClasses();
    TForm form(nullptr);
    auto* s = new TVtSpinButtons(&form);
    s->SetParent(&form);
    s->SetColor(clYellow);
    EXPECT_EQ(s->UpRightButton()->Color(), clYellow);
    EXPECT_EQ(s->DownLeftButton()->Color(), clYellow);
    // A holder that follows its parent passes the parent's colour on as well.
    s->SetParentColor(true);
    form.SetColor(clAqua);
    EXPECT_EQ(s->Color(), clAqua);
    EXPECT_EQ(s->UpRightButton()->Color(), clAqua);
    EXPECT_EQ(s->DownLeftButton()->Color(), clAqua);

    TForm g(nullptr);
    ReadComponentResource(&g, "object F: TForm\n  object S: TVtSpinButtons\n    Color = clRed\n  end\nend\n");
    auto* r = dynamic_cast<TVtSpinButtons*>(g.FindComponent("S"));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->UpRightButton()->Color(), clRed);
    EXPECT_EQ(r->DownLeftButton()->Color(), clRed);
}
