#include "widgets/VtCmboBx.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/PlatformClasses.h"
#include "platform/ui/Forms.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtEdit.h"

namespace {

struct ComboForm {
    TForm* form;
    TVtComboBox* combo;
    TVtEdit* next;
    int changes = 0, clicks = 0, matches = 0;
    explicit ComboForm(TComboBoxStyle style = csDropDownList) {
        UiTest::Init();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 300, 200);
        combo = new TVtComboBox(form);
        combo->SetParent(form);
        combo->SetStyle(style);
        combo->SetBounds(10, 10, 120, 21);
        combo->OnChange = [this](TObject*) { ++changes; };
        combo->OnClick = [this](TObject*) { ++clicks; };
        combo->OnMatch = [this](TObject*) { ++matches; };
        next = new TVtEdit(form);
        next->SetParent(form);
        next->SetBounds(10, 60, 100, 21);
        form->Show();
        UiTest::Flush();
        combo->SetFocus();
    }
    ~ComboForm() {
        SetComboDropHook(nullptr);
        delete form;
    }
    void Add(std::initializer_list<const char*> items) {
        for (const char* s : items) combo->Items()->Add(s);
    }
    int Beeps(const std::function<void()>& act) {
        int before = MessageBeepCount();
        act();
        return MessageBeepCount() - before;
    }
};

}  // namespace

TEST(VtComboBoxText, LastGbkCharacter) {
    EXPECT_EQ(LastGbkCharStart(""), 0u);
    EXPECT_EQ(LastGbkCharStart("ab"), 1u);
    EXPECT_EQ(LastGbkCharStart("a北"), 1u);
    EXPECT_EQ(LastGbkCharStart("北a"), 2u);
    // "北" is B1 B1: its trail byte is also a lead byte, so only a scan from the start finds the pair.
    EXPECT_EQ(LastGbkCharStart("北北"), 2u);
    EXPECT_EQ(LastGbkCharStart("\xB1"), 0u);  // a lone lead byte counts as one
}

TEST(VtComboBox, IncrementalSearchInTheScaleList) {
    ComboForm f;
    f.Add({"1:100万", "1:50万", "1:25万", "1:10万", "1:5万", "1:2.5万", "1:1万", "1:5000"});
    f.combo->SetItemIndex(6);
    UiTest::Chars("1:5");
    EXPECT_EQ(f.combo->ItemIndex(), 1);
    EXPECT_EQ(f.combo->SearchText(), "1:5");
    EXPECT_EQ(f.changes, 3);  // every match: "1" and "1:" find "1:100万", "1:5" moves on
    EXPECT_EQ(f.clicks, 3);
    EXPECT_TRUE(f.combo->SearchTimer()->Enabled());
    EXPECT_EQ(f.combo->SearchTimer()->Interval(), 1500u);
    // A key that matches nothing is refused; the search text stays.
    EXPECT_EQ(f.Beeps([] { UiTest::Chars("x"); }), 1);
    EXPECT_EQ(f.combo->ItemIndex(), 1);
    EXPECT_EQ(f.combo->SearchText(), "1:5");
    UiTest::Chars("0");
    EXPECT_EQ(f.combo->ItemIndex(), 1);
    UiTest::Chars("0");
    EXPECT_EQ(f.combo->ItemIndex(), 7);  // "1:500" is "1:5000" only
    // After the pause the next character starts a new search.
    f.combo->SearchTimer()->OnTimer(f.combo->SearchTimer());
    EXPECT_EQ(f.combo->SearchText(), "");
    EXPECT_FALSE(f.combo->SearchTimer()->Enabled());
    UiTest::Chars("1");
    EXPECT_EQ(f.combo->ItemIndex(), 0);
    // Arrow keys clear the search.
    UiTest::Key(VK_DOWN);
    EXPECT_EQ(f.combo->SearchText(), "");
    EXPECT_EQ(f.combo->ItemIndex(), 1);
}

TEST(VtComboBox, GbkItemFoundAndBackspacedCharacterByCharacter) {
    ComboForm f;
    f.Add({"上海", "北京", "北海"});
    UiTest::Chars("北海");
    EXPECT_EQ(f.combo->ItemIndex(), 2);
    EXPECT_EQ(f.combo->SearchText(), "北海");
    UiTest::Key(VK_BACK);  // both bytes of "海"
    EXPECT_EQ(f.combo->SearchText(), "北");
    EXPECT_EQ(f.combo->ItemIndex(), 1);
    UiTest::Key(VK_BACK);
    EXPECT_EQ(f.combo->SearchText(), "");
    EXPECT_EQ(f.combo->ItemIndex(), 0);  // empty: the first item
    EXPECT_EQ(f.Beeps([] { UiTest::Key(VK_BACK); }), 1);
    // Escape with the list closed: the first item.
    f.combo->SetItemIndex(2);
    UiTest::Key(VK_ESCAPE);
    EXPECT_EQ(f.combo->ItemIndex(), 0);
}

TEST(VtComboBox, WheelStopsAtTheEnds) {
    ComboForm f;
    f.Add({"a", "b", "c"});
    f.combo->SetItemIndex(2);
    UiTest::Wheel(f.combo, 5, 5, -WHEEL_DELTA);
    EXPECT_EQ(f.combo->ItemIndex(), 2);
    EXPECT_EQ(f.changes, 0);
    UiTest::Wheel(f.combo, 5, 5, WHEEL_DELTA);
    EXPECT_EQ(f.combo->ItemIndex(), 1);
    EXPECT_EQ(f.changes, 1);
    f.combo->SetItemIndex(0);
    UiTest::Wheel(f.combo, 5, 5, WHEEL_DELTA);
    EXPECT_EQ(f.combo->ItemIndex(), 0);
}

TEST(VtComboBox, TabOnEnterAndTheOpenList) {
    ComboForm f;
    f.Add({"a", "b", "c"});
    f.combo->SetTabOnEnter(true);
    UiTest::Key(VK_RETURN);
    UiTest::Flush();
    EXPECT_TRUE(f.next->Focused());
    SetComboDropHook([](TCustomComboBox*) { return 2; });
    f.combo->SetDropDownWidth(300);
    EXPECT_EQ(f.combo->DropDownWidth(), 300);
    UiTest::Click(f.combo, 5, 5);
    EXPECT_EQ(f.combo->ItemIndex(), 2);
    EXPECT_EQ(f.changes, 1);
    // Read-only: clicks are ignored.
    f.combo->SetReadOnly(true);
    SetComboDropHook([](TCustomComboBox*) { return 0; });
    UiTest::Click(f.combo, 5, 5);
    EXPECT_EQ(f.combo->ItemIndex(), 2);
}

TEST(VtComboBox, CompletionAndRefusalInTheEditStyle) {
    ComboForm f(csDropDown);
    f.Add({"apple", "apricot", "banana"});
    f.combo->SetFocus();
    ASSERT_NE(f.combo->Edit(), nullptr);
    EXPECT_TRUE(f.combo->Edit()->Focused());
    UiTest::Chars("a");
    EXPECT_EQ(f.combo->Edit()->Text(), "apple");
    EXPECT_EQ(f.combo->Edit()->SelStart(), 1);
    EXPECT_EQ(f.combo->Edit()->SelLength(), 4);
    EXPECT_EQ(f.combo->ItemIndex(), 0);
    EXPECT_EQ(f.matches, 1);
    UiTest::Chars("pr");
    EXPECT_EQ(f.combo->Edit()->Text(), "apricot");
    EXPECT_EQ(f.combo->ItemIndex(), 1);
    UiTest::Key(VK_BACK);
    EXPECT_EQ(f.combo->Edit()->Text(), "apple");  // completed again from "ap"
    // With AllowEdit a text that is no item stays as typed.
    UiTest::Chars("z");
    EXPECT_EQ(f.combo->Edit()->Text(), "apz");
    EXPECT_EQ(f.combo->Edit()->SelLength(), 0);
    // Without it the key is refused and the text stays.
    f.combo->SetAllowEdit(false);
    f.combo->Edit()->SetText("ban");
    f.combo->Edit()->SetSelStart(3);
    EXPECT_EQ(f.Beeps([] { UiTest::Chars("x"); }), 1);
    EXPECT_EQ(f.combo->Edit()->Text(), "ban");
    int notInList = 0;
    f.combo->OnNotInList = [&](TObject*) { ++notInList; };
    f.combo->SetAllowEdit(true);
    UiTest::Chars("q");
    f.next->SetFocus();
    EXPECT_EQ(notInList, 1);
}

TEST(VtComboBox, FlatDropButtonIdleAndHot) {
    ComboForm f;
    f.Add({"3度分带法", "6度分带法"});
    f.combo->SetItemIndex(0);
    f.combo->SetFlatButtons(true);
    f.combo->SetFrameVisible(true);
    f.combo->SetColor(clWhite);
    f.next->SetFocus();
    UiTest::MouseMove(f.form, 250, 150);
    UiTest::Flush();
    std::unique_ptr<TBitmap> idle(UiTest::Capture(f.combo));
    idle->SaveToPNG(std::string(QM_TEST_OUT) + "/VtComboBox-flat.png");
    TRect wc = f.combo->WindowClientRect();
    int bx = wc.Left + f.combo->ClientWidth() - 17, by = wc.Top;
    EXPECT_EQ(idle->Canvas()->Pixel(0, 5), ColorToRGB(clBtnShadow));  // the flat frame
    EXPECT_EQ(idle->Canvas()->Pixel(1, 5), ColorToRGB(clWhite));
    EXPECT_EQ(idle->Canvas()->Pixel(bx, by), ColorToRGB(clWhite));  // the button is the control's colour
    EXPECT_EQ(idle->Canvas()->Pixel(bx + 16, by + 16), ColorToRGB(clWhite));
    UiTest::MouseMove(f.combo, 20, 5);
    UiTest::Flush();
    EXPECT_TRUE(f.combo->MouseOver());
    std::unique_ptr<TBitmap> hot(UiTest::Capture(f.combo));
    hot->SaveToPNG(std::string(QM_TEST_OUT) + "/VtComboBox-flat-hot.png");
    EXPECT_EQ(hot->Canvas()->Pixel(bx, by), ColorToRGB(clBtnHighlight));  // a raised one-pixel border
    EXPECT_EQ(hot->Canvas()->Pixel(bx + 16, by + 16), ColorToRGB(clBtnShadow));
    EXPECT_EQ(hot->Canvas()->Pixel(bx + 2, by + 2), ColorToRGB(clBtnFace));
}

TEST(VtComboBox, MaxLengthRefusesKeysWhenFull) {
    ComboForm f(csDropDown);
    f.Add({"apple"});
    f.combo->SetAutoComplete(false);
    f.combo->SetMaxLength(3);
    f.combo->SetFocus();
    TCustomEdit* e = f.combo->Edit();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->MaxLength(), 3);
    UiTest::Chars("xy");
    EXPECT_EQ(f.Beeps([] { UiTest::Chars("z"); }), 0);
    EXPECT_EQ(e->Text(), "xyz");
    EXPECT_EQ(f.Beeps([] { UiTest::Chars("w"); }), 1);
    EXPECT_EQ(f.Beeps([] { UiTest::Chars("北"); }), 1);  // both bytes refused, one beep
    EXPECT_EQ(e->Text(), "xyz");
    // A selection is replaced.
    e->SetSelStart(1);
    e->SetSelLength(1);
    EXPECT_EQ(f.Beeps([] { UiTest::Chars("q"); }), 0);
    EXPECT_EQ(e->Text(), "xqz");
    // Only the drop-down style refuses.
    f.combo->SetStyle(csSimple);
    EXPECT_EQ(f.Beeps([] { UiTest::Chars("w"); }), 0);
}

// Completion looks at the text up to the caret; when that is no item's beginning the rest of the text stays.
TEST(VtComboBox, TypingInsideTheTextKeepsWhatFollowsTheCaret) {
    ComboForm f(csDropDown);
    f.Add({"apple", "banana"});
    f.combo->SetFocus();
    TCustomEdit* e = f.combo->Edit();
    ASSERT_NE(e, nullptr);
    f.combo->SetText("zebra");
    e->SetSelStart(2);
    UiTest::Chars("x");
    EXPECT_EQ(e->Text(), "zexbra");
    EXPECT_EQ(e->SelStart(), 3);
    EXPECT_EQ(e->SelLength(), 0);
    UiTest::Key(VK_BACK);
    EXPECT_EQ(e->Text(), "zebra");
    EXPECT_EQ(e->SelStart(), 2);
    // A double-byte character typed in the middle goes in whole.
    UiTest::Chars("甲");
    EXPECT_EQ(e->Text(), "ze甲bra");
    EXPECT_EQ(e->SelStart(), 3);
    // Backspace that leaves nothing typed makes no item current and keeps the rest.
    e->SetSelStart(1);
    UiTest::Key(VK_BACK);
    EXPECT_EQ(e->Text(), "e甲bra");
    EXPECT_EQ(e->SelStart(), 0);
    EXPECT_EQ(f.combo->ItemIndex(), -1);
    // Typing that reaches an item's beginning completes to the item.
    f.combo->SetText("bzz");
    e->SetSelStart(1);
    UiTest::Chars("a");
    EXPECT_EQ(e->Text(), "banana");
    EXPECT_EQ(f.combo->ItemIndex(), 1);
}

TEST(VtComboBox, CompletionAfterPasteCutAndOutsideChanges) {
    ComboForm f(csDropDown);
    f.Add({"apple", "apricot", "banana"});
    f.combo->SetFocus();
    TCustomEdit* e = f.combo->Edit();
    ASSERT_NE(e, nullptr);
    // A text set from outside completes: the item is current, the rest selected.
    f.changes = 0;
    f.combo->SetText("ban");
    EXPECT_EQ(e->Text(), "banana");
    EXPECT_EQ(f.combo->ItemIndex(), 2);
    EXPECT_EQ(e->SelStart(), 3);
    EXPECT_EQ(e->SelLength(), 3);
    EXPECT_EQ(f.changes, 1);
    // One that matches nothing stays as it is.
    f.combo->SetText("zz");
    EXPECT_EQ(e->Text(), "zz");
    EXPECT_EQ(f.combo->ItemIndex(), -1);
    // Paste.
    f.combo->SetAutoComplete(false);
    e->SetText("apr");
    e->SelectAll();
    e->CopyToClipboard();
    e->SetText("");
    f.combo->SetAutoComplete(true);
    e->PasteFromClipboard();
    UiTest::Flush();
    EXPECT_EQ(e->Text(), "apricot");
    EXPECT_EQ(f.combo->ItemIndex(), 1);
    EXPECT_EQ(e->SelStart(), 3);
    EXPECT_EQ(e->SelLength(), 4);
    // Cut: "apricot" less "ricot" is "ap", completed to the first item.
    e->SetSelStart(2);
    e->SetSelLength(5);
    e->CutToClipboard();
    UiTest::Flush();
    EXPECT_EQ(e->Text(), "apple");
    EXPECT_EQ(f.combo->ItemIndex(), 0);
    EXPECT_EQ(e->SelStart(), 2);
    // Delete takes the selection and does not complete.
    UiTest::Key(VK_DELETE);
    EXPECT_EQ(e->Text(), "ap");
    e->SetSelStart(0);
    UiTest::Key(VK_DELETE);
    EXPECT_EQ(e->Text(), "p");
}

TEST(VtComboBox, KeepSearchCaseKeepsTheItemCurrent) {
    ComboForm f(csDropDown);
    f.Add({"apple", "Banana"});
    f.combo->SetKeepSearchCase(true);
    f.combo->SetFocus();
    TCustomEdit* e = f.combo->Edit();
    ASSERT_NE(e, nullptr);
    UiTest::Chars("AP");
    EXPECT_EQ(e->Text(), "APple");
    EXPECT_EQ(f.combo->ItemIndex(), 0);
    EXPECT_EQ(e->SelStart(), 2);
    EXPECT_EQ(e->SelLength(), 3);
    UiTest::Key(VK_BACK);
    EXPECT_EQ(e->Text(), "Apple");
    EXPECT_EQ(f.combo->ItemIndex(), 0);
    EXPECT_EQ(e->SelStart(), 1);
    UiTest::Key(VK_BACK);
    EXPECT_EQ(e->Text(), "");
    EXPECT_EQ(f.combo->ItemIndex(), -1);
    UiTest::Chars("b");
    EXPECT_EQ(e->Text(), "banana");
    EXPECT_EQ(f.combo->ItemIndex(), 1);
}

TEST(VtComboBox, DeleteItemHearsItemsWithData) {
    ComboForm f;
    TObject a, b;
    std::vector<TObject*> heard;
    f.combo->OnDeleteItem = [&](TObject* sender, TObject* data) {
        EXPECT_EQ(sender, f.combo);
        heard.push_back(data);
    };
    f.combo->Items()->AddObject("a", &a);
    f.combo->Items()->Add("plain");
    f.combo->Items()->AddObject("b", &b);
    f.combo->Items()->Delete(1);  // no data: not heard
    EXPECT_TRUE(heard.empty());
    f.combo->Items()->Delete(0);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0], &a);
    f.combo->Items()->Clear();
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[1], &b);
}

TEST(VtComboBox, OwnerDrawnCurrentItem) {
    ComboForm f(csOwnerDrawFixed);
    f.Add({"a", "b"});
    f.combo->SetColor(clWhite);
    int drawn = -2;
    TOwnerDrawState drawnState = 0;
    f.combo->OnDrawItem = [&](TWinControl* c, int index, TRect r, TOwnerDrawState state) {
        drawn = index;
        drawnState = state;
        auto* combo = static_cast<TVtComboBox*>(c);
        combo->Canvas()->Brush()->SetColor(clRed);
        combo->Canvas()->FillRect(r);
    };
    f.next->SetFocus();
    UiTest::Flush();
    std::unique_ptr<TBitmap> none(UiTest::Capture(f.combo));
    EXPECT_EQ(drawn, -2);  // no current item: the area is only filled
    TRect wc = f.combo->WindowClientRect();
    EXPECT_EQ(none->Canvas()->Pixel(wc.Left + 10, wc.Top + 8), ColorToRGB(clWhite));
    f.combo->SetItemIndex(1);
    std::unique_ptr<TBitmap> idle(UiTest::Capture(f.combo));
    EXPECT_EQ(drawn, 1);
    EXPECT_EQ(drawnState, 0);
    EXPECT_EQ(idle->Canvas()->Pixel(wc.Left + 10, wc.Top + 8), ColorToRGB(clRed));
    f.combo->SetFocus();
    std::unique_ptr<TBitmap> focused(UiTest::Capture(f.combo));
    EXPECT_EQ(drawnState, TOwnerDrawState(odSelected | odFocused));
}

namespace {
class TfrmComboEvents : public TForm {
public:
    explicit TfrmComboEvents(TComponent* owner) : TForm(owner) {}
    static const TClassInfo& StaticClass() {
        static TClassInfo ci = [] {
            TClassInfo c{"TfrmComboEvents", &TForm::StaticClass(), {}, {}, {}};
            c.methods = {Method("Cancelled", &TfrmComboEvents::Cancelled)};
            return c;
        }();
        return ci;
    }
    const TClassInfo* ClassType() const override { return &StaticClass(); }
    void Cancelled(TObject*) { ++cancels; }
    int cancels = 0;
};
}  // namespace

TEST(VtComboBox, SelEndCancelWhenTheListClosesWithoutAChoice) {
    UiTest::Init();
    RegisterPlatformClasses();
    RegisterWidgetClasses();
    auto* f = new TfrmComboEvents(nullptr);
    ReadComponentResource(f, "object F: TfrmComboEvents\n  Width = 300\n  Height = 200\n"
                             "  object C: TVtComboBox\n    Style = csDropDownList\n"
                             "    Items.Strings = ('a' 'b')\n    OnSelEndCancel = Cancelled\n  end\n"
                             "end\n");
    auto* c = dynamic_cast<TVtComboBox*>(f->FindComponent("C"));
    ASSERT_NE(c, nullptr);
    f->Show();
    UiTest::Flush();
    SetComboDropHook([](TCustomComboBox*) { return -1; });
    c->DropDown();
    EXPECT_EQ(f->cancels, 1);
    EXPECT_EQ(c->ItemIndex(), -1);
    SetComboDropHook([](TCustomComboBox*) { return 1; });
    c->DropDown();
    EXPECT_EQ(f->cancels, 1);
    EXPECT_EQ(c->ItemIndex(), 1);
    SetComboDropHook(nullptr);
    delete f;
}
