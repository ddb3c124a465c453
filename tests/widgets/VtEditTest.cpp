#include "widgets/VtEdit.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>

#include "platform/rtl/FloatFormat.h"
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

// A form with a numeric edit and a plain edit after it in the tab order.
struct EditForm {
    TForm* form;
    TVtNumericEdit* num;
    TVtEdit* edit;
    EditForm() {
        UiTest::Init();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 300, 200);
        num = new TVtNumericEdit(form);
        num->SetParent(form);
        num->SetBounds(10, 10, 100, 21);
        edit = new TVtEdit(form);
        edit->SetParent(form);
        edit->SetBounds(10, 50, 100, 21);
        form->Show();
        UiTest::Flush();
    }
    ~EditForm() { delete form; }
    // Text typed into the numeric edit from an empty text; the beeps it caused.
    int Type(const std::string& chars) {
        num->SetFocus();
        num->SetText("");
        int before = MessageBeepCount();
        UiTest::Chars(chars);
        return MessageBeepCount() - before;
    }
};

// A descendant that shows the drop-down button.
class DropEdit : public TVtCustomEdit {
public:
    explicit DropEdit(TComponent* o) : TVtCustomEdit(o) {
        SetShowButton(true);
        OnDropDown = [this](TObject*) { ++drops; };
    }
    int drops = 0;
    using TVtCustomEdit::ButtonRect;
};

}  // namespace

TEST(VtEditText, LenientParseAndIntegerView) {
    SeparatorGuard dot('.');
    EXPECT_EQ(NumericTextToValue("(1,234.5)"), -1234.5);
    EXPECT_EQ(NumericTextToValue("1e3"), 13);
    EXPECT_EQ(NumericTextToValue("abc"), 0);
    EXPECT_EQ(NumericTextToValue(""), 0);
    EXPECT_EQ(NumericTextToValue("-"), 0);
    EXPECT_THROW(NumericTextToValue("1.2.3"), EConvertError);
    // Beyond the range of double: a conversion failure, not infinity.
    EXPECT_THROW(NumericTextToValue("1" + std::string(400, '0')), EConvertError);
    {
        SeparatorGuard comma(',');
        EXPECT_EQ(NumericTextToValue("(1.234,5)"), -1234.5);
        EXPECT_EQ(NumericTextToValue("-0,25"), -0.25);
    }
    EXPECT_EQ(RoundToInt32(2.5), 2);
    EXPECT_EQ(RoundToInt32(-3.5), -4);
    EXPECT_EQ(RoundToInt32(3e9), INT_MAX);
    EXPECT_EQ(RoundToInt32(-1e300), INT_MIN);
    EXPECT_EQ(RoundToInt32(NAN), 0);
}

TEST(VtNumericEdit, ValueRules) {
    UiTest::Init();
    SeparatorGuard dot('.');
    TVtNumericEdit num(nullptr);
    EXPECT_EQ(num.Text(), "0");
    EXPECT_EQ(num.Width(), 65);
    EXPECT_EQ(num.Alignment(), taRightJustify);
    num.SetMin(5);
    EXPECT_EQ(num.Max(), 5);  // Max follows Min up
    num.SetMax(-1);
    EXPECT_EQ(num.Min(), -1);  // and Min follows Max down
    num.SetText("");
    EXPECT_EQ(num.Value(), -1);  // an empty text shows Min
    EXPECT_EQ(num.Text(), "(1)");
    num.SetText("1" + std::string(400, '9'));
    EXPECT_EQ(num.Value(), -1);  // beyond double: Min
    num.SetMin(0);
    num.SetMax(0);
    num.SetValue(1e10);
    EXPECT_EQ(num.GetIntValue(), INT_MAX);  // the 32-bit view saturates instead of wrapping
    num.SetValue(-1e10);
    EXPECT_EQ(num.GetIntValue(), INT_MIN);
    num.SetMin(3);
    num.SetValue(NAN);
    EXPECT_EQ(num.Text(), "3");  // no "nan": Min
    num.SetAllowBlank(true);
    num.SetBlankValue(7);
    num.SetText("");
    EXPECT_EQ(num.Value(), 7);
    EXPECT_EQ(num.Text(), "");
}

// Every display format of the main window, under both separators.
TEST(VtNumericEdit, DisplayFormatsRoundTrip) {
    UiTest::Init();
    for (char sep : {'.', ','}) {
        SeparatorGuard g(sep);
        TVtNumericEdit num(nullptr);
        num.SetIntegersOnly(false);
        num.SetValue(-1234567);
        EXPECT_EQ(num.Value(), -1234567) << sep;
        num.SetDisplayFormat(",0.00000;(,0.00000)");
        for (double v : {-1234.56789, 0.5, 98765.4321, 0.0}) {
            num.SetValue(v);
            EXPECT_DOUBLE_EQ(num.Value(), v) << sep << " " << num.Text();
        }
        num.SetValue(-12.5);
        EXPECT_EQ(num.Text(), sep == '.' ? "(12.50000)" : "(12,50000)");
    }
}

TEST(VtNumericEdit, KeyFilter) {
    EditForm f;
    SeparatorGuard dot('.');
    EXPECT_EQ(f.Type("12.5"), 1);  // integers only: no separator
    EXPECT_EQ(f.num->Text(), "125");
    f.num->SetIntegersOnly(false);
    EXPECT_EQ(f.Type("1.2.3"), 1);  // one separator
    EXPECT_EQ(f.num->Text(), "1.23");
    EXPECT_EQ(f.Type("-5-"), 1);  // a sign only in front
    EXPECT_EQ(f.num->Text(), "-5");
    f.num->SetSelStart(0);
    EXPECT_EQ(f.Type("x"), 1);
    // Nothing in front of a sign.
    f.num->SetText("-5");
    f.num->SetSelStart(0);
    int before = MessageBeepCount();
    UiTest::Chars("3");
    EXPECT_EQ(MessageBeepCount() - before, 1);
    EXPECT_EQ(f.num->Text(), "-5");
    // The whole text selected may become a sign.
    f.num->SelectAll();
    UiTest::Chars("+");
    EXPECT_EQ(f.num->Text(), "+");
    // Enter without TabOnEnter: dropped with a beep, the focus stays.
    before = MessageBeepCount();
    UiTest::Key(VK_RETURN);
    EXPECT_EQ(MessageBeepCount() - before, 1);
    EXPECT_TRUE(f.num->Focused());
    {
        SeparatorGuard comma(',');
        EXPECT_EQ(f.Type("1.5,2,"), 2);
        EXPECT_EQ(f.num->Text(), "15,2");
    }
}

TEST(VtNumericEdit, RangeOnExit) {
    EditForm f;
    f.num->SetMax(100);
    f.num->SetFocus();
    f.num->SetText("150");
    f.edit->SetFocus();
    UiTest::Flush();
    EXPECT_EQ(f.num->Text(), "100");  // Min differs from Max: the range applies without CheckRange

    f.num->SetMin(5);
    f.num->SetMax(5);
    f.num->SetCheckRange(true);
    f.num->SetFocus();
    f.num->SetText("7");
    f.edit->SetFocus();
    EXPECT_EQ(f.num->Text(), "5");
    f.num->SetCheckRange(false);
    f.num->SetFocus();
    f.num->SetText("7");
    f.edit->SetFocus();
    EXPECT_EQ(f.num->Text(), "7");

    // A handler that refuses the correction keeps the user in the control, text unchanged.
    f.num->SetMin(0);
    f.num->SetMax(10);
    double entered = 0, adjusted = 0;
    f.num->OnRangeError = [&](TObject*, double e, double a, bool& autoCorrect) {
        entered = e;
        adjusted = a;
        autoCorrect = false;
    };
    f.num->SetFocus();
    f.num->SetText("(12)");
    f.edit->SetFocus();
    UiTest::Flush();
    EXPECT_EQ(entered, -12);
    EXPECT_EQ(adjusted, 0);
    EXPECT_EQ(f.num->Text(), "(12)");
    EXPECT_TRUE(f.num->Focused());
}

TEST(VtEdit, TabOnEnterMovesTheFocus) {
    EditForm f;
    f.num->SetTabOnEnter(true);
    f.num->SetFocus();
    int before = MessageBeepCount();
    UiTest::Key(VK_RETURN);
    UiTest::Flush();
    EXPECT_TRUE(f.edit->Focused());
    EXPECT_EQ(MessageBeepCount(), before);
}

TEST(VtEdit, ColourStates) {
    EditForm f;
    TVtEdit* e = f.edit;
    e->SetFocusColor(clYellow);
    e->SetDisabledColor(clSilver);
    e->SetFocus();
    EXPECT_EQ(e->Color(), clYellow);
    e->SetColor(clAqua);  // while focused: the normal colour changes
    EXPECT_EQ(e->NormalColor(), clAqua);
    f.num->SetFocus();
    EXPECT_EQ(e->Color(), clAqua);
    e->SetFocus();
    EXPECT_EQ(e->Color(), clYellow);
    f.num->SetFocus();
    e->SetEnabled(false);
    EXPECT_EQ(e->Color(), clSilver);
    e->SetEnabled(true);
    EXPECT_EQ(e->Color(), clAqua);
    // FocusColor equal to Color moves along with it; once they differ it stays.
    TVtEdit* n = f.num;
    EXPECT_EQ(n->FocusColor(), clWindow);
    n->SetColor(clLime);
    EXPECT_EQ(n->FocusColor(), clLime);
    n->SetFocusColor(clRed);
    n->SetColor(clBlue);
    EXPECT_EQ(n->FocusColor(), clRed);
}

TEST(VtEdit, FrameRingsNormalAndHot) {
    EditForm f;
    TVtEdit* e = f.edit;
    e->SetFrameHotTrack(true);  // also shows the frame
    EXPECT_TRUE(e->FrameVisible());
    e->SetFrameHotColor(clRed);
    UiTest::Flush();
    std::unique_ptr<TBitmap> normal(UiTest::Capture(e));
    normal->SaveToPNG(std::string(QM_TEST_OUT) + "/VtEdit-frame.png");
    EXPECT_EQ(normal->Canvas()->Pixel(0, 5), ColorToRGB(clBtnShadow));  // fsFlat: one ring
    EXPECT_EQ(normal->Canvas()->Pixel(1, 5), ColorToRGB(clWindow));
    EXPECT_EQ(normal->Canvas()->Pixel(e->Width() - 1, 5), ColorToRGB(clBtnShadow));
    e->SetFocus();
    UiTest::Flush();
    std::unique_ptr<TBitmap> hot(UiTest::Capture(e));
    hot->SaveToPNG(std::string(QM_TEST_OUT) + "/VtEdit-frame-hot.png");
    EXPECT_EQ(hot->Canvas()->Pixel(0, 5), ColorToRGB(clRed));  // fsFlatBold: two rings
    EXPECT_EQ(hot->Canvas()->Pixel(1, 5), ColorToRGB(clRed));
    EXPECT_EQ(hot->Canvas()->Pixel(5, e->Height() - 2), ColorToRGB(clRed));
    // The mouse alone makes it hot too.
    f.num->SetFocus();
    UiTest::MouseMove(e, 20, 5);
    UiTest::Flush();
    EXPECT_TRUE(e->MouseOver());
    std::unique_ptr<TBitmap> over(UiTest::Capture(e));
    EXPECT_EQ(over->Canvas()->Pixel(1, 5), ColorToRGB(clRed));
    // No frame once FrameVisible is off, hot tracking or not.
    e->SetFrameVisible(false);
    UiTest::Flush();
    std::unique_ptr<TBitmap> plain(UiTest::Capture(e));
    EXPECT_NE(plain->Canvas()->Pixel(1, 5), ColorToRGB(clRed));
}

TEST(VtEdit, DropDownButtonOfDescendants) {
    EditForm f;
    auto* d = new DropEdit(f.form);
    d->SetParent(f.form);
    d->SetBounds(10, 90, 120, 21);
    UiTest::Flush();
    TRect b = d->ButtonRect();
    EXPECT_EQ(b.Width(), GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(d->ClientWidth(), 120 - 4 - b.Width());
    TRect wc = d->WindowClientRect();
    UiTest::Click(d, b.Left - wc.Left + 3, 5);
    EXPECT_EQ(d->drops, 1);
    EXPECT_TRUE(d->Focused());
    UiTest::Key(VK_DOWN, 0);
    EXPECT_EQ(d->drops, 1);
    d->Perform(WM_SYSKEYDOWN, VK_DOWN, ssAlt);
    EXPECT_EQ(d->drops, 2);
    UiTest::Click(d, 5, 5);  // the text area does not drop down
    EXPECT_EQ(d->drops, 2);
    // Right-to-left reading: the button at the left end.
    d->SetBiDiMode(bdRightToLeft);
    UiTest::Flush();
    EXPECT_EQ(d->ClientWidth(), 120 - 4 - b.Width());
    EXPECT_EQ(d->WindowClientRect().Left, 2 + b.Width());
    UiTest::Click(d, -b.Width() + 3, 5);
    EXPECT_EQ(d->drops, 3);
}

// A validation error always reports itself: the handler's message, or the masked edit's own when the handler
// leaves it empty or there is no handler.
TEST(VtEdit, ValidationErrorBeepsAndRaises) {
    EditForm f;
    TVtEdit* e = f.edit;
    auto raised = [&]() -> std::string {
        int before = MessageBeepCount();
        try {
            e->ValidateError();
        } catch (const EDBEditError& x) {
            EXPECT_EQ(MessageBeepCount(), before + 1);
            return x.Message;
        }
        return "(nothing raised)";
    };
    const std::string general = raised();
    EXPECT_NE(general, "(nothing raised)");
    EXPECT_FALSE(general.empty());
    bool asked = false;
    e->OnValidateError = [&](TObject*, std::string&) { asked = true; };
    EXPECT_EQ(raised(), general);
    EXPECT_TRUE(asked);
    e->OnValidateError = [](TObject*, std::string& m) { m = "编号不对"; };
    EXPECT_EQ(raised(), "编号不对");
}

// Without hot tracking only the drop-down button changes when the mouse comes or goes: the frame is painted
// again in the button's strip alone; with hot tracking the whole frame is.
TEST(VtEdit, HotButtonRepaintsOnlyItsStripUnlessTheFrameTracks) {
    EditForm f;
    auto* d = new DropEdit(f.form);
    d->SetParent(f.form);
    d->SetBounds(10, 90, 120, 21);
    d->SetFrameVisible(true);
    d->SetFlatButtons(true);
    d->SetFlatButtonColor(clYellow);
    UiTest::Flush();
    const int strip = GetSystemMetrics(SM_CXVSCROLL) + 2;
    // Marks on the frame's top edge: at the far end, just outside the strip, and inside it.
    auto mark = [&] {
        for (int x : {0, d->Width() - strip - 1, d->Width() - strip, d->Width() - 1})
            d->WindowCanvas()->SetPixel(x, 0, clFuchsia);
    };
    auto marked = [&](int x) {
        std::unique_ptr<TBitmap> shot(UiTest::Capture(d));
        return shot->Canvas()->Pixel(x, 0) == ColorToRGB(clFuchsia);
    };
    mark();
    UiTest::MouseMove(d, 5, 5);
    UiTest::Flush();
    ASSERT_TRUE(d->MouseOver());
    EXPECT_TRUE(marked(0));
    EXPECT_TRUE(marked(d->Width() - strip - 1));
    EXPECT_FALSE(marked(d->Width() - strip));
    EXPECT_FALSE(marked(d->Width() - 1));
    std::unique_ptr<TBitmap> hot(UiTest::Capture(d));
    EXPECT_EQ(hot->Canvas()->Pixel(d->ButtonRect().Left + 2, 5), ColorToRGB(clYellow));
    // Leaving takes the hot button away again, in the strip.
    mark();
    UiTest::MouseMove(f.edit, 5, 5);
    UiTest::Flush();
    ASSERT_FALSE(d->MouseOver());
    EXPECT_TRUE(marked(0));
    EXPECT_FALSE(marked(d->Width() - 1));
    std::unique_ptr<TBitmap> cold(UiTest::Capture(d));
    EXPECT_NE(cold->Canvas()->Pixel(d->ButtonRect().Left + 2, 5), ColorToRGB(clYellow));
    // Right-to-left reading: the strip is at the left end.
    d->SetBiDiMode(bdRightToLeft);
    UiTest::Flush();
    d->WindowCanvas()->SetPixel(d->Width() - 1, 0, clFuchsia);
    d->WindowCanvas()->SetPixel(1, 0, clFuchsia);
    UiTest::MouseMove(d, 5, 5);
    UiTest::Flush();
    EXPECT_TRUE(marked(d->Width() - 1));
    EXPECT_FALSE(marked(1));
    d->SetBiDiMode(bdLeftToRight);
    UiTest::MouseMove(f.edit, 5, 5);
    // Hot tracking: the frame itself changes, all of it.
    d->SetFrameHotTrack(true);
    UiTest::Flush();
    mark();
    UiTest::MouseMove(d, 5, 5);
    UiTest::Flush();
    EXPECT_FALSE(marked(0));
    EXPECT_FALSE(marked(d->Width() - 1));
}

TEST(VtNumericEdit, ReadOnlyRefusesPasteAndCut) {
    EditForm f;
    f.num->SetText("42");
    f.num->SetReadOnly(true);
    f.num->SelectAll();
    f.num->CutToClipboard();
    f.num->ClearSelection();
    EXPECT_EQ(f.num->Text(), "42");
}

TEST(VtEdit, CharCaseFromTheFormResourceCasesSetAndTypedText) {
    UiTest::Init();
    RegisterWidgetClasses();
    TForm* f = new TForm(nullptr);
    ReadComponentResource(f, "object F: TForm\n"
                             "  Width = 300\n  Height = 200\n"
                             "  object E: TVtEdit\n"
                             "    Left = 10\n    Top = 10\n    Width = 120\n"
                             "    CharCase = ecUpperCase\n    HideSelection = False\n    OEMConvert = True\n"
                             "    Text = 'ab1c'\n"
                             "  end\n"
                             "  object G: TVtEdit\n    Top = 40\n  end\n"
                             "end\n");
    auto* e = dynamic_cast<TVtEdit*>(f->FindComponent("E"));
    auto* g = dynamic_cast<TVtEdit*>(f->FindComponent("G"));
    ASSERT_TRUE(e && g);
    EXPECT_EQ(e->CharCase(), ecUpperCase);
    EXPECT_FALSE(e->HideSelection());
    EXPECT_TRUE(e->OEMConvert());
    EXPECT_EQ(g->CharCase(), ecNormal);
    EXPECT_TRUE(g->HideSelection());
    EXPECT_FALSE(g->OEMConvert());
    EXPECT_EQ(e->Text(), "AB1C");
    f->Show();
    UiTest::Flush();

    // Typed letters: cased, the caret stays after them, one change each.
    int changes = 0;
    e->OnChange = [&](TObject*) { ++changes; };
    e->SetFocus();
    e->SetSelStart(1);
    UiTest::Chars("xy");
    EXPECT_EQ(e->Text(), "AXYB1C");
    EXPECT_EQ(e->SelStart(), 3);
    EXPECT_EQ(changes, 2);
    // Double-byte characters stay whole, even with a trail byte in the letters' range.
    const std::string dbcs = "\x81" "a";
    e->SetText(dbcs + "q");
    EXPECT_EQ(e->Text(), dbcs + "Q");
    UiTest::Chars(dbcs);
    EXPECT_EQ(e->Text(), dbcs + "Q" + dbcs);
    // Choosing another case recases the text there.
    e->SetCharCase(ecLowerCase);
    EXPECT_EQ(e->Text(), dbcs + "q" + dbcs);
    e->SetCharCase(ecNormal);
    e->SetText("MiXed");
    EXPECT_EQ(e->Text(), "MiXed");
    delete f;
}
