#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisParamsText.h"
#include "gis/layers/GisEditor.h"
#include "gis/layers/GisLabelsArea.h"
#include "gis/layers/GisLayerVector.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/gis/layers/ShapeBuild.h"

namespace {

// A 200 x 100 bitmap showing the map (0, 0) - (200, 100) at one pixel per unit, with ten 10 x 10 squares along
// y = 50 whose field N counts them (0 .. 9); the square of N = k covers x from 20k to 20k + 10.
class LayerPaint : public ::testing::Test {
protected:
    void SetUp() override {
        v.SetBounds(0, 0, 200, 100);
        layer = new TGIS_LayerVector;
        v.Add(layer);
        layer->AddField("N", gisFieldNumber, 5, 0);
        layer->SetExtent({0, 0, 200, 100});
        v.RecalcExtent();
        v.SetZoom(1);
        v.SetTargetBitmap(&bmp);
        v.SetOutputMode(gisOutputBitmap);
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
        bmp.Canvas()->Brush()->SetStyle(bsSolid);
        bmp.Canvas()->Brush()->SetColor(clWhite);
        bmp.Canvas()->FillRect(TRect(0, 0, 200, 100));
        v.Draw();
    }
    // Colour inside square k.
    TColor At(int k) { return bmp.Canvas()->Pixel(20 * k + 5, 50); }
    void Save(const std::string& name) { bmp.SaveToFile(std::string(QM_TEST_OUT) + "/" + name + ".png"); }

    struct App {
        App() { UiTest::Init(); }
    } app;
    TBitmap bmp{200, 100, pf24bit};
    TGIS_Viewer v{nullptr};
    TGIS_LayerVector* layer = nullptr;
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
}

}  // namespace
