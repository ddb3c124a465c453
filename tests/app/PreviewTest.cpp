// The preview window: loading the sheet layer, what is drawn, the tools, identify, find, and clearing the layers.
#include "tests/app/PreviewFixture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <vector>

#include <unistd.h>

#include "app/unTFInformation.h"
#include "gis/layers/GisEditor.h"
#include "platform/rtl/FileIO.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Dialogs.h"
#include "widgets/VtEdit.h"

namespace {

// The four corners of a sheet in map units, north-west, north-east, south-east, south-west.
struct Quad {
    TGIS_Point c[4];
};

Quad GeographicQuad(const TStandardTessarol& t) {
    const double w = DmsToDegree(t.West), s = DmsToDegree(t.South), e = DmsToDegree(t.East),
                 n = DmsToDegree(t.North);
    return {{{w, n}, {e, n}, {e, s}, {w, s}}};
}
Quad PlaneQuad(const TStandardTessarol& t) {
    return {{{t.LT.X, t.LT.Y}, {t.RT.X, t.RT.Y}, {t.RB.X, t.RB.Y}, {t.LB.X, t.LB.Y}}};
}
Quad GridQuad(const TCustomTessarol& t) {
    return {{{t.MinX, t.MaxY}, {t.MaxX, t.MaxY}, {t.MaxX, t.MinY}, {t.MinX, t.MinY}}};
}

bool Dark(TColor c) {
    const uint32_t v = uint32_t(c);
    return (v & 0xFF) < 80 && ((v >> 8) & 0xFF) < 80 && ((v >> 16) & 0xFF) < 80;
}

class PreviewDraw : public PreviewTest {
protected:
    // The viewer as shown, with its client origin inside the capture.
    void Shoot() {
        Settle();
        shot.reset(UiTest::Capture(v));
        ox = v->WindowClientRect().Left;
        oy = v->WindowClientRect().Top;
    }
    TColor At(const TPoint& p) { return shot->Canvas()->Pixel(p.X + ox, p.Y + oy); }
    bool DarkNear(const TPoint& p) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (Dark(At(TPoint(p.X + dx, p.Y + dy)))) return true;
        return false;
    }
    TPoint ScreenOf(const TGIS_Point& p) { return v->MapToScreen(p); }
    static TGIS_Point Mid(const TGIS_Point& a, const TGIS_Point& b) { return {(a.X + b.X) / 2, (a.Y + b.Y) / 2}; }

    // Outline on the edges, background a quarter in from the corners, the label's dark pixels around the centre.
    void ExpectSheetDrawn(const Quad& q, const std::string& what) {
        for (int i = 0; i < 4; ++i) {
            const TPoint e = ScreenOf(Mid(q.c[i], q.c[(i + 1) % 4]));
            EXPECT_TRUE(DarkNear(e)) << what << " edge " << i << " at " << e.X << "," << e.Y << " " << std::hex
                                     << uint32_t(At(e)) << std::dec;
        }
        const TGIS_Point centre = Mid(Mid(q.c[0], q.c[2]), Mid(q.c[1], q.c[3]));
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(At(ScreenOf(Mid(q.c[i], centre))), clWhite) << what << " quarter " << i;
        const TPoint nw = ScreenOf(q.c[0]), se = ScreenOf(q.c[2]), mid = ScreenOf(centre);
        int darkCount = 0, minY = 1 << 30, maxY = -1, minX = 1 << 30, maxX = -1;
        for (int y = nw.Y + 4; y < se.Y - 4; ++y)
            for (int x = nw.X + 4; x < se.X - 4; ++x)
                if (Dark(At(TPoint(x, y)))) {
                    ++darkCount;
                    minY = std::min(minY, y), maxY = std::max(maxY, y);
                    minX = std::min(minX, x), maxX = std::max(maxX, x);
                }
        ASSERT_GT(darkCount, 20) << what << ": no label";
        EXPECT_LT(std::abs((minY + maxY) / 2 - mid.Y), 16) << what;
        EXPECT_LT(minX, mid.X) << what;
        EXPECT_GT(maxX, mid.X - (se.X - nw.X) / 4) << what;
    }

    std::unique_ptr<TBitmap> shot;
    int ox = 0, oy = 0;
};

TEST_F(PreviewDraw, GeographicRowsFitExactlyAndDrawEverySheet) {
    const TStandardTessarols sheets = J50Sheets(3, 3);
    f->LoadTessarols(sheets, true);
    TGIS_LayerVector* layer = f->SheetLayer();
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->Shapes.size(), 9u);
    EXPECT_EQ(PaneText(6), "共9个图幅");
    EXPECT_EQ(layer->Units.Code, 20);
    EXPECT_TRUE(f->IsGeographic);
    const char* fields[] = {"TFH", "LB_L", "LB_B", "RT_L", "RT_B", "LT_X", "LT_Y",
                            "RT_X", "RT_Y", "RB_X", "RB_Y", "LB_X", "LB_Y"};
    ASSERT_EQ(layer->Fields.size(), 13u);
    for (int i = 0; i < 13; ++i) EXPECT_EQ(layer->FieldInfo(i)->NewName, fields[i]);
    // The view fits the sheets, without margin.
    const TGIS_Extent e = v->GetVisibleExtent();
    EXPECT_NEAR(std::min((e.XMax - e.XMin) / 1.5, (e.YMax - e.YMin) / 1.0), 1, 0.01);
    EXPECT_LE(e.XMin, 116 + 1e-9);
    EXPECT_GE(e.XMax, 117.5 - 1e-9);
    Shoot();
    for (const auto& column : sheets)
        for (const TStandardTessarol& t : column) ExpectSheetDrawn(GeographicQuad(t), t.SheetNo);
    SavePng("geographic");
}

TEST_F(PreviewDraw, PlanePreviewKeepsTwoSheetsOfMargin) {
    const TStandardTessarols sheets = J50Sheets(2, 2);
    f->LoadTessarols(sheets, false);
    EXPECT_EQ(f->SheetLayer()->Units.Code, 2);
    EXPECT_FALSE(f->IsGeographic);
    const TStandardTessarol& sw = sheets.front().back();
    const TStandardTessarol& ne = sheets.back().front();
    ExpectViewCovers({sw.LB.X - 2 * (sw.RB.X - sw.LB.X), sw.LB.Y - 2 * (sw.LT.Y - sw.LB.Y),
                      ne.RT.X + 2 * (ne.RT.X - ne.LT.X), ne.RT.Y + 2 * (ne.RT.Y - ne.RB.Y)},
                     1e-6);
    f->BtnZoomInClick(nullptr);
    UiTest::Click(v, v->ClientWidth() / 2, v->ClientHeight() / 2);
    Shoot();
    for (const auto& column : sheets)
        for (const TStandardTessarol& t : column) ExpectSheetDrawn(PlaneQuad(t), t.SheetNo);
    SavePng("plane");
}

TEST_F(PreviewDraw, GridPreviewDrawsEverySheetInMetres) {
    TCustomTessarols grid(2);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c) {
            const double x = 500000 + c * 1000, y = 4001000 - r * 1000;
            grid[size_t(r)].push_back({"G" + std::to_string(r) + std::to_string(c), x, y - 1000, x + 1000, y});
        }
    f->LoadCustomTessarols(grid);
    EXPECT_EQ(PaneText(6), "共6个图幅");
    EXPECT_EQ(f->SheetLayer()->Units.Code, 2);
    ExpectViewCovers({498000, 3998000, 505000, 4003000}, 1e-6);
    f->BtnZoomInClick(nullptr);
    UiTest::Click(v, v->ClientWidth() / 2, v->ClientHeight() / 2);
    Shoot();
    for (const auto& row : grid)
        for (const TCustomTessarol& t : row) ExpectSheetDrawn(GridQuad(t), t.Name);
    SavePng("grid");
}

TEST_F(PreviewTest, OneSheetGetsTwoSheetWidthsOfMarginAndEmptyColumnsAreSkipped) {
    TStandardTessarols sheets = J50Sheets(1, 1);
    // Empty columns around it, as the lists give for group items.
    sheets.insert(sheets.begin(), std::vector<TStandardTessarol>{});
    sheets.push_back({});
    f->LoadTessarols(sheets, true);
    EXPECT_EQ(PaneText(6), "共1个图幅");
    ExpectViewCovers({115, 38, 117.5, 39 + 2 / 3.0}, 1e-9);
}

TEST_F(PreviewTest, SheetsLoadedIntoAWindowWithoutRoomAreShownOnceItGrows) {
    f->SetBounds(0, 0, 120, 64);  // the tool and status bars leave the viewer no height
    UiTest::Flush();
    f->LoadTessarols(J50Sheets(2, 2), true);
    EXPECT_GT(v->Zoom(), 0);
    UiTest::MouseMove(v, 1, 1);
    UiTest::Click(v, 1, 1);
    f->SetBounds(0, 0, 800, 600);
    UiTest::Flush();
    ExpectViewCovers({116, 38 + 1 / 3.0, 117, 39}, 2 / v->Zoom());
}

TEST_F(PreviewTest, ArraysWithoutSheetsDoNothing) {
    f->LoadTessarols({}, true);
    f->LoadTessarols({{}, {}}, true);
    f->LoadCustomTessarols({{}, {}});
    EXPECT_EQ(v->LayerCount(), 0);
    EXPECT_EQ(PaneText(6), "");
    EXPECT_FALSE(f->IsGeographic);
}

TEST_F(PreviewTest, ToolBarShowsGlyphsAboveCaptionsAndGroovedSpacers) {
    auto* bar = C<TVtToolbar>("VtToolbar1");
    EXPECT_EQ(bar->Height(), 44);
    ASSERT_NE(bar->Images(), nullptr);
    EXPECT_EQ(bar->Images()->Count(), 10);
    EXPECT_TRUE(C<TVtSpacer>("VtSpacer1")->Grooved());
    std::unique_ptr<TBitmap> shot(UiTest::Capture(C<TVtToolButton>("BtnOpen")));
    // The glyph's frame colour in the upper half, the caption's dark text in the lower half only.
    int glyph = 0, textTop = 0, textBottom = 0;
    for (int y = 0; y < shot->Height(); ++y)
        for (int x = 0; x < shot->Width(); ++x) {
            const TColor c = shot->Canvas()->Pixel(x, y);
            if (c == clGreen) {
                ++glyph;
                EXPECT_LT(y, shot->Height() / 2);
            }
            if (Dark(c) && c != clGreen) ++(y < shot->Height() / 2 ? textTop : textBottom);
        }
    EXPECT_GT(glyph, 10);
    EXPECT_GT(textBottom, 10);
    std::unique_ptr<TBitmap> groove(UiTest::Capture(C<TVtSpacer>("VtSpacer1")));
    EXPECT_NE(groove->Canvas()->Pixel(3, 20), groove->Canvas()->Pixel(0, 20));
    EXPECT_NE(groove->Canvas()->Pixel(4, 20), groove->Canvas()->Pixel(3, 20));
}

// ---- tool bar glyphs ----

// One image of the list drawn on a key colour that no glyph uses.
struct Glyph {
    int w = 0, h = 0;
    std::vector<TColor> px;
    TColor At(int x, int y) const { return px[size_t(y * w + x)]; }
    bool Drawn(int x, int y) const { return At(x, y) != clFuchsia; }
};
Glyph DrawGlyph(const TCustomImageList& list, int index, bool enabled = true) {
    TBitmap bmp;
    bmp.SetSize(list.Width(), list.Height());
    bmp.Canvas()->Brush()->SetColor(clFuchsia);
    bmp.Canvas()->FillRect(TRect(0, 0, list.Width(), list.Height()));
    list.Draw(bmp.Canvas(), 0, 0, index, enabled);
    Glyph g{list.Width(), list.Height(), {}};
    for (int y = 0; y < g.h; ++y)
        for (int x = 0; x < g.w; ++x) g.px.push_back(bmp.Canvas()->Pixel(x, y));
    return g;
}
int Lightness(TColor c) { return (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3; }
bool Red(TColor c) { return GetRValue(c) > GetGValue(c) + 80 && GetRValue(c) > GetBValue(c) + 80; }
bool Green(TColor c) { return GetGValue(c) > GetRValue(c) + 60 && GetGValue(c) > GetBValue(c) + 60; }

TEST_F(PreviewTest, ToolGlyphsArePicturesThatFillTheListAndDifferFromEachOther) {
    auto* list = C<TCustomImageList>("ImageList1");
    ASSERT_EQ(list->Count(), 10);
    ASSERT_EQ(list->Width(), 20);
    ASSERT_EQ(list->Height(), 20);
    const int area = list->Width() * list->Height();
    std::vector<Glyph> glyphs;
    for (int i = 0; i < list->Count(); ++i) {
        const Glyph g = DrawGlyph(*list, i);
        int drawn = 0, left = g.w, right = -1, top = g.h, bottom = -1;
        std::set<TColor> colours;
        for (int y = 0; y < g.h; ++y)
            for (int x = 0; x < g.w; ++x)
                if (g.Drawn(x, y)) {
                    ++drawn;
                    colours.insert(g.At(x, y));
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
        // A shape in outline and fill across the image, not a mark in its middle.
        EXPECT_GE(drawn, area / 4) << "glyph " << i;
        EXPECT_LE(drawn, area * 4 / 5) << "glyph " << i;
        EXPECT_GE(right - left + 1, 16) << "glyph " << i;
        EXPECT_GE(bottom - top + 1, 16) << "glyph " << i;
        EXPECT_GE(colours.size(), 2u) << "glyph " << i;
        // The disabled look embosses the darker pixels: enough of them to keep the shape.
        const Glyph off = DrawGlyph(*list, i, false);
        EXPECT_GE(std::count_if(off.px.begin(), off.px.end(), [](TColor c) { return c != clFuchsia; }), area / 6)
            << "disabled glyph " << i;
        glyphs.push_back(g);
    }
    for (size_t a = 0; a < glyphs.size(); ++a)
        for (size_t b = a + 1; b < glyphs.size(); ++b) {
            int differ = 0;
            for (size_t k = 0; k < glyphs[a].px.size(); ++k) differ += glyphs[a].px[k] != glyphs[b].px[k];
            EXPECT_GE(differ, 8) << "glyphs " << a << " and " << b;
        }
}

// Tools that belong together look alike: one lens with a plus or a minus, one stack of layers with a green
// or a red mark.
TEST_F(PreviewTest, PairedToolGlyphsShareTheirPictureAndDifferInTheirMark) {
    auto* list = C<TCustomImageList>("ImageList1");
    ASSERT_EQ(list->Count(), 10);
    const Glyph in = DrawGlyph(*list, 2), out = DrawGlyph(*list, 3);
    std::set<int> columns;
    for (int y = 0; y < in.h; ++y)
        for (int x = 0; x < in.w; ++x) {
            EXPECT_EQ(in.Drawn(x, y), out.Drawn(x, y)) << x << "," << y;
            if (in.At(x, y) == out.At(x, y)) continue;
            columns.insert(x);
            EXPECT_LT(Lightness(in.At(x, y)), Lightness(out.At(x, y))) << x << "," << y;
        }
    // The plus is the minus with an upright stroke.
    ASSERT_FALSE(columns.empty());
    EXPECT_LE(*columns.rbegin() - *columns.begin(), 2);

    const Glyph add = DrawGlyph(*list, 0), clear = DrawGlyph(*list, 7);
    for (int y = 0; y < add.h / 2; ++y)
        for (int x = 0; x < add.w; ++x) EXPECT_EQ(add.At(x, y), clear.At(x, y)) << x << "," << y;
    // Where they differ, below the stack: a green plus, a red cross.
    int addGreen = 0, addRed = 0, clearRed = 0;
    for (int y = add.h / 2; y < add.h; ++y)
        for (int x = 0; x < add.w; ++x)
            if (add.At(x, y) != clear.At(x, y)) {
                addGreen += Green(add.At(x, y));
                addRed += Red(add.At(x, y));
                clearRed += Red(clear.At(x, y));
            }
    EXPECT_GE(addGreen, 10);
    EXPECT_EQ(addRed, 0);
    EXPECT_GE(clearRed, 10);
}

TEST_F(PreviewTest, EachToolButtonShowsItsOwnGlyph) {
    const char* names[] = {"BtnOpen", "BtnInternet", "BtnZoomIn", "BtnZoomOut", "VtToolButton1",
                           "BtnInformation", "VtToolButton2", "BtnDelete", "BtnExit"};
    std::vector<std::vector<TColor>> shown;
    for (const char* name : names) {
        auto* b = C<TVtToolButton>(name);
        std::unique_ptr<TBitmap> shot(UiTest::Capture(b));
        // The glyph stands centred above the caption; the pressed look moves it by a pixel.
        std::vector<TColor> px;
        int drawn = 0;
        for (int y = 3; y < 21; ++y)
            for (int x = b->Width() / 2 - 9; x < b->Width() / 2 + 9; ++x) {
                px.push_back(shot->Canvas()->Pixel(x, y));
                drawn += Lightness(px.back()) < 150;
            }
        EXPECT_GE(drawn, 40) << name;
        for (size_t k = 0; k < shown.size(); ++k) EXPECT_NE(px, shown[k]) << name << " and " << names[k];
        shown.push_back(px);
    }
}

// ---- tools ----

class PreviewTools : public PreviewTest {
protected:
    void SetUp() override {
        PreviewTest::SetUp();
        f->LoadTessarols(J50Sheets(3, 3), true);
        Settle();
    }
    void Drag(int x0, int y0, int x1, int y1) {
        UiTest::MouseDown(v, x0, y0);
        UiTest::MouseMove(v, (x0 + x1) / 2, (y0 + y1) / 2, MK_LBUTTON);
        UiTest::MouseMove(v, x1, y1, MK_LBUTTON);
        UiTest::MouseUp(v, x1, y1);
        UiTest::Flush();
    }
};

TEST_F(PreviewTools, ToolButtonsSetTheModeAndStayExclusive) {
    EXPECT_EQ(v->Mode(), gisSelect);
    EXPECT_TRUE(C<TVtToolButton>("BtnInformation")->Down());
    ClickTool("BtnZoomIn");
    EXPECT_EQ(v->Mode(), gisZoom);
    EXPECT_FALSE(f->ZoomOut);
    EXPECT_FALSE(C<TVtToolButton>("BtnInformation")->Down());
    ClickTool("BtnZoomOut");
    EXPECT_TRUE(f->ZoomOut);
    EXPECT_FALSE(C<TVtToolButton>("BtnZoomIn")->Down());
    ClickTool("VtToolButton1");
    EXPECT_EQ(v->Mode(), gisDrag);
    ClickTool("BtnInformation");
    EXPECT_EQ(v->Mode(), gisSelect);
}

TEST_F(PreviewTools, PointerShowsMapCoordinates) {
    const TPoint p = v->MapToScreen(TGIS_Point{116.75, 38.5});
    UiTest::MouseMove(v, p.X, p.Y);
    const TGIS_Point m = v->ScreenToMap(p);
    EXPECT_EQ(PaneText(2), Format("%.5f", {m.X}));
    EXPECT_EQ(PaneText(4), Format("%.5f", {m.Y}));
    EXPECT_NEAR(StrToFloat(PaneText(2)), 116.75, 0.01);
}

TEST_F(PreviewTools, ClicksDoubleAndHalveTheZoomDownToTheFit) {
    const double fit = v->Zoom();
    ClickTool("BtnZoomOut");
    UiTest::Click(v, 200, 200);
    EXPECT_NEAR(v->Zoom(), fit, fit * 1e-9);
    ClickTool("BtnZoomIn");
    UiTest::Click(v, 200, 200);
    EXPECT_NEAR(v->Zoom(), 2 * fit, fit * 1e-9);
    UiTest::Click(v, 200, 200);
    EXPECT_NEAR(v->Zoom(), 4 * fit, fit * 1e-9);
    SavePng("zoom-in");
    ClickTool("BtnZoomOut");
    UiTest::Click(v, 200, 200);
    EXPECT_NEAR(v->Zoom(), 2 * fit, fit * 1e-9);
    SavePng("zoom-out");
    ClickTool("BtnInternet");
    EXPECT_NEAR(v->Zoom(), fit, fit * 1e-9);
    SavePng("full");
}

TEST_F(PreviewTools, ABandZoomsOnceToTheBand) {
    ClickTool("BtnZoomIn");
    const TGIS_Extent band = v->ScreenToMapRect(TRect(100, 100, 300, 250));
    Drag(100, 100, 300, 250);
    ExpectViewCovers(band, 1 / v->Zoom());
    const TGIS_Extent e = v->GetVisibleExtent();
    // Fitted: one side of the band fills the window (not twice as deep).
    const double fx = (e.XMax - e.XMin) / (band.XMax - band.XMin), fy = (e.YMax - e.YMin) / (band.YMax - band.YMin);
    EXPECT_NEAR(std::min(fx, fy), 1, 0.03);
    SavePng("band");
}

TEST_F(PreviewTools, ADragThatDrewNoBandStepsTheZoomLikeAClick) {
    // The window draws a band only when the pointer is MinZoomSize away on both axes; short of that on either
    // axis the release is a click.
    ClickTool("BtnZoomIn");
    const int least = v->TwipsToPixels(v->MinZoomSize());
    ASSERT_GT(least, 1);
    const double fit = v->Zoom();
    Drag(200, 200, 200 + least - 1, 200 + least - 1);
    EXPECT_NEAR(v->Zoom(), 2 * fit, fit * 1e-9);
    Drag(100, 200, 400, 200 + least - 1);  // wide but flat
    EXPECT_NEAR(v->Zoom(), 4 * fit, fit * 1e-9);
    Drag(200, 100, 200 + least - 1, 400);  // tall but narrow
    EXPECT_NEAR(v->Zoom(), 8 * fit, fit * 1e-9);
    // Dragged out to a band and back: the band is gone, so is the window's zoom; the click steps.
    UiTest::MouseDown(v, 200, 200);
    UiTest::MouseMove(v, 350, 320, MK_LBUTTON);
    UiTest::MouseMove(v, 201, 201, MK_LBUTTON);
    UiTest::MouseUp(v, 201, 201);
    UiTest::Flush();
    EXPECT_NEAR(v->Zoom(), 16 * fit, fit * 1e-9);
}

TEST_F(PreviewTools, SixtyZoomClicksAndMovesStaySound) {
    ClickTool("BtnZoomIn");
    for (int i = 0; i < 60; ++i) {
        UiTest::Click(v, 150 + i % 7, 180 + i % 5);
        UiTest::MouseMove(v, 10 * (i % 30), 7 * (i % 40));
    }
    UiTest::Flush();
    EXPECT_TRUE(std::isfinite(v->Zoom()));
    EXPECT_GT(v->Zoom(), 0);
    EXPECT_FALSE(PaneText(2).empty());
}

TEST_F(PreviewTools, PanDragsOnlyAMapLargerThanTheWindow) {
    ClickTool("VtToolButton1");
    const TGIS_Point before = v->Center();
    Drag(200, 200, 250, 230);
    EXPECT_NEAR(v->Center().X, before.X, 1e-9);
    EXPECT_NEAR(v->Center().Y, before.Y, 1e-9);
    ClickTool("BtnZoomIn");
    UiTest::Click(v, v->ClientWidth() / 2, v->ClientHeight() / 2);
    ClickTool("VtToolButton1");
    const TGIS_Point start = v->ScreenToMap(TPoint(200, 200));
    Drag(200, 200, 250, 230);
    const TGIS_Point end = v->ScreenToMap(TPoint(250, 230));
    EXPECT_NEAR(end.X, start.X, 2 / v->Zoom());
    EXPECT_NEAR(end.Y, start.Y, 2 / v->Zoom());
    SavePng("pan");
}

// ---- identify ----

class PreviewIdentify : public PreviewTest {
protected:
    struct Seen {
        int count = 0;
        std::string number, area, caption;
        double values[25] = {};
        int left = 0, top = 0, width = 0, height = 0;
        bool highlighted = false;
    };
    // Clicks at a map point and records what the dialog shows while it is open.
    Seen ClickAt(const TGIS_Point& p) {
        Seen s;
        SetModalHook([this, &s](TCustomForm* dlg) {
            auto* info = dynamic_cast<TfrmTFInformation*>(dlg);
            if (info && info == frmTFInformation) {
                ++s.count;
                s.caption = info->Caption();
                s.number = dynamic_cast<TControl*>(info->FindComponent("VtEdit1"))->Text();
                for (int i = 1; i <= 24; ++i)
                    s.values[i] =
                        dynamic_cast<TVtNumericEdit*>(info->FindComponent("VtNumericEdit" + std::to_string(i)))
                            ->Value();
                s.left = info->Left(), s.top = info->Top(), s.width = info->Width(), s.height = info->Height();
                s.area = PaneText(5);
                s.highlighted = v->Editor()->Shape() != nullptr;
                if (s.highlighted) SavePng(std::string("identify-") + (f->IsGeographic ? "geo" : "plane"));
            }
            dlg->SetModalResult(mrOk);
        });
        const TPoint q = v->MapToScreen(p);
        UiTest::Click(v, q.X, q.Y);
        UiTest::Flush();
        SetModalHook(nullptr);
        return s;
    }
    void ExpectRecord(const Seen& s, const TStandardTessarol& t) {
        EXPECT_EQ(s.number, t.SheetNo);
        const TDmsAngle* a[4] = {&t.West, &t.South, &t.East, &t.North};
        for (int k = 0; k < 4; ++k) {
            EXPECT_NEAR(s.values[1 + 3 * k], a[k]->Degrees, 1e-9) << k;
            EXPECT_NEAR(s.values[2 + 3 * k], a[k]->Minutes, 1e-9) << k;
            EXPECT_NEAR(s.values[3 + 3 * k], a[k]->Seconds, 1e-3) << k;
            EXPECT_NEAR(s.values[21 + k], DmsToDegree(*a[k]), 1e-5) << k;
        }
        const TPlanePoint* c[4] = {&t.LB, &t.LT, &t.RT, &t.RB};
        for (int k = 0; k < 4; ++k) {
            EXPECT_NEAR(s.values[13 + 2 * k], c[k]->X, 1e-5) << k;
            EXPECT_NEAR(s.values[14 + 2 * k], c[k]->Y, 1e-5) << k;
        }
    }
    static std::string AreaText(double squareMetres) { return "面积：" + Format("%.5f平方公里", {squareMetres / 1e6}); }
};

TEST_F(PreviewIdentify, AClickInsideASheetShowsItsRecordAndArea) {
    const TStandardTessarols sheets = J50Sheets(3, 3);
    f->LoadTessarols(sheets, true);
    Settle();
    const TStandardTessarol& t = sheets[1][2];
    const Seen s = ClickAt({DmsToDegree(t.West) + 0.1, DmsToDegree(t.South) + 0.1});
    ASSERT_EQ(s.count, 1);
    EXPECT_EQ(s.caption, "图幅信息");
    ExpectRecord(s, t);
    EXPECT_EQ(s.area, AreaText(PolygonArea({{t.LT.X, t.LT.Y}, {t.RT.X, t.RT.Y}, {t.RB.X, t.RB.Y}, {t.LB.X, t.LB.Y}})));
    EXPECT_TRUE(s.highlighted);
    // Closed: no highlight, no area.
    EXPECT_EQ(v->Editor()->Shape(), nullptr);
    EXPECT_EQ(PaneText(5), "");
}

// The picked sheet's own corners are marked; the other sheets' corners are not.
TEST_F(PreviewIdentify, OnlyThePickedSheetsVerticesAreMarked) {
    const TStandardTessarols sheets = J50Sheets(3, 3);
    f->LoadTessarols(sheets, true);
    Settle();
    const TStandardTessarol& t = sheets[1][1];
    int marked = -1, others = -1;
    SetModalHook([&](TCustomForm* dlg) {
        std::unique_ptr<TBitmap> shot(UiTest::Capture(v));
        const int ox = v->WindowClientRect().Left, oy = v->WindowClientRect().Top;
        // Handle or vertex squares are filled: count coloured (neither black nor white nor grey) pixels around.
        auto coloured = [&](double lon, double lat) {
            const TPoint p = v->MapToScreen({lon, lat});
            int n = 0;
            for (int dy = -4; dy <= 4; ++dy)
                for (int dx = -4; dx <= 4; ++dx) {
                    const TColor c = shot->Canvas()->Pixel(ox + p.X + dx, oy + p.Y + dy);
                    if (GetRValue(c) != GetGValue(c) || GetGValue(c) != GetBValue(c)) ++n;
                }
            return n;
        };
        marked = coloured(DmsToDegree(t.West), DmsToDegree(t.South));
        const TStandardTessarol& o = sheets[0][0];
        others = coloured(DmsToDegree(o.West), DmsToDegree(o.North));
        dlg->SetModalResult(mrOk);
    });
    const TPoint q = v->MapToScreen({DmsToDegree(t.West) + 0.1, DmsToDegree(t.South) + 0.1});
    UiTest::Click(v, q.X, q.Y);
    UiTest::Flush();
    SetModalHook(nullptr);
    EXPECT_GT(marked, 8);
    EXPECT_EQ(others, 0);
}

TEST_F(PreviewIdentify, PlanePreviewMeasuresTheShapeAndOutsideShowsNothing) {
    const TStandardTessarols sheets = J50Sheets(2, 2);
    f->LoadTessarols(sheets, false);
    Settle();
    const TStandardTessarol& t = sheets[0][1];
    const Seen s = ClickAt({(t.LB.X + t.RT.X) / 2 + 300, (t.LB.Y + t.RT.Y) / 2 - 200});
    ASSERT_EQ(s.count, 1);
    ExpectRecord(s, t);
    TGIS_Shape* shape = f->SheetLayer()->Shapes[1].get();
    EXPECT_EQ(s.area, AreaText(shape->Area()));
    // In the margin, far from every sheet.
    const TStandardTessarol& sw = sheets[0][1];
    EXPECT_EQ(ClickAt({sw.LB.X - 1.5 * (sw.RB.X - sw.LB.X), sw.LB.Y - (sw.LT.Y - sw.LB.Y)}).count, 0);
}

TEST_F(PreviewIdentify, GridSheetShowsZeroDegreesAndItsArea) {
    TCustomTessarols grid{{{"G1", 1000, 2000, 3000, 3000}}};
    f->LoadCustomTessarols(grid);
    Settle();
    const Seen s = ClickAt({2000, 2500});
    ASSERT_EQ(s.count, 1);
    EXPECT_EQ(s.number, "G1");
    for (int i : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 21, 22, 23, 24}) EXPECT_EQ(s.values[i], 0) << i;
    EXPECT_EQ(s.values[13], 1000);
    EXPECT_EQ(s.values[14], 2000);
    EXPECT_EQ(s.values[17], 3000);
    EXPECT_EQ(s.values[18], 3000);
    EXPECT_EQ(s.area, AreaText(2000.0 * 1000.0));
}

TEST_F(PreviewIdentify, StillWorksUnderAnAddedPolygonLayer) {
    const TStandardTessarols sheets = J50Sheets(3, 3);
    f->LoadTessarols(sheets, true);
    // A province drawn over every sheet, added after them.
    auto province = std::make_unique<TGIS_LayerVector>();
    province->Name = "Province";
    TGIS_LayerVector* p = province.get();
    v->Add(province.release());
    TGIS_Shape* shape = p->CreateShape(gisShapeTypePolygon);
    shape->AddPart();
    for (const TGIS_Point& q : {TGIS_Point{115, 39.5}, TGIS_Point{118, 39.5}, TGIS_Point{118, 37.5},
                                TGIS_Point{115, 37.5}})
        shape->AddPoint(q);
    Settle();
    const TStandardTessarol& t = sheets[2][0];
    const Seen s = ClickAt({DmsToDegree(t.West) + 0.25, DmsToDegree(t.South) + 0.15});
    ASSERT_EQ(s.count, 1);
    EXPECT_EQ(s.number, t.SheetNo);
}

TEST(PreviewPlace, FourPlacementsBySpaceRightAndBelow) {
    const TPoint ne(300, 100), nw(100, 100);
    // Room on both sides.
    EXPECT_EQ(InformationDialogPlace(TPoint(300, 200), ne, nw, 1024, 768, 44), TPoint(300, 200 + 44 + 18));
    // Room right, not below (exactly 350 left is not enough).
    EXPECT_EQ(InformationDialogPlace(TPoint(300, 418), ne, nw, 1024, 768, 44), TPoint(300, 100 + 44 + 18 - 326));
    // Exactly 412 pixels to the right edge: left of the sheet.
    EXPECT_EQ(InformationDialogPlace(TPoint(612, 200), ne, nw, 1024, 768, 44), TPoint(100 - 412, 200 + 44 + 18));
    EXPECT_EQ(InformationDialogPlace(TPoint(700, 500), ne, nw, 1024, 768, 44), TPoint(100 - 412, 100 + 44 + 18 - 326));
}

TEST_F(PreviewIdentify, ADialogPlacedOffTheScreenIsKeptOnIt) {
    const TStandardTessarols sheets = J50Sheets(1, 1);
    f->LoadTessarols(sheets, true);
    const TStandardTessarol& t = sheets[0][0];
    // Zoomed in until the sheet is far larger than the window: its corners lie off the screen.
    v->SetZoom(v->Zoom() * 16);
    Settle();
    const Seen s = ClickAt({DmsToDegree(t.West) + 0.25, DmsToDegree(t.South) + 1 / 6.0});
    ASSERT_EQ(s.count, 1);
    // The window system may lay the frame a border's width beyond the given corner.
    EXPECT_GE(s.left, -4);
    EXPECT_GE(s.top, -4);
    EXPECT_LE(s.left + s.width, Screen->Width());
    EXPECT_LE(s.top + s.height, Screen->Height());
}

// ---- find ----

TEST_F(PreviewTest, FindGoesToTheFirstSheetHoldingTheText) {
    struct Case {
        const char* name;
        std::function<void(TStandardTessarols&)> make;
    };
    const TDmsExtent w{Dms(114), Dms(36), Dms(120), Dms(40)};
    // Across J-50-9 and J-50-10, so that the first match is not the first sheet.
    const TDmsExtent small{Dms(118, 15), Dms(39, 45), Dms(118, 45), Dms(40)};
    const Case cases[] = {
        {"1:250,000", [&](TStandardTessarols& r) { GetTessarols250k(w, false, true, 117, r); }},
        {"1:100,000", [&](TStandardTessarols& r) { GetTessarols100k(w, false, true, 117, r); }},
        {"1:50,000", [&](TStandardTessarols& r) { GetTessarols50k(small, false, true, 117, r); }},
        {"1:25,000", [&](TStandardTessarols& r) { GetTessarols25k(small, false, true, 117, r); }},
        {"1:10,000", [&](TStandardTessarols& r) { GetTessarols10k(small, false, true, 117, r); }},
    };
    for (const Case& c : cases) {
        delete f;
        SetUp();
        TStandardTessarols sheets;
        c.make(sheets);
        f->LoadTessarols(sheets, true);
        std::string expected;
        for (const auto& column : sheets)
            for (const TStandardTessarol& t : column)
                if (expected.empty() && t.SheetNo.find("10") != std::string::npos) expected = t.SheetNo;
        ASSERT_FALSE(expected.empty()) << c.name;
        const int boxes = UiTest::MessageBoxCount();
        f->FindSheet("10");
        EXPECT_EQ(UiTest::MessageBoxCount(), boxes) << c.name;
        TGIS_Shape* hit = nullptr;
        for (const auto& s : f->SheetLayer()->Shapes)
            if (VarToStr(s->GetField("TFH")) == expected) hit = s.get();
        ASSERT_NE(hit, nullptr);
        const TGIS_Extent se = hit->GetExtent(), e = v->GetVisibleExtent();
        const double sw = se.XMax - se.XMin, sh = se.YMax - se.YMin, px = 1 / v->Zoom();
        // Two sheet sizes around the sheet, as far as the map reaches (the view never leaves it).
        const TGIS_Extent want = GisExtentIntersection(
            {se.XMin - 2 * sw, se.YMin - 2 * sh, se.XMax + 2 * sw, se.YMax + 2 * sh}, v->Extent);
        ExpectViewCovers(want, px, c.name);
        EXPECT_LT(std::min((e.XMax - e.XMin) / (5 * sw), (e.YMax - e.YMin) / (5 * sh)), 1.01) << c.name;
    }
}

TEST_F(PreviewTest, FindThroughItsPromptAndAMissGivesTheMessage) {
    f->LoadTessarols(J50Sheets(2, 2), true);
    UiTest::AnswerMessageBoxes(IDOK);
    SetModalHook([](TCustomForm* dlg) {
        dynamic_cast<TControl*>(dlg->FindComponent("VtEdit1"))->SetText("无此图");
        dlg->SetModalResult(mrOk);
    });
    ClickTool("VtToolButton2");
    SetModalHook(nullptr);
    EXPECT_EQ(UiTest::LastMessageBoxText(), "没有找到图幅号为“无此图”的数据！");
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "提示");
    EXPECT_TRUE(UiTest::LastMessageBoxFlags() & MB_ICONINFORMATION);
    // Cancelled: nothing at all.
    const int boxes = UiTest::MessageBoxCount();
    SetModalHook([](TCustomForm* dlg) { dlg->SetModalResult(mrCancel); });
    ClickTool("VtToolButton2");
    SetModalHook(nullptr);
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes);
}

TEST_F(PreviewTest, FindMatchesWholeCharactersOnlyAndAnEmptyTextMatchesNothing) {
    const std::string name = "中国-甲乙";
    // The trail byte of one character and the lead byte of the next: no character of the name.
    const std::string straddling = name.substr(1, 2);
    ASSERT_NE(name.find(straddling), std::string::npos);
    f->LoadCustomTessarols({{{name, 1000, 2000, 3000, 3000}, {"B2", 3000, 2000, 5000, 3000}}});
    UiTest::AnswerMessageBoxes(IDOK);
    const int boxes = UiTest::MessageBoxCount();
    f->FindSheet(straddling);
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes + 1);
    f->FindSheet("");
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes + 2);
    EXPECT_EQ(UiTest::LastMessageBoxText(), "没有找到图幅号为“”的数据！");
    f->FindSheet("国-甲");
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes + 2);
    const TGIS_Extent e = v->GetVisibleExtent();
    EXPECT_NEAR((e.XMin + e.XMax) / 2, 2000, 2 / v->Zoom());  // the first sheet, not B2
}

// ---- layers ----

TGIS_LayerVector* AddNamed(TGIS_Viewer& v, const std::string& name) {
    auto l = std::make_unique<TGIS_LayerVector>();
    l->Name = name;
    l->SetExtent({0, 0, 1, 1});
    v.Add(l.get());
    return l.release();
}

TEST_F(PreviewTest, LayerNamesCountOnFromTheExactBaseAndAreNeverRefused) {
    EXPECT_EQ(MakeLayerName("/d/roads", *v), "/d/roads_1");
    AddNamed(*v, "/d/roads_1");
    AddNamed(*v, "/d/roads_3");
    AddNamed(*v, "/d/Roads_7");
    AddNamed(*v, "/d/roads_x");
    AddNamed(*v, "/d/roadsides");
    // Only names beginning with the base as it stands count.
    EXPECT_EQ(MakeLayerName("/d/roads", *v), "/d/roads_4");
    EXPECT_EQ(MakeLayerName("/d/Roads", *v), "/d/Roads_8");
    // "/d/ROADS_1" is "/d/roads_1" to the viewer: the next free number is taken.
    EXPECT_EQ(MakeLayerName("/d/ROADS", *v), "/d/ROADS_2");
    EXPECT_EQ(MakeLayerName("/d/rivers", *v), "/d/rivers_1");
}

TEST_F(PreviewTest, AfterClearingEverythingActsOnNothing) {
    f->LoadTessarols(J50Sheets(2, 2), true);
    UiTest::MouseMove(v, 100, 100);
    const std::string x = PaneText(2), y = PaneText(4);
    UiTest::AnswerMessageBoxes(IDNO);
    ClickTool("BtnDelete");
    EXPECT_EQ(UiTest::LastMessageBoxText(), "是否真的删除所有图层？");
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "确认");
    EXPECT_EQ(v->LayerCount(), 1);
    UiTest::AnswerMessageBoxes(IDYES);
    ClickTool("BtnDelete");
    EXPECT_EQ(v->LayerCount(), 0);
    EXPECT_TRUE(v->IsEmpty());
    SavePng("cleared");

    const int boxes = UiTest::MessageBoxCount();
    UiTest::MouseMove(v, 200, 150);
    UiTest::Click(v, 200, 150);
    ClickTool("BtnZoomIn");
    UiTest::Click(v, 200, 150);
    ClickTool("BtnInternet");
    ClickTool("VtToolButton2");  // empty viewer: no prompt
    EXPECT_EQ(PaneText(2), x);
    EXPECT_EQ(PaneText(4), y);
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes);
    // Other layers but no sheets: a find has nothing to match.
    UiTest::AnswerMessageBoxes(IDOK);
    AddNamed(*v, "other");
    f->FindSheet("10");
    EXPECT_EQ(UiTest::LastMessageBoxText(), "没有找到图幅号为“10”的数据！");
    f->IdentifySheet(100, 100);
}

}  // namespace

namespace {

// The preview opened as the program opens it: sheets loaded while the window still has its resource's size,
// then shown maximised, the screen giving it its size after the show. The screen's size is fixed when the
// program starts, so each size is a run of this program of its own (QM_TEST_SCREEN=WxH).
TEST(PreviewOpening, TheSheetsExtentFillsTheMapAreaAtTheScreensSize) {
    const char* want = std::getenv("QM_TEST_SCREEN");
    if (!want) GTEST_SKIP() << "run by PreviewOpening.AtTwoScreenSizes";
    UiTest::Init();
    RegisterAppClasses();
    int sw = 0, sh = 0;
    ASSERT_EQ(std::sscanf(want, "%dx%d", &sw, &sh), 2);
    ASSERT_EQ(Screen->WorkAreaRect().Width(), sw);
    ASSERT_EQ(Screen->WorkAreaRect().Height(), sh);
    std::unique_ptr<TfrmPreview> f(new TfrmPreview(Application));
    ASSERT_EQ(f->WindowState(), wsMaximized);
    // 24 sheets of 116-117 E, 39-40 N at 1:50,000, one a column as the result lists give them: the extent is
    // theirs with two sheet sizes around.
    TStandardTessarols all, sheets;
    GetTessarols50k({Dms(116), Dms(39), Dms(117), Dms(40)}, false, true, 117, all);
    for (const auto& column : all)
        for (const TStandardTessarol& t : column) sheets.push_back({t});
    f->LoadTessarols(sheets, true);
    ASSERT_EQ(f->SheetLayer()->Shapes.size(), 24u);
    f->Show();
    for (int i = 0; i < 50 && f->Width() < sw / 2; ++i) UiTest::Wait(20);
    UiTest::Flush();
    TGIS_ViewerWnd* v = f->Viewer();
    const int w = v->ClientWidth(), h = v->ClientHeight();
    ASSERT_GT(w, sw / 2);
    const TPoint nw = v->MapToScreen({v->Extent.XMin, v->Extent.YMax}),
                 se = v->MapToScreen({v->Extent.XMax, v->Extent.YMin});
    SCOPED_TRACE("extent at " + std::to_string(nw.X) + "," + std::to_string(nw.Y) + " - " + std::to_string(se.X) +
                 "," + std::to_string(se.Y) + " of " + std::to_string(w) + "x" + std::to_string(h));
    EXPECT_TRUE((nw.X <= 2 && se.X >= w - 2) || (nw.Y <= 2 && se.Y >= h - 2));
    EXPECT_GE(nw.X, -1);
    EXPECT_GE(nw.Y, -1);
    EXPECT_LE(se.X, w + 1);
    EXPECT_LE(se.Y, h + 1);
    // A resize after that keeps the view's scale: no fit again.
    const double zoom = v->Zoom();
    f->SetBounds(0, 0, sw / 2, sh / 2);
    UiTest::Flush();
    EXPECT_NEAR(v->Zoom(), zoom, zoom * 1e-9);
}

TEST(PreviewOpening, AtTwoScreenSizes) {
    if (std::getenv("QM_TEST_SCREEN")) GTEST_SKIP();
    for (const char* size : {"1366x768", "1024x1280"}) {
        SCOPED_TRACE(size);
        int sw = 0, sh = 0;
        std::sscanf(size, "%dx%d", &sw, &sh);
        const std::string config = std::string(QM_TEST_OUT) + "/preview-screen-" + size + ".json";
        ASSERT_TRUE(DiskWriteAll(config, "{\"screens\": [{\"name\": \"S\", \"x\": 0, \"y\": 0, \"width\": " +
                                             std::to_string(sw) + ", \"height\": " + std::to_string(sh) +
                                             ", \"logicalDpi\": 96}]}"));
        const std::string out = std::string(QM_TEST_OUT) + "/preview-screen-" + size + ".txt";
        const std::string command = "QM_TEST_SCREEN=" + std::string(size) +
                                    " QT_QPA_PLATFORM=offscreen:configfile=" + config + " /proc/" +
                                    std::to_string(getpid()) + "/exe --gtest_filter=PreviewOpening." +
                                    "TheSheetsExtentFillsTheMapAreaAtTheScreensSize > " + out + " 2>&1";
        const int status = std::system(command.c_str());
        std::string text;
        DiskReadAll(out, text);
        EXPECT_EQ(status, 0) << text;
        EXPECT_NE(text.find("[  PASSED  ] 1 test"), std::string::npos) << text;
    }
}

}  // namespace
