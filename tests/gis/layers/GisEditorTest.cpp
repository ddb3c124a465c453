#include "gis/layers/GisEditor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "gis/layers/GisLayerVector.h"
#include "gis/layers/GisViewerWnd.h"
#include "platform/ui/Forms.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/gis/layers/ShapeBuild.h"
#include "tests/gis/layers/TestLayer.h"
#include "tests/gis/layers/ViewerWndHost.h"

namespace {

// A vector layer that draws nothing: these tests look at the geometry the editor writes back.
class TQuietLayer : public TGIS_LayerVector {
public:
    void Paint() override {}
    void PaintShapes() override {}
    void PaintEditor() override {}
    void PaintLabels() override {}
    void PaintCharts() override {}
    void DrawLabels() override {}
    void DrawCharts() override {}
};

class GisEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        wnd = ShowViewerWnd(form);
        // A 1000 x 1000 map under the edited layer fixes the view.
        auto* map = new TTestLayer("map", GisMakeExtent(0, 0, 1000, 1000));
        wnd->Add(map);
        layer = new TQuietLayer();
        layer->Name = "edited";
        wnd->Add(layer);
        wnd->FullExtent();
        wnd->SetAutoCenter(false);
        wnd->SetMode(gisEdit);
        editor = wnd->Editor();
        editor->OnChange = [this](TObject*) { ++changes; };
    }
    TGIS_Shape* AddShape(uint8_t type, const TestParts& parts) {
        TGIS_Shape* s = layer->CreateShape(type);
        FillShape(*s, parts);
        return s;
    }
    TPoint Screen(const TGIS_Point& p) { return wnd->MapToScreen(p); }
    void Click(const TGIS_Point& at, bool shift = false) {
        const TPoint q = Screen(at);
        UiTest::MouseDown(wnd, q.X, q.Y, MK_LBUTTON, shift ? WPARAM(MK_SHIFT) : WPARAM(0));
        UiTest::MouseUp(wnd, q.X, q.Y, MK_LBUTTON, shift ? WPARAM(MK_SHIFT) : WPARAM(0));
    }
    void Drag(const TGIS_Point& from, int dx, int dy) {
        const TPoint q = Screen(from);
        UiTest::MouseDown(wnd, q.X, q.Y);
        UiTest::MouseMove(wnd, q.X + dx / 2, q.Y + dy / 2, MK_LBUTTON);
        UiTest::MouseMove(wnd, q.X + dx, q.Y + dy, MK_LBUTTON);
        UiTest::MouseUp(wnd, q.X + dx, q.Y + dy);
    }
    // The shape as the layer holds it now.
    TestParts Parts(TGIS_Shape* s) { return PartsOf(*s); }

    std::unique_ptr<TForm> form;
    TGIS_ViewerWnd* wnd = nullptr;
    TQuietLayer* layer = nullptr;
    TGIS_Editor* editor = nullptr;
    int changes = 0;
};

void ExpectPointsAt(const std::vector<TGIS_Point>& got, const std::vector<TGIS_Point>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_DOUBLE_EQ(got[i].X, want[i].X) << i;
        EXPECT_DOUBLE_EQ(got[i].Y, want[i].Y) << i;
    }
}

#define ExpectPoints(got, ...)          \
    do {                                 \
        SCOPED_TRACE("points");          \
        ExpectPointsAt(got, __VA_ARGS__); \
    } while (0)

TEST_F(GisEditorTest, StartAndEndMoveTheLayerUpAndBackAndReportEachStep) {
    TGIS_Shape* s = AddShape(gisShapeTypeArc, {{{100, 100}, {100, 100}, {300, 100}, {300, 100}, {500, 400}}});
    EXPECT_EQ(editor->GetShapeUid(), -1);
    EXPECT_EQ(layer->GetZOrder(), 0);
    layer->SetZOrder(1);
    const bool incremental = wnd->IncrementalPaint();
    editor->StartEdit(s, 0);
    EXPECT_TRUE(editor->InEdit());
    EXPECT_EQ(editor->GetShapeUid(), s->Uid);
    EXPECT_EQ(editor->Layer(), layer);
    EXPECT_EQ(layer->GetZOrder(), 0);
    EXPECT_FALSE(wnd->IncrementalPaint());
    // Consecutive duplicates are merged.
    ExpectPoints(editor->VertexBuffer(), {{100, 100}, {300, 100}, {500, 400}});
    EXPECT_EQ(changes, 1);
    editor->EndEdit();
    EXPECT_FALSE(editor->InEdit());
    EXPECT_EQ(editor->Shape(), nullptr);
    EXPECT_EQ(layer->GetZOrder(), 1);
    EXPECT_EQ(wnd->IncrementalPaint(), incremental);
    EXPECT_EQ(changes, 2);
    editor->EndEdit();
    EXPECT_EQ(changes, 2);
    editor->StartEdit(nullptr, 0);
    EXPECT_FALSE(editor->InEdit());
}

TEST_F(GisEditorTest, WithoutShowFastTheLayerIsTranslucentWhileEditing) {
    TGIS_Shape* s = AddShape(gisShapeTypeArc, {{{100, 100}, {300, 100}}});
    editor->ShowFast = false;
    const int32_t before = layer->Params->Transparency();
    editor->StartEdit(s, 0);
    EXPECT_EQ(layer->Params->Transparency(), 60);
    editor->EndEdit();
    EXPECT_EQ(layer->Params->Transparency(), before);
}

TEST_F(GisEditorTest, AClickOnAVertexDeletesItButNotWithShiftNorTheLastOne) {
    TGIS_Shape* s = AddShape(gisShapeTypeArc, {{{100, 100}, {300, 100}, {500, 400}}});
    editor->StartEdit(s, 0);
    Click({300, 100}, true);
    ExpectPoints(Parts(s)[0], {{100, 100}, {300, 100}, {500, 400}});
    Click({300, 100});
    ExpectPoints(Parts(s)[0], {{100, 100}, {500, 400}});
    ExpectPoints(editor->VertexBuffer(), {{100, 100}, {500, 400}});
    EXPECT_EQ(editor->GetSelectedVertex(), 1);
    Click({500, 400});
    ExpectPoints(editor->VertexBuffer(), {{100, 100}});
    Click({100, 100});
    ExpectPoints(editor->VertexBuffer(), {{100, 100}});
    EXPECT_TRUE(editor->InEdit());
}

TEST_F(GisEditorTest, ADragMovesAVertexOnlyFromFivePixelsOn) {
    TGIS_Shape* s = AddShape(gisShapeTypeArc, {{{100, 100}, {300, 100}, {500, 400}}});
    editor->StartEdit(s, 0);
    Drag({300, 100}, 3, 2);
    ExpectPoints(Parts(s)[0], {{100, 100}, {300, 100}, {500, 400}});
    const TPoint q = Screen({300, 100});
    Drag({300, 100}, 30, 0);
    const TGIS_Point moved = wnd->ScreenToMap(TPoint(q.X + 30, q.Y));
    ExpectPoints(Parts(s)[0], {{100, 100}, moved, {500, 400}});
    EXPECT_EQ(editor->GetSelectedVertex(), 1);
    // The trail of the drag is drawn in red.
    EXPECT_EQ(wnd->GetCanvas()->Pixel(q.X + 15, q.Y), TColor(0x0000FF));

}

TEST_F(GisEditorTest, WithAutoCenterTheViewFollowsTheSnappedVertexNotTheReleasedPoint) {
    TGIS_Shape* s = AddShape(gisShapeTypeArc, {{{400, 450}, {480, 460}, {600, 560}}});
    // Zoomed in, so that the view can move over the map. Released at the middle of the view, the window's own
    // centring on the released point would leave the view where it is; the vertex snaps to a point 7 pixels off,
    // and only the editor centres the view there.
    wnd->SetZoom(wnd->Zoom() * 4);
    const TPoint middle(wnd->DeviceWidth() / 2, wnd->DeviceHeight() / 2);
    const TGIS_Point before = wnd->Center();
    const TGIS_Point target = wnd->ScreenToMap(TPoint(middle.X + 6, middle.Y - 4));
    AddShape(gisShapeTypePoint, {{target}});
    editor->StartEdit(s, 0);
    wnd->SetAutoCenter(true);
    const TPoint from = Screen({480, 460});
    Drag({480, 460}, middle.X - from.X, middle.Y - from.Y);
    ExpectPoints(Parts(s)[0], {{400, 450}, target, {600, 560}});
    const double pixel = 1 / wnd->Zoom();
    EXPECT_GT(std::hypot(wnd->Center().X - before.X, wnd->Center().Y - before.Y), 5 * pixel);
    EXPECT_NEAR(wnd->Center().X, target.X, pixel);
    EXPECT_NEAR(wnd->Center().Y, target.Y, pixel);

    // Off, neither the editor nor the window moves the view.
    wnd->SetAutoCenter(false);
    const TGIS_Point kept = wnd->Center();
    Drag(target, 0, -40);
    EXPECT_DOUBLE_EQ(wnd->Center().X, kept.X);
    EXPECT_DOUBLE_EQ(wnd->Center().Y, kept.Y);
}

TEST_F(GisEditorTest, ClicksBeyondTheEndsOfALineAppendOrPrepend) {
    TGIS_Shape* s = AddShape(gisShapeTypeArc, {{{200, 500}, {400, 500}, {600, 500}}});
    editor->StartEdit(s, 0);
    const TGIS_Point after = wnd->ScreenToMap(Screen({800, 500}));
    Click({800, 500});
    ExpectPoints(Parts(s)[0], {{200, 500}, {400, 500}, {600, 500}, after});
    EXPECT_EQ(editor->GetSelectedVertex(), 3);
    const TGIS_Point before = wnd->ScreenToMap(Screen({50, 500}));
    Click({50, 500});
    ExpectPoints(Parts(s)[0], {before, {200, 500}, {400, 500}, {600, 500}, after});
    EXPECT_EQ(editor->GetSelectedVertex(), 0);
    // Near the middle segment: inserted between its ends.
    const TGIS_Point mid = wnd->ScreenToMap(Screen({300, 520}));
    Click({300, 520});
    ExpectPoints(Parts(s)[0], {before, {200, 500}, mid, {400, 500}, {600, 500}, after});
    EXPECT_EQ(editor->GetSelectedVertex(), 2);
}

TEST_F(GisEditorTest, APolygonTakesAClickNearItsClosingEdgeBetweenLastAndFirstAndKeepsItsOtherRings) {
    TGIS_Shape* s = AddShape(gisShapeTypePolygon, {Box(100, 100, 900, 900), Box(300, 300, 400, 400, true)});
    editor->StartEdit(s, 0);
    ExpectPoints(editor->VertexBuffer(), Box(100, 100, 900, 900));
    const TGIS_Point at = wnd->ScreenToMap(Screen({80, 500}));
    Click({80, 500});
    EXPECT_EQ(editor->GetSelectedVertex(), 4);
    const TestParts parts = Parts(s);
    ASSERT_EQ(parts.size(), 2u);
    // Rings are stored closed.
    ExpectPoints(parts[0], {{100, 100}, {900, 100}, {900, 900}, {100, 900}, at, {100, 100}});
    ExpectPoints(parts[1], {{300, 300}, {300, 400}, {400, 400}, {400, 300}, {300, 300}});
}

TEST_F(GisEditorTest, AClosedRingStaysClosedAndKeepsItsVertices) {
    std::vector<TGIS_Point> ring = Box(100, 100, 900, 900);
    ring.push_back(ring.front());
    TGIS_Shape* s = AddShape(gisShapeTypePolygon, {ring});
    editor->StartEdit(s, 1 - 1);
    ExpectPoints(editor->VertexBuffer(), Box(100, 100, 900, 900));
    Click({900, 900});
    const TestParts parts = Parts(s);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_TRUE(GisIsSamePoint(parts[0].front(), parts[0].back()));
    ExpectPoints(editor->VertexBuffer(), {{100, 100}, {900, 100}, {100, 900}});
}

TEST_F(GisEditorTest, ADroppedPointSnapsToTheNearestVertexOfAnotherShapeButNeverToItself) {
    TGIS_Shape* other = AddShape(gisShapeTypeArc, {{{700, 700}, {900, 700}}});
    TGIS_Shape* s = AddShape(gisShapeTypeArc, {{{100, 100}, {300, 100}, {500, 400}}});
    editor->StartEdit(s, 0);
    const TPoint target = Screen({700, 700});
    const TPoint from = Screen({500, 400});
    Drag({500, 400}, target.X + 6 - from.X, target.Y - 4 - from.Y);
    ExpectPoints(Parts(s)[0], {{100, 100}, {300, 100}, {700, 700}});
    // Far from every other shape the point stays where it was dropped.
    const TPoint q = Screen({300, 100});
    Drag({300, 100}, 0, -40);
    ExpectPoints(Parts(s)[0], {{100, 100}, wnd->ScreenToMap(TPoint(q.X, q.Y - 40)), {700, 700}});
    ExpectPoints(Parts(other)[0], {{700, 700}, {900, 700}});
    // The edited shape's own vertices do not attract it.
    const TGIS_Point own = editor->Snap({101, 101});
    EXPECT_DOUBLE_EQ(own.X, 101);
}

TEST_F(GisEditorTest, APartOfTenThousandVerticesTakesOneMore) {
    std::vector<TGIS_Point> line;
    for (int i = 0; i < 10000; ++i) line.push_back({100 + i * 0.08, 200 + (i % 2) * 0.01});
    TGIS_Shape* s = AddShape(gisShapeTypeArc, {{{50, 50}, {60, 60}}, line});
    editor->StartEdit(s, 1);
    EXPECT_EQ(editor->VertexBuffer().size(), 10000u);
    Click({950, 200});
    const TestParts parts = Parts(s);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[1].size(), 10001u);
    ExpectPoints(parts[0], {{50, 50}, {60, 60}});
    EXPECT_EQ(editor->GetSelectedVertex(), 10000);
}

TEST_F(GisEditorTest, AnInsertIntoAnEmptyPartBecomesItsFirstVertex) {
    TGIS_Shape* s = AddShape(gisShapeTypeArc, {{{50, 50}, {60, 60}}, {}});
    editor->StartEdit(s, 1);
    EXPECT_TRUE(editor->VertexBuffer().empty());
    const TGIS_Point at = wnd->ScreenToMap(Screen({500, 500}));
    Click({500, 500});
    EXPECT_EQ(editor->GetSelectedVertex(), 0);
    ExpectPoints(editor->VertexBuffer(), {at});
    const TGIS_Point next = wnd->ScreenToMap(Screen({700, 500}));
    Click({700, 500});
    EXPECT_EQ(editor->GetSelectedVertex(), 1);
    ExpectPoints(Parts(s)[1], {at, next});
}

TEST_F(GisEditorTest, APointShapeMovesButTakesNoInsert) {
    TGIS_Shape* s = AddShape(gisShapeTypePoint, {{{500, 500}}});
    editor->StartEdit(s, 0);
    Click({100, 800});
    ExpectPoints(Parts(s)[0], {{500, 500}});
    const TPoint q = Screen({500, 500});
    Drag({500, 500}, 20, 20);
    ExpectPoints(Parts(s)[0], {wnd->ScreenToMap(TPoint(q.X + 20, q.Y + 20))});
}

TEST_F(GisEditorTest, InputOutsideTheMapOrWhileIdleChangesNothing) {
    TGIS_Shape* s = AddShape(gisShapeTypeArc, {{{100, 100}, {300, 100}}});
    Click({200, 100});
    ExpectPoints(Parts(s)[0], {{100, 100}, {300, 100}});
    editor->StartEdit(s, 0);
    const int before = changes;
    // Left of the map's extent, inside the window.
    const TPoint q = Screen({0, 500});
    UiTest::MouseDown(wnd, q.X - 20, q.Y);
    UiTest::MouseUp(wnd, q.X - 20, q.Y);
    ExpectPoints(Parts(s)[0], {{100, 100}, {300, 100}});
    EXPECT_EQ(changes, before);
}

TEST_F(GisEditorTest, AViewerWithoutZoomTakesNoInput) {
    TGIS_Shape* s = AddShape(gisShapeTypeArc, {{{100, 100}, {300, 100}}});
    TGIS_ViewerWnd idle(form.get());
    idle.SetZoom(0);
    ASSERT_FALSE(idle.Zoom() > 0);
    TGIS_Editor& e = *idle.Editor();
    e.StartEdit(s, 0);
    e.MouseDown(TPoint(10, 10), true);
    e.MouseMove(TPoint(12, 10));
    e.MouseUp(TPoint(10, 10));
    const TGIS_Point p = e.Snap({100, 100});
    EXPECT_DOUBLE_EQ(p.X, 100);
    ExpectPoints(e.VertexBuffer(), {{100, 100}, {300, 100}});
    e.EndEdit();
}

}  // namespace
