#include "gis/layers/GisLabelsArea.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/gis/layers/TestLayer.h"

namespace {

class GisLabelsAreaText : public ::testing::Test {
protected:
    void SetUp() override {
        UiTest::Init();
        bmp = std::make_unique<TBitmap>(200, 120, pf24bit);
        c = bmp->Canvas();
    }
    // The lines of the last wrapping as the texts they cover.
    std::vector<std::string> Texts(const std::string& text) const {
        std::vector<std::string> out;
        for (const T_textLine& l : area.Lines()) out.push_back(text.substr(size_t(l.Start), size_t(l.Count)));
        return out;
    }
    TSize Wrap(const std::string& text, int alignment, int width, int height = 10000) {
        return area.PrepareText(c, text, alignment, TSize{width, height});
    }
    using V = std::vector<std::string>;
    std::unique_ptr<TBitmap> bmp;
    TCanvas* c = nullptr;
    TGIS_LabelsArea area{nullptr};
};

TEST_F(GisLabelsAreaText, WrapsAtBlanksForWrappingAlignments) {
    const std::string t = "aaa bbb ccc";
    for (int align : {1, 2, 3}) {
        const TSize s = Wrap(t, align, c->TextWidth("aaa bbb"));
        EXPECT_EQ(Texts(t), (V{"aaa bbb", "ccc"})) << align;
        EXPECT_EQ(s.cx, c->TextWidth("aaa bbb"));
        EXPECT_EQ(s.cy, 2 * c->TextHeight("a"));
        EXPECT_EQ(area.Lines()[1].Width, c->TextWidth("ccc"));
    }
    // A text that fits is one line of its own width.
    EXPECT_EQ(Wrap(t, 1, 1000).cx, c->TextWidth(t));
    EXPECT_EQ(Texts(t), V{t});
}

TEST_F(GisLabelsAreaText, OneLineAlignmentsNeverBreakAtBlanks) {
    const std::string t = "aaa bbb ccc";
    for (int align : {0, 4}) {
        Wrap(t, align, c->TextWidth("aaa bbb"));
        ASSERT_EQ(area.Lines().size(), 1u) << align;
        EXPECT_EQ(Texts(t)[0].substr(0, 7), "aaa bbb");
        // A line break ends the one line too; nothing follows it.
        Wrap("ab\ncd", align, 1000);
        EXPECT_EQ(Texts("ab\ncd"), V{"ab"});
    }
}

TEST_F(GisLabelsAreaText, LineBreaksSplitEvenWhenTheTextFits) {
    EXPECT_EQ((Wrap("ab\ncd", 1, 1000), Texts("ab\ncd")), (V{"ab", "cd"}));
    // CR LF is one break, and a blank line or a break at the start gives an empty line: nothing is lost.
    EXPECT_EQ((Wrap("ab\r\ncd", 1, 1000), Texts("ab\r\ncd")), (V{"ab", "cd"}));
    EXPECT_EQ((Wrap("ab\n\ncd", 1, 1000), Texts("ab\n\ncd")), (V{"ab", "", "cd"}));
    EXPECT_EQ((Wrap("\r\nab", 1, 1000), Texts("\r\nab")), (V{"", "ab"}));
    EXPECT_EQ(Wrap("ab\n\ncd", 1, 1000).cy, 3 * area.LineHeight());
}

TEST_F(GisLabelsAreaText, AWordEndingRightAtTheWidthKeepsTheRest) {
    for (const std::string t : {"aa bb cc", "aa\nbb cc"}) {
        Wrap(t, 1, c->TextWidth("aa"));
        EXPECT_EQ(Texts(t), (V{"aa", "bb", "cc"})) << t;
    }
}

TEST_F(GisLabelsAreaText, HeightLimitAndLongWords) {
    const int h = c->TextHeight("a");
    Wrap("aa bb cc dd", 1, c->TextWidth("aa"), 2 * h + h / 2);
    EXPECT_EQ(Texts("aa bb cc dd"), (V{"aa", "bb"}));
    // Not even the first line fits: nothing to draw.
    EXPECT_EQ(Wrap("aa", 1, 1000, h - 1).cx, 0);
    EXPECT_EQ(Wrap("aa", 1, 1000, h - 1).cy, 0);
    EXPECT_TRUE(area.Lines().empty());
    // The rest of a word wider than the box is dropped.
    Wrap("abcdefgh", 1, c->TextWidth("abc"));
    EXPECT_EQ(Texts("abcdefgh"), V{"abc"});
    // A zero width takes no line.
    EXPECT_EQ(Wrap("abc", 1, 0).cx, 0);
    EXPECT_TRUE(area.Lines().empty());
}

TEST_F(GisLabelsAreaText, ALineEndsAtTwoHundredMeasuredBytes) {
    const std::string t(250, 'i');
    Wrap(t, 1, c->TextWidth(std::string(240, 'i')));
    ASSERT_EQ(area.Lines().size(), 2u);
    EXPECT_EQ(area.Lines()[0].Count, 200);
    EXPECT_EQ(area.Lines()[1].Start, 200);
    EXPECT_EQ(area.Lines()[1].Count, 50);
}

TEST_F(GisLabelsAreaText, DoubleByteCharactersAreNeverCut) {
    const std::string t = "中国地图";  // GBK: two bytes each
    ASSERT_EQ(t.size(), 8u);
    const int one = c->TextWidth(t.substr(0, 2));
    Wrap(t, 1, one + one / 2);
    EXPECT_EQ(Texts(t), V{t.substr(0, 2)});
    Wrap(t + " " + t, 1, c->TextWidth(t) + one / 2);
    EXPECT_EQ(Texts(t + " " + t), (V{t, t}));
    for (const T_textLine& l : area.Lines()) EXPECT_EQ(l.Count % 2, 0);
    // A lead byte at the very end stands alone.
    EXPECT_EQ((Wrap("ab\xB0", 1, 1000), area.Lines()[0].Count), 3);
}

TEST_F(GisLabelsAreaText, DrawTextPutsLinesBelowEachOther) {
    c->Brush()->SetColor(clWhite);
    c->FillRect(TRect(0, 0, 200, 120));
    c->Font()->SetColor(clBlack);
    const std::string t = "HH\nHH";
    Wrap(t, 1, 1000);
    const int lh = area.LineHeight();
    area.DrawText(c, t, 1, TRect(10, 10, 190, 110));
    auto inked = [&](int top, int bottom) {
        for (int y = top; y < bottom; ++y)
            for (int x = 10; x < 60; ++x)
                if (c->Pixel(x, y) != clWhite) return true;
        return false;
    };
    EXPECT_TRUE(inked(10, 10 + lh));
    EXPECT_TRUE(inked(10 + lh, 10 + 2 * lh));
    EXPECT_FALSE(inked(10 + 2 * lh, 110));
    EXPECT_EQ(c->BkMode(), OPAQUE);  // restored
    // Lines prepared for a longer text never read past a shorter one.
    area.DrawText(c, "H", 1, TRect(10, 10, 190, 110));
}

// A 400 x 300 viewer over a map of 1000 x 500.
class GisLabelsAreaBoxes : public ::testing::Test {
protected:
    void SetUp() override {
        UiTest::Init();
        view = std::make_unique<TGIS_Viewer>(nullptr);
        view->SetBounds(0, 0, 400, 300);
        view->Add(new TTestLayer("map", GisMakeExtent(0, 0, 1000, 500)));
        view->FullExtent();
    }
    std::unique_ptr<TGIS_Viewer> view;
};

TEST_F(GisLabelsAreaBoxes, AllocateRectRules) {
    TGIS_Viewer& v = *view;
    v.SetFullPaint(false);
    TGIS_LabelsArea& a = *v.LabelsArea();
    const double px = 1 / v.Zoom();
    const TGIS_Extent r{100, 100, 200, 150};
    EXPECT_TRUE(a.AllocateRect(r));
    // The same label again, within half a pixel: accepted, not stored twice.
    EXPECT_TRUE(a.AllocateRect({100 + 0.4 * px, 100 - 0.4 * px, 200, 150 + 0.5 * px}));
    EXPECT_EQ(a.BoxCount(), 1);
    EXPECT_FALSE(a.AllocateRect({100 + 0.6 * px, 100, 200, 150}));
    // Touching at an edge or a corner is overlapping.
    EXPECT_FALSE(a.AllocateRect({200, 150, 300, 200}));
    EXPECT_FALSE(a.AllocateRect({0, 0, 100, 100}));
    EXPECT_TRUE(a.AllocateRect({201, 100, 300, 150}));
    EXPECT_EQ(a.BoxCount(), 2);
    // A rotated label takes the box around its corners.
    EXPECT_FALSE(a.AllocateBox({350, 120}, {310, 160}, {270, 120}, {310, 80}));
    EXPECT_TRUE(a.AllocateBox({450, 120}, {410, 160}, {370, 120}, {410, 80}));
    EXPECT_FALSE(a.AllocateRect({371, 79, 372, 80}));
    a.Reset();
    EXPECT_EQ(a.BoxCount(), 0);
    EXPECT_TRUE(a.AllocateRect({0, 0, 100, 100}));

    // With full painting, a label reaching out of the view is refused, unless drawn directly.
    const TGIS_Extent view = v.GetVisibleExtent();
    const TGIS_Extent out{view.XMax - 10, 300, view.XMax + 10, 310};
    v.SetFullPaint(true);
    EXPECT_FALSE(a.AllocateRect(out));
    EXPECT_EQ(a.BoxCount(), 1);
    v.DirectDraw = true;
    EXPECT_TRUE(a.AllocateRect(out));
    v.DirectDraw = false;
}

// Runs of neighbouring labels among many reserved ones, tiny, inverted, endless and not numbers, at two zooms: the
// early answers are those of a walk over every reserved rectangle.
TEST_F(GisLabelsAreaBoxes, EarlyAnswersMatchAWalkOverAllRectangles) {
    TGIS_Viewer& v = *view;
    v.SetFullPaint(false);
    TGIS_LabelsArea& a = *v.LabelsArea();
    std::vector<TGIS_Extent> taken;
    auto may = [&](const TGIS_Extent& r) {
        const double tol = 0.5 / v.Zoom();
        bool overlaps = false;
        for (const TGIS_Extent& b : taken) {
            if (b.XMin <= r.XMin + tol && b.XMax >= r.XMax - tol && b.YMin <= r.YMin + tol && b.YMax >= r.YMax - tol)
                return true;
            overlaps = overlaps || GisExtentsOverlap(b, r);
        }
        return !overlaps;
    };
    uint32_t seed = 3;
    auto next = [&seed](double span) {
        seed = seed * 1103515245u + 12345u;
        return double((seed >> 8) % 100000) / 100000 * span;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    for (double zoom : {v.Zoom(), v.Zoom() * 50}) {
        v.SetZoom(zoom);
        a.Reset();
        taken.clear();
        const double px = 1 / v.Zoom();
        int refused = 0, held = 0;
        double x = 0, y = 0;
        for (int i = 0; i < 8000; ++i) {
            // A new run now and then, else a step of a few pixels from the last label.
            if (i % 40 == 0) {
                x = next(1000);
                y = next(500);
            } else {
                x += (next(6) - 3) * px;
                y += (next(6) - 3) * px;
            }
            const double w = (i % 11 == 0 ? next(1.2) : 20 + next(80)) * px, h = (5 + next(30)) * px;
            TGIS_Extent r{x, y, x + w, y + h};
            if (i % 17 == 0) std::swap(r.YMin, r.YMax);
            if (i % 89 == 0) r.YMax = i % 2 ? nan : inf;
            // The same label again, within a fraction of a pixel.
            if (i % 9 == 0 && !taken.empty()) {
                r = taken[size_t(next(double(taken.size()) - 0.5))];
                r.XMin += (next(0.8) - 0.4) * px;
                r.YMax -= next(0.4) * px;
            }
            const bool expected = may(r);
            refused += !expected;
            EXPECT_EQ(a.MayAllocateAround(r), expected) << i;
            if (i % 3 == 0 && a.AllocateRect(r)) {
                if (a.BoxCount() > int(taken.size())) taken.push_back(r);
                held += expected;
            }
        }
        EXPECT_EQ(a.BoxCount(), int(taken.size()));
        EXPECT_GT(held, 30);
        EXPECT_GT(refused, 2000);
    }
}

// A label pass reads the view's bounds once: a view that moves meanwhile is seen at the pass's end.
TEST_F(GisLabelsAreaBoxes, APassKeepsTheBoundsItBeganWith) {
    TGIS_Viewer& v = *view;
    v.SetFullPaint(true);
    TGIS_LabelsArea& a = *v.LabelsArea();
    const TGIS_Extent view = v.GetVisibleExtent();
    const TGIS_Extent out{view.XMax - 10, 200, view.XMax + 10, 210};
    ASSERT_FALSE(a.MayAllocateAround(out));
    ASSERT_TRUE(a.BeginPass());
    EXPECT_FALSE(a.BeginPass());  // one pass at a time
    v.SetFullPaint(false);
    EXPECT_FALSE(a.MayAllocateAround(out));
    a.EndPass();
    EXPECT_TRUE(a.MayAllocateAround(out));
    // The pass's bounds are the view's when it began, not those of an earlier pass.
    ASSERT_TRUE(a.BeginPass());
    EXPECT_TRUE(a.MayAllocateAround(out));
    a.EndPass();
    v.SetFullPaint(true);
    EXPECT_FALSE(a.MayAllocateAround(out));
}

// The early answer may refuse only what AllocateRect would refuse for every rectangle holding the one asked about.
TEST_F(GisLabelsAreaBoxes, MayAllocateAroundNeverRefusesWhatAllocateRectTakes) {
    TGIS_Viewer& v = *view;
    v.SetFullPaint(true);
    TGIS_LabelsArea& a = *v.LabelsArea();
    const double px = 1 / v.Zoom();
    const TGIS_Extent view = v.GetVisibleExtent();
    auto reserve = [&] {
        a.Reset();
        ASSERT_TRUE(a.AllocateRect({100, 100, 200, 150}));
        ASSERT_TRUE(a.AllocateRect({300, 300, 420, 330}));
    };
    reserve();
    // Free space, a taken place, the same label drawn again from a smaller box, and a box out of the view.
    EXPECT_TRUE(a.MayAllocateAround({600, 100, 700, 150}));
    EXPECT_FALSE(a.MayAllocateAround({180, 120, 260, 130}));
    EXPECT_TRUE(a.MayAllocateAround({120 - 0.4 * px, 110, 180, 140 + 0.4 * px}));
    EXPECT_FALSE(a.MayAllocateAround({view.XMax - 10, 400, view.XMax + 10, 410}));
    EXPECT_EQ(a.BoxCount(), 2);

    uint32_t seed = 7;
    auto next = [&seed](double span) {
        seed = seed * 1103515245u + 12345u;
        return double((seed >> 8) % 10000) / 10000 * span;
    };
    int accepted = 0;
    for (int i = 0; i < 4000; ++i) {
        const double x = next(1000), y = next(500), w = next(150), h = next(60);
        const TGIS_Extent r{x, y, x + w, y + h};
        // Growing pixel by pixel, now and then to a reserved box within a fraction of a pixel.
        TGIS_Extent big{r.XMin - next(3) * px, r.YMin - next(3) * px, r.XMax + next(3) * px, r.YMax + next(3) * px};
        if (i % 5 == 0) big = i % 10 == 0 ? TGIS_Extent{100 + 0.3 * px, 100, 200, 150 - 0.2 * px}
                                          : TGIS_Extent{300, 300 - 0.4 * px, 420, 330};
        if (!GisExtentInside(r, big)) continue;
        reserve();
        const bool may = a.MayAllocateAround(r);
        const bool taken = a.AllocateRect(big);
        accepted += taken;
        EXPECT_TRUE(may || !taken) << i;
    }
    EXPECT_GT(accepted, 100);
}

}  // namespace
