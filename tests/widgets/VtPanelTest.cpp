#include "widgets/VtPanel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtStatus.h"

namespace {

struct PanelForm {
    TForm* form;
    PanelForm() {
        UiTest::Init();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 400, 240);
        form->SetColor(clBtnFace);
        form->Show();
        UiTest::Flush();
    }
    ~PanelForm() { delete form; }
    template <class T>
    T* Add(int l, int t, int w, int h) {
        auto* c = new T(form);
        c->SetParent(form);
        c->SetBounds(l, t, w, h);
        return c;
    }
    static TColor Px(TBitmap* s, int x, int y) { return s->Canvas()->Pixel(x, y); }
};

TColor Rgb(TColor c) { return ColorToRGB(c); }

}  // namespace

TEST(VtPanel, RaisedFrameAndGridDots) {
    PanelForm f;
    auto* p = f.Add<TVtPanel>(10, 10, 60, 40);
    p->SetShowGrid(true);
    std::unique_ptr<TBitmap> s(UiTest::Capture(p));
    EXPECT_EQ(PanelForm::Px(s.get(), 1, 1), Rgb(clBtnHighlight));
    EXPECT_EQ(PanelForm::Px(s.get(), 59, 39), Rgb(cl3DDkShadow));
    // Inside the 2-pixel border R starts at (2, 2): dots at (1 + 8i, 1 + 8j).
    EXPECT_EQ(PanelForm::Px(s.get(), 9, 9), Rgb(clBtnShadow));
    EXPECT_EQ(PanelForm::Px(s.get(), 17, 25), Rgb(clBtnShadow));
    EXPECT_EQ(PanelForm::Px(s.get(), 10, 9), Rgb(clBtnFace));
    // A spacing of 0 draws no grid (and does not divide by it).
    p->SetGridXSize(0);
    s.reset(UiTest::Capture(p));
    EXPECT_EQ(PanelForm::Px(s.get(), 9, 9), Rgb(clBtnFace));
    // Children align inside the borders of the chosen sides.
    auto* child = new TVtPanel(f.form);
    child->SetParent(p);
    child->SetAlign(alClient);
    EXPECT_EQ(child->BoundsRect(), TRect(2, 2, 58, 38));
    p->SetBorderSides(1 << sdLeft);
    EXPECT_EQ(child->BoundsRect(), TRect(2, 0, 60, 40));
}

TEST(VtPanel, DisablingRemembersTheChildrensStates) {
    PanelForm f;
    auto* p = f.Add<TVtPanel>(10, 10, 200, 80);
    auto* a = new TButton(f.form);
    a->SetParent(p);
    auto* b = new TButton(f.form);
    b->SetParent(p);
    b->SetEnabled(false);
    p->SetEnabled(false);
    EXPECT_FALSE(a->Enabled());
    p->SetEnabled(true);
    EXPECT_TRUE(a->Enabled());
    EXPECT_FALSE(b->Enabled());
    // A child freed while the panel is disabled leaves no stale record behind.
    p->SetEnabled(false);
    delete b;
    p->SetEnabled(true);
    EXPECT_TRUE(a->Enabled());
}

TEST(VtPanel, FrameFromTheControllerOnlyWhileItsFrameShows) {
    PanelForm f;
    f.form->SetColor(clYellow);
    auto* p = f.Add<TVtPanel>(10, 10, 60, 40);
    auto* fc = new TVtFrameController(f.form);
    fc->SetFrameStyle(fsLowered);
    fc->SetFrameSides(1 << sdTop);
    fc->SetColor(clWhite);
    p->SetFrameController(fc);  // a hidden frame: the panel keeps its own
    EXPECT_EQ(p->BorderOuter(), fsRaised);
    EXPECT_EQ(p->FlatColorAdjustment(), 30);
    EXPECT_EQ(p->BorderSides(), sdAllSides);

    fc->SetFrameVisible(true);
    EXPECT_EQ(p->BorderOuter(), fsLowered);
    EXPECT_EQ(p->BorderSides(), 1 << sdTop);
    EXPECT_EQ(p->FlatColorAdjustment(), 0);
    EXPECT_EQ(p->Color(), clWhite);
    EXPECT_EQ(p->BorderHighlight(), LighterColor(clWhite, 100));
    // Children align inside the controller's sides only.
    auto* child = new TVtPanel(f.form);
    child->SetParent(p);
    child->SetAlign(alClient);
    EXPECT_EQ(child->BoundsRect(), TRect(0, 2, 60, 40));

    // Taking the parent's colour, the bevels follow the colour shown, not the controller's.
    fc->SetParentColor(true);
    EXPECT_EQ(p->Color(), clYellow);
    EXPECT_EQ(p->BorderShadow(), DarkerColor(clYellow, 50));
}

TEST(VtGroupBox, FlatStyleFrameAndCaption) {
    PanelForm f;
    auto* g = f.Add<TVtGroupBox>(10, 10, 120, 60);
    g->SetCaption("abc");
    EXPECT_EQ(g->GroupStyle(), gsFlat);
    TBitmap probe(1, 1);
    probe.Canvas()->SetFont(*g->Font());
    int th = probe.Canvas()->TextHeight("Pp");
    int top = th / 2 - 1;
    TColor fc = Rgb(AdjustColor(clBtnShadow, 30));
    std::unique_ptr<TBitmap> s(UiTest::Capture(g));
    EXPECT_EQ(PanelForm::Px(s.get(), 0, top + 5), fc);      // left side
    EXPECT_EQ(PanelForm::Px(s.get(), 1, top + 1), fc);      // rounded corner pixel
    EXPECT_EQ(PanelForm::Px(s.get(), 0, top), Rgb(clBtnFace));  // corner left out
    EXPECT_EQ(PanelForm::Px(s.get(), 119, top + 5), fc);
    EXPECT_EQ(PanelForm::Px(s.get(), 60, 59), fc);
    EXPECT_EQ(PanelForm::Px(s.get(), 100, top), fc);  // the top line right of the caption
    TRect cap = g->CaptionRect();
    EXPECT_EQ(cap.Left, 8);
    EXPECT_EQ(cap.Top, 0);
    EXPECT_EQ(PanelForm::Px(s.get(), cap.Left, top), Rgb(clBtnFace));  // the caption's ground covers the line
    // Without a caption the line runs through.
    g->SetCaption("");
    EXPECT_TRUE(g->CaptionRect().IsEmpty());
    s.reset(UiTest::Capture(g));
    EXPECT_EQ(PanelForm::Px(s.get(), 10, top), fc);
    // Children start below the caption line.
    auto* child = new TButton(f.form);
    child->SetParent(g);
    child->SetAlign(alClient);
    EXPECT_GT(child->Top(), top);
    g->SetGroupStyle(gsTopLine);
    EXPECT_FALSE(g->ThemeAware());
}

TEST(VtGroupBox, StandardAndTopLineStyles) {
    PanelForm f;
    auto* g = f.Add<TVtGroupBox>(10, 10, 120, 60);
    g->SetGroupStyle(gsStandard);
    g->SetBorderOuter(fsFlat);
    TBitmap probe(1, 1);
    probe.Canvas()->SetFont(*g->Font());
    int top = probe.Canvas()->TextHeight("Pp") / 2 - 1;
    TColor fc = Rgb(AdjustColor(clBtnShadow, 30));
    std::unique_ptr<TBitmap> s(UiTest::Capture(g));
    EXPECT_EQ(PanelForm::Px(s.get(), 0, top), fc);  // a square frame
    g->SetGroupStyle(gsTopLine);
    s.reset(UiTest::Capture(g));
    EXPECT_EQ(PanelForm::Px(s.get(), 0, top), fc);
    EXPECT_EQ(PanelForm::Px(s.get(), 0, top + 5), Rgb(clBtnFace));  // no sides
}

TEST(VtSpacer, OrientationSwapsAndGroove) {
    PanelForm f;
    auto* sp = f.Add<TVtSpacer>(10, 10, 8, 25);
    sp->SetOrientation(orVertical);
    EXPECT_EQ(sp->Width(), 25);
    EXPECT_EQ(sp->Height(), 8);
    sp->SetOrientation(orHorizontal);
    sp->SetGrooved(true);
    std::unique_ptr<TBitmap> s(UiTest::Capture(sp));
    EXPECT_EQ(PanelForm::Px(s.get(), 3, 5), Rgb(clBtnShadow));  // x = 8 / 2 - 1
    EXPECT_EQ(PanelForm::Px(s.get(), 4, 5), Rgb(clBtnHighlight));
    EXPECT_EQ(PanelForm::Px(s.get(), 3, 0), Rgb(clBtnFace));  // from top + 1
}

TEST(VtStatusBar, SimpleStatusGripAndScaledPanes) {
    PanelForm f;
    auto* bar = new TVtStatusBar(f.form);
    bar->SetParent(f.form);
    EXPECT_EQ(bar->Height(), 19);
    EXPECT_EQ(bar->Align(), alBottom);
    auto* a = new TVtStatusPane(f.form);
    a->SetParent(bar);
    a->SetBounds(0, 0, 100, 19);
    auto* b = new TVtStatusPane(f.form);
    b->SetParent(bar);
    b->SetBounds(100, 0, 3, 19);
    UiTest::Flush();
    std::unique_ptr<TBitmap> s(UiTest::Capture(bar));
    int r = bar->Width(), bt = bar->Height();
    // Highlight squares at (R - 5, B - 4) ..., their shadows one up and left over them.
    EXPECT_EQ(PanelForm::Px(s.get(), r - 4, bt - 3), Rgb(clBtnHighlight));
    EXPECT_EQ(PanelForm::Px(s.get(), r - 6, bt - 5), Rgb(clBtnShadow));
    EXPECT_EQ(PanelForm::Px(s.get(), r - 12, bt - 3), Rgb(clBtnHighlight));
    EXPECT_EQ(PanelForm::Px(s.get(), r - 4, bt - 11), Rgb(clBtnHighlight));
    EXPECT_EQ(PanelForm::Px(s.get(), r - 2, bt - 2), Rgb(clBtnFace));
    f.form->SetWindowState(wsMaximized);
    EXPECT_FALSE(bar->GripActive());
    f.form->SetWindowState(wsNormal);
    EXPECT_TRUE(bar->GripActive());

    bar->SetSimpleStatus(true);
    EXPECT_FALSE(a->Visible());
    EXPECT_FALSE(b->Visible());
    bar->SetSimpleStatus(false);
    EXPECT_TRUE(a->Visible());

    // Widths are scaled from the first non-zero width each time: no drift, and a pane rounded to 0 grows back.
    bar->SetAlign(alNone);
    bar->SetAutoScalePanes(true);
    bar->SetBounds(0, 100, 0, 19);  // not laid out yet: no base
    bar->SetBounds(0, 100, 200, 19);
    for (int i = 0; i < 7; ++i) {
        bar->SetBounds(0, 100, 10 + i, 19);
        bar->SetBounds(0, 100, 150 - i, 19);
    }
    bar->SetBounds(0, 100, 10, 19);
    EXPECT_EQ(b->Width(), 0);
    EXPECT_EQ(a->Width(), 5);
    bar->SetBounds(0, 100, 200, 19);
    EXPECT_EQ(a->Width(), 100);
    EXPECT_EQ(b->Width(), 3);
}

// The right-most pane lets the bar's grip take the pointer over its last 12 pixels; the grip sizes the form.
TEST(VtStatusBar, GripWorksThroughTheRightMostPane) {
    PanelForm f;
    auto* bar = new TVtStatusBar(f.form);
    bar->SetParent(f.form);
    auto* left = new TVtStatusPane(f.form);
    left->SetParent(bar);
    left->SetBounds(0, 0, 50, 19);
    auto* right = new TVtStatusPane(f.form);
    right->SetParent(bar);
    right->SetBounds(50, 0, bar->ClientWidth() - 50, 19);
    UiTest::Flush();
    ASSERT_TRUE(bar->GripActive());
    int w = bar->ClientWidth(), fw = f.form->Width(), fh = f.form->Height();
    // Over the pane's text the pane keeps the pointer: no sizing.
    UiTest::MouseDown(bar, w - 20, 10);
    UiTest::MouseMove(bar, w, 30, MK_LBUTTON);
    UiTest::MouseUp(bar, w, 30);
    EXPECT_EQ(f.form->Width(), fw);
    EXPECT_EQ(f.form->Height(), fh);
    UiTest::MouseDown(bar, w - 5, 10);
    UiTest::MouseMove(bar, w + 15, 40, MK_LBUTTON);
    UiTest::MouseUp(bar, w + 15, 40);
    EXPECT_EQ(f.form->Width(), fw + 20);
    EXPECT_EQ(f.form->Height(), fh + 30);
    // A pane that stops short of the bar's edge is not the right-most one: it keeps its own pixels.
    right->SetBounds(50, 0, 100, 19);
    EXPECT_EQ(right->Perform(CM_HITTEST, 0, MAKELPARAM(95, 10)), HTCLIENT);
}

namespace {
// A panel with a caption and an edit in it, dragged by a press on its face into the host.
TPanel* DockByDragging(PanelForm& f, TVtPanel* host, TEdit** edit) {
    auto* client = f.Add<TPanel>(10, 100, 100, 80);
    client->SetCaption("Layers");
    client->SetDragKind(dkDock);
    client->SetDragMode(dmAutomatic);
    *edit = new TEdit(f.form);
    (*edit)->SetParent(client);
    (*edit)->SetBounds(5, 5, 60, 20);
    UiTest::MouseMove(client, 80, 60);
    UiTest::MouseDown(client, 80, 60);
    UiTest::MouseMove(client, 88, 68, MK_LBUTTON);
    UiTest::MouseMove(host, 40, 30, MK_LBUTTON);
    UiTest::MouseUp(host, 40, 30);
    UiTest::Flush();
    return client;
}

// The box around the pixels of r that are not the colour bg (empty: none).
TRect InkBox(TBitmap* s, const TRect& r, TColor bg) {
    TRect box(r.Right, r.Bottom, r.Left, r.Top);
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (s->Canvas()->Pixel(x, y) != bg) {
                box.Left = std::min(box.Left, x);
                box.Top = std::min(box.Top, y);
                box.Right = std::max(box.Right, x + 1);
                box.Bottom = std::max(box.Bottom, y + 1);
            }
    return box;
}
}  // namespace

TEST(VtPanel, DockedControlGetsACaptionedGrabber) {
    PanelForm f;
    auto* host = f.Add<TVtPanel>(200, 0, 200, 240);
    host->SetDockSite(true);
    host->SetUseDockManager(true);
    TEdit* edit = nullptr;
    TPanel* client = DockByDragging(f, host, &edit);
    ASSERT_EQ(client->HostDockSite(), host);
    auto* dm = dynamic_cast<TVtPanelDockManager*>(host->DockManager());
    ASSERT_NE(dm, nullptr);
    // Inside the raised 2-pixel frame, under a 14-pixel grabber along the top.
    EXPECT_EQ(client->BoundsRect(), TRect(2, 16, 198, 238));
    const TRect close = dm->CloseButtonRect(client);
    EXPECT_EQ(close, TRect(186, 4, 196, 14));
    UiTest::SavePng(host, std::string(QM_TEST_OUT) + "/vtpanel_dock_inactive.png");
    std::unique_ptr<TBitmap> s(UiTest::Capture(host));
    const TColor inactive = Rgb(clInactiveCaption);
    EXPECT_EQ(PanelForm::Px(s.get(), 2, 2), inactive);
    EXPECT_EQ(PanelForm::Px(s.get(), 197, 15), inactive);
    EXPECT_NE(PanelForm::Px(s.get(), 100, 16), inactive);
    // The caption reads left to right inside the grabber, before the close glyph.
    TRect ink = InkBox(s.get(), TRect(2, 2, close.Left, 16), inactive);
    EXPECT_GE(ink.Left, 4);
    EXPECT_GT(ink.Width(), 2 * ink.Height());
    // The close glyph: a cross in the caption text colour.
    EXPECT_EQ(PanelForm::Px(s.get(), 188, 6), Rgb(clCaptionText));
    EXPECT_EQ(PanelForm::Px(s.get(), 193, 6), Rgb(clCaptionText));
    EXPECT_EQ(PanelForm::Px(s.get(), 190, 6), inactive);
    EXPECT_EQ(PanelForm::Px(s.get(), 188, 11), Rgb(clCaptionText));
    // The docked control holds the focus: the active caption colour.
    edit->SetFocus();
    s.reset(UiTest::Capture(host));
    EXPECT_EQ(PanelForm::Px(s.get(), 2, 2), Rgb(clActiveCaption));
    UiTest::SavePng(host, std::string(QM_TEST_OUT) + "/vtpanel_dock_active.png");
    // Without captions only the glyph is drawn.
    host->SetShowDockClientCaptions(false);
    s.reset(UiTest::Capture(host));
    EXPECT_TRUE(InkBox(s.get(), TRect(2, 2, close.Left - 1, 16), Rgb(clActiveCaption)).IsEmpty());
    EXPECT_EQ(PanelForm::Px(s.get(), 188, 6), Rgb(clCaptionText));
    // Closed from the glyph: hidden, and the grabber goes with it.
    UiTest::Click(host, 190, 8);
    EXPECT_FALSE(client->Visible());
    s.reset(UiTest::Capture(host));
    EXPECT_EQ(PanelForm::Px(s.get(), 2, 2), Rgb(clBtnFace));
}

TEST(VtPanel, GrabbersOfAPanelAlignedTopStandAtTheLeft) {
    PanelForm f;
    auto* host = f.Add<TVtPanel>(0, 0, 400, 60);
    host->SetAlign(alTop);
    host->SetDockSite(true);
    host->SetUseDockManager(true);
    TEdit* edit = nullptr;
    TPanel* client = DockByDragging(f, host, &edit);
    ASSERT_EQ(client->HostDockSite(), host);
    EXPECT_EQ(client->BoundsRect(), TRect(16, 2, 398, 58));
    auto* dm = dynamic_cast<TVtPanelDockManager*>(host->DockManager());
    ASSERT_NE(dm, nullptr);
    EXPECT_EQ(dm->CloseButtonRect(client), TRect(4, 4, 14, 14));
    UiTest::SavePng(host, std::string(QM_TEST_OUT) + "/vtpanel_dock_left.png");
    std::unique_ptr<TBitmap> s(UiTest::Capture(host));
    const TColor inactive = Rgb(clInactiveCaption);
    EXPECT_EQ(PanelForm::Px(s.get(), 15, 57), inactive);
    // The caption turned a quarter: it reads bottom to top below the glyph.
    TRect ink = InkBox(s.get(), TRect(2, 16, 16, 58), inactive);
    EXPECT_FALSE(ink.IsEmpty());
    EXPECT_GT(ink.Height(), 2 * ink.Width());
    EXPECT_LE(ink.Bottom, 56);
    EXPECT_EQ(PanelForm::Px(s.get(), 6, 6), Rgb(clCaptionText));
}
