#include "widgets/VtLstBox.h"

#include <gtest/gtest.h>

#include <climits>
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
struct List : TVtListBox {
    explicit List(TComponent* o = nullptr) : TVtListBox(o) {}
    using TVtListBox::Redrawing;
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
    RegisterPlatformClasses();
    TForm f(nullptr);
    ReadComponentResource(&f, "object F: TForm\n  object L: TVtListBox\n    FrameFlat = True\n    HorzExtent = 300\n"
                              "    TabStops.Integers = (10 20)\n    Items.Strings = ('a'#9'b')\n  end\nend\n");
    auto* l = dynamic_cast<TVtListBox*>(f.FindComponent("L"));
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->GetTabStops(), (std::vector<int>{40, 80}));
    EXPECT_EQ(l->Column(0, 1), "b");
    // The older flat frame: hot tracking on the status and lowered styles, the frame itself left off.
    EXPECT_TRUE(l->FrameHotTrack());
    EXPECT_FALSE(l->FrameVisible());
    EXPECT_EQ(l->FrameStyle(), fsStatus);
    EXPECT_EQ(l->FrameHotStyle(), fsLowered);
    EXPECT_EQ(l->HorzExtent(), 300);
}

namespace {
struct ListForm {
    bool ready = (UiTest::Init(), true);  // before the first window
    TForm* form = new TForm(nullptr);
    List* list = new List(form);
    List* next = new List(form);
    ListForm() {
        form->SetBounds(0, 0, 320, 240);
        for (List* l : {list, next}) {
            l->SetParent(form);
            l->SetFramingPreference(fpCustomFraming);
        }
        list->SetBounds(10, 10, 150, 100);
        next->SetBounds(10, 120, 150, 100);
        form->Show();
        UiTest::Flush();
    }
    ~ListForm() { delete form; }
    std::unique_ptr<TBitmap> Shot(const char* name) {
        UiTest::Flush();
        std::unique_ptr<TBitmap> b(UiTest::Capture(list));
        b->SaveToPNG(std::string(QM_TEST_OUT) + "/" + name + ".png");
        return b;
    }
};
}  // namespace

TEST(VtListBox, FrameNormalHotAndFromItsController) {
    ListForm f;
    List* l = f.list;
    l->SetFrameVisible(true);
    l->SetFrameHotTrack(true);
    l->SetFrameHotColor(clRed);
    f.next->SetFocus();
    auto normal = f.Shot("VtListBox-frame");
    EXPECT_EQ(normal->Canvas()->Pixel(0, 30), ColorToRGB(clBtnShadow));  // fsFlat: one ring
    EXPECT_EQ(normal->Canvas()->Pixel(1, 30), ColorToRGB(clWindow));
    EXPECT_EQ(normal->Canvas()->Pixel(l->Width() - 1, 30), ColorToRGB(clBtnShadow));
    l->SetFocus();
    auto hot = f.Shot("VtListBox-frame-hot");
    EXPECT_EQ(hot->Canvas()->Pixel(0, 30), ColorToRGB(clRed));  // fsFlatBold: two rings
    EXPECT_EQ(hot->Canvas()->Pixel(1, 30), ColorToRGB(clRed));
    EXPECT_EQ(hot->Canvas()->Pixel(30, l->Height() - 2), ColorToRGB(clRed));
    // The pointer alone makes it hot as well, and the events fire.
    int enters = 0, leaves = 0;
    l->OnMouseEnter = [&](TObject*) { ++enters; };
    l->OnMouseLeave = [&](TObject*) { ++leaves; };
    f.next->SetFocus();
    l->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(l->MouseOver());
    EXPECT_EQ(f.Shot("VtListBox-frame-over")->Canvas()->Pixel(1, 30), ColorToRGB(clRed));
    l->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(f.Shot("VtListBox-frame-left")->Canvas()->Pixel(1, 30), ColorToRGB(clWindow));
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(leaves, 1);

    // A controller pushes its settings at the link and on every change; its end unlinks the list.
    auto* fc = new TVtFrameController(f.form);
    fc->SetFrameVisible(true);
    fc->SetFrameHotTrack(false);
    fc->SetFrameColor(clBlue);
    fc->SetFramingPreference(fpCustomFraming);
    f.next->SetFrameController(fc);
    EXPECT_TRUE(f.next->FrameVisible());
    EXPECT_EQ(f.next->FrameColor(), clBlue);
    fc->SetFrameSides(sdLeft | sdTop);
    EXPECT_EQ(f.next->FrameSides(), sdLeft | sdTop);
    delete fc;
    EXPECT_EQ(f.next->FrameController(), nullptr);
}

TEST(VtListBox, EnterMovesTheFocusWhenAsked) {
    ListForm f;
    f.list->Items()->Add("a");
    f.list->SetFocus();
    UiTest::Key(VK_RETURN);
    UiTest::Flush();
    EXPECT_TRUE(f.list->Focused());
    f.list->SetTabOnEnter(true);
    UiTest::Key(VK_RETURN);
    UiTest::Flush();
    EXPECT_TRUE(f.next->Focused());
}

TEST(VtListBox, BeginEndUpdateDefersTheLayout) {
    ListForm f;
    List* l = f.list;
    l->SetTabStopsMode(tsmAutomatic);
    l->SetHorzScrollBar(true);
    l->Items()->Add("a\tb");
    int stop = l->TabStops()->Items(0), extent = l->HorzExtent();
    l->Items()->BeginUpdate();
    l->Items()->BeginUpdate();
    EXPECT_FALSE(l->Redrawing());
    l->Items()->Add(std::string(40, 'W') + "\tc");
    l->Items()->EndUpdate();
    // Neither stops nor extent move until the outer update ends.
    EXPECT_EQ(l->TabStops()->Items(0), stop);
    EXPECT_EQ(l->HorzExtent(), extent);
    EXPECT_FALSE(l->Redrawing());
    l->Items()->EndUpdate();
    EXPECT_TRUE(l->Redrawing());
    EXPECT_GT(l->TabStops()->Items(0), stop + 30);
    EXPECT_GT(l->HorzExtent(), extent);
    l->Items()->EndUpdate();  // unbalanced: ignored
    EXPECT_TRUE(l->Redrawing());
    EXPECT_EQ(l->Items()->UpdateCount(), 0);
}

TEST(VtListBox, HorizontalExtentFollowsTheWidestItem) {
    ListForm f;
    List* l = f.list;
    TBitmap b(1, 1);
    b.Canvas()->SetFont(*l->Font());
    l->Items()->Add(std::string(60, 'M'));
    EXPECT_EQ(l->HorzExtent(), 0);  // without the bar nothing is measured
    l->SetHorzScrollBar(true);
    EXPECT_TRUE(l->Params().Style & WS_HSCROLL);
    int wide = b.Canvas()->TextWidth(std::string(60, 'M') + "x");
    EXPECT_EQ(l->HorzExtent(), wide);
    EXPECT_EQ(int(l->Perform(LB_GETHORIZONTALEXTENT, 0, 0)), wide);
    l->Items()->Add("short");
    EXPECT_EQ(l->HorzExtent(), wide);
    l->Items()->Delete(0);
    EXPECT_EQ(l->HorzExtent(), b.Canvas()->TextWidth("shortx"));
    // Tabs expand at the stops: the field after a tab starts at its stop.
    l->TabStops()->Add(100);
    l->Items()->Add("a\tb");
    EXPECT_EQ(l->HorzExtent(), l->StopPixels(400) + b.Canvas()->TextWidth("bx"));

    // Scrolling moves the items left, never past the extent's end.
    l->Items()->Add(std::string(60, 'M'));
    l->Perform(WM_HSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(l->ItemRect(0).Left, -l->HorizontalPos());
    EXPECT_GT(l->HorizontalPos(), 0);
    l->Perform(WM_HSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(l->HorizontalPos(), l->HorzExtent() - l->ClientWidth());
    EXPECT_EQ(l->ItemRect(0).Right, l->ClientWidth());
    f.Shot("VtListBox-scrolled");
    l->Perform(WM_HSCROLL, SB_TOP, 0);
    EXPECT_EQ(l->ItemRect(0).Left, 0);
}

TEST(VtListBox, ItemHintsOverItemsTooWide) {
    ListForm f;
    List* l = f.list;
    EXPECT_FALSE(l->ShowItemHints());  // off in the tabbed list
    l->SetShowItemHints(true);
    l->Items()->Add("short");
    l->Items()->Add(std::string(30, 'W') + "\tend");
    TRect r0 = l->ItemRect(0), r1 = l->ItemRect(1);
    UiTest::MouseMove(l, 20, r0.Top + 2);
    EXPECT_TRUE(!l->ItemHintWindow() || !l->ItemHintWindow()->Shown());
    UiTest::MouseMove(l, 20, r1.Top + 2);
    THintWindow* h = l->ItemHintWindow();
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(h->Shown());
    EXPECT_EQ(h->Text(), std::string(30, 'W') + std::string(8, ' ') + "end");  // tabs as eight spaces
    EXPECT_GT(h->Width(), l->ClientWidth());
    TPoint item = l->ClientToScreen(TPoint(r1.Left, r1.Top));
    EXPECT_LE(std::abs(h->Top() - item.Y), 2);
    UiTest::Flush();
    std::unique_ptr<TBitmap> shot(UiTest::Capture(h));
    shot->SaveToPNG(std::string(QM_TEST_OUT) + "/VtListBox-hint.png");
    EXPECT_EQ(shot->Canvas()->Pixel(h->Width() - 3, 2), ColorToRGB(clInfoBk));
    // Back on a short item, and leaving the box, the hint goes.
    UiTest::MouseMove(l, 20, r0.Top + 2);
    EXPECT_FALSE(h->Shown());
    UiTest::MouseMove(l, 20, r1.Top + 2);
    EXPECT_TRUE(h->Shown());
    l->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(h->Shown());
    l->SetShowItemHints(false);
    UiTest::MouseMove(l, 20, r1.Top + 2);
    EXPECT_FALSE(h->Shown());
}

TEST(VtListBox, RightToLeftMirrorsTextAndBands) {
    UiTest::Init();
    auto* f = new TForm(nullptr);
    f->SetBounds(0, 0, 300, 200);
    auto* l = new List(f);
    l->SetParent(f);
    l->SetBounds(0, 0, 200, 120);
    l->SetBiDiMode(bdRightToLeft);
    for (const char* s : {"//甲组", "one"}) l->Items()->Add(s);
    f->Show();
    UiTest::Flush();
    std::unique_ptr<TBitmap> shot(UiTest::Capture(l));
    TRect wc = l->WindowClientRect();
    TRect g = l->ItemRect(0), n = l->ItemRect(1);
    // The group colour sits at the right, where the text now starts.
    EXPECT_EQ(shot->Canvas()->Pixel(wc.Left + g.Right - 1, wc.Top + g.Bottom - 1), ColorToRGB(clInactiveCaptionText));
    auto inked = [&](int x0, int x1) {
        for (int y = n.Top; y < n.Bottom; ++y)
            for (int x = x0; x < x1; ++x)
                if (shot->Canvas()->Pixel(wc.Left + x, wc.Top + y) != ColorToRGB(l->Color())) return true;
        return false;
    };
    EXPECT_TRUE(inked(n.Right - 40, n.Right));
    EXPECT_FALSE(inked(n.Left, n.Left + 40));
    delete f;
}

namespace {
class TfrmListEvents : public TForm {
public:
    explicit TfrmListEvents(TComponent* owner) : TForm(owner) {}
    static const TClassInfo& StaticClass() {
        static TClassInfo ci = [] {
            TClassInfo c{"TfrmListEvents", &TForm::StaticClass(), {}, {}, {}};
            c.methods = {Method("Deleted", &TfrmListEvents::Deleted)};
            return c;
        }();
        return ci;
    }
    const TClassInfo* ClassType() const override { return &StaticClass(); }
    void Deleted(TObject*, TObject* data) { deleted.push_back(data); }
    std::vector<TObject*> deleted;
};
}  // namespace

TEST(VtListBox, GroupFontAndDeletedItemsFromTheFormResource) {
    UiTest::Init();
    RegisterWidgetClasses();
    auto* f = new TfrmListEvents(nullptr);
    ReadComponentResource(f, "object F: TfrmListEvents\n  Width = 300\n  Height = 300\n"
                             "  object L: TVtListBox\n    Width = 200\n    Height = 100\n"
                             "    GroupFont.Color = clRed\n    GroupFont.Style = [fsItalic]\n"
                             "    Font.Height = -15\n    OnDeleteItems = Deleted\n  end\n"
                             "  object M: TVtListBox\n    Top = 120\n    Font.Height = -15\n  end\n"
                             "end\n");
    auto* l = dynamic_cast<TVtListBox*>(f->FindComponent("L"));
    auto* m = dynamic_cast<TVtListBox*>(f->FindComponent("M"));
    ASSERT_TRUE(l && m);
    // Set in the form: kept when the control's font changes after it.
    EXPECT_EQ(l->GroupFont()->Color(), clRed);
    EXPECT_EQ(l->GroupFont()->Style(), TFontStyles(fsItalic));
    EXPECT_NE(l->GroupFont()->Height(), -15);
    // Not set: the control's font, bold, in the highlight colour.
    EXPECT_EQ(m->GroupFont()->Height(), -15);
    EXPECT_EQ(m->GroupFont()->Style(), TFontStyles(fsBold));
    EXPECT_EQ(m->GroupFont()->Color(), clHighlight);

    l->SetUseGradients(false);
    l->Items()->Add("//WWWW");
    f->Show();
    UiTest::Flush();
    std::unique_ptr<TBitmap> shot(UiTest::Capture(l));
    TRect g = l->ItemRect(0), wc = l->WindowClientRect();
    int red = 0;
    for (int y = g.Top; y < g.Bottom; ++y)
        for (int x = g.Left; x < g.Right; ++x)
            red += shot->Canvas()->Pixel(wc.Left + x, wc.Top + y) == ColorToRGB(clRed);
    EXPECT_GT(red, 10);

    TObject a, b;
    l->Items()->AddObject("a", &a);
    l->Items()->Add("plain");
    l->Items()->AddObject("b", &b);
    l->Items()->Delete(2);
    EXPECT_TRUE(f->deleted.empty());
    l->Items()->Delete(1);
    EXPECT_EQ(f->deleted, std::vector<TObject*>{&a});
    l->Items()->Clear();
    EXPECT_EQ(f->deleted, (std::vector<TObject*>{&a, &b}));
    delete f;
}
