#include "widgets/VtTabs.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/FormLoader.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Themes.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {

struct Tabs : TVtCustomTabControl {
    Tabs() : TVtCustomTabControl(nullptr) {}
    using TVtCustomTabControl::KeyDown;
    void Press(WORD k) { KeyDown(k, 0); }
};

struct PageCtl : TVtPageControl {
    explicit PageCtl(TComponent* o) : TVtPageControl(o) {}
    using TVtPageControl::CloseActiveTab;
    using TVtPageControl::KeyDown;
    using TVtPageControl::MoveActiveTab;
};

// A form of w x h holding a tab control.
Tabs* TabsOn(TForm*& f, int w, int h) {
    f = new TForm(nullptr);
    f->SetBounds(0, 0, w, h);
    auto* t = new Tabs();
    t->SetParent(f);
    return t;
}

// A page control on a shown form with pages "Page0".. (the form owns them).
PageCtl* PagesOn(TForm* f, int n, std::vector<TVtTabSheet*>* out = nullptr) {
    auto* pc = new PageCtl(f);
    pc->SetParent(f);
    for (int i = 0; i < n; ++i) {
        auto* p = new TVtTabSheet(f);
        p->SetCaption("Page" + std::to_string(i));
        p->SetPageControl(pc);
        if (out) out->push_back(p);
    }
    return pc;
}

// Tabs of a fixed 60 x 20: the layout then depends on no font.
void Fill(TVtCustomTabControl& t, int n) {
    t.SetTabWidth(60);
    t.SetTabHeight(20);
    for (int i = 0; i < n; ++i) t.AddTab("T" + std::to_string(i));
    t.UpdateLayout();
}

}  // namespace

TEST(VtTabs, SingleRowInBothSequences) {
    UiTest::Init();
    Tabs t;
    Fill(t, 3);
    EXPECT_EQ(t.FixedDimension(), 20);
    EXPECT_EQ(t.RowCount(), 1);
    // Single slant overlaps by half the row: each tab starts 60 - 10 + 1 after the one before.
    EXPECT_EQ(t.TabRect(0), TRect(0, 0, 60, 20));
    EXPECT_EQ(t.TabRect(1), TRect(51, 0, 111, 20));
    EXPECT_EQ(t.TabRect(2), TRect(102, 0, 162, 20));
    EXPECT_EQ(t.CardRect(0), TRect(0, 20, 299, 99));
    EXPECT_EQ(t.DisplayRect(), TRect(1, 21, 297, 97));  // full frame and shadow
    t.SetShowFullFrame(false);
    EXPECT_FALSE(t.ShowShadow());
    EXPECT_EQ(t.DisplayRect(), TRect(0, 21, 300, 100));
    t.SetShowShadow(true);
    EXPECT_TRUE(t.ShowFullFrame());
    t.SetMargin(-3);  // ignored
    t.SetRowOverlap(-1);
    EXPECT_EQ(t.Margin(), 0);
    EXPECT_EQ(t.RowOverlap(), 5);

    t.SetTabSequence(tsReverse);
    t.UpdateLayout();
    TRect s = t.StripRect();
    EXPECT_EQ(t.TabRect(0).Right, s.Right);  // the first tab sits at the far end
    EXPECT_EQ(t.TabRect(1).Right, s.Right - 51);

    t.SetTabSequence(tsStandard);
    t.SetTabOrientation(toLeft);
    t.UpdateLayout();
    EXPECT_EQ(t.FixedDimension(), 60);  // the width is the depth of a side strip
    EXPECT_EQ(t.TabRect(0), TRect(0, 79, 60, 99));
    t.SetTabOrientation(toBottom);
    t.UpdateLayout();
    EXPECT_EQ(t.TabRect(0), TRect(0, 79, 60, 99));
    EXPECT_EQ(t.CardRect(0), TRect(0, 0, 299, 79));
}

TEST(VtTabs, MultiLineRowsRotateAndJustify) {
    UiTest::Init();
    Tabs t;
    t.SetMultiLine(true);
    Fill(t, 6);
    // Five tabs fit in 297 pixels; the sixth starts a second row, further from the card.
    ASSERT_EQ(t.RowCount(), 2);
    EXPECT_EQ(t.TabRect(5), TRect(0, 0, 60, 20));
    EXPECT_EQ(t.TabRect(0), TRect(0, 15, 60, 35));
    EXPECT_EQ(t.Tab(5).Row, 1);
    t.SetTabIndex(5);
    EXPECT_EQ(t.Tab(5).Row, 0);  // the selected row moves next to the card
    EXPECT_EQ(t.TabRect(5), TRect(0, 15, 60, 35));
    EXPECT_EQ(t.Tab(0).Row, 1);
    EXPECT_EQ(t.TabRect(0), TRect(0, 0, 60, 20));

    // Justified: each row fills the 292 pixels of room (297 less one row indent).
    for (int i = 0; i < 6; ++i) t.Tab(i).Caption = std::string(size_t(8 + i), 'W');
    t.SetTabWidth(0);
    t.SetAlignTabs(true);
    t.UpdateLayout();
    ASSERT_GE(t.RowCount(), 2);
    for (int row = 0; row < t.RowCount(); ++row) {
        int first = 100000, last = -100000;
        for (int i = 0; i < 6; ++i)
            if (t.Tab(i).Row == row)
                first = std::min(first, t.Tab(i).Rect.Left), last = std::max(last, t.Tab(i).Rect.Right);
        if (last > first) {
            EXPECT_EQ(last - first, 297 - 5 * (t.RowCount() - 1)) << row;
        }
    }

    // A tab longer than the row stands alone, clipped to the room.
    Tabs w;
    w.SetMultiLine(true);
    Fill(w, 2);
    w.Tab(0).Caption = std::string(200, 'W');
    w.SetTabWidth(0);
    w.UpdateLayout();
    EXPECT_EQ(w.RowCount(), 2);
    EXPECT_LE(w.Tab(0).Rect.Width(), 292);
}

TEST(VtTabs, HitTestsFollowTheSlantsAndTheSelectedTabFirst) {
    UiTest::Init();
    Tabs t;
    Fill(t, 3);
    t.SetTabIndex(0);
    EXPECT_EQ(t.TabAtPos(45, 15), 0);  // under tab 0's slant
    EXPECT_EQ(t.TabAtPos(52, 5), 1);   // beyond the slant: the next tab
    EXPECT_EQ(t.TabAtPos(55, 18), 0);  // both: the selected tab is on top
    t.SetTabIndex(1);
    EXPECT_EQ(t.TabAtPos(55, 18), 1);
    EXPECT_EQ(t.TabAtPos(1, 0), -1);   // the rounded-off corner
    EXPECT_EQ(t.TabAtPos(150, 50), -1);  // the card
    EXPECT_EQ(t.RegionCache().Count(), 1);  // capacity 1 keeps the last region only
    t.SetRegionCacheSize(-1);
    EXPECT_EQ(t.TabAtPos(60, 10), 1);
    EXPECT_EQ(t.TabAtPos(45, 15), 0);
    EXPECT_EQ(t.TabAtPos(105, 10), 2);  // outside tab 1's slant
    EXPECT_EQ(t.RegionCache().Count(), 3);
    EXPECT_THROW(t.SetRegionCacheSize(0), Exception);
    EXPECT_EQ(t.RegionCacheSize(), -1);

    Tabs none;
    EXPECT_EQ(none.TabAtPos(5, 5), -1);
    none.Press(VK_RIGHT);
    EXPECT_EQ(none.TabIndex(), -1);
}

TEST(VtTabs, KeysSkipWhatCannotBeSelectedAndAlwaysStop) {
    UiTest::Init();
    Tabs t;
    Fill(t, 3);
    std::vector<int> clicks, asked;
    t.OnTabClick = [&](TObject*) { clicks.push_back(t.TabIndex()); };
    t.OnChanging = [&](TObject*, int i, bool&) { asked.push_back(i); };
    t.SetTabIndex(0);
    t.Tab(1).Visible = false;
    t.Changed();
    t.Press(VK_RIGHT);
    EXPECT_EQ(t.TabIndex(), 2);  // the hidden middle tab is skipped
    t.Press(VK_RIGHT);
    EXPECT_EQ(t.TabIndex(), 0);  // wraps
    t.Press(VK_END);
    EXPECT_EQ(t.TabIndex(), 2);
    EXPECT_EQ(clicks, (std::vector<int>{2, 0, 2}));
    EXPECT_EQ(asked, (std::vector<int>{0, 2, 0, 2}));  // each change asked once

    // Refused at run time: a disabled tab; vetoed changes keep the old index.
    t.Tab(0).Enabled = false;
    t.SetTabIndex(0);
    EXPECT_EQ(t.TabIndex(), 2);
    t.OnChanging = [](TObject*, int, bool& allow) { allow = false; };
    t.Tab(1).Visible = true;
    t.Press(VK_LEFT);
    EXPECT_EQ(t.TabIndex(), 2);

    // No selected tab and nothing selectable: the walk ends.
    Tabs u;
    Fill(u, 3);
    for (int i = 0; i < 3; ++i) u.Tab(i).Enabled = false;
    u.Press(VK_RIGHT);
    u.Press(VK_LEFT);
    u.Press(VK_HOME);
    EXPECT_EQ(u.TabIndex(), -1);
}

TEST(VtTabs, ScrolledRowKeepsTheSelectedTabInView) {
    UiTest::Init();
    Tabs t;
    t.SetWidth(200);
    Fill(t, 8);
    ASSERT_TRUE(t.ScrollerNeeded());
    EXPECT_FALSE(t.TabInView(7));
    t.SetTabIndex(7);
    EXPECT_TRUE(t.TabInView(7));
    EXPECT_LE(t.FirstVisibleTab(), 7);
    t.SetTabIndex(1);
    EXPECT_EQ(t.FirstVisibleTab(), 1);
    // A margin leaves less room than one tab: the first visible tab stops at the selected one.
    t.SetMargin(40);
    t.UpdateLayout();
    t.SetTabIndex(5);
    EXPECT_EQ(t.FirstVisibleTab(), 5);
}

TEST(VtTabs, PixelsOfTheCardAndItsShadow) {
    UiTest::Init();
    TForm* f;
    auto* t = TabsOn(f, 320, 140);
    Fill(*t, 2);
    t->SetTabIndex(0);
    t->Tab(1).Caption = "&&x";
    f->Show();
    UiTest::Flush();
    std::unique_ptr<TBitmap> shot(UiTest::Capture(t));
    shot->SaveToPNG(std::string(QM_TEST_OUT) + "/VtTabsCard.png");
    TCanvas* c = shot->Canvas();
    TColor face = ColorToRGB(clBtnFace);
    EXPECT_EQ(c->Pixel(298, 50), BlendColors(clBlack, face, 30));  // inner shadow column
    EXPECT_EQ(c->Pixel(299, 50), BlendColors(clBlack, face, 15));  // outer
    EXPECT_EQ(c->Pixel(297, 50), ColorToRGB(clBtnShadow));          // the frame
    EXPECT_EQ(c->Pixel(20, 20), face);                                // the gap under the selected tab
    EXPECT_EQ(c->Pixel(80, 20), ColorToRGB(clBtnShadow));           // the frame beside it
    EXPECT_EQ(c->Pixel(1, 0), face);                                  // outside the cut corner
    delete f;
}

TEST(VtPageControl, PagesTabsAndTheirRules) {
    UiTest::Init();
    TForm f(nullptr);
    std::vector<TVtTabSheet*> p;
    auto* pc = PagesOn(&f, 5, &p);
    p[1]->SetTabVisible(false);
    EXPECT_EQ(p[3]->TabIndex(), 2);
    EXPECT_EQ(p[3]->PageIndex(), 3);
    EXPECT_EQ(pc->TabCount(), 4);

    int changes = 0;
    pc->OnChange = [&](TObject*) { ++changes; };
    pc->SetActivePage(p[3]);
    EXPECT_EQ(pc->TabIndex(), 2);
    EXPECT_TRUE(p[3]->Visible());
    EXPECT_EQ(changes, 1);
    pc->SetActivePage(p[1]);  // hidden tab: shown all the same
    EXPECT_EQ(pc->TabIndex(), -1);
    EXPECT_EQ(pc->GetActivePageIndex(), 1);
    EXPECT_TRUE(p[1]->Visible());
    EXPECT_FALSE(p[3]->Visible());
    // Only the page control shows and hides pages.
    try {
        p[3]->SetVisible(true);
        ADD_FAILURE() << "writing a page's Visible must raise";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "You cannot change the Visible property of a page");
    }
    EXPECT_FALSE(p[3]->Visible());

    // Ctrl+Tab walks the visible tabs.
    WORD k = VK_TAB;
    pc->KeyDown(k, ssCtrl);
    EXPECT_EQ(pc->ActivePage(), p[2]);
    k = VK_TAB;
    pc->KeyDown(k, ssCtrl | ssShift);
    EXPECT_EQ(pc->ActivePage(), p[0]);

    // Moving by a tab index lands on the page that tab shows, past the hidden page.
    pc->MoveActiveTab(2);
    EXPECT_EQ(p[0]->PageIndex(), 3);
    EXPECT_EQ(pc->Pages(0), p[1]);
    EXPECT_THROW(p[0]->SetPageIndex(-1), Exception);
    EXPECT_THROW(p[0]->SetPageIndex(5), Exception);
    try {
        p[0]->SetPageIndex(9);
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "9 is an invalid PageIndex value. PageIndex must be between 0 and 4");
    }

    // Colours: a page of its own colour turns coloured tabs on; switching them off brings every page back.
    p[2]->SetColor(clRed);
    EXPECT_TRUE(pc->UseColoredTabs());
    pc->SetUseColoredTabs(false);
    EXPECT_EQ(p[2]->Color(), pc->Color());

    // Closing: the first tab gives way to the new first tab; the last page leaves nothing selected.
    pc->SetActivePage(p[2]);
    ASSERT_EQ(pc->TabIndex(), 0);
    pc->CloseActiveTab();
    EXPECT_EQ(pc->TabIndex(), 0);
    EXPECT_EQ(pc->ActivePage(), p[3]);
    while (pc->PageCount() > 1) delete pc->Pages(0);
    pc->SetActivePage(pc->Pages(0));
    pc->CloseActiveTab();
    EXPECT_EQ(pc->PageCount(), 0);
    EXPECT_EQ(pc->TabIndex(), -1);
    EXPECT_EQ(pc->ActivePage(), nullptr);
}

TEST(VtPageControl, SaveResourcesDropsTheHiddenPagesWindows) {
    UiTest::Init();
    for (bool save : {false, true}) {
        TForm f(nullptr);
        std::vector<TVtTabSheet*> p;
        auto* pc = PagesOn(&f, 2, &p);
        auto* inner = new TCustomControl(&f);
        inner->SetParent(p[0]);
        pc->SetSaveResources(save);
        pc->SetActivePage(p[0]);
        f.HandleNeeded();
        ASSERT_TRUE(inner->HandleAllocated());
        pc->SetActivePage(p[1]);
        EXPECT_EQ(p[0]->HandleAllocated(), !save);
        EXPECT_EQ(inner->HandleAllocated(), !save);
        EXPECT_TRUE(p[1]->HandleAllocated());
        pc->SetActivePage(p[0]);  // shown again: rebuilt
        EXPECT_TRUE(p[0]->HandleAllocated());
        EXPECT_TRUE(inner->HandleAllocated());
        EXPECT_EQ(p[1]->HandleAllocated(), !save);
    }
}

namespace {
class TfrmPagesTest : public TForm {
public:
    explicit TfrmPagesTest(TComponent* owner) : TForm(owner) {}
    static const TClassInfo& StaticClass() {
        static TClassInfo ci = [] {
            TClassInfo c{"TfrmPagesTest", &TForm::StaticClass(), {}, {}, {}};
            c.methods = {Method("Changed", &TfrmPagesTest::PagesChanged)};
            return c;
        }();
        return ci;
    }
    const TClassInfo* ClassType() const override { return &StaticClass(); }
    void PagesChanged(TObject*) { ++changes; }
    int changes = 0;
};
}  // namespace

TEST(VtPageControl, LoadingPicksTheDefaultPageQuietly) {
    UiTest::Init();
    RegisterWidgetClasses();
    TfrmPagesTest f(nullptr);
    ReadComponentResource(&f, "object F: TfrmPagesTest\n"
                              "  object P: TVtPageControl\n"
                              "    Width = 200\n    Height = 120\n"
                              "    ActivePage = B\n    ActivePageDefault = C\n    FixedDimension = 18\n"
                              "    TabIndex = 1\n    OnChange = Changed\n"
                              "    object A: TVtTabSheet\n      Caption = 'a'\n    end\n"
                              "    object B: TVtTabSheet\n      Caption = 'b'\n    end\n"
                              "    object C: TVtTabSheet\n      Caption = 'c'\n    end\n"
                              "  end\n"
                              "end\n");
    auto* pc = dynamic_cast<TVtPageControl*>(f.FindComponent("P"));
    ASSERT_NE(pc, nullptr);
    EXPECT_EQ(pc->GetActivePageIndex(), 2);
    EXPECT_EQ(pc->TabIndex(), 2);
    EXPECT_EQ(f.changes, 0);
    EXPECT_FALSE(pc->Pages(1)->Visible());
    EXPECT_TRUE(pc->Pages(2)->Visible());
    EXPECT_EQ(pc->Pages(2)->BoundsRect(), pc->DisplayRect());
}

TEST(VtTabs, ScrollerArrowsAndHotTrackTimer) {
    UiTest::Init();
    TForm* f;
    auto* t = TabsOn(f, 260, 140);
    t->SetWidth(200);
    Fill(*t, 8);
    t->SetTabIndex(0);
    f->Show();
    UiTest::Flush();
    TVtTabScroller* s = t->Scroller();
    ASSERT_NE(s, nullptr);
    EXPECT_GT(s->Left(), 100);  // at the end of the row, inside the control
    EXPECT_EQ(s->Width(), 2 * s->Height() - 1);
    EXPECT_FALSE(t->CanScroll(false));
    UiTest::Click(s, s->Width() - 3, 3);  // right half: towards the later tabs
    EXPECT_EQ(t->FirstVisibleTab(), 1);
    // A press that leaves its half before the release does nothing.
    UiTest::MouseDown(s, s->Width() - 3, 3);
    UiTest::MouseMove(s, 2, 3, MK_LBUTTON);
    UiTest::MouseUp(s, 2, 3);
    EXPECT_EQ(t->FirstVisibleTab(), 1);
    UiTest::Click(s, 2, 3);
    EXPECT_EQ(t->FirstVisibleTab(), 0);
    UiTest::Click(s, 2, 3);  // nothing before the first tab
    EXPECT_EQ(t->FirstVisibleTab(), 0);

    // Hot tracking: the tab under the pointer, cleared by a tick once the pointer has gone.
    UiTest::MouseMove(t, 70, 10);
    EXPECT_EQ(t->HotTab(), 1);
    SetCursorPos(-500, -500);
    UiTest::Wait(150);
    EXPECT_EQ(t->HotTab(), -1);

    // Themes on: the style draws the arrow buttons in place of the framed glyphs.
    std::unique_ptr<TBitmap> plain(UiTest::Capture(s));
    EXPECT_EQ(plain->Canvas()->Pixel(0, 0), ColorToRGB(clBtnShadow));
    ThemeServices()->SetThemesEnabled(true);
    s->Invalidate();
    UiTest::Flush();
    std::unique_ptr<TBitmap> themed(UiTest::Capture(s));
    ThemeServices()->SetThemesEnabled(false);
    int differ = 0;
    for (int y = 0; y < s->Height(); ++y)
        for (int x = 0; x < s->Width(); ++x) differ += plain->Canvas()->Pixel(x, y) != themed->Canvas()->Pixel(x, y);
    EXPECT_GT(differ, 0);

    // Wide enough again: the scroller steps outside the control.
    t->SetWidth(600);
    t->UpdateLayout();
    UiTest::Flush();
    EXPECT_FALSE(t->ScrollerNeeded());
    EXPECT_LT(s->Left() + s->Width(), 0);
    delete f;
}

TEST(VtPageControl, CloseButtonClosesOnlyWithOnCloseAgreeing) {
    UiTest::Init();
    auto* f = new TForm(nullptr);
    f->SetBounds(0, 0, 360, 200);
    auto* pc = PagesOn(f, 3);
    pc->SetActivePageIndex(1);
    pc->SetShowCloseButton(true);
    f->Show();
    UiTest::Flush();
    TVtTabCloseButton* b = pc->CloseButton();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Width(), b->Height());
    EXPECT_GT(b->Left(), pc->TabRect(2).Right);  // beyond the last tab
    UiTest::Click(b, 3, 3);
    EXPECT_EQ(pc->PageCount(), 3);  // no OnClose: nothing closes
    bool allow = false;
    pc->OnClose = [&](TObject*, bool& a) { a = allow; };
    UiTest::Click(b, 3, 3);
    EXPECT_EQ(pc->PageCount(), 3);
    allow = true;
    UiTest::Click(b, 3, 3);
    ASSERT_EQ(pc->PageCount(), 2);
    EXPECT_EQ(pc->TabIndex(), 0);  // the tab before the closed one
    EXPECT_EQ(pc->ActivePage()->Caption(), "Page0");
    delete f;
}

TEST(VtPageControl, DraggedTabMovesItsPageToTheTargetTabsPage) {
    UiTest::Init();
    auto* f = new TForm(nullptr);
    f->SetBounds(0, 0, 400, 200);
    std::vector<TVtTabSheet*> p;
    auto* pc = PagesOn(f, 4, &p);
    p[1]->SetTabVisible(false);
    pc->SetActivePage(p[0]);
    pc->SetAllowTabDragging(true);
    f->Show();
    UiTest::Flush();
    TRect t0 = pc->TabRect(0), t2 = pc->TabRect(2);  // tab 2 shows page 3
    int y = (t0.Top + t0.Bottom) / 2 + 3;
    UiTest::MouseDown(pc, t0.Left + 8, y);
    UiTest::MouseMove(pc, t0.Left + 10, y, MK_LBUTTON);
    UiTest::MouseMove(pc, t0.Left + 12, y, MK_LBUTTON);
    EXPECT_FALSE(pc->DropMarkerShown());  // over the selected tab
    UiTest::MouseMove(pc, t2.Left + 15, y, MK_LBUTTON);
    EXPECT_TRUE(pc->DropMarkerShown());
    UiTest::MouseUp(pc, t2.Left + 15, y);
    EXPECT_FALSE(pc->DropMarkerShown());
    EXPECT_EQ(p[0]->PageIndex(), 3);
    EXPECT_EQ(pc->ActivePage(), p[0]);
    delete f;
}

TEST(VtTabs, HandlersReplaceTheDefaultDrawingAndTabsGiveHints) {
    UiTest::Init();
    TForm* f;
    auto* t = TabsOn(f, 320, 140);
    Fill(*t, 2);
    t->SetTabIndex(0);
    t->SetHint("control");
    t->SetTabHints(true);
    t->Tab(1).Hint = "second";
    std::vector<TVtTextStyle> styles;
    t->OnGetTextColor = [&](TObject*, int, TVtTextStyle s, TColor& c, bool& handled) {
        styles.push_back(s);
        c = clRed;
        handled = true;
    };
    t->OnPaintCardBackground = [](TObject*, TCanvas* c, int, const TRect& r, bool& handled) {
        c->Brush()->SetColor(clLime);
        c->FillRect(r);
        handled = true;
    };
    f->Show();
    UiTest::Flush();
    std::unique_ptr<TBitmap> shot(UiTest::Capture(t));
    EXPECT_EQ(shot->Canvas()->Pixel(150, 60), clLime);
    EXPECT_NE(std::find(styles.begin(), styles.end(), tsSelected), styles.end());
    EXPECT_NE(std::find(styles.begin(), styles.end(), tsUnselected), styles.end());

    UiTest::MouseMove(t, 75, 10);
    EXPECT_EQ(t->Hint(), "second");
    SetCursorPos(-500, -500);
    UiTest::Wait(150);
    EXPECT_EQ(t->Hint(), "control");
    delete f;
}

TEST(VtTabs, ImagesWidenTheTabsAndDrawInTheirSlot) {
    UiTest::Init();
    TForm* f;
    auto* t = TabsOn(f, 320, 140);
    t->SetTabStyle(tsCutCorner);
    t->AddTab("Ab");
    t->AddTab("Ab");
    t->UpdateLayout();
    int plain = t->Tab(1).Rect.Width();
    auto* images = new TImageList(f);
    images->SetWidth(10);
    images->SetHeight(10);
    TBitmap red(10, 10);
    red.Canvas()->Brush()->SetColor(clRed);
    red.Canvas()->FillRect(TRect(0, 0, 10, 10));
    images->Add(&red, nullptr);
    t->SetImages(images);
    t->Tab(1).ImageIndex = 0;
    t->SetTabIndex(1);
    t->Changed();
    t->UpdateLayout();
    EXPECT_EQ(t->Tab(1).Rect.Width(), plain + 10 + 2);  // image and image margin
    f->Show();
    UiTest::Flush();
    std::unique_ptr<TBitmap> shot(UiTest::Capture(t));
    TRect r = t->TabRect(1);
    int reds = 0;
    for (int x = r.Left; x < r.Left + r.Width() / 2; ++x)
        for (int y = r.Top; y < r.Bottom; ++y) reds += shot->Canvas()->Pixel(x, y) == clRed;
    EXPECT_EQ(reds, 100);  // the whole image, on the left
    delete images;
    EXPECT_EQ(t->Images(), nullptr);
    delete f;
}

TEST(VtTabs, VerticalCaptionsRunAlongSideTabs) {
    UiTest::Init();
    for (TVtTabOrientation o : {toLeft, toRight}) {
        TForm* f;
        auto* t = TabsOn(f, 320, 220);
        t->SetBounds(0, 0, 200, 200);
        t->SetTabOrientation(o);
        t->SetTextOrientation(orVertical);
        t->AddTab("Lxxxxxxx");
        t->AddTab("B");
        t->SetTabIndex(1);
        f->Show();
        UiTest::Flush();
        TRect r = t->TabRect(0);
        EXPECT_GT(r.Height(), 2 * r.Width()) << int(o);  // the long caption lengthens the tab, not its depth
        std::unique_ptr<TBitmap> shot(UiTest::Capture(t));
        shot->SaveToPNG(std::string(QM_TEST_OUT) + "/VtTabsVertical" + std::to_string(int(o)) + ".png");
        // The caption's ink lies inside the tab, over most of its length.
        int first = r.Bottom, last = r.Top;
        for (int y = r.Top + 2; y < r.Bottom - 2; ++y)
            for (int x = r.Left + 2; x < r.Right - 2; ++x)
                if (shot->Canvas()->Pixel(x, y) == ColorToRGB(clBtnText)) first = std::min(first, y), last = std::max(last, y);
        EXPECT_GT(last - first, r.Height() / 2) << int(o);
        delete f;
    }
}

TEST(VtPageControl, NextPagesWrapAndSkipHiddenTabs) {
    UiTest::Init();
    TForm f(nullptr);
    std::vector<TVtTabSheet*> p;
    auto* pc = PagesOn(&f, 4, &p);
    p[3]->SetTabVisible(false);
    EXPECT_EQ(pc->FindNextPage(p[2], true, true), p[0]);  // past the hidden last page, round to the first
    EXPECT_EQ(pc->FindNextPage(p[2], true, false), p[3]);
    EXPECT_EQ(pc->FindNextPage(p[0], false, true), p[2]);
    EXPECT_EQ(pc->FindNextPage(nullptr, true, true), p[0]);
    EXPECT_EQ(pc->FindNextPage(nullptr, false, true), p[2]);
    pc->HideAllPageTabs();
    EXPECT_EQ(pc->FindNextPage(p[0], true, true), nullptr);
    EXPECT_EQ(pc->TabCount(), 0);
    pc->ShowAllPageTabs();
    EXPECT_EQ(pc->TabCount(), 4);
    pc->SetActivePageDefault(p[1]);
    delete p[1];
    EXPECT_EQ(pc->ActivePageDefault(), nullptr);  // a removed page leaves no dangling default
}

TEST(VtTabs, ShadowAlongTheSelectedTab) {
    UiTest::Init();
    for (TVtTabStyle style : {tsCutCorner, tsRoundCorners, tsDoubleSlant}) {
        TForm* f;
        auto* t = TabsOn(f, 320, 140);
        Fill(*t, 3);
        t->SetTabStyle(style);
        t->SetTabIndex(1);
        f->Show();
        UiTest::Flush();
        std::unique_ptr<TBitmap> shot(UiTest::Capture(t));
        shot->SaveToPNG(std::string(QM_TEST_OUT) + "/VtTabsTabShadow" + std::to_string(int(style)) + ".png");
        TCanvas* c = shot->Canvas();
        TRect b;
        std::vector<TPoint> p = t->Polygon(1, b);
        TPoint e = p.back();
        TColor face = ColorToRGB(clBtnFace);
        // Two columns right of the edge, a row above the card: the stronger shadow, then the fainter.
        int y = e.Y - 1, x = p[p.size() - 2].X + (e.X - p[p.size() - 2].X) * (y - p[p.size() - 2].Y) /
                                                   (e.Y - p[p.size() - 2].Y);
        if (style != tsDoubleSlant) {
            EXPECT_EQ(c->Pixel(x, y), ColorToRGB(clBtnShadow)) << int(style);  // the edge
        }
        EXPECT_EQ(c->Pixel(x + 1, y), BlendColors(clBlack, face, 30)) << int(style);
        EXPECT_EQ(c->Pixel(x + 2, y), BlendColors(clBlack, face, 15)) << int(style);
        // The unselected tabs cast none.
        std::vector<TPoint> q = t->Polygon(0, b);
        if (q.back().X + 2 < p.front().X) {
            EXPECT_EQ(c->Pixel(q.back().X + 2, q.back().Y - 1), face) << int(style);
        }
        delete f;
    }
}

TEST(VtTabs, RoundCornersJoinTheCardFrame) {
    UiTest::Init();
    for (TVtTabOrientation o : {toTop, toLeft, toBottom, toRight}) {
        TForm* f;
        auto* t = TabsOn(f, 320, 200);
        Fill(*t, 3);
        t->SetTabStyle(tsRoundCorners);
        t->SetTabOrientation(o);
        t->SetShowFullFrame(false);
        t->SetTabIndex(1);
        f->Show();
        UiTest::Flush();
        std::unique_ptr<TBitmap> shot(UiTest::Capture(t));
        shot->SaveToPNG(std::string(QM_TEST_OUT) + "/VtTabsRoundJoin" + std::to_string(int(o)) + ".png");
        // The frame runs on into the tab's outline: both ends of the outline and the pixels beside them on the
        // card's edge are the frame's.
        TRect b;
        std::vector<TPoint> p = t->Polygon(1, b);
        TCanvas* c = shot->Canvas();
        for (TPoint q : {p.front(), p.back()}) EXPECT_EQ(c->Pixel(q.X, q.Y), ColorToRGB(clBtnShadow)) << int(o);
        delete f;
    }
}

namespace {
// Handlers of the tab painting events that note what they were asked and take over only when told to.
class TfrmTabColours : public TForm {
public:
    explicit TfrmTabColours(TComponent* owner) : TForm(owner) {}
    static const TClassInfo& StaticClass() {
        static TClassInfo ci = [] {
            using C = TfrmTabColours;
            TClassInfo c{"TfrmTabColours", &TForm::StaticClass(), {}, {}, {}};
            c.methods = {Method("TextColor", &C::TextColor), Method("PaintBack", &C::PaintBack),
                         Method("PaintCard", &C::PaintCard), Method("PaintTab", &C::PaintTab)};
            return c;
        }();
        return ci;
    }
    const TClassInfo* ClassType() const override { return &StaticClass(); }
    void TextColor(TObject*, int tab, TVtTextStyle style, TColor& color, bool& handled) {
        asked.push_back({tab, style, color});
        if (takeText) color = clGreen, handled = true;
    }
    void PaintBack(TObject*, TCanvas* c, const TRect& r, bool& handled) { Take(c, r, 0, handled); }
    void PaintCard(TObject*, TCanvas* c, int row, const TRect& r, bool& handled) {
        cardRows.push_back(row);
        Take(c, r, 1, handled);
    }
    void PaintTab(TObject*, TCanvas* c, int tab, const TRect& r, bool& handled) {
        tabs.push_back(tab);
        Take(c, r, 2, handled);
    }
    struct Asked {
        int tab;
        TVtTextStyle style;
        TColor color;
    };
    std::vector<Asked> asked;
    std::vector<int> cardRows, tabs;
    bool takeText = false;
    bool take[3] = {false, false, false};

private:
    void Take(TCanvas* c, const TRect& r, int what, bool& handled) {
        if (!take[what]) return;
        c->Brush()->SetColor(TColor(0x102030 + what));
        c->FillRect(r);
        handled = true;
    }
};
}  // namespace

TEST(VtTabs, ColoursAndPaintHandlersComeFromTheFormResource) {
    UiTest::Init();
    RegisterWidgetClasses();
    auto* f = new TfrmTabColours(nullptr);
    ReadComponentResource(f, "object F: TfrmTabColours\n"
                             "  Width = 320\n  Height = 200\n"
                             "  object P: TVtPageControl\n"
                             "    Width = 300\n    Height = 120\n    TabWidth = 60\n    TabHeight = 20\n"
                             "    UseGradients = False\n    ActivePage = A\n"
                             "    HotTrackColor = clRed\n    HotTrackColorType = htctActual\n"
                             "    HotTrackStyle = htsText\n"
                             "    TabColors.HighlightBar = clBlue\n    TabColors.Shadow = clGray\n"
                             "    TabColors.Unselected = clYellow\n"
                             "    TextColors.DisabledHighlight = clAqua\n    TextColors.DisabledShadow = clFuchsia\n"
                             "    TextColors.Selected = clMaroon\n    TextColors.Unselected = clNavy\n"
                             "    OnGetTextColor = TextColor\n    OnPaintBackground = PaintBack\n"
                             "    OnPaintCardBackground = PaintCard\n    OnPaintTabBackground = PaintTab\n"
                             "    object A: TVtTabSheet\n      Caption = 'a'\n    end\n"
                             "    object B: TVtTabSheet\n      Caption = 'b'\n    end\n"
                             "    object C: TVtTabSheet\n      Caption = 'c'\n      TabEnabled = False\n    end\n"
                             "  end\n"
                             "end\n");
    auto* t = dynamic_cast<TVtPageControl*>(f->FindComponent("P"));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->HotTrackColor(), clRed);
    EXPECT_EQ(t->HotTrackColorType(), htctActual);
    EXPECT_EQ(t->HotTrackStyle(), htsText);
    EXPECT_EQ(t->TabColors()->HighlightBar(), clBlue);
    EXPECT_EQ(t->TabColors()->Shadow(), clGray);
    EXPECT_EQ(t->TabColors()->Unselected(), clYellow);
    EXPECT_EQ(t->TextColors()->DisabledHighlight(), clAqua);
    EXPECT_EQ(t->TextColors()->DisabledShadow(), clFuchsia);
    EXPECT_EQ(t->TextColors()->Selected(), clMaroon);
    EXPECT_EQ(t->TextColors()->Unselected(), clNavy);
    ASSERT_TRUE(t->OnGetTextColor && t->OnPaintBackground && t->OnPaintCardBackground && t->OnPaintTabBackground);

    f->Show();
    UiTest::Flush();
    t->UpdateLayout();
    TRect sel = t->TabRect(0), other = t->TabRect(1);
    int sx = (sel.Left + sel.Right) / 2, ox = (other.Left + other.Right) / 2;
    auto shot = [&] {
        f->asked.clear();
        f->tabs.clear();
        f->cardRows.clear();
        t->Invalidate();
        return std::unique_ptr<TBitmap>(UiTest::Capture(t));
    };
    // Default drawing in the resource's colours; each handler was asked about what it paints.
    std::unique_ptr<TBitmap> s = shot();
    s->SaveToPNG(std::string(QM_TEST_OUT) + "/VtTabsColours.png");
    EXPECT_EQ(s->Canvas()->Pixel(ox, other.Bottom - 2), ColorToRGB(clYellow));
    EXPECT_NE(s->Canvas()->Pixel(sx, sel.Top + 1), ColorToRGB(clBlue));  // no bar with the text style
    EXPECT_EQ(s->Canvas()->Pixel(t->Width() - 20, 3), ColorToRGB(clBtnFace));
    EXPECT_NE(std::find(f->tabs.begin(), f->tabs.end(), 1), f->tabs.end());
    EXPECT_EQ(f->cardRows, std::vector<int>{0});
    auto colourOf = [&](int tab, TVtTextStyle st) {
        for (auto& a : f->asked)
            if (a.tab == tab && a.style == st) return a.color;
        return TColor(clNone);
    };
    EXPECT_EQ(colourOf(0, tsSelected), clMaroon);
    EXPECT_EQ(colourOf(1, tsUnselected), clNavy);
    EXPECT_EQ(colourOf(2, tsDisabledHighlight), clAqua);
    EXPECT_EQ(colourOf(2, tsDisabledShadow), clFuchsia);

    // The hot tab: its text in the hot-track colour; with the tab style, a bar in that very colour.
    UiTest::MouseMove(t, ox, other.Bottom - 4);
    ASSERT_EQ(t->HotTab(), 1);
    s = shot();
    EXPECT_EQ(colourOf(1, tsHotTrack), clRed);
    EXPECT_NE(s->Canvas()->Pixel(ox, other.Top + 1), ColorToRGB(clRed));
    t->SetHotTrackStyle(htsTab);
    s = shot();
    EXPECT_EQ(colourOf(1, tsHotTrack), clMaroon);
    EXPECT_EQ(s->Canvas()->Pixel(ox, other.Top + 1), ColorToRGB(clRed));
    EXPECT_EQ(s->Canvas()->Pixel(sx, sel.Top + 1), ColorToRGB(clBlue));  // the selected tab's bar
    // Handlers that take over: their fills, and no bars.
    f->takeText = true;
    for (bool& b : f->take) b = true;
    s = shot();
    EXPECT_EQ(s->Canvas()->Pixel(t->Width() - 20, 3), TColor(0x102030));
    EXPECT_EQ(f->cardRows, std::vector<int>{0});  // under the page
    EXPECT_EQ(s->Canvas()->Pixel(ox, other.Top + 1), TColor(0x102032));
    EXPECT_EQ(s->Canvas()->Pixel(sx, sel.Top + 1), TColor(0x102032));
    delete f;
}
