#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Themes.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtCommon.h"

namespace {

constexpr TColor kGrey = RGB(128, 128, 128), kSilver = RGB(192, 192, 192), kWhite = RGB(255, 255, 255),
                 kBlack = RGB(0, 0, 0);

// An off-screen surface filled with a colour no painter uses, so that untouched pixels show.
struct Surface {
    TBitmap bmp;
    explicit Surface(int w, int h, TColor fill = clRed) : bmp(w, h, pf32bit) {
        bmp.Canvas()->Brush()->SetStyle(bsSolid);
        bmp.Canvas()->Brush()->SetColor(fill);
        bmp.Canvas()->FillRect(TRect(0, 0, w, h));
    }
    TCanvas* c() { return bmp.Canvas(); }
    TColor at(int x, int y) { return bmp.Canvas()->Pixel(x, y); }
    int Count(const TRect& r, TColor color) {
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) n += at(x, y) == color;
        return n;
    }
};

struct Px {
    int x, y;
    TColor color;
};

void ExpectPixels(Surface& s, std::initializer_list<Px> pixels) {
    for (const Px& p : pixels) EXPECT_EQ(s.at(p.x, p.y), p.color) << p.x << "," << p.y;
}

}  // namespace

// ---- colour arithmetic against hand computations ----

TEST(VtColors, HlsOfGreysAndTheDarkerAndLighterGrey) {
    BYTE h, s, l;
    ColorToHLS(clBtnFace, h, s, l);  // 192/255 of 240 = 180.7
    EXPECT_EQ(h, 0);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(l, 181);
    // Lightness 131 of 240 gives 139.2 of 255.
    EXPECT_EQ(DarkerColor(clBtnFace, 50), RGB(139, 139, 139));
    // 120 - 50 = 70 of 240: 74.4.
    EXPECT_EQ(DarkerColor(kGrey, 50), RGB(74, 74, 74));
    // Lightness past 240 saturates at white.
    EXPECT_EQ(LighterColor(clBtnFace, 100), kWhite);
    EXPECT_EQ(DarkerColor(kGrey, 255), kBlack);
}

TEST(VtColors, ComplementaryHotColourOfTheHighlight) {
    // Navy: lightness 60, saturation 240, hue 4/6 of 240.
    BYTE h, s, l;
    ColorToHLS(clHighlight, h, s, l);
    EXPECT_EQ(h, 160);
    EXPECT_EQ(s, 240);
    EXPECT_EQ(l, 60);
    // Hue turned by 120 and built at saturation 220, lightness 180 (m2 = 0.979, m1 = 0.521, sextant 1).
    EXPECT_EQ(HLSToColor(BYTE(GetHue(clHighlight) - 120), 220, 180), RGB(249, 250, 133));
}

TEST(VtColors, RoundTripScalesHueBy240And239) {
    BYTE h, s, l;
    ColorToHLS(clLime, h, s, l);
    EXPECT_EQ(h, 80);
    EXPECT_EQ(s, 240);
    EXPECT_EQ(l, 120);
    // 80/239 lies just past the sextant boundary: blue creeps in.
    EXPECT_EQ(HLSToColor(h, s, l), RGB(0, 255, 2));
    EXPECT_EQ(HLSToColor(0, 240, 120), clRed);
    EXPECT_EQ(HLSToColor(0, 0, 0), kBlack);
}

TEST(VtColors, ChannelsBelowZeroAreClampedNotWrapped) {
    // Saturation 255 at lightness 60: m1 = -0.016, which once packed as -4 gave a pale cyan channel.
    EXPECT_EQ(HLSToColor(0, 255, 60), RGB(131, 0, 0));
    for (int sat = 241; sat <= 255; ++sat)
        for (int light = 1; light < 120; light += 7) {
            TColor c = HLSToColor(160, BYTE(sat), BYTE(light));
            EXPECT_LE(GetRValue(c), GetBValue(c)) << sat << " " << light;
        }
}

TEST(VtColors, AdjustBlendSimilarAndCentre) {
    EXPECT_EQ(AdjustColor(clBtnFace, 0), clBtnFace);  // no round trip: the system colour stays
    EXPECT_EQ(AdjustColor(RGB(10, 200, 30), 0), RGB(10, 200, 30));
    EXPECT_EQ(AdjustColor(clBtnFace, -50), DarkerColor(clBtnFace, 50));
    EXPECT_EQ(AdjustColor(clBtnFace, -306), DarkerColor(clBtnFace, 50));  // low byte of 306
    EXPECT_EQ(AdjustColor(clBtnFace, 40), LighterColor(clBtnFace, 40));
    EXPECT_EQ(AdjustColor(clBtnFace, INT_MIN), DarkerColor(clBtnFace, 0));

    EXPECT_EQ(BlendColors(clWhite, clBlack, 255), kWhite);
    EXPECT_EQ(BlendColors(clWhite, clBlack, 0), kBlack);
    EXPECT_EQ(BlendColors(clWhite, clBlack, 128), RGB(128, 128, 128));
    EXPECT_EQ(BlendColors(clBtnFace, clBlack, 51), RGB(38, 38, 38));  // 192 * 0.2 = 38.4

    EXPECT_TRUE(ColorsAreSimilar(clBtnFace, clWindow));   // lightness 181 and 240
    EXPECT_FALSE(ColorsAreSimilar(clBtnShadow, clWindow));  // 120 and 240
    EXPECT_FALSE(ColorsAreSimilar(clRed, clBlue));
    EXPECT_TRUE(IsHighColorDisplay());

    EXPECT_EQ(CenterRect(TRect(0, 0, 11, 20), 4, 6), TRect(3, 7, 7, 13));
}

// ---- border painters ----

TEST(VtBorders, SidesSkipNoneColoursButStillInset) {
    Surface s(10, 10);
    EXPECT_EQ(DrawSides(s.c(), TRect(0, 0, 10, 10), clNone, clBlue, sdAllSides), TRect(1, 1, 9, 9));
    ExpectPixels(s, {{0, 5, clRed}, {5, 0, clRed}, {9, 5, clBlue}, {5, 9, clBlue}, {9, 0, clBlue}});
    Surface t(10, 10);
    EXPECT_EQ(DrawSides(t.c(), TRect(0, 0, 10, 10), clNone, clNone, 1 | 8), TRect(1, 0, 10, 9));
    EXPECT_EQ(t.Count(TRect(0, 0, 10, 10), clRed), 100);
    // The lower-right colour wins the two shared corners.
    Surface u(10, 10);
    DrawSides(u.c(), TRect(0, 0, 10, 10), clLime, clBlue, sdAllSides);
    ExpectPixels(u, {{0, 0, clLime}, {9, 0, clBlue}, {0, 9, clBlue}, {1, 1, clRed}});
    EXPECT_EQ(DrawBevel(u.c(), TRect(0, 0, 10, 10), clLime, clBlue, 0, sdAllSides), TRect(0, 0, 10, 10));
}

TEST(VtBorders, RingsAndCornersOfTheSystemStyles) {
    struct Case {
        TFrameStyle style;
        TColor outerUL, outerLR, innerUL, innerLR;
        int inset;
    };
    const Case cases[] = {
        {fsFlat, kBlack, kBlack, clRed, clRed, 1},
        {fsStatus, kGrey, kWhite, clRed, clRed, 1},
        {fsPopup, kWhite, kGrey, clRed, clRed, 1},
        {fsLowered, kGrey, kWhite, kBlack, kSilver, 2},
        {fsRaised, kSilver, kBlack, kWhite, kGrey, 2},
        {fsButtonUp, kWhite, kBlack, kSilver, kGrey, 2},
        {fsButtonDown, kBlack, kBlack, kGrey, kGrey, 2},
        {fsFlatBold, kGrey, kGrey, kGrey, kGrey, 2},
    };
    for (const Case& k : cases) {
        Surface s(12, 12);
        SCOPED_TRACE(int(k.style));
        EXPECT_EQ(DrawBorder(s.c(), TRect(0, 0, 12, 12), k.style), TRect(k.inset, k.inset, 12 - k.inset, 12 - k.inset));
        ExpectPixels(s, {{0, 0, k.outerUL}, {0, 6, k.outerUL}, {6, 0, k.outerUL}, {11, 0, k.outerLR},
                          {0, 11, k.outerLR}, {11, 6, k.outerLR}, {6, 11, k.outerLR}, {1, 1, k.innerUL},
                          {1, 6, k.innerUL}, {10, 6, k.innerLR}, {10, 1, k.innerLR}, {6, 6, clRed}});
    }
    Surface none(6, 6);
    EXPECT_EQ(DrawBorder(none.c(), TRect(0, 0, 6, 6), fsNone), TRect(0, 0, 6, 6));
    EXPECT_EQ(none.Count(TRect(0, 0, 6, 6), clRed), 36);
}

TEST(VtBorders, GrooveAndBumpPatchTheirCorners) {
    Surface s(10, 10);
    EXPECT_EQ(DrawBorder(s.c(), TRect(0, 0, 10, 10), fsGroove), TRect(2, 2, 8, 8));
    // Shadow ring at (0,0)-(9,9) over a highlight ring at (1,1)-(10,10); two corners patched in highlight.
    ExpectPixels(s, {{0, 0, kGrey}, {8, 0, kGrey}, {9, 0, kWhite}, {0, 9, kWhite}, {9, 9, kWhite}, {1, 1, kWhite},
                      {8, 8, kGrey}, {8, 1, kGrey}, {9, 5, kWhite}, {2, 2, clRed}});

    // The top alone: its right end in the upper-left colour, a highlight pixel below its left end.
    Surface t(10, 10);
    EXPECT_EQ(DrawBorder(t.c(), TRect(0, 0, 10, 10), fsGroove, 2), TRect(0, 2, 10, 10));
    for (int x = 0; x < 10; ++x) EXPECT_EQ(t.at(x, 0), kGrey) << x;
    for (int x = 0; x < 10; ++x) EXPECT_EQ(t.at(x, 1), kWhite) << x;
    EXPECT_EQ(t.Count(TRect(0, 2, 10, 10), clRed), 80);

    // Bump: the colours swapped.
    Surface b(10, 10);
    DrawBorder(b.c(), TRect(0, 0, 10, 10), fsBump);
    ExpectPixels(b, {{0, 0, kWhite}, {9, 0, kGrey}, {1, 1, kGrey}, {8, 8, kWhite}});
}

TEST(VtBorders, ColourBordersDeriveFromTheBase) {
    const TColor base = RGB(60, 120, 200);
    const TColor d50 = DarkerColor(base, 50), d100 = DarkerColor(base, 100), l50 = LighterColor(base, 50),
                 l100 = LighterColor(base, 100);
    Surface s(10, 10);
    EXPECT_EQ(DrawColorBorder(s.c(), TRect(0, 0, 10, 10), base, fsLowered), TRect(2, 2, 8, 8));
    ExpectPixels(s, {{0, 5, d50}, {9, 5, l100}, {1, 5, d100}, {8, 5, l50}});
    Surface g(10, 10);
    DrawColorBorder(g.c(), TRect(0, 0, 10, 10), base, fsGroove);
    EXPECT_EQ(g.at(0, 0), d50);
    EXPECT_EQ(g.at(1, 1), l100);
    Surface u(10, 10);
    DrawColorBorder(u.c(), TRect(0, 0, 10, 10), base, fsButtonUp);
    ExpectPixels(u, {{0, 5, l100}, {9, 5, d100}, {1, 5, LighterColor(base, 40)}, {8, 5, d50}});
}

TEST(VtBorders, RoundedFlatBorderAndFocusDots) {
    Surface s(10, 10);
    EXPECT_EQ(DrawRoundedFlatBorder(s.c(), TRect(0, 0, 10, 10), clBlue, sdAllSides), TRect(2, 2, 8, 8));
    for (TPoint p : {TPoint(0, 0), TPoint(0, 1), TPoint(1, 0), TPoint(9, 9), TPoint(8, 9), TPoint(9, 8),
                     TPoint(0, 8), TPoint(9, 0)})
        EXPECT_EQ(s.at(p.X, p.Y), clRed) << p.X << "," << p.Y;
    for (TPoint p : {TPoint(1, 1), TPoint(8, 1), TPoint(8, 8), TPoint(1, 8), TPoint(0, 2), TPoint(0, 7),
                     TPoint(2, 0), TPoint(7, 9), TPoint(9, 7)})
        EXPECT_EQ(s.at(p.X, p.Y), clBlue) << p.X << "," << p.Y;
    EXPECT_EQ(s.at(2, 2), clRed);
    // Without the top side the left line reaches the top row and no corner pixel is set there.
    Surface t(10, 10);
    EXPECT_EQ(DrawRoundedFlatBorder(t.c(), TRect(0, 0, 10, 10), clBlue, 1 | 8), TRect(2, 0, 10, 8));
    ExpectPixels(t, {{0, 0, clBlue}, {1, 1, clRed}, {1, 8, clBlue}, {9, 9, clBlue}});

    Surface f(9, 7, clWhite);
    EXPECT_EQ(DrawFocusBorder(f.c(), TRect(0, 0, 9, 7)), TRect(1, 1, 8, 6));
    ExpectPixels(f, {{0, 0, kWhite}, {1, 0, kBlack}, {2, 0, kWhite}, {0, 1, kBlack}, {0, 2, kWhite}, {8, 5, kBlack},
                      {7, 6, kBlack}});
    EXPECT_EQ(f.Count(TRect(0, 0, 9, 7), kBlack), 4 + 4 + 3 + 3);
}

TEST(VtBorders, FrameChainsItsLevels) {
    Surface s(20, 20);
    TFrameParams p;
    p.outer = fsLowered;
    p.borderWidth = 2;
    p.borderColor = clYellow;
    p.inner = fsFlat;
    p.flatColor = clBlue;
    EXPECT_EQ(DrawFrame(s.c(), TRect(0, 0, 20, 20), p), TRect(5, 5, 15, 15));
    ExpectPixels(s, {{0, 10, kGrey}, {1, 10, kBlack}, {2, 10, clYellow}, {3, 10, clYellow}, {4, 10, clBlue},
                      {15, 10, clBlue}, {5, 10, clRed}});
    // A flat colour adjustment darkens the flat lines.
    p.flatColor = kSilver;
    p.flatColorAdjustment = -50;
    DrawFrame(s.c(), TRect(0, 0, 20, 20), p);
    EXPECT_EQ(s.at(4, 10), RGB(139, 139, 139));

    // Whole inner lines leave the corner pixels alone, on every side.
    Surface w(12, 12);
    TFrameParams q;
    q.inner = fsFlat;
    q.flatColor = clBlue;
    q.fullLine = true;
    q.sides = 1;
    EXPECT_EQ(DrawFrame(w.c(), TRect(0, 0, 12, 12), q), TRect(1, 1, 11, 11));
    ExpectPixels(w, {{0, 0, clRed}, {11, 11, clRed}, {0, 1, clBlue}, {11, 10, clBlue}, {10, 11, clBlue}});

    // Popup and status use the bevel width and the border highlight and shadow.
    Surface b(12, 12);
    TFrameParams r;
    r.outer = fsPopup;
    r.bevelWidth = 2;
    r.borderHighlight = clLime;
    r.borderShadow = clNavy;
    EXPECT_EQ(DrawFrame(b.c(), TRect(0, 0, 12, 12), r), TRect(2, 2, 10, 10));
    EXPECT_EQ(b.at(1, 5), clLime);
    EXPECT_EQ(b.at(10, 5), clNavy);
}

TEST(VtBorders, RoundedFrameFillsItsCornersBeneath) {
    TFrameParams p;
    p.outer = fsFlatRounded;
    p.flatColor = clBlue;
    p.parentColor = clLime;
    p.controlColor = clYellow;
    p.borderColor = clFuchsia;
    Surface s(20, 20);
    EXPECT_EQ(DrawFrame(s.c(), TRect(0, 0, 20, 20), p), TRect(2, 2, 18, 18));
    ExpectPixels(s, {{0, 0, clLime}, {1, 0, clLime}, {0, 10, clBlue}, {1, 1, clBlue}, {1, 2, clYellow}});
    p.borderWidth = 1;
    Surface b(20, 20);
    EXPECT_EQ(DrawFrame(b.c(), TRect(0, 0, 20, 20), p), TRect(3, 3, 17, 17));
    EXPECT_EQ(b.at(1, 2), clFuchsia);
    EXPECT_EQ(b.at(2, 5), clFuchsia);
    // Transparent: the corners outside stay as they were.
    p.transparent = true;
    Surface t(20, 20);
    DrawFrame(t.c(), TRect(0, 0, 20, 20), p);
    EXPECT_EQ(t.at(0, 0), clRed);
    EXPECT_EQ(t.at(1, 2), clFuchsia);
}

TEST(VtBorders, ControlFramePaintsTheRingsThenTheStyle) {
    Surface s(10, 10);
    EXPECT_EQ(DrawControlFrame(s.c(), 10, 10, fsFlat, clWindow, clBlue, sdAllSides, false), TRect(1, 1, 9, 9));
    EXPECT_EQ(s.at(0, 5), clBlue);
    EXPECT_EQ(s.at(1, 5), kWhite);
    EXPECT_EQ(s.at(2, 5), clRed);
    Surface k(10, 10);
    DrawControlFrame(k.c(), 10, 10, fsFlatBold, clWindow, clBlue, sdAllSides, true);
    EXPECT_EQ(k.at(1, 5), clBlue);
    EXPECT_EQ(k.at(2, 5), clRed);
    Surface l(10, 10);
    EXPECT_EQ(DrawControlFrame(l.c(), 10, 10, fsLowered, clWindow, clBlue, sdAllSides, false), TRect(2, 2, 8, 8));
    EXPECT_EQ(l.at(0, 5), kGrey);
    Surface c(10, 10);
    DrawControlFrame(c.c(), 10, 10, fsLowered, clYellow, clBlue, sdAllSides, false);
    EXPECT_EQ(c.at(0, 5), DarkerColor(clYellow, 50));
    EXPECT_EQ(c.at(8, 5), LighterColor(clYellow, 50));
}

// ---- progress bodies ----

TEST(VtBars, LedSegmentsFollowTheLength) {
    // 80 pixels with 20 segments: 10 segments of 8.
    Surface s(90, 10);
    DrawLEDBar(s.c(), TRect(0, 0, 80, 10), orHorizontal, clBlue, clWhite, 20, 50, false);
    // Segment 5 lit, segment 6 dark, outlines in the background colour, nothing past the body.
    ExpectPixels(s, {{0, 0, kWhite}, {4, 5, clBlue}, {8 * 4 + 4, 5, clBlue}, {8 * 5 + 4, 5, kWhite}, {8, 5, kWhite},
                      {85, 5, clRed}});
    // 81 pixels: 20 segments of 4, the odd pixel a margin strip at the end.
    Surface t(90, 10);
    DrawLEDBar(t.c(), TRect(0, 0, 81, 10), orHorizontal, clBlue, clWhite, 20, 50, false);
    ExpectPixels(t, {{1, 5, clBlue}, {4, 5, kWhite}, {5, 5, clBlue}, {4 * 9 + 1, 5, clBlue},
                      {4 * 10 + 1, 5, kWhite}, {80, 5, kWhite}, {81, 5, clRed}});
}

TEST(VtBars, LedBarVerticalCountsFromTheBottom) {
    Surface s(10, 80);
    DrawLEDBar(s.c(), TRect(0, 0, 10, 80), orVertical, clBlue, clWhite, 10, 30, false);
    ExpectPixels(s, {{5, 76, clBlue}, {5, 60, clBlue}, {5, 52, kWhite}, {5, 4, kWhite}});
}

TEST(VtBars, LedBarNeverRunsPastItsBody) {
    // Percent may be any 16-bit value and the segment count is public.
    Surface s(100, 10);
    DrawLEDBar(s.c(), TRect(10, 0, 50, 10), orHorizontal, clBlue, clWhite, 4, 65535, false);
    EXPECT_EQ(s.Count(TRect(0, 0, 10, 10), clRed), 100);
    EXPECT_EQ(s.Count(TRect(50, 0, 100, 10), clRed), 500);
    EXPECT_EQ(s.at(15, 5), clBlue);
    EXPECT_EQ(s.at(45, 5), clBlue);
    Surface z(50, 10);
    DrawLEDBar(z.c(), TRect(0, 0, 40, 10), orHorizontal, clBlue, clWhite, 0, 100, false);
    EXPECT_EQ(z.at(20, 5), clBlue);
    DrawLEDBar(z.c(), TRect(0, 0, 40, 10), orHorizontal, clBlue, clWhite, -3, -50, false);
    EXPECT_EQ(z.at(20, 5), kWhite);
    Surface e(10, 10);
    DrawLEDBar(e.c(), TRect(0, 0, 0, 10), orHorizontal, clBlue, clWhite, 10, 50, false);  // no length at all
}

TEST(VtBars, TraditionalBarInvertsItsText) {
    const TRect r(0, 0, 100, 20);
    auto draw = [&](uint16_t percent) {
        auto s = std::make_unique<Surface>(100, 20);
        s->c()->Font()->SetHeight(-12);
        DrawTraditionalBar(s->c(), r, orHorizontal, clBlue, clWhite, percent, true);
        return s;
    };
    auto zero = draw(0);
    EXPECT_EQ(zero->Count(r, clRed), 0);
    EXPECT_EQ(zero->at(2, 2), kWhite);
    EXPECT_GT(zero->Count(r, clBlue), 0);  // "0%" in the bar colour

    auto half = draw(50);
    ExpectPixels(*half, {{2, 2, clBlue}, {49, 1, clBlue}, {50, 1, kWhite}, {97, 18, kWhite}});
    // The text straddles the edge: the back colour on the bar, the bar colour on the back.
    EXPECT_GT(half->Count(TRect(0, 0, 50, 20), kWhite), 0);
    EXPECT_GT(half->Count(TRect(50, 0, 100, 20), clBlue), 0);

    auto full = draw(100);
    EXPECT_EQ(full->at(97, 18), clBlue);
    EXPECT_GT(full->Count(r, kWhite), 0);
    // Drawn once, in the back colour over the bar: as the text drawn by hand on a filled bar.
    Surface hand(100, 20);
    hand.c()->Font()->SetHeight(-12);
    hand.c()->Font()->SetColor(clWhite);
    hand.c()->Brush()->SetColor(clBlue);
    hand.c()->SetTextAlign(TA_CENTER);
    hand.c()->TextRect(r, 50, (20 - hand.c()->TextHeight("X")) / 2, "100%");
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 100; ++x) ASSERT_EQ(full->at(x, y), hand.at(x, y)) << x << "," << y;

    Surface quiet(100, 20);
    DrawTraditionalBar(quiet.c(), r, orHorizontal, clBlue, clWhite, 50, false);
    EXPECT_EQ(quiet.Count(TRect(0, 0, 50, 20), clBlue), 1000);
    EXPECT_EQ(quiet.Count(TRect(50, 0, 100, 20), kWhite), 1000);

    Surface v(20, 100);
    DrawTraditionalBar(v.c(), TRect(0, 0, 20, 100), orVertical, clBlue, clWhite, 25, false);
    EXPECT_EQ(v.at(10, 74), kWhite);
    EXPECT_EQ(v.at(10, 75), clBlue);
}

TEST(VtBars, ThemedChunkStaysInsideTheBody) {
    UiTest::Init();
    ThemeServices()->SetThemesEnabled(true);
    Surface s(80, 30);
    DrawLEDBar(s.c(), TRect(10, 5, 60, 25), orHorizontal, clBlue, clWhite, 10, 65535, true);
    Surface v(30, 80);
    DrawLEDBar(v.c(), TRect(5, 10, 25, 70), orVertical, clBlue, clWhite, 10, 50, true);
    Surface e(30, 30);
    DrawLEDBar(e.c(), TRect(5, 5, 25, 7), orVertical, clBlue, clWhite, 10, 50, true);  // no inner height
    Surface a(16, 16, clWhite);
    DrawDropDownArrow(a.c(), TRect(0, 0, 16, 16), 1, false, true);
    ThemeServices()->SetThemesEnabled(false);
    EXPECT_EQ(s.Count(TRect(0, 0, 80, 5), clRed) + s.Count(TRect(0, 25, 80, 30), clRed), 2 * 80 * 5);
    EXPECT_EQ(s.Count(TRect(0, 5, 10, 25), clRed) + s.Count(TRect(60, 5, 80, 25), clRed), 10 * 20 + 20 * 20);
    EXPECT_EQ(v.Count(TRect(0, 0, 30, 10), clRed) + v.Count(TRect(0, 70, 30, 80), clRed), 2 * 30 * 10);
    // Filled from the bottom: the lower half of the body differs from the upper half.
    int differ = 0;
    for (int y = 11; y < 40; ++y) differ += v.at(15, y) != v.at(15, y + 29);
    EXPECT_GT(differ, 10);
    EXPECT_LT(a.Count(TRect(0, 0, 16, 16), clWhite), 256);  // the chevron is drawn
}

// ---- glyphs ----

TEST(VtGlyphs, DropDownArrowSitsBelowTheCentre) {
    Surface s(16, 16, clWhite);
    DrawDropDownArrow(s.c(), TRect(0, 0, 16, 16), 0, false, true);
    // Centre (8, 7), down 2: the triangle (8, 9), (5, 5), (12, 5).
    ExpectPixels(s, {{8, 7, kBlack}, {8, 6, kBlack}, {8, 11, kWhite}, {8, 3, kWhite}, {3, 5, kWhite}});
    Surface d(16, 16, clWhite);
    DrawDropDownArrow(d.c(), TRect(0, 0, 16, 16), 0, true, false);
    EXPECT_EQ(d.at(9, 7), kGrey);  // disabled: shadow colour, pressed: one pixel down and right
    EXPECT_EQ(d.Count(TRect(0, 0, 16, 16), kBlack), 0);
}

TEST(VtGlyphs, ArrowsPointTheirWay) {
    auto draw = [](TArrowDirection dir) {
        auto s = std::make_unique<Surface>(16, 16, clWhite);
        s->c()->Brush()->SetColor(clLime);
        s->c()->Pen()->SetStyle(psDot);
        DrawArrow(s->c(), TRect(0, 0, 16, 16), 0, dir, false, true);
        // Pen style and brush colour restored.
        EXPECT_EQ(s->c()->Brush()->Color(), clLime);
        EXPECT_EQ(s->c()->Pen()->Style(), psDot);
        return s;
    };
    auto up = draw(adUp);  // centre (8, 9): apex (8, 4), base y = 9
    EXPECT_EQ(up->at(8, 6), kBlack);
    EXPECT_EQ(up->at(8, 2), kWhite);
    EXPECT_EQ(up->at(8, 11), kWhite);
    auto down = draw(adDown);  // (8, 10), (5, 6), (12, 6)
    EXPECT_EQ(down->at(8, 8), kBlack);
    EXPECT_EQ(down->at(8, 4), kWhite);
    auto left = draw(adLeft);  // centre (6, 7): apex (6, 7), base x = 10
    EXPECT_EQ(left->at(8, 7), kBlack);
    EXPECT_EQ(left->at(4, 7), kWhite);
    EXPECT_EQ(left->at(12, 7), kWhite);
    auto right = draw(adRight);  // apex (10, 7), base x = 6
    EXPECT_EQ(right->at(8, 7), kBlack);
    EXPECT_EQ(right->at(4, 7), kWhite);
    EXPECT_EQ(right->at(12, 7), kWhite);
}

TEST(VtBorders, GalleryForTheEye) {
    // Every style and both progress bodies side by side, for a person to look at.
    Surface s(12 * 26 + 2, 80, clBtnFace);
    for (int st = fsNone; st <= fsFlatBold; ++st) {
        DrawBorder(s.c(), TRect(2 + st * 26, 2, 26 + st * 26, 26), TFrameStyle(st));
        DrawColorBorder(s.c(), TRect(2 + st * 26, 28, 26 + st * 26, 52), RGB(60, 120, 200), TFrameStyle(st));
    }
    DrawLEDBar(s.c(), TRect(2, 56, 150, 76), orHorizontal, clNavy, clWhite, 20, 60, false);
    DrawTraditionalBar(s.c(), TRect(160, 56, 300, 76), orHorizontal, clNavy, clWhite, 60, true);
    s.bmp.SaveToPNG(std::string(QM_TEST_OUT) + "/vt-borders.png");
    EXPECT_EQ(s.at(0, 0), ColorToRGB(clBtnFace));
}
