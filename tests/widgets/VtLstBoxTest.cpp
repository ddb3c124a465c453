#include "widgets/VtLstBox.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Forms.h"
#include "platform/ui/VtStandIns.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtCommon.h"

namespace {
struct List : TVtListBox {
    explicit List(TComponent* o = nullptr) : TVtListBox(o) {}
    int beeps = 0;
    void Beep() override { ++beeps; }
    void Type(char ch) { KeyPress(ch); }
    void Tick() { Perform(WM_TIMER, 1, 0); }
};
}  // namespace

TEST(VtListBox, GroupsAreBandsOfTheirOwn) {
    UiTest::Init();
    auto* f = new TForm(nullptr);
    f->SetBounds(0, 0, 300, 200);
    auto* l = new List(f);
    l->SetParent(f);
    l->SetBounds(0, 0, 200, 120);
    for (const char* s : {"//甲组", "one", "two", "//乙组", "three"}) l->Items()->Add(s);
    EXPECT_TRUE(l->ItemIsGroup(0));
    EXPECT_FALSE(l->ItemIsGroup(1));
    EXPECT_FALSE(l->ItemIsGroup(-1));
    EXPECT_FALSE(l->ItemIsGroup(5));
    EXPECT_EQ(l->FindGroup(2), 0);
    EXPECT_EQ(l->FindGroup(4), 3);
    EXPECT_EQ(l->FindGroup(-1), -1);
    EXPECT_FALSE(l->HasGroup(-3));
    f->Show();
    UiTest::Flush();
    std::unique_ptr<TBitmap> shot(UiTest::Capture(l));
    shot->SaveToPNG(std::string(QM_TEST_OUT) + "/VtListBoxGroups.png");
    TRect g = l->ItemRect(3);
    TRect wc = l->WindowClientRect();
    // The band runs from the group colour at the text's side to the list colour at the other.
    TColor left = shot->Canvas()->Pixel(wc.Left + g.Left, wc.Top + g.Bottom - 1);
    TColor right = shot->Canvas()->Pixel(wc.Left + g.Right - 1, wc.Top + g.Bottom - 1);
    EXPECT_EQ(left, ColorToRGB(clInactiveCaptionText));
    EXPECT_NE(right, left);
    EXPECT_LE(std::abs(int(GetRValue(right)) - int(GetRValue(ColorToRGB(clWindow)))), 8);
    delete f;
}

TEST(VtListBox, IncrementalSearchBeepsAndResets) {
    UiTest::Init();
    List l;
    for (const char* s : {"alpha", "beta", "Bead", "gamma"}) l.Items()->Add(s);
    l.Type('b');
    EXPECT_EQ(l.ItemIndex(), 1);
    l.Type('E');
    l.Type('a');
    EXPECT_EQ(l.ItemIndex(), 2);  // case does not matter
    EXPECT_EQ(l.SearchText(), "bEa");
    l.Type('x');  // no item begins so: a beep, text and selection kept
    EXPECT_EQ(l.beeps, 1);
    EXPECT_EQ(l.SearchText(), "bEa");
    EXPECT_EQ(l.ItemIndex(), 2);
    l.Tick();  // the pause ends the search
    EXPECT_EQ(l.SearchText(), "");
    l.Type('g');
    EXPECT_EQ(l.ItemIndex(), 3);
    l.Type('\b');  // the last character gone: the first item
    EXPECT_EQ(l.ItemIndex(), 0);
    l.Type('\b');
    EXPECT_EQ(l.beeps, 2);
    l.Type(27);
    EXPECT_EQ(l.ItemIndex(), -1);
}

TEST(VtListBox, TabStopsStayInRangeAndFollowTheColumns) {
    UiTest::Init();
    List l;
    l.TabStops()->Add(INT32_MAX);
    l.TabStops()->Add(-INT32_MAX);
    std::vector<int> s = l.GetTabStops();
    EXPECT_EQ(s, (std::vector<int>{INT_MAX, INT_MIN}));  // four times the value, held to 32 bits
    EXPECT_EQ(l.StopPixels(INT_MAX), INT_MAX);
    EXPECT_EQ(l.StopPixels(40), 10 * l.AverageCharWidth());
    l.TabStops()->Clear();
    for (int i = 0; i < 1005; ++i) l.TabStops()->Add(i);
    EXPECT_EQ(int(l.GetTabStops().size()), TVtCustomTabbedListBox::MaxTabStops);
    l.TabStops()->Clear();

    l.Items()->Add("a\tb");
    l.Items()->Add("cc\td\te");
    l.SetTabStopsMode(tsmAutomatic);
    ASSERT_EQ(l.TabStops()->Count(), 3);
    int before = l.TabStops()->Items(0);
    EXPECT_GE(before, 4);  // a gap of four characters after the widest field
    l.Items()->Add(std::string(30, 'W') + "\tx");
    EXPECT_GT(l.TabStops()->Items(0), before + 20);
    EXPECT_EQ(l.Column(1, 2), "e");
    EXPECT_EQ(l.Column(0, 5), "");
    l.SetColumn(0, 3, "z");
    EXPECT_EQ(l.Items()->Strings(0), "a\tb\t\tz");
    EXPECT_THROW(l.Column(9, 0), Exception);
    EXPECT_THROW(l.Column(0, -1), Exception);
}

TEST(VtListBox, ReadFromAFormWithItsStops) {
    UiTest::Init();
    RegisterWidgetClasses();
    RegisterFormClasses();
    TForm f(nullptr);
    ReadComponentResource(&f, "object F: TForm\n  object L: TVtListBox\n    FrameFlat = True\n"
                              "    TabStops.Integers = (10 20)\n    Items.Strings = ('a'#9'b')\n  end\nend\n");
    auto* l = dynamic_cast<TVtListBox*>(f.FindComponent("L"));
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->GetTabStops(), (std::vector<int>{40, 80}));
    EXPECT_EQ(l->Column(0, 1), "b");
}
