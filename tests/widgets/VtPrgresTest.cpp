#include "widgets/VtPrgres.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Themes.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtPanel.h"
#include "widgets/VtStatus.h"

TEST(VtProgressBar, PartsBecomeAnExactPercentage) {
    UiTest::Init();
    TVtProgressBar bar(nullptr);
    bar.SetPartsComplete(5);  // a total of 0: nothing moves
    EXPECT_EQ(bar.PartsComplete(), 0u);
    EXPECT_EQ(bar.Percent(), 0);

    bar.SetTotalParts(3);
    std::vector<int> seen;
    for (int i = 0; i < 3; ++i) {
        bar.IncPartsByOne();
        seen.push_back(bar.Percent());
    }
    EXPECT_EQ(seen, (std::vector<int>{33, 67, 100}));

    bar.SetTotalParts(8);
    bar.IncPartsByOne();  // 12.5 goes to the even 12
    EXPECT_EQ(bar.Percent(), 12);
    bar.IncParts(2);  // 37.5 goes to 38
    EXPECT_EQ(bar.Percent(), 38);
    bar.SetPartsComplete(1000);
    EXPECT_EQ(bar.PartsComplete(), 8u);
    EXPECT_EQ(bar.Percent(), 100);
    bar.IncParts(UINT32_MAX);  // no wrap-around
    EXPECT_EQ(bar.PartsComplete(), 8u);

    // Exact where a double quotient is not: 2147483647 parts at half-way plus one half.
    EXPECT_EQ(PartsPercent(1, 200), 0);  // 0.5 to even
    EXPECT_EQ(PartsPercent(3, 200), 2);  // 1.5 to even
    EXPECT_EQ(PartsPercent(2147483646, 2147483647), 100);
    EXPECT_EQ(PartsPercent(1073741823, 2147483647), 50);

    // Percent set directly leaves the part counts.
    bar.SetPercent(40);
    EXPECT_EQ(bar.PartsComplete(), 8u);
}

TEST(VtProgressBar, CountingOneByOneMatchesTheExactPercentage) {
    UiTest::Init();
    TVtProgressBar bar(nullptr);
    std::vector<int> changes;
    bar.OnChange = [&](TObject*, int p) { changes.push_back(p); };
    // Totals whose half-way points fall on whole parts (halves to even), below 100, and odd ones.
    for (uint32_t total : {1u, 3u, 7u, 8u, 200u, 201u, 1000u, 99999u}) {
        bar.SetTotalParts(total);
        changes.clear();
        std::vector<int> expected;
        int last = 0;
        for (uint32_t i = 1; i <= total; ++i) {
            bar.IncPartsByOne();
            const int want = PartsPercent(i, total);
            ASSERT_EQ(bar.Percent(), want) << total << " at " << i;
            if (want != last) expected.push_back(want);
            last = want;
        }
        EXPECT_EQ(changes, expected) << total;
        bar.IncPartsByOne();  // past the end
        EXPECT_EQ(bar.PartsComplete(), total);
        bar.SetTotalParts(0);
    }

    // Steps of several parts, and a total near the largest, across the flips of the rounding.
    bar.SetTotalParts(2147483647);
    bar.SetPartsComplete(1063004402);  // 49 % turns 50 % four parts on
    for (int i = 0; i < 8; ++i) {
        bar.IncParts(1);
        EXPECT_EQ(bar.Percent(), PartsPercent(bar.PartsComplete(), 2147483647));
    }
    bar.IncParts(2147483000);
    EXPECT_EQ(bar.PartsComplete(), 2147483647u);
    EXPECT_EQ(bar.Percent(), 100);

    // Going back, another total and then the first again, or a percentage set directly: the next step
    // counts again. Each row: what is set first, then the percentage one part later.
    bar.SetTotalParts(400);
    const std::function<void()> before[] = {[&] { bar.SetPartsComplete(10); }, [&] { bar.SetPartsComplete(2); },
                                            [&] { bar.SetPercent(60); },        [&] { bar.SetTotalParts(40); },
                                            [&] { bar.SetTotalParts(400); }};
    const int after[] = {3, 1, 1, 2, 0};
    for (int i = 0; i < 5; ++i) {
        before[i]();
        bar.IncParts(1);
        EXPECT_EQ(bar.Percent(), after[i]) << i;
    }
}

TEST(VtProgressBar, ANewTotalResetsAndFiresOnce) {
    UiTest::Init();
    TVtProgressBar bar(nullptr);
    std::vector<int> changes;
    bar.OnChange = [&](TObject* sender, int p) {
        EXPECT_EQ(sender, &bar);
        changes.push_back(p);
    };
    bar.SetTotalParts(4);
    EXPECT_TRUE(changes.empty());  // Percent was 0 already
    bar.IncParts(2);
    bar.IncParts(0);
    EXPECT_EQ(changes, (std::vector<int>{50}));
    bar.SetTotalParts(4);  // the same total changes nothing
    EXPECT_EQ(bar.PartsComplete(), 2u);
    bar.SetTotalParts(5);
    EXPECT_EQ(bar.PartsComplete(), 0u);
    EXPECT_EQ(changes, (std::vector<int>{50, 0}));
}

TEST(VtProgressBar, StylesAndOrientation) {
    UiTest::Init();
    TVtProgressBar bar(nullptr);
    EXPECT_EQ(bar.Width(), 200);
    EXPECT_EQ(bar.Height(), 24);
    EXPECT_EQ(bar.Orientation(), orHorizontal);
    bar.SetBounds(0, 0, 20, 21);
    EXPECT_EQ(bar.Orientation(), orVertical);
    bar.SetBounds(0, 0, 20, 20);
    EXPECT_EQ(bar.Orientation(), orHorizontal);

    bar.SetBarStyle(bsLED);
    EXPECT_FALSE(bar.ShowPercent());
    EXPECT_EQ(bar.InteriorOffset(), 1);
    bar.SetBarStyle(bsTraditional);
    EXPECT_TRUE(bar.ShowPercent());
    EXPECT_EQ(bar.InteriorOffset(), 0);

    bar.SetBarColor(clRed);
    EXPECT_EQ(bar.Font()->Color(), clRed);
}

namespace {
struct Shown {
    TForm* form;
    TVtProgressBar* bar;
    Shown(int w, int h) {
        UiTest::Init();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 300, 200);
        bar = new TVtProgressBar(form);
        bar->SetParent(form);
        bar->SetBounds(10, 10, w, h);
        form->Show();
        UiTest::Flush();
    }
    ~Shown() { delete form; }
};
}  // namespace

TEST(VtProgressBar, PaintsFrameBarAndBack) {
    Shown s(200, 24);
    TVtProgressBar* bar = s.bar;
    bar->SetBorderWidth(1);
    bar->SetBorderColor(clRed);
    bar->SetBackColor(clWhite);
    bar->SetBarColor(clBlue);
    bar->SetShowPercent(false);
    bar->SetTotalParts(4);
    bar->IncParts(2);
    std::unique_ptr<TBitmap> shot(UiTest::Capture(bar));
    shot->SaveToPNG(std::string(QM_TEST_OUT) + "/VtProgressBarHalf.png");
    TCanvas* c = shot->Canvas();
    EXPECT_EQ(c->Pixel(0, 0), ColorToRGB(clBtnShadow));       // sunken outer ring
    EXPECT_EQ(c->Pixel(199, 23), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(c->Pixel(2, 12), ColorToRGB(clRed));            // border ring
    EXPECT_EQ(c->Pixel(197, 12), ColorToRGB(clRed));
    // Inside (3, 3, 197, 21): 194 pixels, half of them filled.
    EXPECT_EQ(c->Pixel(3, 12), ColorToRGB(clBlue));
    EXPECT_EQ(c->Pixel(3 + 96, 12), ColorToRGB(clBlue));
    EXPECT_EQ(c->Pixel(3 + 98, 12), ColorToRGB(clWhite));
    EXPECT_EQ(c->Pixel(196, 12), ColorToRGB(clWhite));
}

TEST(VtProgressBar, VerticalFillsFromTheBottom) {
    Shown s(24, 120);
    TVtProgressBar* bar = s.bar;
    bar->SetBackColor(clWhite);
    bar->SetBarColor(clBlue);
    bar->SetShowPercent(false);
    bar->SetPercent(25);
    std::unique_ptr<TBitmap> shot(UiTest::Capture(bar));
    EXPECT_EQ(shot->Canvas()->Pixel(12, 115), ColorToRGB(clBlue));
    EXPECT_EQ(shot->Canvas()->Pixel(12, 5), ColorToRGB(clWhite));
}

namespace {
struct CountingBar : TVtProgressBar {
    using TVtProgressBar::TVtProgressBar;
    int paints = 0;
    void Paint() override {
        ++paints;
        TVtProgressBar::Paint();
    }
};
}  // namespace

// An export advances the bar once per sheet: it repaints when the percentage changes, not for every part.
TEST(VtProgressBar, RepaintsOnlyWhenThePercentageChanges) {
    UiTest::Init();
    auto* f = new TForm(nullptr);
    f->SetBounds(0, 0, 300, 100);
    auto* bar = new CountingBar(f);
    bar->SetParent(f);
    bar->SetBounds(10, 10, 200, 24);
    f->Show();
    UiTest::Flush();
    bar->SetTotalParts(20000);
    UiTest::Flush();
    bar->paints = 0;
    for (int i = 0; i < 20000; ++i) {
        bar->IncPartsByOne();
        if (i % 97 == 0) UiTest::Flush();
    }
    UiTest::Flush();
    EXPECT_EQ(bar->Percent(), 100);
    EXPECT_GE(bar->paints, 100);
    EXPECT_LE(bar->paints, 110);
    std::unique_ptr<TBitmap> shot(UiTest::Capture(bar));
    EXPECT_EQ(shot->Canvas()->Pixel(bar->Width() - 5, 5), ColorToRGB(clHighlight));
    delete f;
}

TEST(VtProgressBar, FrameControllerSettings) {
    UiTest::Init();
    TVtFrameController fc(nullptr);
    {
        TVtProgressBar bar(nullptr);
        fc.SetFrameStyle(fsGroove);
        bar.SetFrameController(&fc);
        EXPECT_EQ(bar.BorderOuter(), fsLowered);  // the controller's frame is not visible
        fc.SetColor(clYellow);
        fc.SetFrameVisible(true);
        EXPECT_EQ(bar.BorderOuter(), fsGroove);
        EXPECT_EQ(bar.BackColor(), clYellow);
        EXPECT_EQ(bar.FlatColorAdjustment(), 0);
        EXPECT_EQ(fc.ControlCount(), 1);
    }
    EXPECT_EQ(fc.ControlCount(), 0);  // the bar unlinked itself
    auto* owner = new TComponent(nullptr);
    auto* fc2 = new TVtFrameController(owner);
    TVtProgressBar bar(nullptr);
    bar.SetFrameController(fc2);
    delete owner;
    EXPECT_EQ(bar.FrameController(), nullptr);
}

TEST(VtProgressBar, ThemedBodyKeepsTheBarInside) {
    Shown s(200, 24);
    TVtProgressBar* bar = s.bar;
    bar->SetBarColor(clBlue);
    bar->SetShowPercent(false);
    bar->SetPercent(100);
    ThemeServices()->SetThemesEnabled(true);
    bar->Repaint();
    std::unique_ptr<TBitmap> shot(UiTest::Capture(bar));
    ThemeServices()->SetThemesEnabled(false);
    shot->SaveToPNG(std::string(QM_TEST_OUT) + "/VtProgressBarThemed.png");
    // The traditional body sits 3 pixels inside the theme's frame.
    EXPECT_EQ(shot->Canvas()->Pixel(3, 12), ColorToRGB(clBlue));
    EXPECT_EQ(shot->Canvas()->Pixel(196, 12), ColorToRGB(clBlue));
    EXPECT_NE(shot->Canvas()->Pixel(1, 12), ColorToRGB(clBlue));
    EXPECT_NE(shot->Canvas()->Pixel(198, 12), ColorToRGB(clBlue));
}

// The frame is painted once and kept: a new percentage paints the body on it, and every setting the frame is drawn
// from paints it anew.
TEST(VtProgressBar, AKeptFrameFollowsEverySettingThatDrawsIt) {
    auto same = [](TBitmap* a, TBitmap* b) {
        if (a->Width() != b->Width() || a->Height() != b->Height()) return false;
        for (int y = 0; y < a->Height(); ++y)
            for (int x = 0; x < a->Width(); ++x)
                if (a->Canvas()->Pixel(x, y) != b->Canvas()->Pixel(x, y)) return false;
        return true;
    };
    Shown kept(200, 24), fresh(200, 24);
    kept.bar->SetPercent(10);
    UiTest::Flush();
    kept.bar->SetPercent(60);
    fresh.bar->SetPercent(60);
    UiTest::Flush();
    std::unique_ptr<TBitmap> a(UiTest::Capture(kept.bar)), b(UiTest::Capture(fresh.bar));
    EXPECT_TRUE(same(a.get(), b.get()));
    EXPECT_EQ(a->Canvas()->Pixel(0, 0), ColorToRGB(clBtnShadow));
    auto shot = [&] {
        UiTest::Flush();
        a.reset(UiTest::Capture(kept.bar));
        return a->Canvas();
    };

    kept.bar->SetBorderWidth(1);
    kept.bar->SetBorderColor(clRed);
    EXPECT_EQ(shot()->Pixel(2, 12), ColorToRGB(clRed));
    kept.bar->SetBorderOuter(fsNone);
    EXPECT_EQ(shot()->Pixel(0, 0), ColorToRGB(clRed));
    kept.bar->SetInteriorOffset(2);
    kept.bar->SetBackColor(clYellow);
    EXPECT_EQ(shot()->Pixel(0, 12), ColorToRGB(clRed));
    EXPECT_EQ(a->Canvas()->Pixel(1, 12), ColorToRGB(clYellow));  // the gap inside the border ring
    EXPECT_EQ(a->Canvas()->Pixel(2, 12), ColorToRGB(clYellow));
    kept.bar->SetBounds(10, 10, 150, 30);
    kept.bar->SetPercent(100);
    shot();
    ASSERT_EQ(a->Width(), 150);
    EXPECT_EQ(a->Canvas()->Pixel(149, 29), ColorToRGB(clRed));
    EXPECT_EQ(a->Canvas()->Pixel(146, 15), ColorToRGB(kept.bar->BarColor()));
    // Back to the settings of the other bar: the same picture again.
    kept.bar->SetBounds(10, 10, 200, 24);
    kept.bar->SetInteriorOffset(0);
    kept.bar->SetBackColor(fresh.bar->BackColor());
    kept.bar->SetBorderOuter(fsLowered);
    kept.bar->SetBorderWidth(0);
    kept.bar->SetBorderColor(fresh.bar->BorderColor());
    kept.bar->SetPercent(60);
    shot();
    EXPECT_TRUE(same(a.get(), b.get()));
}

// Between two rounds of messages the screen shows the bar once, so percentages stepped in between paint it once.
TEST(VtProgressBar, PercentagesBetweenMessagesPaintOnce) {
    UiTest::Init();
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 300, 100);
    auto* bar = new CountingBar(form.get());
    bar->SetParent(form.get());
    bar->SetBounds(10, 10, 200, 24);
    form->Show();
    UiTest::Flush();
    bar->SetTotalParts(1000);
    UiTest::Flush();
    bar->paints = 0;
    for (int i = 0; i < 500; ++i) bar->IncPartsByOne();
    EXPECT_EQ(bar->Percent(), 50);
    EXPECT_EQ(bar->paints, 0);
    UiTest::Flush();
    EXPECT_EQ(bar->paints, 1);
    std::unique_ptr<TBitmap> shot(UiTest::Capture(bar));
    EXPECT_EQ(shot->Canvas()->Pixel(5, 5), ColorToRGB(bar->BarColor()));
    EXPECT_EQ(shot->Canvas()->Pixel(194, 5), ColorToRGB(bar->BackColor()));
    // A setting of the frame still paints at once.
    bar->SetBorderColor(clRed);
    EXPECT_EQ(bar->paints, 2);
}

namespace {
struct OnStatusBar {
    TForm* form;
    TVtStatusBar* status;
    TVtProgressBar* bar;
    OnStatusBar() {
        UiTest::Init();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 400, 240);
        form->SetColor(clBtnFace);
        form->Show();
        status = new TVtStatusBar(form);
        status->SetParent(form);
        bar = new TVtProgressBar(form);
        bar->SetParent(status);
        bar->SetBounds(50, 0, status->ClientWidth() - 50, 19);
        UiTest::Flush();
    }
    ~OnStatusBar() { delete form; }
};
}  // namespace

// A bar at the status bar's right end leaves the last 12 pixels to the bar's size grip, which sizes the form.
TEST(VtProgressBar, SizeGripWorksThroughTheBar) {
    OnStatusBar s;
    ASSERT_TRUE(s.status->GripActive());
    int w = s.status->ClientWidth(), fw = s.form->Width(), fh = s.form->Height();
    UiTest::MouseDown(s.status, w - 20, 10);
    UiTest::MouseMove(s.status, w, 30, MK_LBUTTON);
    UiTest::MouseUp(s.status, w, 30);
    EXPECT_EQ(s.form->Width(), fw);
    EXPECT_EQ(s.form->Height(), fh);
    UiTest::MouseDown(s.status, w - 5, 10);
    UiTest::MouseMove(s.status, w + 15, 40, MK_LBUTTON);
    UiTest::MouseUp(s.status, w + 15, 40);
    EXPECT_EQ(s.form->Width(), fw + 20);
    EXPECT_EQ(s.form->Height(), fh + 30);
    // Short of the status bar's edge, or on another parent, the bar keeps all of its pixels.
    s.bar->SetBounds(50, 0, 100, 19);
    EXPECT_EQ(s.bar->Perform(CM_HITTEST, 0, MAKELPARAM(95, 10)), HTCLIENT);
    s.bar->SetParent(s.form);
    s.bar->SetBounds(0, 0, s.form->ClientWidth(), 19);
    EXPECT_EQ(s.bar->Perform(CM_HITTEST, 0, MAKELPARAM(s.form->ClientWidth() - 5, 10)), HTCLIENT);
}

// Themes on: a status bar drawn in the classic look keeps the bar classic; a themed one shows its own background
// around the bar's pane.
TEST(VtProgressBar, OnAStatusBarFollowsItsLook) {
    OnStatusBar s;
    s.status->SetColor(clRed);
    s.bar->SetBorderWidth(1);
    s.bar->SetBorderColor(clLime);
    s.bar->SetShowPercent(false);
    ThemeServices()->SetThemesEnabled(true);
    s.status->SetThemeAware(false);
    s.bar->Repaint();
    std::unique_ptr<TBitmap> classic(UiTest::Capture(s.bar));
    s.status->SetThemeAware(true);
    s.bar->Repaint();
    std::unique_ptr<TBitmap> themed(UiTest::Capture(s.bar));
    ThemeServices()->SetThemesEnabled(false);
    EXPECT_EQ(classic->Canvas()->Pixel(0, 0), ColorToRGB(clBtnShadow));  // sunken outer ring
    EXPECT_EQ(classic->Canvas()->Pixel(2, 10), ColorToRGB(clLime));      // border ring
    EXPECT_NE(themed->Canvas()->Pixel(2, 10), ColorToRGB(clLime));
    EXPECT_NE(themed->Canvas()->Pixel(0, 0), ColorToRGB(clRed));
}

// On a themed status bar the text area shows the bar's themed background, not the classic fill colour.
TEST(VtStatusPane, ThemedBarShowsThroughTheTextArea) {
    OnStatusBar s;
    TVtStatusBar* bar = s.status;
    bar->SetColor(clRed);
    auto* pane = new TVtStatusPane(s.form);
    pane->SetParent(bar);
    pane->SetBounds(10, 0, 30, 19);
    UiTest::Flush();
    ThemeServices()->SetThemesEnabled(true);
    pane->Repaint();
    std::unique_ptr<TBitmap> themed(UiTest::Capture(pane));
    TBitmap back;
    back.SetSize(bar->ClientWidth(), bar->ClientHeight());
    ThemeServices()->DrawElement(back.Canvas(), ThemeServices()->GetElementDetails(tpStatusBar), bar->ClientRect());
    ThemeServices()->SetThemesEnabled(false);
    pane->Repaint();
    std::unique_ptr<TBitmap> classic(UiTest::Capture(pane));
    EXPECT_EQ(classic->Canvas()->Pixel(5, 9), ColorToRGB(clRed));
    EXPECT_EQ(themed->Canvas()->Pixel(5, 9), back.Canvas()->Pixel(15, 9));
    EXPECT_NE(themed->Canvas()->Pixel(5, 9), ColorToRGB(clRed));
}
