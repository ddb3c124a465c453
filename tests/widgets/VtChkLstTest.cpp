#include "widgets/VtChkLst.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
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
struct Check : TVtCheckList {
    explicit Check(TComponent* o = nullptr) : TVtCheckList(o) {}
    void Space() {
        WORD k = VK_SPACE;
        KeyDown(k, 0);
        k = VK_SPACE;
        KeyUp(k, 0);
    }
    using TVtCheckList::CreateWnd;
};

// A shown 200 x 120 list on a form; `setup` runs before the items are added.
struct ShownList {
    TForm* form;
    Check* l;
    ShownList(std::initializer_list<const char*> items, const std::function<void(Check*)>& setup = {}) {
        UiTest::Init();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 300, 200);
        l = new Check(form);
        l->SetParent(form);
        l->SetBounds(0, 0, 200, 120);
        if (setup) setup(l);
        for (const char* s : items) l->Items()->Add(s);
        form->Show();
        UiTest::Flush();
    }
    ~ShownList() { delete form; }
};
}  // namespace

TEST(VtCheckList, RecordsFollowTheirItems) {
    UiTest::Init();
    Check l;
    for (const char* s : {"a", "b", "c", "d"}) l.Items()->Add(s);
    l.SetItemState(1, cbChecked);
    l.SetItemState(2, cbGrayed);
    l.SetItemEnabled(3, false);
    l.Items()->Insert(0, "z");
    EXPECT_EQ(l.ItemState(2), cbChecked);
    EXPECT_EQ(l.ItemState(0), cbUnchecked);
    l.Items()->Delete(0);
    l.Items()->SetStrings(1, "bb");  // a new text keeps the record
    EXPECT_TRUE(l.ItemChecked(1));
    l.MoveItem(1, 3);
    EXPECT_EQ(l.Items()->Strings(3), "bb");
    EXPECT_TRUE(l.ItemChecked(3));
    EXPECT_FALSE(l.ItemEnabled(2));
    l.ExchangeItems(0, 1);
    EXPECT_EQ(l.Items()->Strings(0), "c");
    EXPECT_EQ(l.ItemState(0), cbGrayed);
    EXPECT_EQ(l.ItemState(1), cbUnchecked);
    EXPECT_THROW(l.ItemState(4), ERangeError);
    EXPECT_THROW(l.SetItemEnabled(-1, true), ERangeError);
    EXPECT_THROW(l.MoveItem(0, 4), ERangeError);
    l.Items()->Clear();
    EXPECT_EQ(l.ItemsChecked(), 0);
}

TEST(VtCheckList, CheckAllCountsNoGroups) {
    UiTest::Init();
    Check l;
    for (const char* s : {"//组", "a", "b", "c"}) l.Items()->Add(s);
    l.CheckAll();
    EXPECT_TRUE(l.ItemChecked(0));
    EXPECT_EQ(l.ItemsChecked(), 3);
    l.UncheckAll();
    EXPECT_EQ(l.ItemsChecked(), 0);
    EXPECT_FALSE(l.ItemChecked(0));
}

// The count skips group items whichever way a text becomes, or stops being, a group's.
TEST(VtCheckList, CountFollowsGroupTextsThroughEveryChange) {
    UiTest::Init();
    Check l;
    for (const char* s : {"a", "//g", "b", "c"}) l.Items()->Add(s);
    l.CheckAll();
    EXPECT_EQ(l.ItemsChecked(), 3);
    l.Items()->SetStrings(0, "//h");
    EXPECT_EQ(l.ItemsChecked(), 2);
    l.Items()->SetStrings(1, "g");
    EXPECT_EQ(l.ItemsChecked(), 3);
    l.ExchangeItems(0, 3);  // the group moves with its text, not its place
    EXPECT_EQ(l.Items()->Strings(3), "//h");
    EXPECT_EQ(l.ItemsChecked(), 3);
    l.Items()->SetStrings(0, "x");
    EXPECT_EQ(l.ItemsChecked(), 3);
    l.MoveItem(3, 0);
    l.SetItemState(1, cbUnchecked);
    EXPECT_EQ(l.ItemsChecked(), 2);  // "//h" at 0 still not counted
    l.Items()->Insert(2, "//i");
    l.SetItemState(2, cbChecked);
    EXPECT_EQ(l.ItemsChecked(), 2);
    l.SetGroupPrefix("#");
    EXPECT_EQ(l.ItemsChecked(), 4);
    l.SetGroupPrefix("//");
    l.Items()->Delete(0);
    EXPECT_EQ(l.ItemsChecked(), 2);
    l.LoadItemsFromText("&1 1 //a\r\n&1 1 b\r\n//c\r\n");
    EXPECT_EQ(l.ItemsChecked(), 1);
    l.Items()->SetText("//x\r\ny\r\n");
    l.CheckAll();
    EXPECT_EQ(l.ItemsChecked(), 1);
}

TEST(VtCheckList, TogglingWithEventsAndDisabledItems) {
    UiTest::Init();
    Check l;
    for (const char* s : {"//组", "a", "b"}) l.Items()->Add(s);
    int changes = 0;
    bool refuse = false;
    l.OnChanging = [&](TObject*, int, TCheckBoxState, bool& allow) { allow = !refuse; };
    l.OnChange = [&](TObject*, int, TCheckBoxState) { ++changes; };
    l.SetItemIndex(1);
    l.SetItemState(1, cbGrayed);
    l.Space();
    EXPECT_EQ(l.ItemState(1), cbChecked);  // grayed goes to checked without AllowGrayed
    l.SetAllowGrayed(true);
    l.Space();
    l.Space();
    EXPECT_EQ(l.ItemState(1), cbGrayed);  // through unchecked
    EXPECT_EQ(changes, 3);
    refuse = true;
    l.ToggleCheckState();
    EXPECT_EQ(l.ItemState(1), cbGrayed);
    EXPECT_EQ(changes, 3);
    refuse = false;
    l.SetItemEnabled(1, false);
    l.Space();
    EXPECT_EQ(l.ItemState(1), cbGrayed);
    l.SetItemState(1, cbUnchecked);  // code still reaches a disabled item
    EXPECT_EQ(l.ItemState(1), cbUnchecked);
    l.SetItemIndex(0);
    l.ToggleCheckState();
    EXPECT_EQ(l.ItemState(0), cbUnchecked);  // group items do not toggle
    l.SetEnabled(false);
    l.SetEnabled(true);
    EXPECT_TRUE(l.ItemEnabled(1));  // the control's change reaches every item
}

TEST(VtCheckList, ClickOnTheGlyphToggles) {
    ShownList f({"one", "two"});
    Check* l = f.l;
    l->SetItemState(0, cbChecked);
    TRect r = l->ItemRect(1);
    UiTest::Click(l, r.Left + 6, r.Top + 4);
    EXPECT_TRUE(l->ItemChecked(1));
    UiTest::Click(l, r.Left + 80, r.Top + 4);
    EXPECT_TRUE(l->ItemChecked(1));  // the text is an ordinary click
    l->SetToggleOnItemClick(true);
    UiTest::Click(l, r.Left + 80, r.Top + 4);
    EXPECT_FALSE(l->ItemChecked(1));
    UiTest::Flush();
    std::unique_ptr<TBitmap> shot(UiTest::Capture(l));
    shot->SaveToPNG(std::string(QM_TEST_OUT) + "/VtCheckList.png");
    // The checked glyph shows the check colour; the unchecked one does not.
    TRect wc = l->WindowClientRect();
    auto hasCheck = [&](int item) {
        TRect ir = l->ItemRect(item);
        for (int y = ir.Top; y < ir.Bottom; ++y)
            for (int x = 0; x < l->GlyphWidth() + 8; ++x)
                if (shot->Canvas()->Pixel(wc.Left + x, wc.Top + y) == ColorToRGB(clHighlight)) return true;
        return false;
    };
    EXPECT_TRUE(hasCheck(0));
    EXPECT_FALSE(hasCheck(1));
}

// Glyphs drawn once are drawn anew when a colour they were drawn in changes.
TEST(VtCheckList, GlyphsFollowColourChangesAfterAPaint) {
    ShownList f({"one", "two"});
    Check* l = f.l;
    l->SetItemState(0, cbChecked);
    UiTest::Flush();
    TRect wc = l->WindowClientRect();
    auto count = [&](int item, TColor c) {
        std::unique_ptr<TBitmap> shot(UiTest::Capture(l));
        TRect ir = l->ItemRect(item);
        int n = 0;
        for (int y = ir.Top; y < ir.Bottom; ++y)
            for (int x = 0; x < l->GlyphWidth() + 8; ++x) n += shot->Canvas()->Pixel(wc.Left + x, wc.Top + y) == ColorToRGB(c);
        return n;
    };
    int checks = count(0, clHighlight);
    ASSERT_GT(checks, 0);
    l->SetHighlightColor(clRed);
    UiTest::Flush();
    EXPECT_EQ(count(0, clHighlight), 0);
    EXPECT_EQ(count(0, clRed), checks);
    l->SetFrameColor(clLime);
    UiTest::Flush();
    EXPECT_GT(count(1, clLime), 0);  // the unchecked glyph's frame too
    l->SetItemEnabled(0, false);
    UiTest::Flush();
    EXPECT_EQ(count(0, clRed), 0);  // the disabled check is drawn in the shadow colour
    l->SetItemEnabled(0, true);
    l->SetTransparentColor(clWindow);  // the glyph's face is ground now
    UiTest::Flush();
    EXPECT_GT(count(0, clWindow), 0);
    l->SetColor(clYellow);
    UiTest::Flush();
    EXPECT_EQ(count(0, clRed), checks);
    EXPECT_EQ(count(0, clWindow), 0);  // and takes the new control colour
}

TEST(VtCheckList, RightToLeftGlyphIsOnTheRightForClicksAndPaint) {
    ShownList f({"one", "two"}, [](Check* l) { l->SetBiDiMode(bdRightToLeft); });
    Check* l = f.l;
    l->SetItemState(0, cbChecked);
    TRect r = l->ItemRect(1);
    UiTest::Click(l, r.Left + 6, r.Top + 4);
    EXPECT_FALSE(l->ItemChecked(1));  // the left end holds the text now
    UiTest::Click(l, r.Right - 6, r.Top + 4);
    EXPECT_TRUE(l->ItemChecked(1));
    UiTest::Flush();
    std::unique_ptr<TBitmap> shot(UiTest::Capture(l));
    // The check is drawn 4 pixels in from the right edge, beside the text's right end (item 0: not selected).
    TRect wc = l->WindowClientRect();
    r = l->ItemRect(0);
    int checkLeft = INT_MAX;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = 0; x < r.Right; ++x)
            if (shot->Canvas()->Pixel(wc.Left + x, wc.Top + y) == ColorToRGB(clHighlight)) checkLeft = std::min(checkLeft, x);
    EXPECT_GE(checkLeft, r.Right - l->GlyphWidth() - 4);
    EXPECT_LT(checkLeft, r.Right - 4);
}

TEST(VtCheckList, TextFormRoundTripsAndTakesOddLinesAsPlainItems) {
    UiTest::Init();
    std::vector<TCheckListItem> items{{"甲", cbChecked, true}, {"", cbGrayed, false}, {"&1 2 x", cbUnchecked, true}};
    std::string text = CheckListText(items);
    EXPECT_EQ(text.substr(0, 7), "&1 1 甲");
    EXPECT_EQ(ParseCheckListText(text), items);
    auto odd = ParseCheckListText("&\n&1\r\n&1 7 x\r&0 1 ok\nplain\n&0 2 ");
    ASSERT_EQ(odd.size(), 6u);
    EXPECT_EQ(odd[0], (TCheckListItem{"&", cbUnchecked, true}));
    EXPECT_EQ(odd[1], (TCheckListItem{"&1", cbUnchecked, true}));
    EXPECT_EQ(odd[2], (TCheckListItem{"&1 7 x", cbUnchecked, true}));
    EXPECT_EQ(odd[3], (TCheckListItem{"ok", cbChecked, false}));
    EXPECT_EQ(odd[4], (TCheckListItem{"plain", cbUnchecked, true}));
    EXPECT_EQ(odd[5], (TCheckListItem{"", cbGrayed, false}));
    Check l;
    l.LoadItemsFromText(text);
    EXPECT_EQ(l.GetItems(), items);
    EXPECT_EQ(l.SaveItemsToText(), text);
}

TEST(VtCheckList, RecreationKeepsItemsStatesTopAndSelection) {
    UiTest::Init();
    auto* f = new TForm(nullptr);
    f->SetBounds(0, 0, 300, 200);
    auto* l = new Check(f);
    l->SetParent(f);
    l->SetBounds(0, 0, 200, 80);
    for (int i = 0; i < 40; ++i) l->Items()->Add("item " + std::to_string(i));
    l->SetItemState(30, cbGrayed);
    l->SetItemEnabled(31, false);
    f->Show();
    UiTest::Flush();
    l->SetItemIndex(33);
    l->SetTopIndex(30);
    l->RecreateWnd();
    EXPECT_EQ(l->Items()->Count(), 40);
    EXPECT_EQ(l->ItemState(30), cbGrayed);
    EXPECT_FALSE(l->ItemEnabled(31));
    EXPECT_EQ(l->TopIndex(), 30);
    EXPECT_EQ(l->ItemIndex(), 33);
    delete f;
}

TEST(VtCheckList, ReadFromAFormWithStatesAndFlags) {
    UiTest::Init();
    RegisterPlatformClasses();
    RegisterWidgetClasses();
    TForm f(nullptr);
    ReadComponentResource(&f, "object F: TForm\n  object L: TVtCheckList\n    FrameFlat = True\n"
                              "    Items.Strings = ('a' 'b')\n    ItemEnabled = (True False)\n"
                              "    ItemState = (1 2)\n  end\nend\n");
    auto* l = dynamic_cast<TVtCheckList*>(f.FindComponent("L"));
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->ItemState(0), cbChecked);
    EXPECT_EQ(l->ItemState(1), cbGrayed);
    EXPECT_FALSE(l->ItemEnabled(1));
}

TEST(VtCheckList, GroupBandsSpanTheGlyphColumn) {
    ShownList f({"//组", "one"}, [](Check* l) { l->SetUseGradients(false); });
    Check* l = f.l;
    std::unique_ptr<TBitmap> shot(UiTest::Capture(l));
    TRect wc = l->WindowClientRect();
    TRect g = l->ItemRect(0), n = l->ItemRect(1);
    // The band starts at the row's left edge; an ordinary item keeps its glyph column in the list colour.
    EXPECT_EQ(shot->Canvas()->Pixel(wc.Left + g.Left, wc.Top + g.Bottom - 1), ColorToRGB(clInactiveCaptionText));
    EXPECT_EQ(shot->Canvas()->Pixel(wc.Left + n.Left, wc.Top + n.Bottom - 1), ColorToRGB(l->Color()));
}

// A disabled item reads as disabled when it is the selected one too: grey text on the highlight, as unselected.
TEST(VtCheckList, DisabledItemTextIsGreyEvenWhenSelected) {
    ShownList f({"WWWW", "MMMM"});
    Check* l = f.l;
    l->SetItemEnabled(0, false);
    l->SetItemIndex(0);
    UiTest::Flush();
    std::unique_ptr<TBitmap> shot(UiTest::Capture(l));
    shot->SaveToPNG(std::string(QM_TEST_OUT) + "/VtCheckList-disabled-selected.png");
    TRect wc = l->WindowClientRect();
    auto count = [&](int item, TColor c) {
        TRect r = l->ItemRect(item);
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left + l->GlyphWidth() + 8; x < r.Right; ++x)
                n += shot->Canvas()->Pixel(wc.Left + x, wc.Top + y) == ColorToRGB(c);
        return n;
    };
    EXPECT_GT(count(0, clHighlight), 0);  // still drawn as the selection
    EXPECT_GT(count(0, clBtnShadow), 0);
    EXPECT_EQ(count(0, clHighlightText), 0);
    // Enabled and selected: the highlight text colour.
    l->SetItemIndex(1);
    UiTest::Flush();
    shot.reset(UiTest::Capture(l));
    EXPECT_GT(count(1, clHighlightText), 0);
    EXPECT_EQ(count(1, clBtnShadow), 0);
    EXPECT_GT(count(0, clBtnShadow), 0);
}

// Deleting marked items at once leaves the list as deleting them one after another from the last does: texts,
// objects, states, enabled flags, group items, the selected item and the items' deletion events.
TEST(VtCheckList, MarkedItemsLeaveAtOnceAsOneByOne) {
    UiTest::Init();
    const std::vector<const char*> texts = {"a", "//组", "c", "d", "e", "//组二", "g", "h", "i"};
    TObject objects[9];
    auto make = [&](Check& l, std::vector<int>& events) {
        for (size_t i = 0; i < texts.size(); ++i) l.Items()->AddObject(texts[i], &objects[i]);
        l.SetItemState(2, cbGrayed);
        l.SetItemState(3, cbChecked);
        l.SetItemEnabled(4, false);
        l.SetItemState(6, cbChecked);
        l.SetItemEnabled(8, false);
        l.SetItemIndex(7);
        l.OnDeleteItems = [&events, &objects](TObject*, TObject* o) { events.push_back(int(o - objects)); };
    };
    const std::vector<bool> gone = {true, false, false, true, false, true, false};  // shorter than the list
    Check once, single;
    std::vector<int> onceEvents, singleEvents;
    make(once, onceEvents);
    make(single, singleEvents);
    once.Items()->DeleteMarked(gone);
    for (size_t i = gone.size(); i-- > 0;)
        if (gone[i]) single.Items()->Delete(int(i));
    ASSERT_EQ(once.Items()->Count(), 6);
    ASSERT_EQ(single.Items()->Count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(once.Items()->Strings(i), single.Items()->Strings(i)) << i;
        EXPECT_EQ(once.Items()->Objects(i), single.Items()->Objects(i)) << i;
        EXPECT_EQ(once.ItemState(i), single.ItemState(i)) << i;
        EXPECT_EQ(once.ItemEnabled(i), single.ItemEnabled(i)) << i;
    }
    EXPECT_EQ(once.Items()->Strings(0), "//组");
    EXPECT_EQ(once.ItemState(1), cbGrayed);
    EXPECT_FALSE(once.ItemEnabled(2));
    EXPECT_EQ(once.ItemIndex(), 4);  // "h" moved up by three
    EXPECT_EQ(once.ItemIndex(), single.ItemIndex());
    once.CheckAll();
    EXPECT_EQ(once.ItemsChecked(), 5);  // the group item left is not counted
    EXPECT_EQ(onceEvents, (std::vector<int>{5, 3, 0}));
    EXPECT_EQ(onceEvents, singleEvents);
    // The selected item itself leaving leaves none selected; a mask of nothing changes nothing.
    once.Items()->DeleteMarked({false, false, false, false, true});
    EXPECT_EQ(once.ItemIndex(), -1);
    EXPECT_EQ(once.Items()->Count(), 5);
    once.Items()->DeleteMarked({});
    once.Items()->DeleteMarked(std::vector<bool>(20, false));
    EXPECT_EQ(once.Items()->Count(), 5);
    once.Items()->DeleteMarked(std::vector<bool>(20, true));
    EXPECT_EQ(once.Items()->Count(), 0);
    EXPECT_EQ(once.ItemsChecked(), 0);
}
