#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "gis/layers/GisBitmap.h"
#include "gis/layers/GisEditor.h"
#include "gis/layers/GisLabelsArea.h"
#include "gis/layers/GisLayerVector.h"
#include "gis/layers/GisSymbol.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/gis/layers/VectorOnBitmap.h"

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

TEST(LabelText, DatesTakeTheFormatAsADateFormat) {
    const Variant born = Variant::FromDate(EncodeDate(2008, 8, 8) + EncodeTime(20, 5, 9, 0));
    auto field = [&](const std::string&) { return born; };
    EXPECT_EQ(GisFormatLabelText(":<D:yyyy>", field), "2008");
    EXPECT_EQ(GisFormatLabelText(":<D:yyyy/mm/dd>", field), "2008-08-08");
    EXPECT_EQ(GisFormatLabelText(":<D:yy.m.d hh:mm>", field), "08.8.820:05");  // blanks skipped; minutes after an hour
    EXPECT_EQ(GisFormatLabelValue(born, "h:nn am/pm dddd mmmm"), "8:05 下午 星期五 八月");
    EXPECT_EQ(GisFormatLabelText(":<D:'y='yyyy>", field), "y=2008");
    EXPECT_EQ(GisFormatLabelValue(born, "c"), "2008-8-8 20:05:09");
}

// ---- on a viewer ----

class ShapeDraw : public VectorOnBitmap {
protected:
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
    // The layer's style itself: while a section styles a shape, its setters change that shape's copy.
    TGIS_ParamsSectionVector& LayerStyle() {
        layer->GetParams()->SetShape(nullptr);
        return *layer->GetParams();
    }
    TGIS_ParamsLabel& LayerLabel() { return LayerStyle().Labels(); }
    // Pixels of a colour in a row or a column around the centre.
    int Run(int x0, int y0, int dx, int dy, TColor c) {
        int n = 0;
        for (int k = -20; k <= 20; ++k)
            if (At(x0 + k * dx, y0 + k * dy) == c) ++n;
        return n;
    }
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

TEST_F(ShapeDraw, APolygonOfMorePointsThanTheBufferKeepsAHoleOfItsWindingWhateverTheCanvasMode) {
    LayerStyle().Area().SetColor(clBlue);
    LayerStyle().Area().SetOutlineColor(clBlue);
    // An outer ring of 140,000 points, and a hole wound the same way, which a winding fill would paint over.
    TGIS_Shape* s = layer->CreateShape(gisShapeTypePolygon);
    s->Lock(1);
    s->AddPart();
    const int side = 35000;
    const std::vector<TGIS_Point> corners{{10, 10}, {190, 10}, {190, 90}, {10, 90}, {10, 10}};
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < side; ++i) {
            const double t = double(i) / side;
            s->AddPoint({corners[c].X + (corners[c + 1].X - corners[c].X) * t,
                         corners[c].Y + (corners[c + 1].Y - corners[c].Y) * t});
        }
    s->AddPart();
    for (const TGIS_Point& q : std::vector<TGIS_Point>{{100, 30}, {160, 30}, {160, 70}, {100, 70}}) s->AddPoint(q);
    s->Unlock();
    ASSERT_GT(s->GetPartSize(0), GIS_MAX_DRAW_POINTS);
    for (uint8_t pattern : {uint8_t(gisBsSolid), uint8_t(gisBsDiagCross)}) {
        Clear();
        LayerStyle().Area().SetPattern(pattern);
        bmp.Canvas()->SetPolyFillMode(WINDING);
        s->Draw();
        EXPECT_EQ(bmp.Canvas()->SetPolyFillMode(ALTERNATE), WINDING) << "the canvas's mode is given back";
        Save("long_ring_hole" + std::to_string(pattern));
        int inHole = 0, outside = 0;
        for (int y = 35; y < 66; ++y)
            for (int x = 20; x < 156; ++x) (x > 104 ? inHole : outside) += At(x, y) == clBlue;
        EXPECT_EQ(inHole, 0) << int(pattern);
        EXPECT_GT(outside, 100) << int(pattern);
    }
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

// ---- fills, labels, charts and overlays ----

// A symbol of a fixed prepared size that records where it is stamped and paints a green pixel there. Like a
// metafile symbol it draws through the viewer's shared point buffer, which it leaves scribbled over.
class TStampSymbol : public TGIS_SymbolAbstract {
public:
    TStampSymbol(int w, int h) : TGIS_SymbolAbstract("stamp"), w_(w), h_(h) {}
    int GetWidth() const override { return w_; }
    int GetHeight() const override { return h_; }
    int NaturalWidth() const override { return w_; }
    int NaturalHeight() const override { return h_; }
    void Draw(int x, int y) override {
        Stamps.push_back(TPoint{x, y});
        if (Canvas) Canvas->SetPixel(x, y, clLime);
        if (Viewer && !scribbled_) std::fill_n(Viewer->PointBuffer(), GIS_MAX_DRAW_POINTS, TPoint{0, 0});
        scribbled_ = true;
    }
    void Prepare(TGIS_Viewer* viewer, int size, uint8_t position, int gap, double angle, uint32_t color2,
                 uint32_t color1) override {
        TGIS_SymbolAbstract::Prepare(viewer, size, position, gap, angle, color2, color1);
        scribbled_ = false;
    }
    std::vector<TPoint> Stamps;

private:
    int w_, h_;
    bool scribbled_ = false;
};

TGIS_Shape* Square(TGIS_LayerVector* layer, double x0, double y0, double x1, double y1) {
    TGIS_Shape* s = layer->CreateShape(gisShapeTypePolygon);
    s->AddPart();
    for (const TGIS_Point& q : std::vector<TGIS_Point>{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}) s->AddPoint(q);
    return s;
}

TEST_F(ShapeDraw, HatchesStayAlignedWithTheShapeAfterAPanBy8Pixels) {
    LayerStyle().Area().SetColor(clBlue);
    LayerStyle().Area().SetOutlineColor(clBlue);
    LayerStyle().Area().SetPattern(gisBsDiagCross);
    TGIS_Shape* s = Square(layer, 20, 20, 100, 80);
    for (int pan : {8, 3}) {
        Clear();
        s->Draw();
        const TPoint c = v.MapToScreen({20, 80});
        std::vector<TColor> before;
        for (int y = 10; y < 50; ++y)
            for (int x = 10; x < 60; ++x) before.push_back(At(c.X + x, c.Y + y));
        ASSERT_GT(std::count(before.begin(), before.end(), clBlue), 100);
        ASSERT_GT(std::count(before.begin(), before.end(), clWhite), 100);

        v.Delta.X -= pan;  // the map moves `pan` pixels to the right
        const TPoint moved = v.MapToScreen({20, 80});
        ASSERT_EQ(moved.X - c.X, pan);
        Clear();
        s->Draw();
        Save(pan == 8 ? "hatch_pan8" : "hatch_pan3");
        size_t i = 0;
        for (int y = 10; y < 50; ++y)
            for (int x = 10; x < 60; ++x, ++i)
                ASSERT_EQ(At(moved.X + x, moved.Y + y), before[i]) << pan << ": " << x << "," << y;
    }
}

TEST_F(ShapeDraw, BitmapTilesAreAnchoredAtTheShapeCorner) {
    // A 4 x 4 tile: red in its upper left pixel, lime elsewhere.
    TGIS_Bitmap tile;
    tile.SetSize(4, 4);
    tile.Canvas()->Brush()->SetColor(clLime);
    tile.Canvas()->FillRect(TRect(0, 0, 4, 4));
    tile.Canvas()->SetPixel(0, 0, clRed);
    LayerStyle().Area().SetBitmap(&tile);
    LayerStyle().Area().SetOutlineColor(clBlue);
    LayerStyle().Area().SetOutlineWidth(-1);
    TGIS_Shape* s = Square(layer, 20, 20, 80, 80);  // upper left corner at device (21, 21)
    s->AddPart();
    for (const TGIS_Point& q : std::vector<TGIS_Point>{{40, 40}, {60, 40}, {60, 60}, {40, 60}}) s->AddPoint(q);
    s->Draw();
    Save("bitmap_fill");
    for (int y = 23; y < 40; ++y)
        for (int x = 23; x < 80; ++x) {
            const bool red = (x - 21) % 4 == 0 && (y - 21) % 4 == 0;
            ASSERT_EQ(At(x, y), red ? clRed : clLime) << x << "," << y;
        }
    EXPECT_EQ(At(51, 51), clWhite);  // the hole
    EXPECT_EQ(At(10, 51), clWhite);  // outside
    EXPECT_EQ(At(21, 51), clBlue);   // the outline over the tiles

    // A corner left of the device: the grid still runs from it.
    s->Delete();
    Clear();
    TGIS_Shape* w = Square(layer, -14, 20, 50, 80);  // corner at device (-13, 21)
    w->Draw();
    for (int x = 1; x < 40; ++x) ASSERT_EQ(At(x, 25), (x + 13) % 4 == 0 ? clRed : clLime) << x;

    // A corner some 10^10 pixels away keeps the phase of the grid.
    w->Delete();
    Clear();
    TGIS_Shape* far = Square(layer, -1e10 - 15, 20, 50, 80);  // corner at device x = -1e10 - 14
    far->Draw();
    for (int x = 1; x < 40; ++x) ASSERT_EQ(At(x, 25), (x + 14) % 4 == 0 ? clRed : clLime) << x;
}

TEST_F(ShapeDraw, SymbolFillsStampAGridFromTheCornerAndNeverStallOnAZeroStep) {
    TStampSymbol symbol(10, 6);
    LayerStyle().Area().SetSymbol(&symbol);
    LayerStyle().Area().SetSymbolGap(-2);
    LayerStyle().Area().SetOutlineColor(clBlue);
    TGIS_Shape* s = Square(layer, 20, 20, 80, 80);  // device (21, 21) - (81, 81)
    s->Draw();
    ASSERT_FALSE(symbol.Stamps.empty());
    for (const TPoint& p : symbol.Stamps) {
        EXPECT_EQ((p.X - 21) % 12, 0) << p.X;
        EXPECT_EQ((p.Y - 21) % 8, 0) << p.Y;
    }
    EXPECT_EQ(At(21 + 12, 21 + 8), clLime);
    EXPECT_EQ(At(21, 51), clBlue);  // the rings stroked after the stamps

    // No width and no gap: no grid at all, and the drawing ends.
    TStampSymbol empty(0, 0);
    LayerStyle().Area().SetSymbol(&empty);
    LayerStyle().Area().SetSymbolGap(0);
    s->Draw();
    EXPECT_TRUE(empty.Stamps.empty());
    LayerStyle().Area().SetSymbol(nullptr);
}

TEST_F(ShapeDraw, OutlineSymbolsRunAlongEveryRingInsteadOfThePen) {
    TStampSymbol symbol(4, 4);
    LayerStyle().Area().SetPattern(gisBsClear);
    LayerStyle().Area().SetOutlineColor(clBlue);
    LayerStyle().Area().SetOutlineSymbol(&symbol);
    TGIS_Shape* s = Square(layer, 20, 20, 80, 80);
    s->AddPart();
    for (const TGIS_Point& q : std::vector<TGIS_Point>{{40, 40}, {60, 40}, {60, 60}, {40, 60}}) s->AddPoint(q);
    s->Draw();
    bool outer = false, inner = false;
    for (const TPoint& p : symbol.Stamps) {
        outer = outer || p.X <= 22 || p.Y <= 22;
        inner = inner || (p.X >= 40 && p.X <= 62 && p.Y >= 40 && p.Y <= 62);
    }
    EXPECT_TRUE(outer);
    EXPECT_TRUE(inner);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) ASSERT_NE(At(x, y), clBlue) << x << "," << y;
    LayerStyle().Area().SetOutlineSymbol(nullptr);
}

TEST_F(ShapeDraw, LinesHaveTheirWidthOverAWiderOutline) {
    TGIS_ParamsLine& line = LayerStyle().Line();
    line.SetColor(clBlue);
    line.SetOutlineColor(clRed);
    TGIS_Shape* a = layer->CreateShape(gisShapeTypeArc);
    a->AddPart();
    a->AddPoint({20, 50});  // device row 51
    a->AddPoint({180, 50});
    for (int width : {1, 3, 5})
        for (int outline : {0, 1, 2}) {
            Clear();
            LayerStyle().Line().SetWidth(-width);
            LayerStyle().Line().SetOutlineWidth(-outline);
            a->Draw();
            int blue = 0, red = 0;
            for (int y = 30; y < 72; ++y) {
                blue += At(100, y) == clBlue;
                red += At(100, y) == clRed;
            }
            EXPECT_EQ(blue, width) << width << "/" << outline;
            EXPECT_EQ(red, 2 * outline) << width << "/" << outline;  // the outline shows on both sides
            if (outline > 0) {
                EXPECT_EQ(At(100, 51), clBlue) << width << "/" << outline;
            }
        }
}

TEST_F(ShapeDraw, ASymbolLineLongerThanThePointBufferKeepsItsJoint) {
    TStampSymbol symbol(4, 4);
    LayerStyle().Line().SetSymbol(&symbol);
    LayerStyle().Line().SetOutlineWidth(0);
    // The first buffer load starts on the device, so that the symbol draws (and scribbles) before the second
    // load; its last point lies left of the device, the next one right of it.
    TGIS_Shape* a = layer->CreateShape(gisShapeTypeArc);
    a->Lock(1);
    a->AddPart();
    a->AddPoint({100, 20});
    for (int i = 1; i < GIS_MAX_DRAW_POINTS; ++i) a->AddPoint({-15000 + 14000.0 * i / GIS_MAX_DRAW_POINTS, 50});
    a->AddPoint({190, 50});
    a->Unlock();
    a->Draw();
    int joint = 0;
    for (const TPoint& p : symbol.Stamps) joint += p.X >= 0 && p.X < 190 && p.Y == 51;
    EXPECT_GT(joint, 20);
    LayerStyle().Line().SetSymbol(nullptr);
}

TEST_F(ShapeDraw, LabelPositionsAreTriedInTheirOrderAndTheHookMayMoveTheBox) {
    LayerLabel().SetValue("A");
    LayerLabel().SetWidth(-20);
    LayerLabel().SetHeight(-10);
    LayerLabel().SetPosition(0x1FF);
    layer->GetParams()->Marker().SetSize(-10);
    TGIS_Shape* p = layer->CreateShape(gisShapeTypePoint);
    p->AddPoint({100, 50});  // device (101, 51); the gap is half the marker and the label outline: 5 + 1
    std::vector<int> tried;
    std::vector<TRect> boxes;
    layer->OnLabelBox = [&](TGIS_Viewer* viewer, TGIS_Shape* shape, TRect& box, int position) {
        EXPECT_EQ(viewer, &v);
        EXPECT_EQ(shape, p);
        tried.push_back(position);
        boxes.push_back(box);
    };
    // Everything taken: every position is tried in turn and none is drawn.
    v.LabelsArea()->Reset();
    ASSERT_TRUE(v.LabelsArea()->AllocateRect({-1000, -1000, 1000, 1000}));
    p->DrawLabel();
    EXPECT_EQ(tried, (std::vector<int>{4, 5, 3, 1, 7, 2, 0, 8, 6}));
    EXPECT_EQ(v.LabelsArea()->BoxCount(), 1);
    const int d = v.TwipsToPixels(-10) / 2 + v.TwipsToPixels(layer->GetParams()->Marker().OutlineWidth()) +
                  v.TwipsToPixels(LayerLabel().OutlineWidth());
    const int w = boxes[0].Right - boxes[0].Left, h = boxes[0].Bottom - boxes[0].Top;
    EXPECT_GE(w, 20);
    EXPECT_GE(h, 10);
    EXPECT_EQ(boxes[0], TRect(101 - w / 2, 51 - h / 2, 101 - w / 2 + w, 51 - h / 2 + h));  // position 4
    EXPECT_EQ(boxes[6], TRect(101 - w - d, 51 - h - d, 101 - d, 51 - d));                  // position 0
    EXPECT_EQ(boxes[7], TRect(101 + d, 51 + d, 101 + d + w, 51 + d + h));                  // position 8
    EXPECT_EQ(boxes[1].Left, 101 + d);                                                      // position 5
    EXPECT_EQ(boxes[4].Top, 51 + d);                                                        // position 7

    // A free view: the first position wins, where the hook moved it.
    v.LabelsArea()->Reset();
    tried.clear();
    LayerLabel().SetColor(clYellow);
    TRect moved;
    layer->OnLabelBox = [&](TGIS_Viewer*, TGIS_Shape*, TRect& box, int position) {
        tried.push_back(position);
        OffsetRect(box, -60, 0);
        moved = box;
    };
    p->DrawLabel();
    EXPECT_EQ(tried, (std::vector<int>{4}));
    EXPECT_EQ(At(moved.Left + 1, moved.Top + 1), clYellow);
    EXPECT_EQ(At(moved.Left + 61, moved.Top + 1), clWhite);
    layer->OnLabelBox = nullptr;
}

TEST_F(ShapeDraw, AHaloRingsTheTextInTheLabelColour) {
    LayerLabel().SetValue("HHH");
    LayerLabel().SetPattern(gisBsClear);
    LayerLabel().SetOutlineWidth(0);
    LayerLabel().SetPosition(gisLabelMiddleCenter);
    LayerLabel().Font().SetSize(14);
    TGIS_Shape* p = layer->CreateShape(gisShapeTypePoint);
    p->AddPoint({100, 50});
    auto count = [&](TColor c) {
        int n = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x) n += At(x, y) == c;
        return n;
    };
    // Same colour as the font: no halo.
    LayerLabel().SetColor(0x010101);
    v.LabelsArea()->Reset();
    p->DrawLabel();
    const int text = count(TColor(0x010101));
    ASSERT_GT(text, 10);
    EXPECT_EQ(count(clRed), 0);

    LayerLabel().SetColor(clRed);
    Clear();
    v.LabelsArea()->Reset();
    p->DrawLabel();
    Save("label_halo");
    EXPECT_EQ(count(TColor(0x010101)), text);  // the text itself on top, unchanged
    EXPECT_GT(count(clRed), text / 2);
    // The halo lies diagonally next to the text and nowhere farther.
    for (int y = 1; y < 99; ++y)
        for (int x = 1; x < 199; ++x) {
            if (At(x, y) != clRed) continue;
            bool near = false;
            for (int dy : {-1, 1})
                for (int dx : {-1, 1}) near = near || At(x + dx, y + dy) == TColor(0x010101);
            ASSERT_TRUE(near) << x << "," << y;
        }
}

// The non-white pixels of the bitmap as a set of offsets from their bounding box, and that box.
struct Ink {
    TRect box{1 << 20, 1 << 20, -1, -1};
    std::vector<TPoint> pixels;
};
Ink InkOf(TBitmap& bmp, TColor colour) {
    Ink ink;
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
            if (bmp.Canvas()->Pixel(x, y) == colour) {
                ink.box = TRect(std::min(ink.box.Left, x), std::min(ink.box.Top, y), std::max(ink.box.Right, x),
                                std::max(ink.box.Bottom, y));
                ink.pixels.push_back(TPoint{x, y});
            }
    for (TPoint& p : ink.pixels) p = TPoint{p.X - ink.box.Left, p.Y - ink.box.Top};
    return ink;
}

TEST_F(ShapeDraw, FollowLabelsOfArcsRunBesideTheLineAndReadLeftToRight) {
    const TColor ink = TColor(0x010101);
    TGIS_ParamsLine& line = layer->GetParams()->Line();
    line.SetWidth(-3);
    line.SetOutlineWidth(-2);  // offset (3 + 2 x 2) / 2 = 3 pixels
    LayerLabel().SetValue("Fg");
    LayerLabel().SetColor(0x010101);  // no halo
    LayerLabel().SetAlignment(gisAlignFollow);
    LayerLabel().Font().SetSize(12);

    // The same text drawn level, as the reference of its reading direction.
    TBitmap ref(200, 100, pf24bit);
    ref.Canvas()->Brush()->SetColor(clWhite);
    ref.Canvas()->FillRect(TRect(0, 0, 200, 100));
    ref.Canvas()->SetFont(LayerLabel().Font());
    ref.Canvas()->Font()->SetColor(ink);
    ref.Canvas()->Brush()->SetStyle(bsClear);
    ref.Canvas()->TextOut(50, 30, "Fg");
    const Ink want = InkOf(ref, ink);
    ASSERT_FALSE(want.pixels.empty());

    v.SetFullPaint(true);
    for (bool rightToLeft : {false, true}) {
        Clear();
        v.LabelsArea()->Reset();
        TGIS_Shape* a = layer->CreateShape(gisShapeTypeArc);
        a->AddPart();
        a->AddPoint({rightToLeft ? 180.0 : 20.0, 50});  // device row 51
        a->AddPoint({rightToLeft ? 20.0 : 180.0, 50});
        a->DrawLabel();
        Save(rightToLeft ? "arc_label_rtl" : "arc_label_ltr");
        const Ink got = InkOf(bmp, ink);
        EXPECT_EQ(got.pixels, want.pixels) << rightToLeft;  // level and not upside down
        // Centred on the line, 3 pixels off it, on the side of its left-hand normal on the screen.
        EXPECT_NEAR((got.box.Left + got.box.Right) / 2.0, 101, 3) << rightToLeft;
        if (rightToLeft) {
            EXPECT_LE(got.box.Bottom, 51 - 3);
            EXPECT_GE(got.box.Bottom, 51 - 3 - 8);
        } else {
            EXPECT_GE(got.box.Top, 51 + 3);
            EXPECT_LE(got.box.Top, 51 + 3 + 8);
        }
        a->Delete();
    }

    // Without a full paint, or when the layer places its boxes through its hook, the label of a FOLLOW line
    // stands centred on the label point as any other (the followed text would lie wholly below row 51).
    LayerLabel().SetPosition(gisLabelMiddleCenter);
    LayerLabel().SetWidth(0);
    LayerLabel().SetHeight(0);
    TGIS_Shape* a = layer->CreateShape(gisShapeTypeArc);
    a->AddPart();
    a->AddPoint({20, 50});
    a->AddPoint({180, 50});
    int hooked = 0;
    for (bool fullPaint : {false, true}) {
        v.SetFullPaint(fullPaint);
        if (fullPaint) layer->OnLabelBox = [&](TGIS_Viewer*, TGIS_Shape*, TRect&, int) { ++hooked; };
        Clear();
        v.LabelsArea()->Reset();
        a->DrawLabel();
        EXPECT_EQ(v.LabelsArea()->BoxCount(), 1) << fullPaint;
        const Ink got = InkOf(bmp, ink);
        ASSERT_FALSE(got.pixels.empty()) << fullPaint;
        EXPECT_LT(got.box.Top, 51) << fullPaint;
        EXPECT_GT(got.box.Bottom, 51) << fullPaint;
    }
    EXPECT_EQ(hooked, 1);
    layer->OnLabelBox = nullptr;
}

TEST_F(ShapeDraw, ChartsAtShapesShowPieSlicesAndBarsInTheirColours) {
    LayerStyle().Chart().SetSize(-40);
    LayerStyle().Chart().SetValues("0:0:1:1:2");
    LayerStyle().Chart().SetStyle(gisChartPie);
    TGIS_Shape* p = layer->CreateShape(gisShapeTypePoint);
    p->AddPoint({100, 50});  // device (101, 51)
    p->DrawChart();
    Save("chart_pie");
    // Clockwise from twelve o'clock: a quarter, a quarter, a half.
    EXPECT_EQ(At(101 + 8, 51 - 8), TColor(0x0000FF));
    EXPECT_EQ(At(101 + 8, 51 + 8), TColor(0x00FF00));
    EXPECT_EQ(At(101 - 10, 51 - 4), TColor(0xFF0000));
    EXPECT_EQ(At(101 - 10, 51 + 4), TColor(0xFF0000));
    EXPECT_EQ(At(101, 51 - 30), clWhite);

    // Bars of 5 and 10 on a scale 0 .. 10: width 16, gap 4, zero line at 51 + 20.
    Clear();
    LayerStyle().Chart().SetValues("0:10:5:10");
    LayerStyle().Chart().SetStyle(gisChartBar);
    p->DrawChart();
    Save("chart_bars");
    EXPECT_EQ(At(89, 60), TColor(0x0000FF));
    EXPECT_EQ(At(89, 52), TColor(0x0000FF));
    EXPECT_EQ(At(89, 49), clWhite);  // 20 pixels high
    EXPECT_EQ(At(109, 33), TColor(0x00FF00));
    EXPECT_EQ(At(109, 29), clWhite);  // 40 pixels high

    // A polygon carries its chart at its label point; no size, no chart.
    Clear();
    TGIS_Shape* s = Square(layer, 140, 20, 180, 80);  // centre at device (161, 51)
    s->DrawChart();
    EXPECT_EQ(At(150, 60), TColor(0x0000FF));
    Clear();
    LayerStyle().Chart().SetSize(0);
    s->DrawChart();
    EXPECT_EQ(At(150, 60), clWhite);
}

TEST_F(ShapeDraw, EditOverlaysNumberTheVerticesAndMarkTheEditedOne) {
    TGIS_Shape* s = Square(layer, 20, 20, 80, 80);
    s->AddPart();
    for (const TGIS_Point& q : std::vector<TGIS_Point>{{40, 40}, {60, 40}, {60, 60}, {40, 60}}) s->AddPoint(q);
    TGIS_Editor* editor = v.Editor();
    editor->StartEdit(s, 1);
    ASSERT_TRUE(editor->InEdit());
    TGIS_Shape* edited = layer->GetShape(editor->GetShapeUid());
    ASSERT_NE(edited, nullptr);
    Clear();
    edited->DrawEditOverlay();
    Save("edit_overlay");
    // Part 0 in the other-part style, part 1 in the vertex style, its selected vertex 0 in the current style.
    EXPECT_EQ(At(81 - 1, 21 + 1), clBlue);
    EXPECT_EQ(At(61 - 2, 61 - 2), clLime);
    ASSERT_EQ(editor->GetSelectedVertex(), 0);
    EXPECT_EQ(At(41 - 2, 61 - 2), clRed);
    // The dotted outline between the vertices, in yellow dashes.
    int dots = 0;
    for (int x = 26; x < 77; ++x) dots += At(x, 21) == clYellow;
    EXPECT_GT(dots, 10);
    EXPECT_LT(dots, 51);
    // Numbers in white beside the vertices.
    int white = 0;
    for (int y = 62; y < 75; ++y)
        for (int x = 62; x < 75; ++x) white += At(x, y) == clWhite;
    EXPECT_GT(white, 0);
    editor->EndEdit();

    // Deleted: nothing.
    Clear();
    edited->Delete();
    edited->DrawEditOverlay();
    for (int x = 0; x < 200; ++x) ASSERT_EQ(At(x, 21), clWhite) << x;
}

TEST_F(ShapeDraw, AnOverlayLongerThanThePointBufferKeepsItsJoint) {
    // The last point of the first buffer load lies left of the device, the next one right of it: only a
    // carried joint draws the segment between them.
    TGIS_Shape* a = layer->CreateShape(gisShapeTypeArc);
    a->Lock(1);
    a->AddPart();
    for (int i = 0; i < GIS_MAX_DRAW_POINTS; ++i) a->AddPoint({-15000 + 14000.0 * i / GIS_MAX_DRAW_POINTS, 50});
    for (int i = 0; i < 10; ++i) a->AddPoint({190 + i * 0.1, 50});
    a->Unlock();
    TGIS_Shape* m = layer->CreateShape(gisShapeTypeMultipoint);
    m->AddPart();
    m->AddPoint({50, 20});
    m->AddPoint({150, 20});
    a->DrawEditOverlay();
    m->DrawEditOverlay();
    Save("overlay_joint");
    int dots = 0;
    for (int x = 10; x < 180; ++x) dots += At(x, 51) == clYellow;
    EXPECT_GT(dots, 40);
    EXPECT_EQ(At(51 - 2, 81 - 2), clLime);   // multipoint vertices
    EXPECT_EQ(At(151 - 2, 81 - 2), clLime);
}

}  // namespace
