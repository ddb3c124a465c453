#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisParamsText.h"
#include "gis/layers/GisEditor.h"
#include "gis/layers/GisLabelsArea.h"
#include "gis/layers/GisLayerVector.h"
#include "gis/layers/GisViewerWnd.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/gis/layers/ShapeBuild.h"
#include "tests/gis/layers/VectorOnBitmap.h"
#include "tests/gis/layers/ViewerWndHost.h"

namespace {

// Ten 10 x 10 squares along y = 50 whose field N counts them (0 .. 9); the square of N = k covers x from 20k to
// 20k + 10.
class LayerPaint : public VectorOnBitmap {
protected:
    void SetUp() override {
        VectorOnBitmap::SetUp();
        layer->AddField("N", gisFieldNumber, 5, 0);
        for (int k = 0; k < 10; ++k) {
            TGIS_Shape* s = layer->CreateShape(gisShapeTypePolygon);
            FillShape(*s, {Box(20 * k, 45, 20 * k + 10, 55)});
            s->SetField("N", Variant(k));
        }
        Area(0).SetColor(clGreen);
        Area(0).SetOutlineWidth(0);
    }
    // The style of section i itself, not of a shape it styled last.
    TGIS_ParamsSectionVector& Section(int i) {
        auto* s = static_cast<TGIS_ParamsSectionVector*>(layer->ParamsList().GetSection(i));
        s->SetShape(nullptr);
        return *s;
    }
    TGIS_ParamsArea& Area(int i) { return Section(i).Area(); }
    // A new section (a copy of section 0) with a query.
    TGIS_ParamsSectionVector& AddSection(const std::string& query) {
        layer->ParamsList().AddCopy();
        TGIS_ParamsSectionVector& s = Section(layer->ParamsList().Count() - 1);
        s.SetQuery(query);
        return s;
    }
    void Paint() {
        Clear();
        v.Draw();
    }
    using VectorOnBitmap::At;
    // Colour inside square k.
    TColor At(int k) { return At(20 * k + 5, 50); }
};

TEST_F(LayerPaint, TheLastSectionWhoseQueryHoldsStylesTheShapeAndAHiddenOneHidesIt) {
    AddSection("N < 5").Area().SetColor(clBlue);
    AddSection("N = 2").Area().SetColor(clRed);
    AddSection("N = 7").SetVisible(false);
    Paint();
    Save("paint_sections");
    EXPECT_EQ(At(0), clBlue);
    EXPECT_EQ(At(2), clRed);
    EXPECT_EQ(At(4), clBlue);
    EXPECT_EQ(At(5), clGreen);  // only section 0 takes it
    EXPECT_EQ(At(7), clWhite);
    EXPECT_EQ(At(9), clGreen);
}

TEST_F(LayerPaint, AShapeNoSectionTakesIsNotDrawn) {
    Section(0).SetQuery("N > 7");
    Paint();
    EXPECT_EQ(At(3), clWhite);
    EXPECT_EQ(At(8), clGreen);
}

TEST_F(LayerPaint, SelectedShapesTakeRedOrBlueByDefaultAndTheSelectedSectionWhenThereIsOne) {
    layer->GetShape(2)->Selected = true;
    Paint();
    EXPECT_EQ(At(1), clRed);  // uid 2 is the square N = 1
    EXPECT_EQ(At(0), clGreen);
    EXPECT_EQ(layer->SelectedParams->Area().Pattern(), gisBsSolid);
    EXPECT_EQ(layer->SelectedParams->Area().OutlineColor(), uint32_t(clYellow));

    // A style that is red already is selected in blue, a yellow outline in green.
    Area(0).SetColor(clRed);
    Area(0).SetOutlineColor(clYellow);
    Paint();
    EXPECT_EQ(At(1), clBlue);
    EXPECT_EQ(layer->SelectedParams->Area().OutlineColor(), uint32_t(clLime));

    // Small markers grow to 5 pixels; larger ones keep their size.
    Section(0).Marker().SetSize(-3);
    Paint();
    EXPECT_EQ(layer->SelectedParams->Marker().Size(), -5);
    Section(0).Marker().SetSize(-9);
    Paint();
    EXPECT_EQ(layer->SelectedParams->Marker().Size(), -9);

    TGIS_ParamsSectionVector& selected = AddSection("");
    selected.SetStyle("selected");
    selected.Area().SetColor(clFuchsia);
    Paint();
    Save("paint_selected");
    EXPECT_EQ(At(1), clFuchsia);
    EXPECT_EQ(At(0), clRed);  // the selected section styles selected shapes only
}

TEST_F(LayerPaint, RenderRampsColourAndSizeByValue) {
    Section(0).Area().SetColor(GIS_RENDER_COLOR);
    Section(0).Marker().SetSize(GIS_RENDER_SIZE);
    // Fetched for every change: the section styles each shape it renders.
    auto R = [&]() -> TGIS_ParamsRender& { return Section(0).Render(); };
    R().SetExpression("N * 10");
    R().SetMinVal(20);
    R().SetMaxVal(60);
    R().SetStartColor(0x000010);
    R().SetEndColor(0x1020F0);
    R().SetStartSize(-2);
    R().SetEndSize(-10);
    auto rendered = [&](int32_t uid, uint32_t colour, int32_t size) {
        TGIS_Shape* shape = layer->GetShape(uid);
        TGIS_ParamsSectionVector* p = layer->PrepareRenderParams(shape);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->Area().Color(), colour) << uid;
        EXPECT_EQ(p->Marker().Size(), size) << uid;
        layer->RestoreRenderParams(shape);
        EXPECT_FALSE(shape->HasOwnParams());
    };
    rendered(3, 0x000010, -2);  // 20: MinVal
    rendered(7, 0x1020F0, -10);  // 60: MaxVal
    rendered(5, 0x081080, -6);   // 40: half way
    rendered(6, 0x0C18B8, -8);   // 50: three quarters
    rendered(1, 0x000010, -2);   // 0: held to MinVal
    rendered(10, 0x1020F0, -10);  // 90: held to MaxVal

    // Zones: four equal steps from start to end.
    R().SetZones(4);
    rendered(5, 0x0B15A5, -7);  // 40 starts the third of four zones: two thirds of the way
    rendered(7, 0x1020F0, -10);
    R().SetZones(0);

    // A range without width gives the defaults.
    R().SetMaxVal(20);
    R().SetColorDefault(0x123456);
    R().SetSizeDefault(-4);
    rendered(5, 0x123456, -4);

    // The second ramp takes the values its range holds beyond the first.
    R().SetMaxVal(60);
    R().SetMinValEx(-40);
    R().SetMaxValEx(0);
    R().SetStartColorEx(0x0000FF);
    R().SetEndColorEx(0xFFFFFF);
    R().SetStartSizeEx(-20);
    R().SetEndSizeEx(-40);
    R().SetExpression("N * 10 - 40");
    rendered(1, 0x0000FF, -20);  // -40
    rendered(3, 0x8080FF, -30);  // -20
    rendered(9, 0x081080, -6);   // 40: the first ramp keeps what it holds

    // Painted: the values become the fill.
    R().SetExpression("N * 10");
    Paint();
    Save("paint_render");
    EXPECT_EQ(At(2), TColor(0x000010));
    EXPECT_EQ(At(4), TColor(0x081080));
    EXPECT_EQ(At(9), TColor(0x1020F0));
}

TEST_F(LayerPaint, ARenderCopyGivesAShapeItsOwnStyleBack) {
    TGIS_Shape* shape = layer->GetShape(4);
    auto own = std::make_unique<TGIS_ParamsSectionVector>();
    own->Area().SetColor(GIS_RENDER_COLOR);
    own->Render().SetExpression("N");
    own->Render().SetMaxVal(10);
    TGIS_ParamsSectionVector* ownPtr = own.get();
    shape->SetOwnParams(std::move(own));
    ASSERT_NE(layer->PrepareRenderParams(shape), nullptr);
    EXPECT_NE(shape->OwnParams(), ownPtr);
    // Only one copy stands in at a time.
    EXPECT_EQ(layer->PrepareRenderParams(layer->GetShape(5)), nullptr);
    layer->RestoreRenderParams(shape);
    EXPECT_EQ(shape->OwnParams(), ownPtr);
    EXPECT_EQ(ownPtr->Area().Color(), GIS_RENDER_COLOR);
    // Without an expression there is nothing to render.
    EXPECT_EQ(layer->PrepareRenderParams(layer->GetShape(5)), nullptr);
}

TEST_F(LayerPaint, HooksStandInForTheShapesAndTheLayer) {
    std::vector<int32_t> shapes;
    layer->OnPaintShape = [&](TGIS_Viewer& viewer, TGIS_Shape& s) {
        EXPECT_EQ(&viewer, &v);
        shapes.push_back(s.Uid);
    };
    Paint();
    EXPECT_EQ(shapes.size(), 10u);
    EXPECT_EQ(At(3), clWhite);  // the hook drew instead of the shape

    int layerHook = 0;
    layer->PaintShapesHook = [&](TGIS_Viewer&, TGIS_LayerAbstract& l) {
        EXPECT_EQ(&l, layer);
        ++layerHook;
    };
    shapes.clear();
    Paint();
    EXPECT_EQ(layerHook, 1);
    EXPECT_TRUE(shapes.empty());

    // Labels: the per-shape hook runs even when no shape has a visible label.
    layer->PaintShapesHook = nullptr;
    std::vector<int32_t> labels;
    layer->OnPaintLabel = [&](TGIS_Viewer&, TGIS_Shape& s) { labels.push_back(s.Uid); };
    layer->PaintShapes();
    EXPECT_FALSE(layer->HasLabels);
    layer->PaintLabels();
    EXPECT_EQ(labels.size(), 10u);
    int labelHook = 0;
    layer->PaintLabelsHook = [&](TGIS_Viewer&, TGIS_LayerAbstract&) { ++labelHook; };
    labels.clear();
    layer->PaintLabels();
    EXPECT_EQ(labelHook, 1);
    EXPECT_TRUE(labels.empty());

    std::vector<int32_t> charts;
    layer->OnPaintChart = [&](TGIS_Viewer&, TGIS_Shape& s) { charts.push_back(s.Uid); };
    layer->PaintCharts();
    EXPECT_EQ(charts.size(), 10u);
}

TEST_F(LayerPaint, LabelsPassRunsOnlyWhenAShapeHasALabelOrForPrinting) {
    Section(0).Labels().SetField("N");
    layer->PaintShapes();
    EXPECT_TRUE(layer->HasLabels);
    layer->DrawLabels();
    EXPECT_FALSE(layer->HasLabels);  // used up by the pass

    Section(0).Labels().SetField("");
    layer->PaintShapes();
    EXPECT_FALSE(layer->HasLabels);
    layer->OnPaintLabel = nullptr;
    // On a caller's canvas labels are drawn without a shapes pass before.
    TBitmap other(200, 100, pf24bit);
    v.SetTargetCanvas(other.Canvas(), TRect(0, 0, 200, 100));
    v.SetOutputMode(gisOutputCanvas);
    Section(0).Labels().SetValue("X");
    layer->HasLabels = false;
    v.LabelsArea()->Reset();
    layer->DrawLabels();
    int dark = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) dark += other.Canvas()->Pixel(x, y) == TColor(0x010101);
    EXPECT_GT(dark, 10);
}

TEST_F(LayerPaint, ChartsAreDrawnAtTheShapesThatHaveThem) {
    Paint();
    EXPECT_FALSE(layer->HasCharts);
    Section(0).Chart().SetSize(-16);
    Section(0).Chart().SetValues("0:0:1:2");  // the range first, then the values
    AddSection("N = 3").Chart().SetValues("");
    layer->PaintShapes();
    EXPECT_TRUE(layer->HasCharts);
    Paint();
    Save("paint_charts");
    EXPECT_FALSE(layer->HasCharts);  // used up by the pass
    for (int k : {0, 5, 9}) {
        EXPECT_NE(At(k), clGreen) << k;
        EXPECT_NE(At(k), clWhite) << k;
    }
    EXPECT_EQ(At(3), clGreen);  // no values, no chart
}

TEST_F(LayerPaint, AViewChangeEndsThePassAndTheNextPaintDrawsEverything) {
    int drawn = 0;
    layer->OnPaintShape = [&](TGIS_Viewer& viewer, TGIS_Shape& s) {
        ++drawn;
        s.Draw();
        if (drawn == 3) viewer.ExtentChangedFlag = true;
    };
    Paint();
    EXPECT_EQ(drawn, 3);
    EXPECT_EQ(At(2), clGreen);
    EXPECT_EQ(At(5), clWhite);
    // The half-drawn picture is not kept.
    EXPECT_NE(v.CacheOrigin.X, v.Delta.X);
    drawn = 0;
    layer->OnPaintShape = [&](TGIS_Viewer&, TGIS_Shape& s) {
        ++drawn;
        s.Draw();
    };
    Paint();
    EXPECT_EQ(drawn, 10);
    EXPECT_EQ(At(9), clGreen);
    // Scans outside a pass never end early.
    v.ExtentChangedFlag = true;
    int found = 0;
    for (TGIS_Shape* s = layer->FindFirst(GisFullExtent()); s; s = layer->FindNext()) ++found;
    EXPECT_EQ(found, 10);
}

TEST_F(LayerPaint, OnlyTheShapesInTheClipAreaAreVisited) {
    std::vector<int32_t> uids;
    layer->OnPaintShape = [&](TGIS_Viewer&, TGIS_Shape& s) { uids.push_back(s.Uid); };
    bmp.Canvas()->SaveDC();
    bmp.Canvas()->IntersectClipRect(0, 0, 50, 100);
    layer->PaintShapes();
    bmp.Canvas()->RestoreDC(-1);
    EXPECT_EQ(uids, (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(LayerPaint, WhileEditingTheOtherShapesShowTheirHandles) {
    Area(0).SetColor(clWhite);
    TGIS_Editor& editor = *v.Editor();
    editor.ShowTracking = false;
    editor.StartEdit(layer->GetShape(1), 0);
    ASSERT_TRUE(editor.InEdit());
    bmp.Canvas()->Brush()->SetColor(clWhite);
    bmp.Canvas()->FillRect(TRect(0, 0, 200, 100));
    layer->PaintShapes();
    Save("paint_editing");
    // Handles are yellow squares at the vertices of the other shapes.
    const TPoint other = v.MapToScreen({20, 45}), edited = v.MapToScreen({0, 45});
    EXPECT_EQ(bmp.Canvas()->Pixel(other.X, other.Y), clYellow);
    EXPECT_NE(bmp.Canvas()->Pixel(edited.X, edited.Y), clYellow);
    editor.EndEdit();
}

TEST_F(LayerPaint, HandlesLeaveTheNextShapesUnfilledWhenTheirAreaIsClear) {
    Area(0).SetPattern(gisBsClear);
    Area(0).SetOutlineWidth(1);
    TGIS_Editor& editor = *v.Editor();
    editor.ShowTracking = false;
    editor.StartEdit(layer->GetShape(1), 0);
    Clear();
    layer->PaintShapes();
    for (int k = 2; k < 10; ++k) EXPECT_EQ(At(k), clWhite) << k;
    editor.EndEdit();
}

TEST_F(LayerPaint, ShapesReachingFarBeyondTheViewAreDrawnClipped) {
    Section(0).Line().SetColor(clRed);
    for (const TestParts& parts : {TestParts{{{0, 20}, {1e300, 20}}}, TestParts{{{-1e300, 80}, {200, 80}}}}) {
        TGIS_Shape* s = layer->CreateShape(gisShapeTypeArc);
        FillShape(*s, parts);
    }
    // The view stays on the squares.
    layer->SetExtent({0, 0, 200, 100});
    v.RecalcExtent();
    v.SetZoom(1);
    Paint();
    Save("paint_far_lines");
    EXPECT_EQ(bmp.Canvas()->Pixel(100, v.MapToScreen({0, 20}).Y), clRed);
    EXPECT_EQ(bmp.Canvas()->Pixel(100, v.MapToScreen({0, 80}).Y), clRed);
    EXPECT_EQ(At(9), clGreen);
}

TEST_F(LayerPaint, DirectDrawingPaintsOnlyALayerThatAllowsIt) {
    int drawn = 0;
    layer->OnPaintShape = [&](TGIS_Viewer&, TGIS_Shape&) { ++drawn; };
    v.DirectDraw = true;
    layer->PaintShapes();
    EXPECT_EQ(drawn, 0);
    layer->DirectPaint = true;
    layer->PaintShapes();
    EXPECT_EQ(drawn, 10);
    v.DirectDraw = false;
}

TEST_F(LayerPaint, OnTopApartFromTheCacheTheEditedShapeIsLeftToTheEditor) {
    std::vector<int32_t> uids;
    layer->OnPaintShape = [&](TGIS_Viewer&, TGIS_Shape& s) { uids.push_back(s.Uid); };
    layer->CachedPaint = false;
    v.Editor()->StartEdit(layer->GetShape(4), 0);
    ASSERT_TRUE(layer->IsCachedPaint());
    layer->PaintShapes();
    EXPECT_EQ(uids, (std::vector<int32_t>{1, 2, 3, 5, 6, 7, 8, 9, 10}));
    uids.clear();
    layer->CachedPaint = true;
    layer->PaintShapes();
    EXPECT_EQ(uids.size(), 10u);
    v.Editor()->EndEdit();
}

// The editor on a window whose vector layer paints itself, driven by mouse.
TEST(LayerPaintEditor, ADraggedVertexSnapsToAnotherShapeAndIsPaintedThere) {
    std::unique_ptr<TForm> form;
    TGIS_ViewerWnd* wnd = ShowViewerWnd(form);
    auto* layer = new TGIS_LayerVector;
    layer->Name = "lines";
    wnd->Add(layer);
    layer->SetExtent({0, 0, 1000, 1000});
    TGIS_Shape* target = layer->CreateShape(gisShapeTypeArc);
    FillShape(*target, {{{700, 700}, {900, 700}}});
    TGIS_Shape* edited = layer->CreateShape(gisShapeTypeArc);
    FillShape(*edited, {{{100, 100}, {300, 100}, {500, 200}}});
    // The map reaches beyond the shapes, so that a drop near the top line is still on it.
    wnd->RecalcExtent();
    wnd->FullExtent();
    wnd->SetAutoCenter(false);
    wnd->SetMode(gisEdit);
    TGIS_Editor& editor = *wnd->Editor();
    editor.StartEdit(edited, 0);
    UiTest::Flush();
    const TPoint from = wnd->MapToScreen({500, 200}), to = wnd->MapToScreen({700, 700});
    UiTest::MouseDown(wnd, from.X, from.Y);
    UiTest::MouseMove(wnd, (from.X + to.X) / 2, (from.Y + to.Y) / 2, MK_LBUTTON);
    UiTest::MouseMove(wnd, to.X + 5, to.Y - 4, MK_LBUTTON);
    UiTest::MouseUp(wnd, to.X + 5, to.Y - 4);
    const TestParts parts = PartsOf(*layer->GetShape(edited->Uid));
    ASSERT_EQ(parts.size(), 1u);
    ASSERT_EQ(parts[0].size(), 3u);
    EXPECT_DOUBLE_EQ(parts[0][2].X, 700);
    EXPECT_DOUBLE_EQ(parts[0][2].Y, 700);

    std::unique_ptr<TBitmap> shot(UiTest::Capture(wnd));
    shot->SaveToFile(std::string(QM_TEST_OUT) + "/paint_editor_snap.png");
    // The vertex left its old place; the other line shows its handles.
    const TPoint old = wnd->MapToScreen({400, 150});
    const TPoint handle = wnd->MapToScreen({900, 700});
    // Within 3 pixels: a line's pixels need not pass through the rounded point.
    auto near = [&](const TPoint& p, auto test) {
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx)
                if (test(shot->Canvas()->Pixel(p.X + dx, p.Y + dy))) return true;
        return false;
    };
    const TColor back = shot->Canvas()->Pixel(2, 2);
    EXPECT_FALSE(near(old, [&](TColor c) { return c != back; }));
    EXPECT_TRUE(near(handle, [](TColor c) { return c == clYellow; }));
    editor.EndEdit();
}

// What the preview shows: a window whose cached picture carries the shapes, and its overlays the labels.
TEST(LayerPaintWindow, ShapesAndTheirLabelsReachTheWindow) {
    std::unique_ptr<TForm> form;
    TGIS_ViewerWnd* wnd = ShowViewerWnd(form);
    auto* layer = new TGIS_LayerVector;
    layer->Name = "sheets";
    auto& style = *static_cast<TGIS_ParamsSectionVector*>(layer->ParamsList().GetSection(0));
    style.Area().SetColor(clBlue);
    style.Labels().SetValue("SHEET");
    style.Labels().SetPosition(gisLabelMiddleCenter);
    style.Labels().SetColor(clYellow);
    wnd->Add(layer);
    layer->SetExtent({0, 0, 1000, 1000});
    TGIS_Shape* s = layer->CreateShape(gisShapeTypePolygon);
    FillShape(*s, {Box(100, 100, 900, 900)});
    wnd->RecalcExtent();
    wnd->FullExtent();
    // The first paint after a change is direct and leaves vector layers to the timer's full repaint.
    UiTest::Wait(400);
    std::unique_ptr<TBitmap> shot(UiTest::Capture(wnd));
    shot->SaveToFile(std::string(QM_TEST_OUT) + "/paint_window.png");
    const TPoint corner = wnd->MapToScreen({150, 150}), centre = wnd->MapToScreen({500, 500});
    EXPECT_EQ(shot->Canvas()->Pixel(corner.X, corner.Y), clBlue);
    int frame = 0, text = 0;
    for (int dy = -15; dy <= 15; ++dy)
        for (int dx = -40; dx <= 40; ++dx) {
            const TColor c = shot->Canvas()->Pixel(centre.X + dx, centre.Y + dy);
            frame += c == clYellow;
            text += c == TColor(0x010101);
        }
    EXPECT_GT(frame, 50);
    EXPECT_GT(text, 5);
}

TEST(LayerPaintWindow, AFlashOnTheWindowEndsInItsLastRoundAndLeavesTheRepaintToTheMap) {
    std::unique_ptr<TForm> form;
    TGIS_ViewerWnd* wnd = ShowViewerWnd(form);
    auto* layer = new TGIS_LayerVector;
    auto& style = *static_cast<TGIS_ParamsSectionVector*>(layer->ParamsList().GetSection(0));
    style.Marker().SetColor(clBlue);
    style.Marker().SetSize(-4);
    wnd->Add(layer);
    layer->SetExtent({0, 0, 1000, 1000});
    TGIS_Shape* p = layer->CreateShape(gisShapeTypePoint);
    FillShape(*p, {{{500, 500}}});
    wnd->RecalcExtent();
    wnd->FullExtent();
    UiTest::Wait(400);
    const TPoint at = wnd->MapToScreen({500, 500});
    ASSERT_EQ(std::unique_ptr<TBitmap>(UiTest::Capture(wnd))->Canvas()->Pixel(at.X, at.Y), clBlue);
    // What the screen shows at the point each time the window reaches it, and keys handled meanwhile: a key
    // waiting in the queue stays there until the flash is over.
    const TRect client = wnd->WindowClientRect();
    std::vector<TColor> shown;
    int keys = 0, keysWhileShown = 0;
    wnd->OnKeyDown = [&](TObject*, WORD&, TShiftState) { ++keys; };
    UiTest::OnScreenPaint(wnd, [&] {
        std::unique_ptr<TBitmap> screen(wnd->CopySurface());
        shown.push_back(screen->Canvas()->Pixel(client.Left + at.X, client.Top + at.Y));
        keysWhileShown += keys;
    });
    PostMessage(wnd, WM_KEYDOWN, 'A', 0);
    p->Flash();
    UiTest::OnScreenPaint(wnd, {});
    // Every round on the screen at once, highlight and blink in turn.
    const std::vector<TColor> rounds = {clRed, clYellow, clRed, clYellow, clRed, clYellow, clRed, clYellow};
    EXPECT_EQ(shown, rounds);
    EXPECT_EQ(keysWhileShown, 0);
    // Eight rounds on the window itself, the last in yellow; its area then waits for the map's repaint.
    EXPECT_EQ(wnd->GetCanvas()->Pixel(at.X, at.Y), clYellow);
    EXPECT_TRUE(wnd->PaintPending());
    EXPECT_EQ(style.Marker().Color(), uint32_t(clBlue));
    UiTest::Wait(400);
    EXPECT_EQ(std::unique_ptr<TBitmap>(UiTest::Capture(wnd))->Canvas()->Pixel(at.X, at.Y), clBlue);
    EXPECT_EQ(keys, 1);
    wnd->OnKeyDown = nullptr;
}

TEST(LayerPaintZoom, WithoutZoomNoPassRuns) {
    UiTest::Init();
    TGIS_Viewer v{nullptr};
    v.SetBounds(0, 0, 50, 50);
    TBitmap bmp(50, 50, pf24bit);
    v.SetTargetBitmap(&bmp);
    v.SetOutputMode(gisOutputBitmap);
    v.SetZoom(0);
    auto* layer = new TGIS_LayerVector;
    v.Add(layer);
    TGIS_Shape* s = layer->CreateShape(gisShapeTypeArc);
    FillShape(*s, {{{0, 0}, {1e300, 1e300}}});
    int hooks = 0;
    layer->OnPaintShape = [&](TGIS_Viewer&, TGIS_Shape&) { ++hooks; };
    layer->OnPaintLabel = layer->OnPaintShape;
    layer->OnPaintChart = layer->OnPaintShape;
    if (v.Zoom() > 0) GTEST_SKIP() << "the viewer keeps a zoom";
    layer->Paint();
    layer->PaintShapes();
    layer->PaintLabels();
    layer->PaintCharts();
    layer->PaintEditor();
    EXPECT_EQ(hooks, 0);

    // Nor does a shape asked to draw itself: nothing reaches the bitmap.
    bmp.Canvas()->Brush()->SetColor(clWhite);
    bmp.Canvas()->FillRect(TRect(0, 0, 50, 50));
    layer->GetParams()->Labels().SetValue("label");
    layer->GetParams()->Chart().SetSize(-16);
    layer->GetParams()->Chart().SetValues("0:0:1:2");
    TGIS_Shape* p = layer->CreateShape(gisShapeTypePoint);
    FillShape(*p, {{{1, 1}}});
    TGIS_Shape* a = layer->CreateShape(gisShapeTypePolygon);
    FillShape(*a, {Box(-1e300, -1e300, 1e300, 1e300)});
    for (TGIS_Shape* shape : {s, p, a}) {
        shape->Draw();
        shape->DrawLabel();
        shape->DrawChart();
        shape->DrawEditOverlay();
        shape->Invalidate(false);
    }
    int touched = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x) touched += bmp.Canvas()->Pixel(x, y) != clWhite;
    EXPECT_EQ(touched, 0);
}

}  // namespace

namespace {

// The painting and locating hot path looks shapes up by uid; gaps in the uids must not mislead it.
TEST(LayerShapeIndex, UidsWithGapsAreFoundOrPlacedByTheirOrder) {
    TGIS_LayerVector layer;
    layer.SupportedShapeTypes = GIS_ALL_SHAPE_TYPES;
    for (int i = 0; i < 4; ++i) layer.CreateShape(gisShapeTypePoint);
    layer.Shapes[2]->Uid = 5;
    layer.Shapes[3]->Uid = 9;
    struct Case {
        int32_t uid;
        bool found;
        int index;
    };
    for (const Case& c : {Case{1, true, 0}, Case{2, true, 1}, Case{3, false, 2}, Case{4, false, 2},
                          Case{5, true, 2}, Case{8, false, 3}, Case{9, true, 3}, Case{10, false, 4},
                          Case{0, false, 0}, Case{-2147483647 - 1, false, 0}, Case{2147483647, false, 4}}) {
        int index = -1;
        EXPECT_EQ(layer.FindShapeIndex(c.uid, index), c.found) << c.uid;
        EXPECT_EQ(index, c.index) << c.uid;
    }
    EXPECT_EQ(layer.GetShape(5), layer.Shapes[2].get());
    EXPECT_EQ(layer.GetShape(4), nullptr);
}

}  // namespace
