#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gis/layers/GisLabelsArea.h"
#include "gis/layers/GisLayerVector.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {

// ---- label text ----

TEST(LabelText, TemplatesExpandFieldsEscapesAndFormats) {
    auto field = [](const std::string& name) -> Variant {
        if (name == "NAME") return Variant("Hills");
        if (name == "H") return Variant(12.345);
        if (name == "N") return Variant(7);
        if (name == "No Colon") return Variant("whole");
        return Variant::Null();
    };
    EXPECT_EQ(GisFormatLabelText(":Name: <NAME>", field), "Name: Hills");
    EXPECT_EQ(GisFormatLabelText(":<H:.2f>", field), "12.35");
    EXPECT_EQ(GisFormatLabelText(":<H: .1 f>m", field), "12.3m");  // blanks in a format are skipped
    EXPECT_EQ(GisFormatLabelText(":<N:3d>", field), "  7");
    EXPECT_EQ(GisFormatLabelText(":a\\nb\\<c", field), "a\rb<c");
    EXPECT_EQ(GisFormatLabelText("No Colon", field), "whole");
    EXPECT_EQ(GisFormatLabelText(":x<NAME", field), "x");  // open reference emits nothing
    EXPECT_EQ(GisFormatLabelText(":x<NAME:s", field), "x");
    EXPECT_EQ(GisFormatLabelText(":<MISSING>|", field), "|");
    EXPECT_EQ(GisFormatLabelText("", field), "");
}

TEST(LabelText, FormatsThatDoNotSuitTheValueGiveItAsText) {
    EXPECT_EQ(GisFormatLabelValue(Variant("abc"), ".2f"), "abc");
    EXPECT_EQ(GisFormatLabelValue(Variant(1.5), "d"), "1.5");
    EXPECT_EQ(GisFormatLabelValue(Variant(3), "d%d"), "3");  // two conversions
    EXPECT_EQ(GisFormatLabelValue(Variant(3), "d%"), "3");
    EXPECT_EQ(GisFormatLabelValue(Variant(2000000000), "*d"), "2000000000");  // width taken from the value
    EXPECT_EQ(GisFormatLabelValue(Variant(true), "d"), VarToStr(Variant(true)));
    EXPECT_EQ(GisFormatLabelValue(Variant::Null(), ".2f"), "");
    EXPECT_EQ(GisFormatLabelValue(Variant("ab"), "5s"), "   ab");
    EXPECT_EQ(GisFormatLabelValue(Variant(2.5), ""), VarToStr(Variant(2.5)));
}

// ---- on a viewer ----

class ShapeDraw : public ::testing::Test {
protected:
    void SetUp() override {
        v.SetBounds(0, 0, 200, 100);
        layer = new TGIS_LayerVector;
        v.Add(layer);
        layer->SetExtent({0, 0, 200, 100});
        v.RecalcExtent();
        v.SetZoom(1);
        v.SetTargetBitmap(&bmp);
        v.SetOutputMode(gisOutputBitmap);
        Clear();
    }
    void Clear() {
        bmp.Canvas()->Brush()->SetStyle(bsSolid);
        bmp.Canvas()->Brush()->SetColor(clWhite);
        bmp.Canvas()->FillRect(TRect(0, 0, 200, 100));
    }
    // A red marker, filled and outlined.
    void Marker(const TPoint& centre, int size, uint8_t style) {
        TCanvas& c = *bmp.Canvas();
        c.Brush()->SetStyle(bsSolid);
        c.Brush()->SetColor(clRed);
        c.Pen()->SetStyle(psSolid);
        c.Pen()->SetColor(clRed);
        c.Pen()->SetWidth(1);
        GisDrawMarker(c, centre, size, style);
    }
    // The layer's label style itself: while a section styles a shape, its setters change that shape's copy.
    TGIS_ParamsLabel& LayerLabel() {
        layer->GetParams()->SetShape(nullptr);
        return layer->GetParams()->Labels();
    }
    TColor At(int x, int y) { return bmp.Canvas()->Pixel(x, y); }
    // Pixels of a colour in a row or a column around the centre.
    int Run(int x0, int y0, int dx, int dy, TColor c) {
        int n = 0;
        for (int k = -20; k <= 20; ++k)
            if (At(x0 + k * dx, y0 + k * dy) == c) ++n;
        return n;
    }
    void Save(const std::string& name) { bmp.SaveToFile(std::string(QM_TEST_OUT) + "/" + name + ".png"); }

    struct App {
        App() { UiTest::Init(); }
    } app;
    TBitmap bmp{200, 100, pf24bit};
    TGIS_Viewer v{nullptr};
    TGIS_LayerVector* layer = nullptr;
};

TEST_F(ShapeDraw, MarkersHaveTheirShapeAndSize) {
    // A 16-pixel cross: arms 4 pixels wide, 16 long.
    Marker(TPoint{50, 50}, 16, gisMarkerCross);
    Save("marker_cross16");
    EXPECT_NEAR(Run(50, 50, 1, 0, clRed), 17, 1);
    EXPECT_NEAR(Run(50, 50, 0, 1, clRed), 17, 1);
    EXPECT_NEAR(Run(50, 45, 1, 0, clRed), 5, 1);  // the vertical arm
    EXPECT_NEAR(Run(45, 50, 0, 1, clRed), 5, 1);  // the horizontal arm
    EXPECT_EQ(At(45, 45), clWhite);               // between the arms

    // Size 1 is drawn as 2.
    Clear();
    Marker(TPoint{50, 50}, 1, gisMarkerBox);
    int red = 0;
    for (int y = 45; y < 56; ++y)
        for (int x = 45; x < 56; ++x) red += At(x, y) == clRed;
    EXPECT_GE(red, 2);
    EXPECT_LE(red, 9);

    // Each style covers its centre area and stays within its size.
    for (uint8_t style = gisMarkerBox; style <= gisMarkerTriangleRight; ++style) {
        Clear();
        Marker(TPoint{100, 50}, 12, style);
        Save("marker_style" + std::to_string(style));
        int inside = 0, outside = 0;
        for (int y = 30; y < 70; ++y)
            for (int x = 80; x < 120; ++x) {
                if (At(x, y) != clRed) continue;
                (std::abs(x - 100) <= 7 && std::abs(y - 50) <= 7 ? inside : outside)++;
            }
        EXPECT_GT(inside, 10) << int(style);
        EXPECT_EQ(outside, 0) << int(style);
    }
    // Triangle up points up: its apex row is narrower than its base row.
    Clear();
    Marker(TPoint{100, 50}, 12, gisMarkerTriangleUp);
    EXPECT_LT(Run(100, 46, 1, 0, clRed), Run(100, 54, 1, 0, clRed));
}

TEST_F(ShapeDraw, HandlesSkipVerticesNearThePreviousOne) {
    TGIS_Shape* s = layer->CreateShape(gisShapeTypeArc);
    s->AddPart();
    // Map (x, y) is device (x + 1, 100 - y + 1).
    s->AddPoint({20, 50});
    s->AddPoint({22, 48});  // 4 pixels away: no handle
    s->AddPoint({40, 50});
    s->AddPoint({5000, 50});  // far outside the view
    s->DrawSelected();
    Save("handles");
    const TColor yellow = clYellow;
    EXPECT_EQ(At(21, 51), yellow);
    EXPECT_EQ(At(41, 51), yellow);
    EXPECT_NE(At(23, 53), yellow);  // the skipped handle's far corner
    EXPECT_EQ(At(18, 48), TColor(0x010101));  // the black pen is never pure black

    Clear();
    s->Deleted = true;
    s->DrawSelected();
    EXPECT_EQ(At(21, 51), clWhite);
}

TEST_F(ShapeDraw, PointsAndMultipointsDrawTheirMarkers) {
    TGIS_ParamsMarker& m = layer->GetParams()->Marker();
    m.SetStyle(gisMarkerBox);
    m.SetSize(-10);
    m.SetColor(clBlue);
    m.SetOutlineColor(clBlue);
    TGIS_Shape* p = layer->CreateShape(gisShapeTypePoint);
    p->AddPoint({50, 50});  // device (51, 51)
    p->Draw();
    EXPECT_EQ(At(51, 51), clBlue);
    EXPECT_EQ(At(47, 51), clBlue);
    EXPECT_EQ(At(51, 40), clWhite);

    // Size 1 still shows.
    Clear();
    m.SetSize(-1);
    p->Draw();
    EXPECT_TRUE(At(51, 51) == clBlue || At(50, 50) == clBlue);

    Clear();
    m.SetSize(0);  // no size, no marker
    p->Draw();
    EXPECT_EQ(At(51, 51), clWhite);

    // A multipoint far wider than any device is drawn from a clipped copy: what is in view still shows.
    Clear();
    m.SetSize(-6);
    TGIS_Shape* mp = layer->CreateShape(gisShapeTypeMultipoint);
    mp->AddPart();
    mp->AddPoint({20, 20});
    mp->AddPoint({150, 80});
    mp->AddPoint({90000, 50});
    mp->AddPoint({-90000, 50});
    mp->Draw();
    Save("multipoint");
    EXPECT_EQ(At(21, 81), clBlue);
    EXPECT_EQ(At(151, 21), clBlue);
    std::unique_ptr<TGIS_Shape> copy;
    TGIS_Shape* drawn = mp->PrepareDraw(false, copy);
    ASSERT_NE(drawn, nullptr);
    EXPECT_NE(drawn, mp);
    EXPECT_EQ(drawn->GetPartSize(0), 2);

    Clear();
    mp->Deleted = true;
    mp->Draw();
    EXPECT_EQ(At(21, 81), clWhite);
}

TEST_F(ShapeDraw, PrepareDrawClipsOnlyWhatSpans16000Pixels) {
    TGIS_Shape* narrow = layer->CreateShape(gisShapeTypeMultipoint);
    narrow->AddPart();
    narrow->AddPoint({10, 10});
    narrow->AddPoint({15999, 15999});
    std::unique_ptr<TGIS_Shape> copy;
    EXPECT_EQ(narrow->PrepareDraw(false, copy), narrow);
    EXPECT_EQ(copy, nullptr);
    // Forced: clipped to the visible extent.
    TGIS_Shape* forced = narrow->PrepareDraw(true, copy);
    ASSERT_NE(forced, nullptr);
    EXPECT_EQ(forced->GetPartSize(0), 1);

    TGIS_Shape* wide = layer->CreateShape(gisShapeTypePolygon);
    wide->AddPart();
    for (const TGIS_Point& q : std::vector<TGIS_Point>{{-10000, 10}, {10000, 10}, {10000, 90}, {-10000, 90}})
        wide->AddPoint(q);
    TGIS_Shape* clipped = wide->PrepareDraw(false, copy);
    ASSERT_NE(clipped, nullptr);
    EXPECT_NE(clipped, wide);
    const TGIS_Extent e = clipped->GetExtent();
    EXPECT_GE(e.XMin, -16001);
    EXPECT_LE(e.XMax, 16001);
}

TEST_F(ShapeDraw, FlashOffTheWindowDrawsTheHighlightOnceAndKeepsTheLayerStyle) {
    TGIS_ParamsMarker& m = layer->GetParams()->Marker();
    m.SetSize(-2);
    m.SetColor(clBlue);
    TGIS_Shape* p = layer->CreateShape(gisShapeTypePoint);
    p->AddPoint({50, 50});  // device (51, 51)
    p->Flash();
    EXPECT_EQ(At(51, 51), clRed);
    EXPECT_EQ(At(49, 51), clRed);  // widened to 5 pixels
    EXPECT_EQ(m.Size(), -2);
    EXPECT_EQ(m.Color(), uint32_t(clBlue));
    EXPECT_FALSE(p->HasOwnParams());
    Clear();
    p->Draw();
    EXPECT_EQ(At(50, 50), clBlue);
    EXPECT_EQ(At(49, 51), clWhite);
}

TEST_F(ShapeDraw, LabelsTakeTheirFirstFreePositionInsideAFrame) {
    LayerLabel().SetValue("A");
    LayerLabel().SetColor(clYellow);
    LayerLabel().SetWidth(-40);
    LayerLabel().SetHeight(-20);
    LayerLabel().SetPosition(gisLabelMiddleCenter | gisLabelDownLeft | gisLabelUpRight);
    layer->GetParams()->Marker().SetSize(-10);
    TGIS_Shape* p = layer->CreateShape(gisShapeTypePoint);
    p->AddPoint({100, 50});  // device (101, 51)
    v.LabelsArea()->Reset();
    p->DrawLabel();
    Save("label_centre");
    // Centre comes first: box (81, 41) - (121, 61), frame 3 pixels wider and 1 higher.
    EXPECT_EQ(v.LabelsArea()->BoxCount(), 1);
    EXPECT_EQ(At(79, 45), clYellow);
    EXPECT_EQ(At(123, 58), clYellow);
    EXPECT_EQ(At(76, 45), clWhite);

    // A label allowed only lower left that would overlap is refused; one lower right is tried next.
    TGIS_Shape* q = layer->CreateShape(gisShapeTypePoint);
    q->AddPoint({130, 60});  // device (131, 41)
    LayerLabel().SetPosition(gisLabelDownLeft);
    Clear();
    q->DrawLabel();
    EXPECT_EQ(v.LabelsArea()->BoxCount(), 1);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) ASSERT_EQ(At(x, y), clWhite) << x << "," << y;
    LayerLabel().SetPosition(gisLabelDownLeft | gisLabelDownRight);
    q->DrawLabel();
    EXPECT_EQ(v.LabelsArea()->BoxCount(), 2);
    // Lower right, past the gap of half the marker: left 131 + 5, top 41 + 5.
    EXPECT_EQ(At(137, 64), clYellow);
    EXPECT_EQ(At(124, 64), clWhite);

    // Overlaps allowed: drawn over the others.
    LayerLabel().SetAllocator(false);
    LayerLabel().SetPosition(gisLabelDownLeft);
    Clear();
    q->DrawLabel();
    EXPECT_EQ(At(124, 64), clYellow);

    // No text, no label.
    LayerLabel().SetValue("");
    Clear();
    p->DrawLabel();
    EXPECT_EQ(At(79, 45), clWhite);
}

TEST_F(ShapeDraw, ALineLongerThanThePointBufferIsDrawnWholeOverItsOutline) {
    layer->GetParams()->SetShape(nullptr);
    TGIS_ParamsLine& line = layer->GetParams()->Line();
    line.SetColor(clBlue);
    line.SetWidth(-1);
    line.SetOutlineColor(clRed);
    line.SetOutlineWidth(-2);
    TGIS_Shape* a = layer->CreateShape(gisShapeTypeArc);
    a->Lock(1);
    a->AddPart();
    const int n = 200000;
    for (int i = 0; i < n; ++i) a->AddPoint({10 + 180.0 * i / (n - 1), 50});  // device row 51
    a->Unlock();
    a->Draw();
    Save("long_line");
    for (int x : {12, 100, 150, 189}) EXPECT_EQ(At(x, 51), clBlue) << x;
    int outline = 0;
    for (int y = 45; y < 58; ++y) outline += At(150, y) == clRed;
    EXPECT_GT(outline, 0);
    EXPECT_EQ(At(150, 40), clWhite);
}

TEST_F(ShapeDraw, PolygonHolesOfEitherWindingStayUnfilled) {
    layer->GetParams()->SetShape(nullptr);
    layer->GetParams()->Area().SetColor(clBlue);
    layer->GetParams()->Area().SetOutlineColor(clBlue);
    for (bool reversed : {false, true}) {
        Clear();
        TGIS_Shape* s = layer->CreateShape(gisShapeTypePolygon);
        s->AddPart();
        for (const TGIS_Point& q : std::vector<TGIS_Point>{{10, 10}, {90, 10}, {90, 90}, {10, 90}}) s->AddPoint(q);
        s->AddPart();
        std::vector<TGIS_Point> hole{{30, 30}, {70, 30}, {70, 70}, {30, 70}};
        if (reversed) hole = {{30, 30}, {30, 70}, {70, 70}, {70, 30}};
        for (const TGIS_Point& q : hole) s->AddPoint(q);
        s->Draw();
        Save(reversed ? "hole_reversed" : "hole_same");
        EXPECT_EQ(At(21, 51), clBlue) << reversed;
        EXPECT_EQ(At(51, 51), clWhite) << reversed;
        s->Delete();
    }
}

TEST_F(ShapeDraw, APolygon20000PixelsWideIsDrawnClipped) {
    layer->GetParams()->SetShape(nullptr);
    layer->GetParams()->Area().SetColor(clBlue);
    layer->GetParams()->Area().SetOutlineColor(clBlue);
    TGIS_Shape* s = layer->CreateShape(gisShapeTypePolygon);
    s->AddPart();
    for (const TGIS_Point& q : std::vector<TGIS_Point>{{-10000, 20}, {10000, 20}, {10000, 80}, {-10000, 80}})
        s->AddPoint(q);
    s->Draw();
    for (int x : {1, 100, 199}) EXPECT_EQ(At(x, 51), clBlue) << x;
    EXPECT_EQ(At(100, 10), clWhite);
    EXPECT_EQ(At(100, 90), clWhite);
}

TEST_F(ShapeDraw, APolygonOfMoreRingsThanTheBufferHoldsKeepsItsHoles) {
    layer->GetParams()->SetShape(nullptr);
    layer->GetParams()->Area().SetColor(clBlue);
    layer->GetParams()->Area().SetOutlineColor(clBlue);
    TGIS_Shape* s = layer->CreateShape(gisShapeTypePolygon);
    s->Lock(1);
    s->AddPart();
    for (const TGIS_Point& q : std::vector<TGIS_Point>{{10, 10}, {190, 10}, {190, 90}, {10, 90}}) s->AddPoint(q);
    // 1,999 tiny holes far from the test pixels, then one large hole last.
    for (int i = 0; i < 1999; ++i) {
        s->AddPart();
        const double x = 12 + (i % 40) * 0.1, y = 12 + (i / 40) * 0.1;
        for (const TGIS_Point& q : std::vector<TGIS_Point>{{x, y}, {x + 0.05, y}, {x + 0.05, y + 0.05}}) s->AddPoint(q);
    }
    s->AddPart();
    for (const TGIS_Point& q : std::vector<TGIS_Point>{{100, 30}, {160, 30}, {160, 70}, {100, 70}}) s->AddPoint(q);
    s->Unlock();
    ASSERT_GT(s->GetNumParts(), GIS_MAX_DRAW_PARTS);
    s->Draw();
    Save("many_rings");
    EXPECT_EQ(At(60, 51), clBlue);
    EXPECT_EQ(At(131, 51), clWhite);  // the last hole
}

TEST_F(ShapeDraw, LabelTextReadsTheShapeFields) {
    layer->AddField("NAME", gisFieldString, 10, 0);
    layer->AddField("H", gisFieldFloat, 10, 3);
    TGIS_Shape* s = layer->CreateShape(gisShapeTypePoint);
    s->AddPoint({20, 50});
    s->SetField("NAME", Variant("Peak"));
    s->SetField("H", Variant(1.26));
    EXPECT_EQ(s->FormatLabelText(":<NAME> <H:.1f>"), "Peak 1.3");
    EXPECT_EQ(s->FormatLabelText(":<NAME:.2f>"), "Peak");
    EXPECT_EQ(s->FormatLabelText("NAME"), "Peak");
}

}  // namespace
